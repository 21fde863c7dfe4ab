// SPDX-License-Identifier: GPL-3.0-or-later
// Entries a hostile presentation may hold where a file is expected: none of
// them may be opened as a file, and none may make its reader wait.
#pragma once

#include <filesystem>
#include <string>

namespace test {

enum class SpecialFile { Fifo, Device, Socket, Folder, Loop };
inline constexpr SpecialFile SpecialFiles[] = {SpecialFile::Fifo, SpecialFile::Device, SpecialFile::Socket,
                                               SpecialFile::Folder, SpecialFile::Loop};

std::string Name(SpecialFile kind);
// Makes `path` (and the folders above it) such an entry: a FIFO, a link to
// /dev/zero, a bound Unix socket, a folder or a link to itself. False when
// the system would not make it.
bool MakeSpecialFile(const std::filesystem::path& path, SpecialFile kind);

}  // namespace test
