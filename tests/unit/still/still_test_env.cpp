// SPDX-License-Identifier: GPL-3.0-or-later
#include "still_test_env.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/player_run.h"

namespace still_test {
namespace {

std::filesystem::path TracePath() {
    static const std::filesystem::path path = test::MakeTempDir("still-trace") / "trace.txt";
    return path;
}

// Before any test touches the platform, whose session reads the settings on first use.
class HeadlessTrace : public testing::Environment {
public:
    void SetUp() override {
        setenv("CORVANTA_DRIVER", "headless", 0);
        setenv("CORVANTA_TRACE", TracePath().c_str(), 1);
    }
};

const auto* const registered = testing::AddGlobalTestEnvironment(new HeadlessTrace);

}  // namespace

std::vector<std::string> NewTraceLines() {
    static std::size_t seen = 0;
    std::ifstream in(TracePath());
    std::vector<std::string> lines;
    std::size_t index = 0;
    for (std::string line; std::getline(in, line); ++index) {
        if (index < seen) continue;
        const auto tab = line.find('\t');
        lines.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    seen = index;
    return lines;
}

std::vector<std::string> Boxes(const std::vector<std::string>& lines) {
    std::vector<std::string> boxes;
    for (const std::string& line : lines) {
        const std::vector<std::string> fields = test::TraceFields(line);
        if (fields.size() < 5 || fields[0] != "box") continue;
        boxes.push_back(fields[1] + "\t" + fields[3] + "\t" + fields[4]);
    }
    return boxes;
}

void InTempFolder::SetUp() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '-';
    folder_ = test::MakeTempDir(name);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    NewTraceLines();
}

void InTempFolder::TearDown() { std::filesystem::current_path(previous_); }

std::uint8_t PixelAt(const DSlideWin& slide, int x, int y) {
    const SlidePicture& picture = *slide.Picture();
    const std::size_t stride = (static_cast<std::size_t>(slide.Width()) + 3) / 4 * 4;
    return picture.bits[(slide.Height() - 1 - y) * stride + x];
}

}  // namespace still_test
