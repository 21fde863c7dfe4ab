// SPDX-License-Identifier: GPL-3.0-or-later
// Plays any bytes as a movie file, from memory, without the pace: every
// frame is decoded and drawn. The player must neither read nor write outside
// its buffers, nor hang, whatever the file says.
#include <cstdint>
#include <cstdlib>

#include "flic/flc_format.h"
#include "flic/flc_window.h"

namespace {

class FuzzHost final : public MovieHost {
public:
    void FatalError(const char*) override {}
    bool PumpMessages() override { return true; }
    bool TakeAbort() override { return false; }
    void Serve() override {}
    win::DWORD Ticks() override { return clock += 34; }  // every frame shown, none waits
    void WaitForMessage(win::DWORD) override {}
    bool AttachMovieSound(const char*) override { return false; }
    void StartMovieSound() override {}
    void DropUnstartedMovieSound() override {}

private:
    win::DWORD clock = 0;
};

win::HWND window = nullptr;

// Frames between this and the player's own limit take the same paths as
// smaller ones; zeroing their buffers took most of the fuzzer's time.
constexpr std::uint64_t LargestFuzzedFrame = std::uint64_t{2} << 20;

bool FrameTooCostly(std::span<const std::uint8_t> data) {
    platform::ByteReader reader(data);
    flic::Header header;
    if (!flic::ReadHeader(reader, "input", header).empty()) return false;
    const std::uint64_t bytes = flic::FrameStride(header.width) * header.height;
    return bytes > LargestFuzzedFrame && bytes <= flic::MaxFrameBytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("CORVANTA_DRIVER", "headless", 1);
    win::WNDCLASSA wc{0, win::DefWindowProcA, nullptr, nullptr, "MovieFuzz"};
    win::RegisterClassA(&wc);
    window = win::CreateWindowExA(0, "MovieFuzz", "", win::WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (FrameTooCostly({data, size})) return 0;
    FuzzHost host;
    DFLCWindow movie(window, "input.flc", host);
    movie.PlayFrom(std::make_unique<platform::ByteReader>(std::span<const std::uint8_t>(data, size)), "input.flc");
    return 0;
}
