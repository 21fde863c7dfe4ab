// SPDX-License-Identifier: GPL-3.0-or-later
// Crafted presentation trees for the checker's tests: written into a fresh
// folder of the test, checked, and the findings given as printed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace check_test {

struct File {
    std::string path;  // below the tree's root; a path ending in "/" is a folder
    std::string bytes;
    std::uintmax_t size = 0;  // when set, the file is made this long (the rest reads as zeros)
};
using Tree = std::vector<File>;

std::string Bytes(const std::vector<std::uint8_t>& bytes);
// A picture of 16 colours, which the player shows as drawn.
std::string Picture(int width = 64, int height = 48);
// A movie of two frames that the player plays through.
std::string Movie();
// A sound the audio library plays.
std::string Sound();

// Writes `tree` into a fresh folder named after the running test.
std::filesystem::path Write(const Tree& tree);
// Writes and checks `tree`, as a folder or from a disc image made of it: the
// findings as corvanta-check prints them.
enum class Where { Folder, Image };
std::vector<std::string> Check(const Tree& tree, Where where = Where::Folder);

}  // namespace check_test
