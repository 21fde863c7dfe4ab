// SPDX-License-Identifier: GPL-3.0-or-later
// The layer's state: one session owns every module's part of it (queue,
// windows, GDI objects, timers, screen, trace, settings, backend), each made
// on first use and dropped in reverse order of making.
//
// The process's session comes into being on first use and is never
// destroyed: the player reaches the layer during static initialisation, from
// its exit path and from the audio library's thread. Only tests start fresh
// sessions, while nothing else of theirs uses the layer.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class Session {
public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    // The module's part of type T, made by make() (a T) on first use.
    template <class T, class Make>
    T& Part(Make&& make) {
        const std::size_t slot = SlotOf<T>();
        if (Holder* held = slots_[slot].load(std::memory_order_acquire)) return static_cast<Held<T>*>(held)->value;
        return Add<T>(slot, make);
    }

    template <class T>
    T& Part() {
        return Part<T>([] { return T(); });
    }

private:
    static constexpr std::size_t MaxParts = 32;

    struct Holder {
        virtual ~Holder() = default;
    };
    template <class T>
    struct Held final : Holder {
        template <class Make>
        explicit Held(Make& make) : value(make()) {}
        T value;
    };

    static std::size_t NewSlot();

    template <class T>
    static std::size_t SlotOf() {
        static const std::size_t slot = NewSlot();
        return slot;
    }

    template <class T, class Make>
    T& Add(std::size_t slot, Make& make) {
        // Making a part may make the parts it needs first: those go earlier.
        std::lock_guard lock(mutex_);
        if (Holder* held = slots_[slot].load(std::memory_order_relaxed)) return static_cast<Held<T>*>(held)->value;
        auto made = std::make_unique<Held<T>>(make);
        Held<T>* part = made.get();
        made_.push_back(std::move(made));
        slots_[slot].store(part, std::memory_order_release);
        return part->value;
    }

    std::recursive_mutex mutex_;
    std::atomic<Holder*> slots_[MaxParts] = {};
    std::vector<std::unique_ptr<Holder>> made_;  // in order of making
};

// The session the layer works in.
Session& CurrentSession();

// For tests: while it lives, the layer works in a session of its own that
// starts from scratch (the settings read again from the environment, the
// current folder the starting folder); then it is dropped and the previous
// session is current again.
class FreshSession {
public:
    FreshSession();
    FreshSession(const FreshSession&) = delete;
    FreshSession& operator=(const FreshSession&) = delete;
    ~FreshSession();

private:
    Session* previous_;
};

}  // namespace platform
