// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/tree_top.h"
#include "platform/core/paths.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/core/disc_volume.h"
#include "platform/core/session.h"

namespace platform {
namespace {

struct TreeTopPart {
    std::string top;  // the real path of the top; empty when no tree is kept
};

TreeTopPart& Tree() { return CurrentSession().Part<TreeTopPart>(); }

std::string RealPath(const char* path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path, nullptr), std::free);
    return real ? real.get() : "";
}

// The current folder's components below `top`; none when it lies elsewhere.
std::vector<std::string> CurrentBelow(const std::string& top) {
    std::vector<std::string> components;
    const std::string current = RealPath(".");
    if (current.size() <= top.size() || current.compare(0, top.size(), top) != 0 || current[top.size()] != '/')
        return components;
    std::size_t at = top.size() + 1;
    while (at <= current.size()) {
        std::size_t end = current.find('/', at);
        if (end == std::string::npos) end = current.size();
        if (end > at) components.push_back(current.substr(at, end - at));
        at = end + 1;
    }
    return components;
}

struct Walked {
    std::vector<std::string> components;
    bool left = false;
};

// The components of `written` below `top`, from the current folder or from
// the top; "." and ".." taken out, ".." stopping at the top. A drive letter
// or a ".." above the top reach out of the tree.
Walked Walk(std::string_view written, const std::string& top) {
    Walked walked;
    if (written.size() >= 2 && std::isalpha(static_cast<unsigned char>(written[0])) && written[1] == ':') {
        written.remove_prefix(2);
        walked.left = true;
    } else if (!written.empty() && IsSeparator(written[0])) {
        // The host path of a folder of the tree itself (a level's way back) stays.
        const std::string host(written);
        // Any other root is the top's, as a disc's root is its own.
        if (!top.empty() && host.size() >= top.size() && host.compare(0, top.size(), top) == 0 &&
            (host.size() == top.size() || IsSeparator(host[top.size()])))
            written.remove_prefix(top.size());
    } else {
        walked.components = CurrentBelow(top);
    }
    ForEachComponent(written, [&](std::string_view component) {
        if (component != "..")
            walked.components.emplace_back(component);
        else if (walked.components.empty())
            walked.left = true;
        else
            walked.components.pop_back();
        return true;
    });
    return walked;
}

}  // namespace

void KeepToTree(bool keep) { Tree().top = keep ? RealPath(".") : ""; }

bool KeptToTree() { return !Tree().top.empty(); }

std::string PathInTree(std::string_view written, bool* left) {
    const std::string& top = Tree().top;
    if (top.empty()) return std::string(written);
    const Walked walked = Walk(written, top);
    if (left) *left = walked.left;
    std::string path = top;
    for (const std::string& component : walked.components) path += "/" + component;
    return path;
}

bool InsideTree(const std::string& host) {
    const std::string& top = Tree().top;
    if (top.empty()) return true;
    std::string existing = host;
    std::string real = RealPath(existing.c_str());
    while (real.empty() && existing.find('/') != std::string::npos) {
        existing.resize(existing.rfind('/'));
        real = RealPath(existing.empty() ? "/" : existing.c_str());
    }
    return real == top ||
           (real.size() > top.size() && real.compare(0, top.size(), top) == 0 && real[top.size()] == '/');
}

bool LeavesTree(std::string_view written) {
    if (const auto onDisc = LeavesDisc(written)) return *onDisc;
    const std::string& top = Tree().top;
    return !top.empty() && Walk(written, top).left;
}

}  // namespace platform
