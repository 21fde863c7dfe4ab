// SPDX-License-Identifier: GPL-3.0-or-later
// Handles are numbers, not addresses: a table maps them to live objects, so a
// stale or foreign handle is simply not found. Numbers are never reused.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

namespace platform {

static_assert(sizeof(std::uintptr_t) == 8, "handle numbers carry their kind in the upper half");

template <class Handle>
std::uintptr_t HandleId(Handle handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

template <class Handle>
Handle MakeHandle(std::uintptr_t id) {
    return reinterpret_cast<Handle>(id);
}

// Owner is std::unique_ptr<T> or std::shared_ptr<T>. Iteration follows
// creation order.
template <class T, class Owner = std::unique_ptr<T>>
class HandleTable {
public:
    explicit HandleTable(std::uintptr_t kind) : base_(kind << 32) {}

    std::uintptr_t Add(Owner object) {
        std::uintptr_t id = base_ | ++serial_;
        objects_.emplace(id, std::move(object));
        return id;
    }
    T* Find(std::uintptr_t id) const {
        auto it = objects_.find(id);
        return it == objects_.end() ? nullptr : it->second.get();
    }
    const Owner* FindOwner(std::uintptr_t id) const {
        auto it = objects_.find(id);
        return it == objects_.end() ? nullptr : &it->second;
    }
    Owner Remove(std::uintptr_t id) {
        auto it = objects_.find(id);
        if (it == objects_.end()) return Owner{};
        Owner object = std::move(it->second);
        objects_.erase(it);
        return object;
    }
    const std::map<std::uintptr_t, Owner>& All() const { return objects_; }

private:
    std::uintptr_t base_;
    std::uintptr_t serial_ = 0;
    std::map<std::uintptr_t, Owner> objects_;
};

}  // namespace platform
