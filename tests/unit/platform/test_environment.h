// SPDX-License-Identifier: GPL-3.0-or-later
// What the platform tests share: a headless layer, a trace file of this test
// program and temporary folders.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace test {

std::filesystem::path TempRoot();
// A fresh empty folder, removed when the program ends.
std::filesystem::path MakeTempDir(const std::string& name);
std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);
std::vector<std::string> TraceLines(const std::filesystem::path& path);
// The trace this test program writes.
std::vector<std::string> OwnTrace();

}  // namespace test
