// The entry function: --help and --version, then the presentation.
#include <cstdio>
#include <cstring>

#include "app/play.h"

namespace {

constexpr const char* Usage =
    "Usage: corvanta [-restart] [PRESENTATION]\n"
    "Plays a presentation, starting with its 'sequence' script. PRESENTATION is a folder,\n"
    "a disc image (.iso, .cue, .toc; IMAGE:/FOLDER names a folder inside it) or a CD drive\n"
    "(/dev/sr0, or cdrom for the first drive holding a disc); default: the current folder.\n"
    "\n"
    "  -restart, /restart  resume the root script after its 'restart' line\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "Every other argument is ignored.\n"
    "\n"
    "Settings (environment variables):\n"
    "  CORVANTA_DRIVER     sdl (a real window and sound) or headless (default sdl)\n"
    "  CORVANTA_SCREEN     fixed logical screen WxH, scaled to the window (default: the window's size)\n"
    "  CORVANTA_SCALE      aspect, integer or stretch: how the screen fills the window (default aspect)\n"
    "  CORVANTA_FULLSCREEN 1 starts in fullscreen; F11 or Alt+Enter switch (default 0)\n"
    "  CORVANTA_PALETTE    static, nostatic or error (default static)\n"
    "  CORVANTA_CDROM      folder of track01.wav ... or a .cue sheet standing for the CD drive\n"
    "  CORVANTA_PROGRAMS   allow, ask or never: whether RUN and EXEC start programs (default allow)\n"
    "  CORVANTA_CODEPAGE   the code page of the names in scripts (default 1252)\n"
    "  CORVANTA_TRACE      trace file, - for standard error\n"
    "  CORVANTA_CLIENT     headless: client size WxH (default 640x480)\n"
    "  CORVANTA_INPUT      headless: input script\n"
    "  CORVANTA_AUDIO_OUT  headless: WAV file of everything played\n"
    "  CORVANTA_MAX_MS     headless: virtual time limit in milliseconds (default 600000)\n";

// --help and --version answer before anything starts.
bool Answered(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
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

}  // namespace

int main(int argc, char** argv) {
    if (Answered(argc, argv)) return 0;
    PlayPresentation(argc, argv);
}
