// SPDX-License-Identifier: GPL-3.0-or-later
#include "tour/named_media.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <fstream>
#include <vector>

#include "interp/text.h"

namespace tour {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// A file or folder of `folder` named without regard to letter case.
std::filesystem::path Find(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    if (std::filesystem::exists(folder / name, error)) return folder / name;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (Lower(entry.path().filename().string()) == Lower(name)) return entry.path();
    return {};
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "." ? name : folder + "/" + name;
}

}  // namespace

std::string FolderKey(const std::string& folder) {
    std::string key = Lower(folder);
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key.empty() ? "." : key;
}

std::string StillKey(const std::string& folder, const std::string& name) {
    std::string key = Lower(name);
    if (key.find('.') == std::string::npos) key += ".bmp";
    return FolderKey(folder) + "/" + key;
}

std::string MovieKey(const std::string& folder, const std::string& name) {
    std::string key = Lower(name);
    if (key.size() > 4 && key.ends_with(".flc")) key.resize(key.size() - 4);
    return FolderKey(folder) + "/" + key;
}

Named NamedIn(const std::filesystem::path& root) {
    Named named;
    std::deque<std::string> folders{"."};
    named.folders.insert(".");
    while (!folders.empty()) {
        const std::string folder = folders.front();
        folders.pop_front();
        const std::filesystem::path script = Find(root / folder, "sequence");
        if (script.empty()) continue;
        std::ifstream in(script);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::vector<char> buffer(line.begin(), line.end());
            buffer.push_back('\0');
            char* next = buffer.data();
            std::vector<std::string> words;
            while (char* word = CutToken(&next, ScriptDelimiters)) words.emplace_back(word);
            if (words.size() < 2) continue;
            if (EqualsIgnoringCase(words[0].c_str(), "still")) named.stills.insert(StillKey(folder, words[1]));
            if (EqualsIgnoringCase(words[0].c_str(), "movie")) named.movies.insert(MovieKey(folder, words[1]));
            for (std::size_t i = 0; i + 1 < words.size(); ++i) {
                if (!EqualsIgnoringCase(words[i].c_str(), "-dir")) continue;
                const std::string target = FolderKey(Join(folder, Lower(words[i + 1])));
                if (named.folders.insert(target).second) folders.push_back(target);
            }
        }
    }
    return named;
}

}  // namespace tour
