// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/tree_checker.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <system_error>

#include "platform/core/paths.h"
#include "platform/core/presentation_source.h"
#include "platform/core/tree_top.h"
#include "platform/win/win.h"

namespace check {
namespace {

namespace fs = std::filesystem;

// Whether the current folder has a script the player can open.
bool HasScript() {
    std::FILE* script = win::fopen("sequence", "r");
    if (!script) return false;
    std::fclose(script);
    return true;
}

}  // namespace

std::string Format(const Finding& finding) {
    return finding.file + ":" + std::to_string(finding.line) + ": " + finding.message;
}

TreeReport CheckTree(const fs::path& root) {
    TreeReport report;
    std::error_code error;
    const fs::path start = fs::current_path(error);
    if (error) {
        report.error = "the current folder cannot be had";
        return report;
    }
    std::string problem;
    if (fs::is_directory(root, error) || !platform::IsPresentationArgument(root.string())) {
        fs::current_path(root, error);
        if (error) problem = root.string() + ": " + error.message();
    } else {
        platform::EnterPresentation(root.string(), problem);
    }
    if (!problem.empty()) {
        report.error = problem;
        return report;
    }
    platform::KeepToTree(true);
    if (HasScript())
        report.findings = TreeChecker(platform::CurrentFolderPath()).Run();
    else
        report.error = root.string() + ": Unable to open SEQUENCE file.";
    platform::KeepToTree(false);
    win::_chdir(start.c_str());
    return report;
}

TreeChecker::TreeChecker(fs::path root) : root_(std::move(root)) {}

std::vector<Finding> TreeChecker::Run() {
    folders_.insert(root_);
    pending_.push_back(root_);
    while (!pending_.empty()) {
        folder_ = pending_.front();
        pending_.pop_front();
        if (win::_chdir(folder_.string().c_str()) != 0) continue;
        CheckScript(platform::AbsolutePath("sequence").filename().string());
        FinishScript();
    }
    return std::move(findings_);
}

void TreeChecker::Descend(int line, const char* name) {
    CheckName(line, name);
    if (win::_chdir(name) != 0) {
        Report(line, std::string("Failed descending into directory. (") + name + ")");
        return;
    }
    const fs::path target = platform::CurrentFolderPath();
    const bool hasScript = HasScript();
    if (!hasScript && platform::IsSpecialFile("sequence"))
        Report(line, "the sequence of " + Shown(target) +
                         " is not a regular file (a FIFO, a device, a socket or a "
                         "symlink loop): the player takes it for missing");
    win::_chdir(folder_.string().c_str());
    if (!hasScript) {
        Report(line, "Unable to open SEQUENCE file. (" + Shown(target) + ")");
        return;
    }
    if (script_.firstDescent == 0) {
        script_.firstDescent = line;
        script_.descentName = name;
    }
    if (folders_.insert(target).second) pending_.push_back(target);
}

fs::path TreeChecker::Absolute(const std::string& name) const { return platform::AbsolutePath(name); }

std::string TreeChecker::Shown(const fs::path& absolute) const {
    return absolute.lexically_relative(root_).generic_string();
}

bool TreeChecker::FirstUse(const fs::path& absolute) { return files_.insert(absolute).second; }

void TreeChecker::Report(int line, std::string message) {
    lineFindings_.push_back({script_.shown, line, std::move(message)});
}

void TreeChecker::ReportFile(const fs::path& absolute, std::string message) {
    fileFindings_.push_back({Shown(absolute), 0, std::move(message)});
}

void TreeChecker::FinishScript() {
    std::stable_sort(lineFindings_.begin(), lineFindings_.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    for (auto* found : {&lineFindings_, &fileFindings_}) {
        std::move(found->begin(), found->end(), std::back_inserter(findings_));
        found->clear();
    }
}

}  // namespace check
