// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/host.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/host_services.h"

namespace aud::host {
namespace {

struct Services {
    decltype(&corvanta_host_headless) headless = nullptr;
    decltype(&corvanta_host_now_ms) nowMs = nullptr;
    decltype(&corvanta_host_trace) trace = nullptr;
    decltype(&corvanta_host_at_exit) atExit = nullptr;
    decltype(&corvanta_host_wake) wake = nullptr;
    decltype(&corvanta_host_disc) disc = nullptr;
    decltype(&corvanta_host_tell_user) tellUser = nullptr;
    decltype(&corvanta_host_await_bytes) awaitBytes = nullptr;
};

template <typename Function>
Function Find(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

const Services& Lookup() {
    static const Services services{
        Find<decltype(&corvanta_host_headless)>("corvanta_host_headless"),
        Find<decltype(&corvanta_host_now_ms)>("corvanta_host_now_ms"),
        Find<decltype(&corvanta_host_trace)>("corvanta_host_trace"),
        Find<decltype(&corvanta_host_at_exit)>("corvanta_host_at_exit"),
        Find<decltype(&corvanta_host_wake)>("corvanta_host_wake"),
        Find<decltype(&corvanta_host_disc)>("corvanta_host_disc"),
        Find<decltype(&corvanta_host_tell_user)>("corvanta_host_tell_user"),
        Find<decltype(&corvanta_host_await_bytes)>("corvanta_host_await_bytes"),
    };
    return services;
}

}  // namespace

bool Headless() {
    if (Lookup().headless) return Lookup().headless() == 1;
    const char* driver = std::getenv("CORVANTA_DRIVER");
    return driver && std::strcmp(driver, "headless") == 0;
}

std::uint32_t NowMs() {
    if (Lookup().nowMs) return Lookup().nowMs();
    static const auto origin = std::chrono::steady_clock::now();
    auto elapsed = std::chrono::steady_clock::now() - origin;
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void Trace(const std::string& event) {
    if (Lookup().trace) Lookup().trace(event.c_str());
}

void Wake() {
    if (Lookup().wake) Lookup().wake();
}

void AtExit(void (*finish)()) {
    if (Lookup().atExit) Lookup().atExit(finish);
}

const char* Disc() { return Lookup().disc ? Lookup().disc() : nullptr; }

void AwaitBytes(const void* begin, std::uint64_t length) {
    if (Lookup().awaitBytes) Lookup().awaitBytes(begin, length);
}

void TellUser(const std::string& line) {
    if (Lookup().tellUser)
        Lookup().tellUser(line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace aud::host
