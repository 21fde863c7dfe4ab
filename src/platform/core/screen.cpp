// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/screen.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/core/backend.h"
#include "platform/core/events.h"
#include "platform/core/png_io.h"
#include "platform/core/session.h"
#include "platform/core/trace.h"

namespace platform {
namespace {

struct LastPresented {
    std::optional<std::uint32_t> crc;
    // The checksum of each row's RGB bytes, so that a present reckons only
    // the rows that changed and combines the rest.
    std::vector<uLong> rows;
    int width = 0;
};

// Whichever backend shows it; the same picture twice is one line.
void TracePresent(const Screen& screen, const win::RECT& changed) {
    if (!Tracing()) return;  // the checksum costs a pass over what changed
    LastPresented& last = CurrentSession().Part<LastPresented>();
    const Size size = screen.GetSize();
    int from = changed.top, to = changed.bottom;
    if (last.width != size.width || last.rows.size() != static_cast<std::size_t>(size.height)) {
        last.rows.assign(static_cast<std::size_t>(size.height), 0);
        last.width = size.width;
        from = 0;
        to = size.height;
    }
    const auto& entries = screen.Palette().Entries();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(size.width) * 3);
    for (int y = std::max(from, 0); y < std::min(to, size.height); ++y) {
        std::uint8_t* out = rgb.data();
        for (const std::uint8_t* index = screen.Row(y); index != screen.Row(y) + size.width; ++index) {
            *out++ = entries[*index].peRed;
            *out++ = entries[*index].peGreen;
            *out++ = entries[*index].peBlue;
        }
        last.rows[static_cast<std::size_t>(y)] = crc32(crc32(0L, Z_NULL, 0), rgb.data(), static_cast<uInt>(rgb.size()));
    }
    const uLong rowOp = crc32_combine_gen(static_cast<z_off_t>(rgb.size()));
    uLong whole = crc32(0L, Z_NULL, 0);
    for (const uLong row : last.rows) whole = crc32_combine_op(whole, row, rowOp);
    const auto crc = static_cast<std::uint32_t>(whole);
    if (last.crc == crc) return;
    last.crc = crc;
    char text[32];
    std::snprintf(text, sizeof text, "present\t%08x", crc);
    WriteTrace(text);
}

}  // namespace

Screen::Screen(PaletteMode mode, Size size)
    : size_(size), pixels_(static_cast<std::size_t>(size.width) * size.height, 0), palette_(mode), changed_(Bounds()) {}

void Screen::MarkChanged(const win::RECT& rect) {
    const win::RECT area = Intersect(rect, Bounds());
    if (IsEmpty(area)) return;
    ++changes_;
    changed_ = changed_ ? win::RECT{std::min(changed_->left, area.left), std::min(changed_->top, area.top),
                                    std::max(changed_->right, area.right), std::max(changed_->bottom, area.bottom)}
                        : area;
}

void Screen::Resize(Size size) {
    if (size == size_) return;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size.width) * size.height, 0);
    int width = std::min(size.width, size_.width);
    int height = std::min(size.height, size_.height);
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * size.width, Row(y), width);
    pixels_ = std::move(pixels);
    size_ = size;
    MarkChanged();
}

void Screen::Fill(const win::RECT& rect, std::uint8_t index) {
    win::RECT area = Intersect(rect, Bounds());
    if (IsEmpty(area)) return;
    for (int y = area.top; y < area.bottom; ++y) std::memset(Row(y) + area.left, index, area.right - area.left);
    MarkChanged(area);
}

std::vector<std::uint8_t> Screen::ToRgb() const {
    std::vector<std::uint8_t> rgb(pixels_.size() * 3);
    const auto& entries = palette_.Entries();
    std::uint8_t* out = rgb.data();
    for (std::uint8_t index : pixels_) {
        *out++ = entries[index].peRed;
        *out++ = entries[index].peGreen;
        *out++ = entries[index].peBlue;
    }
    return rgb;
}

std::uint32_t Screen::Crc() const {
    std::vector<std::uint8_t> rgb = ToRgb();
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes lengths as uInt: feed large pictures in pieces.
    const std::size_t piece = 1u << 30;
    for (std::size_t at = 0; at < rgb.size(); at += piece)
        crc = crc32(crc, rgb.data() + at, static_cast<uInt>(std::min(piece, rgb.size() - at)));
    return static_cast<std::uint32_t>(crc);
}

void ConvertToXrgb(const Screen& screen, std::uint32_t* out, int pitch) {
    ConvertToXrgb(screen, screen.Bounds(), out, pitch);
}

void ConvertToXrgb(const Screen& screen, const win::RECT& area, std::uint32_t* out, int pitch) {
    std::uint32_t lookup[256];
    const auto& entries = screen.Palette().Entries();
    for (int i = 0; i < 256; ++i)
        lookup[i] = static_cast<std::uint32_t>(entries[i].peRed) << 16 | entries[i].peGreen << 8 | entries[i].peBlue;
    const win::RECT clipped = Intersect(area, screen.Bounds());
    for (int y = clipped.top; y < clipped.bottom; ++y) {
        const std::uint8_t* row = screen.Row(y) + clipped.left;
        std::uint32_t* target = out + static_cast<std::size_t>(y - area.top) * pitch + (clipped.left - area.left);
        for (int x = 0; x < clipped.right - clipped.left; ++x) target[x] = lookup[row[x]];
    }
}

win::RECT Intersect(const win::RECT& a, const win::RECT& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const win::RECT& rect) { return rect.left >= rect.right || rect.top >= rect.bottom; }

Screen& TheScreen() {
    return CurrentSession().Part<Screen>([] {
        const Settings& settings = CurrentSettings();
        return Screen(settings.palette, settings.screen ? *settings.screen : TheBackend().ClientSize());
    });
}

void PresentIfChanged() {
    Screen& screen = TheScreen();
    const std::optional<win::RECT> changed = screen.TakeChanged();
    if (!changed) return;
    TracePresent(screen, *changed);
    TheBackend().Present(screen, *changed);
}

bool WriteSnapshot(const std::string& path) {
    std::string target = !path.empty() && path[0] == '/' ? path : StartFolder() + "/" + path;
    const Screen& screen = TheScreen();
    std::vector<std::uint8_t> rgb = screen.ToRgb();
    return WritePngRgb(target, screen.GetSize().width, screen.GetSize().height, rgb.data());
}

}  // namespace platform
