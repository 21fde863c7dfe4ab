// Feeds any bytes to the slide loader as a bitmap file, then draws what it
// accepted. The loader must neither read nor write outside its buffers nor
// allocate beyond what the file can hold, whatever the file says.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "still/slide_win.h"

namespace {

std::string inputPath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("CORVANTA_DRIVER", "headless", 1);
    std::string folder = (std::filesystem::temp_directory_path() / "corvanta-fuzz-XXXXXX").string();
    if (!mkdtemp(folder.data())) std::abort();
    inputPath = folder + "/input.bmp";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(inputPath.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    DSlideWin slide(nullptr, inputPath.c_str());
    // A small target keeps drawing cheap while still taking both ways of drawing.
    win::HDC screen = win::GetDC(nullptr);
    slide.Draw(screen, {0, 0, 64, 48});
    win::ReleaseDC(nullptr, screen);
    return 0;
}
