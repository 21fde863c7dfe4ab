// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the stills' unit tests: a headless platform whose trace goes to
// a file of this run, and a fresh working folder per test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "still/slide_win.h"
#include "support/fake_host.h"

namespace still_test {

// Trace lines written since the last call, without their time column.
std::vector<std::string> NewTraceLines();

// The text of every message box among `lines`: "OWNER\tCAPTION\tTEXT".
std::vector<std::string> Boxes(const std::vector<std::string>& lines);

// Runs each test in a fresh folder of its own as the working directory.
class InTempFolder : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path folder_;
    test::FakeHost host_;

private:
    std::filesystem::path previous_;
};

// Pixel (x, y), rows counted from the top, of a loaded slide.
std::uint8_t PixelAt(const DSlideWin& slide, int x, int y);

}  // namespace still_test
