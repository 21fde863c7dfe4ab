// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every case folder: cases/NAME/presentation is copied to a temporary
// folder and played with cases/NAME/input; each line of cases/NAME/expected
// (trace fields separated by tabs, time left out) must appear in the trace in
// that order. An optional cases/NAME/args holds the command-line arguments.
#include <gtest/gtest.h>

#include <fstream>

#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(E2E_CASES_DIR, missing))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CaseFolder : public testing::TestWithParam<std::string> {};

TEST_P(CaseFolder, TraceHoldsExpectedLines) {
    const fs::path source = fs::path(E2E_CASES_DIR) / GetParam();
    const fs::path root = test::MakeTempDir("case-" + GetParam());
    fs::copy(source / "presentation", root, fs::copy_options::recursive);

    test::PlayerOptions options;
    options.input = ReadText(source / "input");
    options.args = ReadLines(source / "args");
    const test::PlayerRun run = test::RunPlayer(root, options);

    const auto expected = ReadLines(source / "expected");
    std::string trace;
    for (const auto& line : run.trace) trace += std::to_string(line.time) + "\t" + line.Text() + "\n";
    EXPECT_TRUE(run.ContainsInOrder(expected)) << "trace:\n" << trace << "stderr:\n" << run.stdErr;
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CaseFolder);
INSTANTIATE_TEST_SUITE_P(Cases, CaseFolder, testing::ValuesIn(CaseNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
