// SPDX-License-Identifier: GPL-3.0-or-later
// Files with Windows path semantics, text-mode reading, and the files of the
// disc a presentation plays from.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/code_page.h"
#include "platform/core/disc_volume.h"
#include "platform/core/letter_case.h"
#include "platform/core/paths.h"
#include "platform/core/regular_file.h"
#include "platform/core/tree_top.h"
#include "platform/win/internal.h"
#include "platform/win/win.h"

namespace platform {
namespace {

bool Exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// What a presentation may name: a regular file or a folder. FIFOs, devices,
// sockets and symlink loops are missing, so nothing ever waits on them.
bool StatEntry(const std::string& path, struct stat& info) {
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ELOOP) errno = ENOENT;
        return false;
    }
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) return true;
    errno = ENOENT;
    return false;
}

// The first entry of a folder (sorted) equal to name without regard to case.
std::string MatchIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::vector<std::string> matches;
    while (const dirent* entry = ::readdir(dir)) {
        if (NamesMatch(entry->d_name, name)) matches.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}

// Text mode: CR LF reads as LF. The cookie wraps the real stream.
struct TextStream {
    std::FILE* file;
};

ssize_t ReadText(void* cookie, char* buffer, std::size_t size) {
    std::FILE* file = static_cast<TextStream*>(cookie)->file;
    std::size_t count = 0;
    while (count < size) {
        int c = std::getc(file);
        if (c == EOF) break;
        if (c == '\r') {
            int next = std::getc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        buffer[count++] = static_cast<char>(c);
    }
    if (count == 0 && std::ferror(file)) return -1;
    return static_cast<ssize_t>(count);
}

int SeekText(void* cookie, off64_t* offset, int whence) {
    std::FILE* file = static_cast<TextStream*>(cookie)->file;
    if (::fseeko(file, *offset, whence) != 0) return -1;
    *offset = ::ftello(file);
    return 0;
}

int CloseText(void* cookie) {
    std::unique_ptr<TextStream> stream(static_cast<TextStream*>(cookie));
    return std::fclose(stream->file);
}

std::FILE* OpenTextForReading(std::FILE* file) {
    auto stream = std::make_unique<TextStream>(TextStream{file});
    cookie_io_functions_t functions{ReadText, nullptr, SeekText, CloseText};
    std::FILE* wrapped = ::fopencookie(stream.get(), "r", functions);
    if (!wrapped) {
        std::fclose(file);
        return nullptr;
    }
    static_cast<void>(stream.release());  // CloseText takes it back
    // Unbuffered, every line a script reads is a read the layer sees.
    std::setvbuf(wrapped, nullptr, _IONBF, 0);
    return wrapped;
}

win::DWORD CopyOut(const std::string& text, win::DWORD bufferLength, char* buffer) {
    if (!buffer || text.size() + 1 > bufferLength) return static_cast<win::DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<win::DWORD>(text.size());
}

// Copies at most size - 1 characters and ends with a terminator.
void CopyField(char* out, std::size_t size, const char* begin, const char* end) {
    if (!out) return;
    std::size_t length = std::min<std::size_t>(end - begin, size - 1);
    std::memcpy(out, begin, length);
    out[length] = '\0';
}

}  // namespace

namespace {

// The host path of a name in the tree, wherever its symlinks lead.
std::string HostPathInTree(std::string_view path) {
    const auto place = [](std::string_view name) { return KeptToTree() ? PathInTree(name) : std::string(name); };
    const std::string converted = FileSystemName(path);
    std::string host;
    if (converted != path) {
        // A name the file system's encoding already holds (a script written
        // here, a folder's own path) is found as it is.
        host = MatchHostPath(place(path));
        if (!Exists(host)) host.clear();
    }
    if (host.empty()) host = MatchHostPath(place(converted));
    return host;
}

}  // namespace

std::string ResolveHostPath(std::string_view path) {
    // A symlink of the tree leads nowhere outside it: such a name names nothing.
    std::string host = HostPathInTree(path);
    return InsideTree(host) ? host : std::string();
}

std::string MatchHostPath(std::string_view path) {
    std::string written(path);
    std::replace(written.begin(), written.end(), '\\', '/');
    if (written.empty() || Exists(written)) return written;

    std::string resolved = written[0] == '/' ? "/" : "";
    std::size_t at = 0;
    bool matching = true;
    while (at < written.size()) {
        std::size_t end = written.find('/', at);
        if (end == std::string::npos) end = written.size();
        std::string component = written.substr(at, end - at);
        at = end + 1;
        if (component.empty()) continue;
        std::string candidate =
            resolved.empty() || resolved.back() == '/' ? resolved + component : resolved + "/" + component;
        if (matching && component != "." && component != ".." && !Exists(candidate)) {
            std::string match = MatchIgnoringCase(resolved, component);
            if (match.empty()) {
                matching = false;  // the rest is about to be made
            } else {
                candidate = resolved.empty() || resolved.back() == '/' ? resolved + match : resolved + "/" + match;
            }
        }
        resolved = candidate;
    }
    if (!written.empty() && written.back() == '/' && !resolved.empty() && resolved.back() != '/') resolved += '/';
    return resolved;
}

std::filesystem::path CurrentFolderPath() {
    if (const auto folder = DiscCurrentFolder()) {
        std::string generic = *folder;
        std::replace(generic.begin(), generic.end(), '\\', '/');
        if (generic.back() == '/') generic.pop_back();  // the root: "D:"
        return generic;
    }
    std::error_code error;
    return std::filesystem::current_path(error);
}

std::filesystem::path AbsolutePath(std::string_view name) {
    if (const DiscLookup lookup = LookUpOnDisc(name); lookup.onDisc) {
        std::filesystem::path path = "D:";
        if (lookup.entry) {
            for (const std::string& part : lookup.names) path /= part;
            return path;
        }
        std::string written(name);
        std::replace(written.begin(), written.end(), '\\', '/');
        return (CurrentFolderPath() / written).lexically_normal();
    }
    const std::filesystem::path host = ResolveHostPath(name);
    return (host.is_absolute() ? host : CurrentFolderPath() / host).lexically_normal();
}

std::optional<std::vector<std::string>> FolderNames(std::string_view folder) {
    std::vector<std::string> names;
    if (const DiscLookup lookup = LookUpOnDisc(folder); lookup.onDisc) {
        const auto entries = lookup.entry ? PlacedDisc()->List(*lookup.entry) : std::nullopt;
        if (!entries) return std::nullopt;
        for (const DiscEntry& entry : *entries) names.push_back(entry.name);
        return names;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ResolveHostPath(folder), error))
        names.push_back(entry.path().filename().string());
    if (error) return std::nullopt;
    return names;
}

bool IsRegularFile(std::string_view name) {
    if (const DiscLookup lookup = LookUpOnDisc(name); lookup.onDisc) return lookup.entry && !lookup.entry->folder;
    struct stat info;
    return ::stat(ResolveHostPath(name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsSpecialFile(std::string_view name) {
    if (LookUpOnDisc(name).onDisc) return false;
    const std::string host = HostPathInTree(name);
    struct stat info;
    if (::lstat(host.c_str(), &info) != 0) return false;
    if (::stat(host.c_str(), &info) != 0) return errno == ELOOP;
    return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace platform

namespace win {

std::FILE* fopen(const char* path, const char* mode) {
    if (!path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    if (const platform::DiscLookup lookup = platform::LookUpOnDisc(path); lookup.onDisc) {
        if (std::strpbrk(mode, "wa+")) {
            errno = EROFS;  // as on a CD
            return nullptr;
        }
        if (!lookup.entry) return nullptr;
        if (lookup.entry->folder) {
            errno = EACCES;
            return nullptr;
        }
        std::FILE* file = platform::OpenDiscFile(platform::PlacedDisc(), *lookup.entry);
        if (!file || std::strchr(mode, 'b')) return file;
        return platform::OpenTextForReading(file);
    }
    std::string hostMode;
    for (const char* c = mode; *c; ++c)
        if (*c != 't') hostMode += *c;  // Windows' explicit text flag
    std::FILE* file = platform::OpenRegularFile(platform::ResolveHostPath(path).c_str(), hostMode.c_str());
    bool text = std::strchr(mode, 'b') == nullptr;
    bool readOnly = mode[0] == 'r' && std::strchr(mode, '+') == nullptr;
    if (!file || !text || !readOnly) return file;
    return platform::OpenTextForReading(file);
}

int _access(const char* path, int mode) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    if (const platform::DiscLookup lookup = platform::LookUpOnDisc(path); lookup.onDisc) {
        if (!lookup.entry) return -1;
        if (mode & W_OK) {
            errno = EROFS;
            return -1;
        }
        return 0;
    }
    const std::string host = platform::ResolveHostPath(path);
    struct stat info;
    if (!platform::StatEntry(host, info)) return -1;
    return ::access(host.c_str(), mode & (R_OK | W_OK));
}

char* _getcwd(char* buffer, int size) {
    if (size <= 0) {
        errno = EINVAL;
        return nullptr;
    }
    if (const auto folder = platform::DiscCurrentFolder()) {
        if (!buffer || folder->size() + 1 > static_cast<std::size_t>(size)) {
            errno = ERANGE;
            return nullptr;
        }
        std::memcpy(buffer, folder->c_str(), folder->size() + 1);
        return buffer;
    }
    return ::getcwd(buffer, static_cast<std::size_t>(size));
}

int _chdir(const char* path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    if (platform::DiscLookup lookup = platform::LookUpOnDisc(path); lookup.onDisc) {
        if (!lookup.entry) return -1;
        if (!lookup.entry->folder) {
            errno = ENOTDIR;
            return -1;
        }
        platform::EnterDiscFolder(std::move(lookup.names));
        return 0;
    }
    if (::chdir(platform::ResolveHostPath(path).c_str()) != 0) return -1;
    platform::LeaveDiscFolder();
    return 0;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer) {
    if (const auto folder = platform::DiscCurrentFolder()) return platform::CopyOut(*folder, bufferLength, buffer);
    std::vector<char> cwd(4096);
    if (!::getcwd(cwd.data(), cwd.size())) return 0;
    return platform::CopyOut(cwd.data(), bufferLength, buffer);
}

BOOL SetCurrentDirectoryA(const char* path) { return _chdir(path) == 0 ? TRUE : FALSE; }

DWORD GetFileAttributesA(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? data.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

BOOL GetFileAttributesExA(const char* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) {
    if (!path || !data || infoLevel != GetFileExInfoStandard) return FALSE;
    if (const platform::DiscLookup lookup = platform::LookUpOnDisc(path); lookup.onDisc) {
        if (!lookup.entry) return FALSE;
        data->dwFileAttributes = lookup.entry->folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        data->nFileSizeHigh = 0;
        data->nFileSizeLow = lookup.entry->size;
        return TRUE;
    }
    struct stat info;
    if (!platform::StatEntry(platform::ResolveHostPath(path), info)) return FALSE;
    data->dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    auto size = static_cast<std::uint64_t>(info.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
    return TRUE;
}

DWORD SearchPathA(const char* path, const char* fileName, const char* extension, DWORD bufferLength, char* buffer,
                  char** filePart) {
    if (!fileName || !*fileName) return 0;
    std::string name = fileName;
    char ext[_MAX_EXT];
    _splitpath(fileName, nullptr, nullptr, nullptr, ext);
    if (!*ext && extension) name += extension;

    auto split = [](const std::string& list, char separator) {
        std::vector<std::string> parts;
        std::size_t at = 0;
        while (at <= list.size()) {
            std::size_t end = list.find(separator, at);
            if (end == std::string::npos) end = list.size();
            parts.push_back(list.substr(at, end - at));
            at = end + 1;
        }
        return parts;
    };
    std::vector<std::string> folders;
    std::size_t inTree = 0;  // the folders before this one are the presentation's
    if (path) {
        folders = split(path, ';');
        inTree = folders.size();
    } else {
        // Without a search path: the current folder, then PATH.
        folders.push_back(".");
        inTree = 1;
        if (const char* env = std::getenv("PATH"))
            for (auto& folder : split(env, ':')) folders.push_back(std::move(folder));
    }
    for (std::size_t index = 0; index < folders.size(); ++index) {
        const std::string& folder = folders[index];
        if (folder.empty()) continue;
        if (const platform::DiscLookup lookup = platform::LookUpOnDisc(folder + "\\" + name); lookup.onDisc) {
            if (!lookup.entry || lookup.entry->folder) continue;
            const std::string found = platform::DiscPathText(lookup.names);
            DWORD length = platform::CopyOut(found, bufferLength, buffer);
            if (filePart && length < bufferLength) *filePart = buffer + found.rfind('\\') + 1;
            return length;
        }
        std::string host = index < inTree ? platform::ResolveHostPath(folder + "\\" + name)
                                          : platform::MatchHostPath(folder + "/" + name);
        struct stat info;
        if (::stat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        char absolute[PATH_MAX];
        if (::realpath(host.c_str(), absolute)) host = absolute;
        DWORD length = platform::CopyOut(host, bufferLength, buffer);
        if (filePart && length < bufferLength) *filePart = buffer + host.rfind('/') + 1;
        return length;
    }
    return 0;
}

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    if (!path) path = "";
    const char* rest = path;
    if (path[0] && path[1] == ':') rest = path + 2;
    platform::CopyField(drive, _MAX_DRIVE, path, rest);
    const char* lastSeparator = nullptr;
    for (const char* c = rest; *c; ++c)
        if (platform::IsSeparator(*c)) lastSeparator = c;
    const char* name = lastSeparator ? lastSeparator + 1 : rest;
    platform::CopyField(dir, _MAX_DIR, rest, name);
    const char* end = name + std::strlen(name);
    const char* dot = std::strrchr(name, '.');
    if (!dot) dot = end;
    platform::CopyField(fname, _MAX_FNAME, name, dot);
    platform::CopyField(ext, _MAX_EXT, dot, end);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext) {
    if (!path) return;
    std::string out;
    if (drive && *drive) {
        out += drive[0];
        out += ':';
    }
    if (dir && *dir) {
        out += dir;
        if (!platform::IsSeparator(out.back())) out += '\\';
    }
    if (fname) out += fname;
    if (ext && *ext) {
        if (*ext != '.') out += '.';
        out += ext;
    }
    platform::CopyField(path, _MAX_PATH, out.data(), out.data() + out.size());
}

std::size_t ResolvePath(const char* path, char* out, std::size_t outSize) {
    std::string host = platform::ResolveHostPath(path ? path : "");
    if (out && outSize > 0) platform::CopyField(out, outSize, host.data(), host.data() + host.size());
    return host.size();
}

}  // namespace win
