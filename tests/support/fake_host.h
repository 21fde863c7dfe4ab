// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the program around the stills and the presentation window:
// fatal errors are told as the player tells them (a box and the quit
// request), and what is asked of the sound manager is written down.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "interp/interp_host.h"
#include "interp/message_class.h"

namespace test {

class FakeHost final : public InterpHost {
public:
    void FatalError(const char* text, win::HWND owner) override {
        errors.emplace_back(text);
        MessageClass().FatalError(text, owner);
    }
    void Serve() override { ++serves; }
    bool RestartRequested() override { return restart; }
    bool TakeFirstPaint() override { return std::exchange(firstPaint, false); }
    void RequestMovieAbort() override { abortMovie = true; }
    bool TakeMovieAbort() override { return std::exchange(abortMovie, false); }
    void ServiceSound() override { ++services; }
    void ReleaseSoundForRun() override { sound.emplace_back("release for run"); }
    void ResumeSoundAfterRun() override { sound.emplace_back("resume after run"); }
    void ReleaseSoundForExec() override { sound.emplace_back("release for exec"); }
    // "music NAME playOnce mode loopCount cdTrack kind"
    void StartMusic(const char* name, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                    std::uint32_t cdTrack, EntryKind kind) override {
        sound.push_back("music " + std::string(name) + " " + std::to_string(playOnce) + " " +
                        std::to_string(static_cast<std::int32_t>(mode)) + " " + std::to_string(loopCount) + " " +
                        std::to_string(cdTrack) + " " + std::to_string(static_cast<int>(kind)));
    }
    void QueueSongPass() override { sound.emplace_back("song pass"); }
    // The movie stays silent.
    bool AttachMovieSound(const char* path) override {
        sound.push_back("attach " + std::string(path));
        return false;
    }
    void StartMovieSound() override { sound.emplace_back("start movie sound"); }
    void DropUnstartedMovieSound() override { sound.emplace_back("drop movie sound"); }

    std::vector<std::string> errors;
    std::vector<std::string> sound;
    int serves = 0;
    int services = 0;
    bool restart = false;
    bool firstPaint = true;
    bool abortMovie = false;
};

}  // namespace test
