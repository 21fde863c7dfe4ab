// Process-wide state of the layer lives until the process ends: the player
// reaches it from static initialisation, from its exit path and from the audio
// library's thread, so it must never be destroyed under them.
#pragma once

#include <new>
#include <utility>

namespace platform {

template <class T>
class NoDestructor {
public:
    template <class... Args>
    explicit NoDestructor(Args&&... args) {
        new (storage_) T(std::forward<Args>(args)...);
    }
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& operator*() { return *std::launder(reinterpret_cast<T*>(storage_)); }
    T* operator->() { return &**this; }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace platform
