// SPDX-License-Identifier: GPL-3.0-or-later
// Frame presentation: the movie drawn at its own size, centred in the owner's
// client area, with its palette realised before every frame.
#include "flic/flc_window.h"

#include "platform/core/screen.h"

void DFLCWindow::BlackOutPalette() {
    platform::LogPalette256 black;
    for (win::PALETTEENTRY& entry : black.palPalEntry) entry = {0, 0, 0, win::PC_NOCOLLAPSE};
    platform::OwnedPalette blackPalette(black.Create());
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
        placement = {platform::CentredStart(client.right - client.left, header.biWidth),
                     platform::CentredStart(client.bottom - client.top, header.biHeight), header.biWidth,
                     header.biHeight};
        firstFrame = 0;
    }
    // Before any palette chunk the frame shows in the colours the display has.
    platform::OwnedPalette displayColours;
    win::HPALETTE shown = palette.get();
    const bool foreground = shown != nullptr;
    if (!shown) {
        platform::LogPalette256 entries;
        win::HDC screen = win::GetDC(nullptr);
        win::GetSystemPaletteEntries(screen, 0, 256, entries.palPalEntry);
        win::ReleaseDC(nullptr, screen);
        displayColours.reset(entries.Create());
        shown = displayColours.get();
    }
    win::SelectPalette(dc, shown, foreground ? win::FALSE : win::TRUE);
    if (foreground) win::RealizePalette(dc);
    // Only the area that changed, while the screen still holds the last
    // frame as it was drawn: the same picture for a fraction of the copying.
    const platform::Screen& screen = platform::TheScreen();
    if (wholeFrame || screen.Changes() != screenChangesAfterDraw) MarkWholeFrame();
    if (changedTop < changedBottom) {
        const std::uint32_t firstScan = static_cast<std::uint32_t>(placement.h) - changedBottom;
        win::SetDIBitsToDevice(dc, placement.x + static_cast<std::int32_t>(changedLeft), placement.y,
                               changedRight - changedLeft, static_cast<win::DWORD>(placement.h),
                               static_cast<int>(changedLeft), 0, firstScan, changedBottom - changedTop,
                               bits + static_cast<std::size_t>(firstScan) * stride, frameBuffer->BitmapInfo(),
                               win::DIB_PAL_COLORS);
    }
    changedTop = changedBottom = changedLeft = changedRight = 0;
    wholeFrame = false;
    screenChangesAfterDraw = screen.Changes();
    win::ReleaseDC(owner, dc);
    return true;
}
