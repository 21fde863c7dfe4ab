// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/program_search.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/core/paths.h"
#include "platform/core/settings.h"
#include "platform/win/win.h"

namespace platform {
namespace {

std::vector<std::string_view> Folders(std::string_view list) {
    std::vector<std::string_view> folders;
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t end = list.find(':', at);
        if (end == std::string_view::npos) end = list.size();
        if (end > at) folders.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    return folders;
}

bool IsFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool HasExtension(std::string_view name) {
    const std::size_t separator = name.find_last_of("\\/");
    return name.find('.', separator == std::string_view::npos ? 0 : separator + 1) != std::string_view::npos;
}

// The file name stands for in folder (none: the name's own folder); a folder
// of the presentation's keeps to its tree, a folder of PATH does not.
std::string FindIn(std::string_view folder, std::string_view name, bool inTree) {
    const std::string path = folder.empty() ? std::string(name) : std::string(folder) + "/" + std::string(name);
    const auto resolve = inTree ? ResolveHostPath : MatchHostPath;
    std::string host = resolve(path);
    if (IsFile(host)) return host;
    if (HasExtension(name)) return {};
    host = resolve(path + ".exe");
    return IsFile(host) ? host : std::string();
}

bool IsWindowsProgram(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char magic[2] = {};
    const bool windows = std::fread(magic, 1, 2, file) == 2 && magic[0] == 'M' && magic[1] == 'Z';
    std::fclose(file);
    return windows;
}

bool IsExecutable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

}  // namespace

ProgramFound FindProgram(std::string_view name, std::string_view searchPath, bool inTree) {
    ProgramFound found;
    std::string file;
    if (name.find_first_of("\\/") != std::string_view::npos) {
        file = FindIn({}, name, inTree);
    } else if (!name.empty()) {
        file = FindIn(".", name, inTree);
        for (std::string_view folder : Folders(searchPath)) {
            if (!file.empty()) break;
            file = FindIn(folder, name, false);
        }
    }
    if (file.empty()) {
        found.error = ENOENT;
        return found;
    }
    if (IsWindowsProgram(file)) {
        for (std::string_view folder : Folders(searchPath)) {
            std::string wine = std::string(folder) + "/wine";
            if (IsFile(wine) && IsExecutable(wine)) {
                found.run = {wine, file};
                return found;
            }
        }
        found.error = ENOENT;  // as if it were not there: nothing here can run it
        return found;
    }
    if (!IsExecutable(file)) {
        found.error = EACCES;
        return found;
    }
    found.run = {file};
    return found;
}

int MayStart(std::string_view program, std::string_view commandLine) {
    switch (CurrentSettings().programs) {
        case ProgramsPolicy::Allow: return 0;
        case ProgramsPolicy::Never: return ENOENT;
        case ProgramsPolicy::Ask: break;
    }
    const std::string question = "The presentation wants to start the program " + std::string(program) +
                                 " with the command line\n" + std::string(commandLine) + "\nStart it?";
    return win::MessageBoxA(nullptr, question.c_str(), "Corvanta", win::MB_YESNO | win::MB_ICONQUESTION) == win::IDYES
               ? 0
               : EACCES;
}

}  // namespace platform
