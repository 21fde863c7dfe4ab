// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds any bytes to the slide loader as a bitmap file, then draws what it
// accepted. The loader must neither read nor write outside its buffers nor
// allocate beyond what the file can hold, whatever the file says.
#include <cstdint>
#include <cstdlib>

#include "platform/core/byte_reader.h"
#include "still/slide_win.h"

namespace {

// The loader's refusals are its answers here; nothing plays meanwhile.
class QuietHost final : public SlideHost {
public:
    void FatalError(const char*, win::HWND) override {}
    void Serve() override {}
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("CORVANTA_DRIVER", "headless", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::ByteReader source({data, size});
    QuietHost host;
    DSlideWin slide(nullptr, source, "input.bmp", host);
    // A small target keeps drawing cheap while still taking both ways of drawing.
    win::HDC screen = win::GetDC(nullptr);
    slide.Draw(screen, {0, 0, 64, 48});
    win::ReleaseDC(nullptr, screen);
    return 0;
}
