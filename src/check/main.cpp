// SPDX-License-Identifier: GPL-3.0-or-later
// corvanta-check: finds what would stop or surprise a viewer of a
// presentation, and mends the palettes of its pictures.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/fix_palette.h"
#include "check/movie_palette.h"
#include "flic/flc_format.h"
#include "platform/core/byte_reader.h"

namespace {

constexpr const char* Usage =
    "Usage: corvanta-check [--quiet] [PRESENTATION]\n"
    "       corvanta-check --fix-palette IN.bmp OUT.bmp\n"
    "       corvanta-check --fix-palette IN.flc OUT.flc\n"
    "       corvanta-check --help | -h | --version\n"
    "Checks the presentation in PRESENTATION (a folder, a disc image such as disc.iso or\n"
    "disc.iso:/FOLDER, or a CD drive; default: the current folder) without playing it and\n"
    "prints FILE:LINE: message for each finding (LINE 0: the whole file). --quiet prints only\n"
    "the number of findings. Exit status: 0 clean, 1 findings, 2 the tree cannot be read.\n"
    "--fix-palette writes a copy of a still's bitmap (8-bit or less, or 24-bit) or of a movie\n"
    "whose colours keep clear of the palette entries the display reserves, so that it shows\n"
    "as made.\n";

int UsageError(const char* problem) {
    std::fprintf(stderr, "corvanta-check: %s\n%s", problem, Usage);
    return 2;
}

bool IsMovie(const char* path) {
    const auto file = platform::ByteReader::Open(path);
    std::uint8_t header[6];
    return file && file->Read(header, sizeof header) && flic::WordAt(header + 4) == 0xAF12;  // the FLC magic
}

int FixMovie(const char* in, const char* out) {
    const check::MovieFix fix = check::FixMoviePalette(in, out);
    if (!fix.error.empty()) {
        std::fprintf(stderr, "corvanta-check: %s\n", fix.error.c_str());
        return 2;
    }
    if (fix.reduced) std::printf("%s: %d colours reduced to %d\n", in, fix.colours, check::MovieFreeEntries);
    return 0;
}

int FixPalette(const char* in, const char* out) {
    if (IsMovie(in)) return FixMovie(in, out);
    const check::PaletteFix fix = check::FixPalette(in, out);
    if (!fix.error.empty()) {
        std::fprintf(stderr, "corvanta-check: %s\n", fix.error.c_str());
        return 2;
    }
    if (fix.reduced) std::printf("%s: %d colours reduced to %d\n", in, fix.colours, check::FreeEntries);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Movies are walked by the player's own decoder, which draws on a
    // screen: a headless one, with no trace, input or sound.
    ::setenv("CORVANTA_DRIVER", "headless", 1);
    for (const char* setting : {"CORVANTA_TRACE", "CORVANTA_INPUT", "CORVANTA_AUDIO_OUT"}) ::unsetenv(setting);
    bool quiet = false;
    std::vector<const char*> folders;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::puts("corvanta-check " CORVANTA_VERSION);
            return 0;
        }
        if (std::strcmp(argument, "--fix-palette") == 0) {
            if (argc != 4 || i != 1)
                return UsageError("--fix-palette takes an input and an output file, and nothing else");
            return FixPalette(argv[2], argv[3]);
        }
        if (std::strcmp(argument, "--quiet") == 0)
            quiet = true;
        else if (argument[0] == '-')
            return UsageError((std::string("unknown option ") + argument).c_str());
        else
            folders.push_back(argument);
    }
    if (folders.size() > 1) return UsageError("one folder at a time");

    const check::TreeReport report = check::CheckTree(folders.empty() ? "." : folders[0]);
    if (!report.error.empty()) {
        std::fprintf(stderr, "corvanta-check: %s\n", report.error.c_str());
        return 2;
    }
    if (quiet)
        std::printf("%zu\n", report.findings.size());
    else
        for (const check::Finding& finding : report.findings) std::printf("%s\n", check::Format(finding).c_str());
    return report.findings.empty() ? 0 : 1;
}
