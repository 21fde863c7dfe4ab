#include "check/tree_checker.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <system_error>

#include "platform/paths.h"
#include "platform/win.h"

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
    fs::current_path(root, error);
    if (error) {
        report.error = root.string() + ": " + error.message();
        return report;
    }
    if (HasScript())
        report.findings = TreeChecker(fs::current_path()).Run();
    else
        report.error = root.string() + ": Unable to open SEQUENCE file.";
    fs::current_path(start, error);
    return report;
}

TreeChecker::TreeChecker(fs::path root) : root_(std::move(root)) {}

std::vector<Finding> TreeChecker::Run() {
    folders_.insert(root_);
    pending_.push_back(root_);
    while (!pending_.empty()) {
        folder_ = pending_.front();
        pending_.pop_front();
        std::error_code error;
        fs::current_path(folder_, error);
        if (error) continue;
        CheckScript(platform::ResolveHostPath("sequence"));
        FinishScript();
    }
    return std::move(findings_);
}

void TreeChecker::Descend(int line, const char* name) {
    if (win::_chdir(name) != 0) {
        Report(line, std::string("Failed descending into directory. (") + name + ")");
        return;
    }
    std::error_code error;
    const fs::path target = fs::current_path(error);
    const bool hasScript = !error && HasScript();
    fs::current_path(folder_, error);
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

fs::path TreeChecker::Absolute(const std::string& name) const {
    const fs::path host = platform::ResolveHostPath(name);
    return (host.is_absolute() ? host : folder_ / host).lexically_normal();
}

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
