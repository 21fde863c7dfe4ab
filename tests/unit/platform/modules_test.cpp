// SPDX-License-Identifier: GPL-3.0-or-later
// Modules and resources.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win/win.h"

namespace {

TEST(Modules, DllNamesLoadTheLibraryBesideTheProgramOrOnItsRunPath) {
    struct Case {
        const char* library;
        const char* symbol;
        bool found;
    } cases[] = {
        {"PROBEMOD.DLL", "_probe_answer@0", true},
        {"probemod.dll", "probe_answer", true},
        {"C:\\WINDOWS\\ProbeMod.Dll", "_probe_answer", true},
        {"PROBEMOD.DLL", "probe_answer@", false},  // not a decoration
        {"PROBEMOD.DLL", "_missing@4", false},
        {"PROBERUN.DLL", "_probe_answer@0", true},  // elsewhere, on the run path
    };
    for (const auto& c : cases) {
        win::HMODULE module = win::LoadLibraryA(c.library);
        ASSERT_NE(module, nullptr) << c.library;
        win::FARPROC procedure = win::GetProcAddress(module, c.symbol);
        EXPECT_EQ(procedure != nullptr, c.found) << c.symbol;
        if (procedure) {
            EXPECT_EQ(reinterpret_cast<int (*)()>(procedure)(), 42);
        }
        EXPECT_TRUE(win::FreeLibrary(module));
    }
    EXPECT_EQ(win::LoadLibraryA("NOSUCH.DLL"), nullptr);
    EXPECT_EQ(win::GetProcAddress(nullptr, "probe_answer"), nullptr);
}

TEST(Modules, LoadingTwiceNeedsTwoFrees) {
    win::HMODULE first = win::LoadLibraryA("PROBEMOD.DLL");
    win::HMODULE second = win::LoadLibraryA("probemod.dll");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(win::GetModuleHandleA("PROBEMOD.DLL"), first);
    EXPECT_TRUE(win::FreeLibrary(first));
    EXPECT_NE(win::GetProcAddress(first, "probe_answer"), nullptr);
    EXPECT_TRUE(win::FreeLibrary(first));
    EXPECT_FALSE(win::FreeLibrary(first));
    EXPECT_EQ(win::GetProcAddress(first, "probe_answer"), nullptr) << "a freed module's handle is stale";
}

TEST(Modules, TheProgramExportsTheHostServices) {
    win::HMODULE program = win::GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(win::GetProcAddress(program, "_corvanta_host_now_ms@0"), nullptr);
    EXPECT_NE(win::GetProcAddress(program, "corvanta_host_trace"), nullptr);
}

// The smallest valid PNG: one red pixel.
const unsigned char RedPixelPng[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
                                     0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
                                     0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x78,
                                     0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xc9, 0xfe, 0x92,
                                     0xef, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TEST(Icons, RegisteredPngResourcesLoadByNumber) {
    win::RegisterIconResource(3100, RedPixelPng, sizeof RedPixelPng);
    const unsigned char notPng[] = {1, 2, 3};
    win::RegisterIconResource(3101, notPng, sizeof notPng);
    win::HICON icon = win::LoadIconA(nullptr, win::MAKEINTRESOURCEA(3100));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(win::LoadIconA(nullptr, win::MAKEINTRESOURCEA(3100)), icon);
    EXPECT_EQ(win::LoadIconA(nullptr, win::MAKEINTRESOURCEA(3101)), nullptr);
    EXPECT_EQ(win::LoadIconA(nullptr, win::MAKEINTRESOURCEA(3102)), nullptr);
    EXPECT_EQ(win::LoadIconA(nullptr, "IDI_APP"), nullptr);
}

}  // namespace
