// SPDX-License-Identifier: GPL-3.0-or-later
// A sound manager bound to the fake library, working in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "fake_audio.h"
#include "sound/sound_class.h"
#include "support/player_run.h"

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = test::MakeTempDir(std::string(info->test_suite_name()) + "_" + info->name());
        ASSERT_TRUE(win::SetCurrentDirectoryA(folder.string().c_str()));
    }

    // Binds, starts up and forgets the start-up calls.
    void Start() {
        sound = std::make_unique<SoundClass>(FakeAudio::Table());
        sound->Startup();
        audio.calls.clear();
    }

    // A sound file of `size` bytes in the test's folder whose RIFF header
    // claims `size` - 8 + `overclaim` bytes.
    std::string MakeFile(const std::string& name, std::size_t size = 100, std::uint32_t overclaim = 0) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
        const std::uint32_t claimed = static_cast<std::uint32_t>(size) - 8 + overclaim;
        const std::string header =
            std::string("RIFF") + char(claimed) + char(claimed >> 8) + char(claimed >> 16) + char(claimed >> 24);
        bytes.replace(0, std::min(size, header.size()), header, 0, std::min(size, header.size()));
        test::WriteFile(folder / name, bytes);
        return name;
    }

    void Play(const char* name, MusicMode mode, std::int32_t playOnce = 1, std::int32_t loopCount = 0) {
        sound->StartMusic(name, playOnce, mode, loopCount, 0, EntryKind::MusicFile);
    }

    std::string Call(const char* what, AUD_HANDLE voice) { return std::string(what) + " " + std::to_string(voice); }

    std::filesystem::path folder;
    FakeAudio audio;
    std::unique_ptr<SoundClass> sound;
};
