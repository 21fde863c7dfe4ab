// Frame presentation: the movie drawn at its own size, centred in the owner's
// client area, with its palette realised before every frame.
#include "flic/flc_window.h"

namespace {

struct Palette256 {
    win::WORD palVersion = 0x300;
    win::WORD palNumEntries = 256;
    win::PALETTEENTRY palPalEntry[256];
};

}  // namespace

void DFLCWindow::BlackOutPalette() {
    Palette256 black;
    for (win::PALETTEENTRY& entry : black.palPalEntry) entry = {0, 0, 0, win::PC_NOCOLLAPSE};
    OwnedPalette blackPalette(win::CreatePalette(reinterpret_cast<const win::LOGPALETTE*>(&black)));
    win::HDC screen = win::GetWindowDC(nullptr);
    win::HPALETTE previous = win::SelectPalette(screen, blackPalette.get(), win::FALSE);
    win::RealizePalette(screen);
    win::SelectPalette(screen, previous, win::FALSE);
    blackPalette.reset();
    win::ReleaseDC(nullptr, screen);
}

bool DFLCWindow::ShowFrame() {
    win::HDC dc = win::GetDC(owner);
    if (!frameBuffer) {
        Fatal("No bitmap to BLT!");
        win::ReleaseDC(owner, dc);
        return false;
    }
    if (firstFrame) {
        BlackOutPalette();
        const win::BITMAPINFOHEADER& header = frameBuffer->info.header;
        win::RECT client{};
        win::GetClientRect(owner, &client);
        placement = {((client.right - client.left) >> 1) - (header.biWidth >> 1),
                     ((client.bottom - client.top) >> 1) - (header.biHeight >> 1), header.biWidth, header.biHeight};
        firstFrame = 0;
    }
    // Before any palette chunk the frame shows in the colours the display has.
    OwnedPalette displayColours;
    win::HPALETTE shown = palette.get();
    const bool foreground = shown != nullptr;
    if (!shown) {
        Palette256 entries;
        win::HDC screen = win::GetDC(nullptr);
        win::GetSystemPaletteEntries(screen, 0, 256, entries.palPalEntry);
        win::ReleaseDC(nullptr, screen);
        displayColours.reset(win::CreatePalette(reinterpret_cast<const win::LOGPALETTE*>(&entries)));
        shown = displayColours.get();
    }
    win::SelectPalette(dc, shown, foreground ? win::FALSE : win::TRUE);
    if (foreground) win::RealizePalette(dc);
    win::SetDIBitsToDevice(dc, placement.x, placement.y, static_cast<win::DWORD>(placement.w),
                           static_cast<win::DWORD>(placement.h), 0, 0, 0, static_cast<win::UINT>(placement.h), bits,
                           frameBuffer->BitmapInfo(), win::DIB_PAL_COLORS);
    win::ReleaseDC(owner, dc);
    return true;
}
