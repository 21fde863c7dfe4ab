// SPDX-License-Identifier: GPL-3.0-or-later
// Modules: "NAME.DLL" is libname.so beside the executable, else wherever the
// executable's run path says (the installed player keeps it in a private folder).
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/core/backend.h"
#include "platform/core/letter_case.h"
#include "platform/core/session.h"
#include "platform/win/handles.h"

namespace platform {
namespace {

struct ModuleData {
    void* library = nullptr;
    std::string file;
    int references = 1;
    bool program = false;
};

struct ModuleState {
    HandleTable<ModuleData> modules{4};
    win::HMODULE program = nullptr;
};

ModuleState& State() { return CurrentSession().Part<ModuleState>(); }

std::string ExecutableFolder() {
    char path[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string exe(path, static_cast<std::size_t>(length));
    auto slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

// "AUD32.DLL" -> "libaud32.so"
std::string LibraryFile(const char* name) {
    std::string base = name;
    auto separator = base.find_last_of("\\/");
    if (separator != std::string::npos) base.erase(0, separator + 1);
    base = Lowercase(base);
    if (base.size() > 4 && base.ends_with(".dll")) base.resize(base.size() - 4);
    return "lib" + base + ".so";
}

// "_AUD_startup@0" -> "AUD_startup"
std::string PlainName(const char* name) {
    std::string plain = name;
    auto at = plain.rfind('@');
    if (at != std::string::npos && at + 1 < plain.size() &&
        plain.find_first_not_of("0123456789", at + 1) == std::string::npos)
        plain.resize(at);
    if (!plain.empty() && plain[0] == '_') plain.erase(0, 1);
    return plain;
}

// A library on the program's own search path (its RUNPATH in an installed
// layout). The folders are asked of the program itself: a sanitizer's dlopen
// would search the run path of the sanitizer's library instead.
void* OpenOnSearchPath(const std::string& file) {
    void* program = ::dlopen(nullptr, RTLD_NOW);
    Dl_serinfo size{};
    if (!program || ::dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0) return nullptr;
    std::unique_ptr<Dl_serinfo, decltype(&std::free)> info(static_cast<Dl_serinfo*>(std::malloc(size.dls_size)),
                                                           &std::free);
    if (!info) return nullptr;
    *info = size;
    if (::dlinfo(program, RTLD_DI_SERINFO, info.get()) != 0) return nullptr;
    for (unsigned i = 0; i < info->dls_cnt; ++i) {
        const std::string path = std::string(info->dls_serpath[i].dls_name) + "/" + file;
        if (void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
    }
    return nullptr;
}

win::HMODULE FindLoaded(const std::string& file) {
    for (const auto& [id, module] : State().modules.All())
        if (!module->program && module->file == file) return MakeHandle<win::HMODULE>(id);
    return nullptr;
}

}  // namespace
}  // namespace platform

namespace win {

HMODULE GetModuleHandleA(const char* name) {
    auto& state = platform::State();
    if (name) return platform::FindLoaded(platform::LibraryFile(name));
    if (!state.modules.Find(platform::HandleId(state.program))) {
        auto program = std::make_unique<platform::ModuleData>();
        program->library = ::dlopen(nullptr, RTLD_NOW);
        program->program = true;
        state.program = platform::MakeHandle<HMODULE>(state.modules.Add(std::move(program)));
    }
    return state.program;
}

HMODULE LoadLibraryA(const char* name) {
    if (!name || !*name) return nullptr;
    std::string file = platform::LibraryFile(name);
    if (HMODULE loaded = platform::FindLoaded(file)) {
        ++platform::State().modules.Find(platform::HandleId(loaded))->references;
        return loaded;
    }
    static const std::string folder = platform::ExecutableFolder();
    void* library = ::dlopen((folder + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) library = platform::OpenOnSearchPath(file);
    if (!library) return nullptr;
    auto module = std::make_unique<platform::ModuleData>();
    module->library = library;
    module->file = file;
    return platform::MakeHandle<HMODULE>(platform::State().modules.Add(std::move(module)));
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    const platform::ModuleData* data = platform::State().modules.Find(platform::HandleId(module));
    if (!data || !name || reinterpret_cast<std::uintptr_t>(name) < 0x10000) return nullptr;
    void* symbol = ::dlsym(data->library, platform::PlainName(name).c_str());
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    auto& modules = platform::State().modules;
    platform::ModuleData* data = modules.Find(platform::HandleId(module));
    if (!data) return FALSE;
    if (data->program) return TRUE;
    if (--data->references > 0) return TRUE;
    ::dlclose(data->library);
    modules.Remove(platform::HandleId(module));
    return TRUE;
}

UINT waveOutGetNumDevs() { return platform::TheBackend().WaveOutDevices(); }

}  // namespace win
