// SPDX-License-Identifier: GPL-3.0-or-later
// What a tour writes: tour.json, the input scripts that reach each place,
// and index.html, the map laid out by Graphviz's dot program.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "tour/explorer.h"
#include "tour/named_media.h"

namespace tour {

struct Coverage {
    int places = 0, choices = 0, cut = 0;
    // Named by the scripts, reached by no branch; absent when the scripts
    // could not be read (a disc image).
    std::optional<Named> unreached;
};

// "FOLDER/STILL:LINE", the folder left out at the root.
std::string PlaceName(const Place& place);

Coverage CoverageOf(const Tour& tour, const std::optional<Named>& named);

void WriteInputs(const Tour& tour, const std::filesystem::path& outDir);
void WriteJson(const Tour& tour, const Coverage& coverage, const std::filesystem::path& file);

// Lines FIRST to LAST of each place's script, when the presentation is a folder.
using ScriptLines = std::vector<std::string>;

// Writes graph.dot, runs dot on it and writes index.html with the SVG
// inline. False, with the reason, when dot cannot be run.
bool WriteMap(const Tour& tour, const Coverage& coverage, const std::vector<ScriptLines>& scripts,
              const std::filesystem::path& outDir, std::string& error);

}  // namespace tour
