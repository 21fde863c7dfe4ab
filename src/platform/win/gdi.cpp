// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win/gdi.h"

#include <algorithm>
#include <cstring>

#include "platform/core/screen.h"
#include "platform/core/session.h"
#include "platform/win/handles.h"
#include "platform/win/internal.h"
#include "platform/win/windows.h"

namespace platform {
namespace {

using win::COLORREF;
using win::HDC;
using win::HGDIOBJ;

constexpr int BITSPIXEL_VALUE = 8, SIZEPALETTE_VALUE = 256, NUMCOLORS_VALUE = 20;

struct GdiState {
    GdiState() {
        auto addStock = [this](int which, GdiData data) {
            data.stock = true;
            stock[which] = MakeHandle<HGDIOBJ>(objects.Add(std::make_shared<GdiData>(std::move(data))));
        };
        addStock(win::WHITE_BRUSH, {BrushObject{false, win::RGB(255, 255, 255)}});
        addStock(win::BLACK_BRUSH, {BrushObject{false, win::RGB(0, 0, 0)}});
        addStock(win::NULL_BRUSH, {BrushObject{true, 0}});
        addStock(win::WHITE_PEN, {PenObject{false, 1, win::RGB(255, 255, 255)}});
        addStock(win::BLACK_PEN, {PenObject{false, 1, win::RGB(0, 0, 0)}});
        addStock(win::NULL_PEN, {PenObject{true, 1, 0}});
        PaletteObject defaultPalette;
        defaultPalette.entries.assign(StaticColours.begin(), StaticColours.end());
        addStock(win::DEFAULT_PALETTE, {std::move(defaultPalette)});
    }

    HandleTable<GdiData, std::shared_ptr<GdiData>> objects{2};
    HandleTable<DcData> contexts{3};
    HGDIOBJ stock[win::DEFAULT_PALETTE + 1] = {};
};

GdiState& State() { return CurrentSession().Part<GdiState>(); }

std::shared_ptr<GdiData> FindObject(HGDIOBJ handle) {
    const auto* owner = State().objects.FindOwner(HandleId(handle));
    return owner ? *owner : nullptr;
}

template <class T>
T* As(const std::shared_ptr<GdiData>& data) {
    return data ? std::get_if<T>(&data->object) : nullptr;
}

HGDIOBJ AddObject(GdiData data) {
    return MakeHandle<HGDIOBJ>(State().objects.Add(std::make_shared<GdiData>(std::move(data))));
}

void SelectPaletteData(DcData& dc, win::HPALETTE handle, std::shared_ptr<GdiData> data) {
    dc.palette = handle;
    dc.paletteData = std::move(data);
    dc.translation = TheScreen().Palette().MapNearest(As<PaletteObject>(dc.paletteData)->entries);
}

HDC NewDc(win::HWND hwnd) {
    if (hwnd && !FindWindowData(hwnd)) return nullptr;
    auto& state = State();
    auto dc = std::make_unique<DcData>();
    dc->window = hwnd;
    dc->brush = state.stock[win::WHITE_BRUSH];
    dc->brushData = FindObject(dc->brush);
    dc->pen = state.stock[win::BLACK_PEN];
    dc->penData = FindObject(dc->pen);
    SelectPaletteData(*dc, state.stock[win::DEFAULT_PALETTE], FindObject(state.stock[win::DEFAULT_PALETTE]));
    return MakeHandle<HDC>(state.contexts.Add(std::move(dc)));
}

std::uint8_t NearestLogical(const PaletteObject& palette, COLORREF colour) {
    int red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.entries.size(); ++i) {
        const auto& entry = palette.entries[i];
        int dr = entry.peRed - red, dg = entry.peGreen - green, db = entry.peBlue - blue;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void FillOnSurface(const win::RECT& rect, const win::RECT& clip, std::uint8_t index) {
    win::RECT area = Intersect(rect, clip);
    if (!IsEmpty(area)) TheScreen().Fill(area, index);
}

}  // namespace

DcData* FindDc(HDC hdc) { return State().contexts.Find(HandleId(hdc)); }

bool DrawingArea(const DcData& dc, win::POINT* origin, win::RECT* clip) {
    Screen& screen = TheScreen();
    win::RECT area = screen.Bounds();
    if (dc.window) {
        if (!FindWindowData(dc.window)) return false;
        area = SurfaceRect(dc.window);
    }
    *origin = {area.left, area.top};
    *clip = Intersect(area, screen.Bounds());
    return true;
}

std::uint8_t ColourIndex(const DcData& dc, COLORREF colour) {
    const auto* palette = As<PaletteObject>(dc.paletteData);
    if (!palette || palette->entries.empty())
        return TheScreen().Palette().Nearest(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return LogicalToSystem(dc, NearestLogical(*palette, colour));
}

}  // namespace platform

namespace win {

using platform::As;
using platform::BrushObject;
using platform::DcData;
using platform::FindDc;
using platform::PaletteObject;
using platform::PenObject;

HDC GetDC(HWND hwnd) { return platform::NewDc(hwnd); }

HDC GetWindowDC(HWND hwnd) { return platform::NewDc(hwnd); }

int ReleaseDC(HWND, HDC hdc) {
    if (!platform::State().contexts.Remove(platform::HandleId(hdc))) return 0;
    platform::PresentIfChanged();
    return 1;
}

HGDIOBJ GetStockObject(int which) {
    if (which < 0 || which > DEFAULT_PALETTE) return nullptr;
    return platform::State().stock[which];
}

HBRUSH CreateSolidBrush(COLORREF colour) { return platform::AddObject({BrushObject{false, colour & 0xFFFFFF}}); }

HPEN CreatePen(int style, int width, COLORREF colour) {
    if (style != PS_SOLID && style != PS_NULL) return nullptr;
    return platform::AddObject({PenObject{style == PS_NULL, std::max(width, 1), colour & 0xFFFFFF}});
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    DcData* dc = FindDc(hdc);
    auto data = platform::FindObject(object);
    if (!dc || !data) return nullptr;
    HGDIOBJ previous = nullptr;
    if (As<BrushObject>(data)) {
        previous = dc->brush;
        dc->brush = object;
        dc->brushData = std::move(data);
    } else if (As<PenObject>(data)) {
        previous = dc->pen;
        dc->pen = object;
        dc->penData = std::move(data);
    }
    return previous;  // palettes go through SelectPalette
}

BOOL DeleteObject(HGDIOBJ object) {
    auto& objects = platform::State().objects;
    const auto* owner = objects.FindOwner(platform::HandleId(object));
    if (!owner) return FALSE;
    if (!(*owner)->stock) objects.Remove(platform::HandleId(object));
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, void* out) {
    const auto* palette = As<PaletteObject>(platform::FindObject(object));
    if (!palette) return 0;
    if (!out) return sizeof(WORD);
    if (size < static_cast<int>(sizeof(WORD))) return 0;
    WORD count = static_cast<WORD>(palette->entries.size());
    std::memcpy(out, &count, sizeof count);
    return sizeof(WORD);
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palNumEntries < 1 || palette->palNumEntries > 256) return nullptr;
    PaletteObject object;
    object.entries.resize(palette->palNumEntries);
    // The entries run on past the declared one-element array.
    const auto* entries = reinterpret_cast<const BYTE*>(palette) + offsetof(LOGPALETTE, palPalEntry);
    std::memcpy(object.entries.data(), entries, object.entries.size() * sizeof(PALETTEENTRY));
    return platform::AddObject({std::move(object)});
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground) {
    DcData* dc = FindDc(hdc);
    auto data = platform::FindObject(palette);
    if (!dc || !As<PaletteObject>(data)) return nullptr;
    HPALETTE previous = dc->palette;
    platform::SelectPaletteData(*dc, palette, std::move(data));
    dc->background = forceBackground != FALSE;
    return previous;
}

UINT RealizePalette(HDC hdc) {
    DcData* dc = FindDc(hdc);
    if (!dc) return 0;
    const auto* palette = As<PaletteObject>(dc->paletteData);
    platform::Screen& screen = platform::TheScreen();
    if (dc->background) {
        // A background palette takes no slots: its colours map to what is there.
        dc->translation = screen.Palette().MapNearest(palette->entries);
        return 0;
    }
    bool changed = false;
    dc->translation = screen.Palette().Realize(palette->entries, &changed);
    if (changed) screen.MarkChanged();
    return static_cast<UINT>(palette->entries.size());
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    const auto* object = As<PaletteObject>(platform::FindObject(palette));
    if (!object) return 0;
    UINT size = static_cast<UINT>(object->entries.size());
    if (!entries) return size;
    if (start >= size) return 0;
    count = std::min(count, size - start);
    std::copy_n(object->entries.begin() + start, count, entries);
    return count;
}

UINT GetSystemPaletteUse(HDC hdc) {
    if (!FindDc(hdc)) return SYSPAL_ERROR;
    return platform::TheScreen().Palette().Use();
}

UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries) {
    if (!FindDc(hdc)) return 0;
    if (!entries) return 256;
    if (start >= 256) return 0;
    count = std::min(count, 256 - start);
    const auto& system = platform::TheScreen().Palette().Entries();
    for (UINT i = 0; i < count; ++i)
        entries[i] = {system[start + i].peRed, system[start + i].peGreen, system[start + i].peBlue, 0};
    return count;
}

int GetDeviceCaps(HDC hdc, int index) {
    if (!FindDc(hdc)) return 0;
    const platform::Screen& screen = platform::TheScreen();
    switch (index) {
        case HORZRES: return screen.GetSize().width;
        case VERTRES: return screen.GetSize().height;
        case BITSPIXEL: return platform::BITSPIXEL_VALUE;
        case NUMCOLORS: return platform::NUMCOLORS_VALUE;
        case RASTERCAPS: return RC_PALETTE;
        case SIZEPALETTE: return platform::SIZEPALETTE_VALUE;
        case NUMRESERVED: return screen.Palette().ReservedCount();
        default: return 0;
    }
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DcData* dc = FindDc(hdc);
    POINT origin{};
    RECT clip{};
    if (!dc || !platform::DrawingArea(*dc, &origin, &clip)) return FALSE;
    // Right and bottom edges are exclusive; work in 64 bits so that no
    // coordinate overflows on the way to the clip.
    long long l = std::min(left, right) + static_cast<long long>(origin.x);
    long long r = std::max(left, right) + static_cast<long long>(origin.x);
    long long t = std::min(top, bottom) + static_cast<long long>(origin.y);
    long long b = std::max(top, bottom) + static_cast<long long>(origin.y);
    auto toRect = [&clip](long long x0, long long y0, long long x1, long long y1) {
        auto fit = [](long long v, LONG low, LONG high) {
            return static_cast<LONG>(std::clamp<long long>(v, low, high));
        };
        return RECT{fit(x0, clip.left, clip.right), fit(y0, clip.top, clip.bottom), fit(x1, clip.left, clip.right),
                    fit(y1, clip.top, clip.bottom)};
    };
    const auto* brush = As<BrushObject>(dc->brushData);
    const auto* pen = As<PenObject>(dc->penData);
    if (!pen || pen->hollow) {
        // Without an outline the rectangle is one pixel smaller each way.
        if (brush && !brush->hollow)
            platform::FillOnSurface(toRect(l, t, r - 1, b - 1), clip, platform::ColourIndex(*dc, brush->colour));
        return TRUE;
    }
    // Wide pens draw inside the rectangle.
    long long p = std::min<long long>({pen->width, (r - l + 1) / 2, (b - t + 1) / 2});
    if (brush && !brush->hollow)
        platform::FillOnSurface(toRect(l + p, t + p, r - p, b - p), clip, platform::ColourIndex(*dc, brush->colour));
    std::uint8_t outline = platform::ColourIndex(*dc, pen->colour);
    platform::FillOnSurface(toRect(l, t, r, t + p), clip, outline);
    platform::FillOnSurface(toRect(l, b - p, r, b), clip, outline);
    platform::FillOnSurface(toRect(l, t + p, l + p, b - p), clip, outline);
    platform::FillOnSurface(toRect(r - p, t + p, r, b - p), clip, outline);
    return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    DcData* dc = FindDc(hdc);
    POINT origin{};
    RECT clip{};
    if (!dc || !platform::DrawingArea(*dc, &origin, &clip)) return FALSE;
    std::uint8_t index = 0;
    switch (rop) {
        case BLACKNESS: index = 0; break;
        case WHITENESS: index = 255; break;
        case PATCOPY: {
            const auto* brush = As<BrushObject>(dc->brushData);
            if (!brush || brush->hollow) return TRUE;
            index = platform::ColourIndex(*dc, brush->colour);
            break;
        }
        default: return FALSE;
    }
    long long x0 = static_cast<long long>(x) + origin.x, y0 = static_cast<long long>(y) + origin.y;
    long long x1 = x0 + width, y1 = y0 + height;
    auto fit = [](long long v, LONG low, LONG high) { return static_cast<LONG>(std::clamp<long long>(v, low, high)); };
    RECT area{fit(std::min(x0, x1), clip.left, clip.right), fit(std::min(y0, y1), clip.top, clip.bottom),
              fit(std::max(x0, x1), clip.left, clip.right), fit(std::max(y0, y1), clip.top, clip.bottom)};
    platform::FillOnSurface(area, clip, index);
    return TRUE;
}

}  // namespace win
