// SPDX-License-Identifier: GPL-3.0-or-later
// One run of the checker over a presentation tree. It works folder by folder
// in the folder's own directory, as the player does, so that names resolve
// as the player resolves them.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/check.h"
#include "interp/script_line.h"

namespace check {

struct PictureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class TreeChecker {
public:
    // `root`: the presentation's root folder as the system names it (absolute,
    // no links), which is the current folder and has a script.
    explicit TreeChecker(std::filesystem::path root);
    std::vector<Finding> Run();

private:
    // What one script holds that matters after its last line.
    struct Script {
        std::string shown;       // its name relative to the root
        std::int64_t reach = 0;  // the last line a GOTO can reach
        std::int64_t lines = 0;
        bool restart = false;  // it has a "restart" line
        int firstDescent = 0;  // the first line that enters a folder
        std::string descentName;
    };

    // script_check.cpp: the lines of the current folder's script.
    void CheckScript(const std::string& name);
    void CheckCommand(int line, const script::ScriptLine& read);
    void CheckBlockLine(int line, const script::ScriptLine& read, const std::optional<PictureSize>& picture);
    void CheckMusic(int line, const script::ScriptLine& read);
    void CheckAction(int line, const script::ScriptAction& read);
    void CheckGoto(int line, std::int32_t target);
    void CheckHotspot(int line, const std::array<std::int32_t, 4>& edges, const std::optional<PictureSize>& picture);
    void CheckUnknown(int line, const script::ScriptLine& read, bool inStill);

    // tree_checker.cpp: folders, names and reports.
    void Descend(int line, const char* name);
    std::filesystem::path Absolute(const std::string& name) const;
    std::string Shown(const std::filesystem::path& absolute) const;
    // True the first time a file is met: each is checked once.
    bool FirstUse(const std::filesystem::path& absolute);
    void Report(int line, std::string message);
    // Findings about a name as written: out of the tree, or no file to read.
    void CheckName(int line, const std::string& name);
    void ReportFile(const std::filesystem::path& absolute, std::string message);
    // Adds the script's findings, in line order, then those about its files.
    void FinishScript();

    // media_use.cpp: the files the script names, looked for as the player
    // looks for them, and checked once each.
    std::optional<PictureSize> UsePicture(int line, const char* name);
    void UseMovie(int line, const char* name);
    void UseMusicFile(int line, const char* name);
    void UseSound(const std::string& hostPath);
    void UseSong(int line);
    void UseProgram(int line, const char* keyword, const char* commandLine);

    std::filesystem::path root_;
    std::filesystem::path folder_;  // the current one
    Script script_;
    std::deque<std::filesystem::path> pending_;
    std::set<std::filesystem::path> folders_;  // queued or checked
    std::set<std::filesystem::path> files_;    // media checked
    std::map<std::filesystem::path, std::optional<PictureSize>> pictures_;
    std::set<std::filesystem::path> songs_;  // folders whose song sections were checked
    std::vector<Finding> findings_;
    // The current script's findings, and those about the files it names.
    std::vector<Finding> lineFindings_;
    std::vector<Finding> fileFindings_;
};

}  // namespace check
