// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/unusual_files.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace test {

std::string Name(SpecialFile kind) {
    switch (kind) {
        case SpecialFile::Fifo: return "Fifo";
        case SpecialFile::Device: return "Device";
        case SpecialFile::Socket: return "Socket";
        case SpecialFile::Folder: return "Folder";
        case SpecialFile::Loop: return "Loop";
    }
    return {};
}

bool MakeSpecialFile(const std::filesystem::path& path, SpecialFile kind) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    switch (kind) {
        case SpecialFile::Fifo: return ::mkfifo(path.c_str(), 0644) == 0;
        case SpecialFile::Device: std::filesystem::create_symlink("/dev/zero", path, error); return !error;
        case SpecialFile::Socket: {
            sockaddr_un address{};
            if (path.string().size() >= sizeof address.sun_path) return false;
            address.sun_family = AF_UNIX;
            std::strcpy(address.sun_path, path.c_str());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            if (fd >= 0) ::close(fd);  // the socket's file stays
            return bound;
        }
        case SpecialFile::Folder: return std::filesystem::create_directory(path, error);
        case SpecialFile::Loop: std::filesystem::create_symlink(path.filename(), path, error); return !error;
    }
    return false;
}

}  // namespace test
