// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a file a presentation names: only a regular file, and never a wait
// in open() for a FIFO's writer or a device. Header-only, so that the audio
// library, which links nothing of the player, opens its files the same way.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

// A descriptor on a regular file, blocking again once it is known to be one;
// -1 with errno ENOENT for a FIFO, a device, a socket, a folder or a symlink
// loop, as for a missing file. Mode as fopen's.
inline int OpenRegularDescriptor(const char* path, const char* mode) {
    const bool plus = std::strchr(mode, '+') != nullptr;
    int flags = plus ? O_RDWR : O_RDONLY;
    if (mode[0] == 'w') flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    if (mode[0] == 'a') flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    const int descriptor = ::open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (errno == ELOOP || errno == ENXIO || errno == EISDIR || errno == ENOTDIR) errno = ENOENT;
        return -1;
    }
    struct stat info {};
    const int status = ::fcntl(descriptor, F_GETFL);
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || status < 0 ||
        ::fcntl(descriptor, F_SETFL, status & ~O_NONBLOCK) != 0) {
        ::close(descriptor);
        errno = ENOENT;
        return -1;
    }
    return descriptor;
}

inline std::FILE* OpenRegularFile(const char* path, const char* mode = "rb") {
    const int descriptor = OpenRegularDescriptor(path, mode);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, mode);
    if (!file) ::close(descriptor);
    return file;
}

}  // namespace platform
