// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the movie tests: a headless presentation window that covers the
// screen, a stand-in for the program around the movie, and the screen read back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "flic/flc_window.h"
#include "support/flc_writer.h"

namespace movie_test {

// Records what the movie asks of the program; the viewer's abort or a quit
// request arrive at a chosen pump. Its clock moves 1 ms per pump and
// `serveCost` per serve, so a frame with many chunks decodes slowly.
class FakeHost final : public MovieHost {
public:
    void FatalError(const char* text) override { errors.push_back(text); }
    bool PumpMessages() override {
        ++clock;
        return ++pumps != quitAtPump;
    }
    win::DWORD Ticks() override {
        if (watch) watch(clock);
        return clock;
    }
    // An abort stays pending from its pump on until taken.
    bool TakeAbort() override { return abortAtPump >= 0 && pumps >= abortAtPump && !std::exchange(abortTaken, true); }
    // The clock moves by the pumps only, so a wait shows as the pumps around it.
    void WaitForMessage(win::DWORD) override {}
    void Serve() override {
        ++serves;
        clock += serveCost;
    }
    bool AttachMovieSound(const char* path) override {
        attached.push_back(path);
        return attachSucceeds;
    }
    void StartMovieSound() override { ++started; }
    void DropUnstartedMovieSound() override { ++dropped; }

    std::vector<std::string> errors;
    std::vector<std::string> attached;
    bool attachSucceeds = true;
    int pumps = 0, serves = 0, started = 0, dropped = 0;
    int quitAtPump = -1, abortAtPump = -1;
    bool abortTaken = false;
    win::DWORD clock = 0, serveCost = 0;
    // Called whenever the movie reads the clock, which it does right after showing a frame.
    std::function<void(win::DWORD)> watch;
};

class MovieTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Plays the movie from memory under `name`; the errors it reported.
    std::vector<std::string> Play(const flc::Movie& movie, const std::string& name = "movie.flc");
    std::vector<std::string> PlayBytes(const flc::Bytes& bytes, const std::string& name = "movie.flc");
    // The screen's system palette indices where a centred movie of this size shows.
    flc::Image Shown(int width, int height) const;

    FakeHost host;
    win::HWND window = nullptr;
    std::filesystem::path folder;
    win::HPALETTE lastPalette = nullptr;
    std::unique_ptr<DFLCWindow> movie;

private:
    std::filesystem::path previous_;
};

// The image as the screen holds it: every index raised by `shift`.
flc::Image Shifted(flc::Image image, int shift);
// A movie of this size without frames.
flc::Movie EmptyMovie(int width, int height);

// A palette of 256 distinct colours.
std::vector<flc::Rgb> Colours(int count = 256);

}  // namespace movie_test
