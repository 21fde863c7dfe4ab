// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing of a slide: centred and one to one when it fits the target,
// squeezed into it when it does not, with everything around it black.
#include "still/slide_win.h"

namespace {

// Rectangle leaves a strip of no width untouched; so do we.
void FillBlack(win::HDC dc, int left, int top, int right, int bottom) {
    if (left < right && top < bottom) win::Rectangle(dc, left, top, right, bottom);
}

// Top offset of a picture squeezed to the target's height.
constexpr int SqueezedTop = 20;

}  // namespace

void DSlideWin::Draw(win::HDC dc, const win::RECT& target) const {
    // A failed load leaves nothing to show; without a palette the program is
    // already quitting and the pixels would show in the wrong colours.
    if (!picture_ || !palette_) return;

    const win::HGDIOBJ oldBrush = win::SelectObject(dc, win::GetStockObject(win::BLACK_BRUSH));
    const win::HGDIOBJ oldPen = win::SelectObject(dc, win::GetStockObject(win::BLACK_PEN));

    const int w = Width();
    const int h = Height();
    const int targetWidth = target.right - target.left;
    const int targetHeight = target.bottom - target.top;
    const bool squeezed = targetWidth < w || targetHeight < h;

    int x = 0;
    int y = 0;
    if (squeezed) {
        FillBlack(dc, target.left, target.top, target.right, target.bottom);
    } else {
        x = platform::CentredStart(targetWidth, w);
        y = platform::CentredStart(targetHeight, h);
        const int left = target.left + x;
        const int top = target.top + y;
        FillBlack(dc, target.left, target.top, left, target.bottom);
        FillBlack(dc, left + w, target.top, target.right, target.bottom);
        FillBlack(dc, left, target.top, left + w, top);
        FillBlack(dc, left, top + h, left + w, target.bottom);
    }

    int drawWidth = w;
    int drawHeight = h;
    if (targetWidth < w) {
        x = 0;
        drawWidth = targetWidth;
    }
    if (targetHeight < h) {
        y = SqueezedTop;
        drawHeight = targetHeight - SqueezedTop;
    }

    const win::HPALETTE oldPalette = win::SelectPalette(dc, palette_.get(), win::FALSE);
    win::RealizePalette(dc);
    const void* bits = picture_->bits.data();
    const win::BITMAPINFO* info = picture_->BitmapInfo();
    // A target too low for the squeezed picture shows only black.
    if (drawWidth > 0 && drawHeight > 0) {
        if (squeezed)
            win::StretchDIBits(dc, target.left + x, target.top + y, drawWidth, drawHeight, 0, 0, w, h, bits, info,
                               win::DIB_PAL_COLORS, win::SRCCOPY);
        else
            win::SetDIBitsToDevice(dc, target.left + x, target.top + y, w, h, 0, 0, 0, h, bits, info,
                                   win::DIB_PAL_COLORS);
    }
    win::SelectPalette(dc, oldPalette, win::FALSE);
    win::SelectObject(dc, oldPen);
    win::SelectObject(dc, oldBrush);
}
