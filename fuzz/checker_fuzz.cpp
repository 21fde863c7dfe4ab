// SPDX-License-Identifier: GPL-3.0-or-later
// Checks any bytes as the script of a presentation that holds a still, a
// movie, sounds and song sections, and as the script of its folder "more",
// which has no media: the checker reads every file a script names and enters
// the folders it names. The folder is written once; each input rewrites the
// two scripts only.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "check/check.h"
#include "presentation.h"

namespace fs = std::filesystem;

namespace {

fs::path folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("CORVANTA_DRIVER", "headless", 1);
    std::string name = (fs::temp_directory_path() / "checker-fuzz-XXXXXX").string();
    if (!mkdtemp(name.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    folder = fs::path(name) / "presentation";
    fs::create_directories(folder / "more");
    fuzz::WritePresentation(folder);
    std::atexit([] { fs::remove_all(folder.parent_path()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    if (fuzz::LeavesFolder(script)) return 0;
    for (const fs::path& path : {folder / "sequence", folder / "more" / "sequence"})
        std::ofstream(path, std::ios::binary).write(script.data(), static_cast<std::streamsize>(size));
    const check::TreeReport report = check::CheckTree(folder);
    // The tree always has a script, so it can always be read.
    if (!report.error.empty()) {
        std::fprintf(stderr, "checker_fuzz: %s\n", report.error.c_str());
        std::abort();
    }
    return 0;
}
