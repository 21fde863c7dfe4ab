// SPDX-License-Identifier: GPL-3.0-or-later
// The entry function: --help and --version, then the presentation, played or recorded.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/play.h"
#include "platform/core/tell_user.h"
#ifdef CORVANTA_RECORDS
#include "record/recorder.h"
#endif

namespace {

constexpr const char* Usage =
    "Usage: corvanta [-restart] [PRESENTATION]\n"
    "       corvanta --record FILE [--input INPUT] [--fps N] [--size WxH] [-restart] [PRESENTATION]\n"
    "Plays a presentation, starting with its 'sequence' script. PRESENTATION is a folder,\n"
    "a disc image (.iso, .cue, .toc; IMAGE:/FOLDER names a folder inside it) or a CD drive\n"
    "(/dev/sr0, or cdrom for the first drive holding a disc); default: the current folder.\n"
    "\n"
    "  -restart, /restart  resume the root script after its 'restart' line\n"
    "  --help, -h          show this text\n"
    "  --version           show the version\n"
    "  --record FILE       play headless and write what was shown and heard as a video:\n"
    "                      .mkv lossless (FFV1, FLAC), .mp4 (H.264, AAC), .webm (VP9, Opus)\n"
    "  --input INPUT       with --record: the input script that drives the run\n"
    "  --fps N             with --record: N frames a second (default: a frame at each change)\n"
    "  --size WxH          with --record: the video's size, the screen scaled as CORVANTA_SCALE says\n"
    "Every other argument is ignored.\n"
    "\n"
    "Settings (environment variables):\n"
    "  CORVANTA_DRIVER     sdl (a real window and sound) or headless (default sdl)\n"
    "  CORVANTA_SCREEN     fixed logical screen WxH, scaled to the window (default: the window's size at the start)\n"
    "  CORVANTA_SCALE      aspect, integer or stretch: how the screen fills the window (default aspect)\n"
    "  CORVANTA_FULLSCREEN 1 starts in fullscreen; F11 or Alt+Enter switch (default 0)\n"
    "  CORVANTA_PALETTE    static, nostatic or error (default static)\n"
    "  CORVANTA_CDROM      folder of track01.wav ... or a .cue sheet standing for the CD drive\n"
    "  CORVANTA_PROGRAMS   allow, ask or never: whether RUN and EXEC start programs (default allow)\n"
    "  CORVANTA_CODEPAGE   the code page of the names in scripts (default 1252)\n"
    "  CORVANTA_TRACE      trace file, - for standard error\n"
    "  CORVANTA_TRACE_WAITS 1: the trace also says where the player waits for the viewer (for tools)\n"
    "  CORVANTA_CLIENT     headless: client size WxH (default 640x480)\n"
    "  CORVANTA_INPUT      headless: input script\n"
    "  CORVANTA_AUDIO_OUT  headless: WAV file of everything played\n"
    "  CORVANTA_MAX_MS     headless: virtual time limit in milliseconds (default 600000)\n";

// --help and --version answer before anything starts.
bool Answered(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("corvanta " CORVANTA_VERSION);
            return true;
        }
    }
    return false;
}

#ifdef CORVANTA_RECORDS

int Run(int argc, char** argv) {
    record::RecordArguments arguments = record::TakeRecordArguments(argc, argv);
    std::string error = arguments.error;
    if (error.empty() && arguments.options) record::StartRecording(*arguments.options, error);
    if (!error.empty()) {
        platform::TellUser("corvanta: " + error);
        return 2;
    }
    arguments.rest.push_back(nullptr);
    PlayPresentation(static_cast<int>(arguments.rest.size()) - 1, arguments.rest.data());
}

#else

// A run with --record becomes the recording player, found beside this one
// (a build tree) or in its installed folder.
int Run(int argc, char** argv) {
    if (std::none_of(argv + std::min(argc, 1), argv + argc,
                     [](const char* arg) { return std::strcmp(arg, "--record") == 0; })) {
        PlayPresentation(argc, argv);
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const std::filesystem::path& recorder :
         {folder / "corvanta-record", folder / CORVANTA_RECORDER_FOLDER / "corvanta-record"})
        ::execv(recorder.c_str(), argv);
    platform::TellUser("corvanta: cannot record: the recording player corvanta-record is not installed");
    return 2;
}

#endif

}  // namespace

int main(int argc, char** argv) {
    if (Answered(argc, argv)) return 0;
    return Run(argc, argv);
}
