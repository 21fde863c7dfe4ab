// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon resources: PNG images registered by id.
#include <map>
#include <vector>

#include "platform/core/png_io.h"
#include "platform/core/session.h"
#include "platform/win/handles.h"
#include "platform/win/internal.h"

namespace platform {
namespace {

struct IconState {
    std::map<unsigned, std::vector<unsigned char>> resources;
    std::map<unsigned, win::HICON> loaded;
    HandleTable<IconImage> icons{5};
};

IconState& State() { return CurrentSession().Part<IconState>(); }

}  // namespace

const IconImage* FindIcon(win::HICON icon) { return State().icons.Find(HandleId(icon)); }

}  // namespace platform

namespace win {

void RegisterIconResource(unsigned id, const unsigned char* png, std::size_t size) {
    if (!png) return;
    auto& state = platform::State();
    state.resources[id].assign(png, png + size);
    state.loaded.erase(id);
}

HICON LoadIconA(HINSTANCE, const char* name) {
    auto value = reinterpret_cast<std::uintptr_t>(name);
    if (value == 0 || value >= 0x10000) return nullptr;  // only numbered resources exist
    auto id = static_cast<unsigned>(value);
    auto& state = platform::State();
    if (auto loaded = state.loaded.find(id); loaded != state.loaded.end()) return loaded->second;
    auto resource = state.resources.find(id);
    if (resource == state.resources.end()) return nullptr;
    auto image = platform::DecodePng(resource->second.data(), resource->second.size());
    if (!image) return nullptr;
    auto icon = platform::MakeHandle<HICON>(state.icons.Add(std::make_unique<platform::IconImage>(std::move(*image))));
    state.loaded[id] = icon;
    return icon;
}

}  // namespace win
