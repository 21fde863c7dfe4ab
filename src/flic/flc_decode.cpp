// SPDX-License-Identifier: GPL-3.0-or-later
// The chunk decoders: palettes, the word and byte deltas, black, run-length
// and uncompressed frames. Colour indices from the file are raised by the
// pixel shift so that they clear the display's low static colours. Nothing is
// written outside the image, whatever the chunk says; a file that ends inside
// a count or skip ends the play without a message.
#include <algorithm>
#include <bit>
#include <cstring>

#include "flic/flc_window.h"

namespace {

constexpr int PaletteSize = platform::PaletteEntries;

// Byte vectors: a number added to one is added to each of its bytes, with
// no carry from one byte into the next.
typedef std::uint8_t Bytes2 __attribute__((vector_size(2)));
typedef std::uint8_t Bytes4 __attribute__((vector_size(4)));
typedef std::uint8_t Bytes8 __attribute__((vector_size(8)));
typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));

template <typename Unit>
Unit Load(const std::uint8_t* from) {
    Unit unit;
    std::memcpy(&unit, from, sizeof unit);
    return unit;
}

template <typename Unit>
void Store(std::uint8_t* to, Unit unit) {
    std::memcpy(to, &unit, sizeof unit);
}

// Runs are mostly a few bytes long: rather than a byte loop, whose length
// the processor cannot guess, the widest units that fit, the last one
// overlapping the one before. `step(unit, at)` handles the unit at `at`;
// nothing outside [0, count) is covered.
template <typename Step>
[[gnu::always_inline]] inline void Cover(std::size_t count, Step step) {
    if (count >= 16) {
        for (std::size_t at = 0; at + 16 < count; at += 16) step(Bytes16{}, at);
        step(Bytes16{}, count - 16);
    } else if (count >= 8) {
        step(Bytes8{}, 0);
        step(Bytes8{}, count - 8);
    } else if (count >= 4) {
        step(Bytes4{}, 0);
        step(Bytes4{}, count - 4);
    } else if (count >= 2) {
        step(Bytes2{}, 0);
        step(Bytes2{}, count - 2);
    } else if (count == 1) {
        step(std::uint8_t{}, 0);
    }
}

// A value, or a pair of values, repeated over 16 bytes: one word broadcast,
// the first value in its low byte as the processor stores it.
Bytes16 Repeated(std::uint8_t first, std::uint8_t second) {
    typedef std::uint16_t Words8 __attribute__((vector_size(16)));
    return std::bit_cast<Bytes16>(Words8{} + static_cast<std::uint16_t>(first | second << 8));
}

// `pattern` repeats every one or two bytes; with two, `count` must be even.
[[gnu::always_inline]] inline void FillPattern(std::uint8_t* to, Bytes16 pattern, std::size_t count) {
    Cover(count, [&]<typename Unit>(Unit, std::size_t at) {
        Unit unit;
        std::memcpy(&unit, &pattern, sizeof unit);
        Store(to + at, unit);
    });
}

// A copy raised by the pixel shift; `to` and `from` must not overlap.
[[gnu::always_inline]] inline void CopyRaised(std::uint8_t* to, const std::uint8_t* from, std::size_t count,
                                              std::uint8_t shift) {
    Cover(count, [&]<typename Unit>(Unit, std::size_t at) {
        Store(to + at, static_cast<Unit>(Load<Unit>(from + at) + shift));
    });
}

}  // namespace

// The shift is half the static colours; a display that reports more than a
// palette holds shifts by half a palette at most.
void DFLCWindow::SetStaticColours(std::int32_t count) {
    staticColours = count;
    pixelShift = static_cast<std::uint8_t>(std::clamp(count / 2, 0, PaletteSize / 2));
}

void DFLCWindow::MarkArea(std::int64_t firstRow, std::int64_t endRow, std::int64_t firstColumn,
                          std::int64_t endColumn) {
    const auto topRow = static_cast<std::uint32_t>(std::clamp<std::int64_t>(firstRow, 0, height));
    const auto bottomRow = static_cast<std::uint32_t>(std::clamp<std::int64_t>(endRow, 0, height));
    const auto leftmost = static_cast<std::uint32_t>(std::clamp<std::int64_t>(firstColumn, 0, width));
    const auto rightmost = static_cast<std::uint32_t>(std::clamp<std::int64_t>(endColumn, 0, width));
    if (topRow >= bottomRow || leftmost >= rightmost) return;
    if (changedTop >= changedBottom) {
        changedTop = topRow;
        changedBottom = bottomRow;
        changedLeft = leftmost;
        changedRight = rightmost;
    } else {
        changedTop = std::min(changedTop, topRow);
        changedBottom = std::max(changedBottom, bottomRow);
        changedLeft = std::min(changedLeft, leftmost);
        changedRight = std::max(changedRight, rightmost);
    }
}

void DFLCWindow::ShiftPixels(std::uint8_t* at, std::size_t count) const {
    const std::uint8_t shift = PixelShift();
    if (shift == 0) return;
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) Store(at + i, static_cast<Bytes16>(Load<Bytes16>(at + i) + shift));
    for (; i < count; ++i) at[i] = static_cast<std::uint8_t>(at[i] + shift);
}

bool DFLCWindow::ReadIntoRow(std::uint8_t* row, std::int64_t column, std::size_t count) {
    const std::int64_t end = column + static_cast<std::int64_t>(count);
    if (row && column >= 0 && end <= static_cast<std::int64_t>(width)) {
        // Straight from the reader's buffer when it holds them: one pass, not a copy and a shift.
        if (const auto buffered = file->Buffered(); buffered.size() >= count) {
            CopyRaised(row + column, buffered.data(), count, PixelShift());
            file->Consume(count);
            return true;
        }
        if (!file->Read(row + column, count)) return false;
        ShiftPixels(row + column, count);
        return true;
    }
    // Partly or wholly outside the image: read aside, keep what fits. Runs
    // that can leave the image are at most 254 bytes.
    std::uint8_t scratch[256];
    if (count > sizeof scratch || !file->Read(scratch, count)) return false;
    const std::int64_t from = std::max<std::int64_t>(column, 0);
    const std::int64_t to = std::min<std::int64_t>(end, width);
    if (row && from < to)
        CopyRaised(row + from, scratch + (from - column), static_cast<std::size_t>(to - from), PixelShift());
    return true;
}

// Pairs start where the run does: no run starts left of the image.
void DFLCWindow::FillRow(std::uint8_t* row, std::int64_t column, std::size_t count, const std::uint8_t* pattern,
                         std::size_t patternSize) const {
    if (!row) return;
    const std::int64_t from = std::max<std::int64_t>(column, 0);
    const std::int64_t to = std::min<std::int64_t>(column + static_cast<std::int64_t>(count), width);
    if (from >= to) return;
    const auto first = static_cast<std::uint8_t>(pattern[0] + PixelShift());
    const auto second = patternSize == 1 ? first : static_cast<std::uint8_t>(pattern[1] + PixelShift());
    const auto bytes = static_cast<std::size_t>(to - from);
    FillPattern(row + from, Repeated(first, second), bytes & ~std::size_t{1});
    if (bytes % 2) row[to - 1] = first;
}

// ---------------------------------------------------------------- palette

// Entries a palette chunk does not name keep the movie's colours; before the
// movie has any, the display's.
void DFLCWindow::CurrentColours(platform::LogPalette256& description) const {
    if (palette) {
        win::GetPaletteEntries(palette.get(), 0, PaletteSize, description.palPalEntry);
    } else {
        win::HDC screen = win::GetDC(nullptr);
        win::GetSystemPaletteEntries(screen, 0, PaletteSize, description.palPalEntry);
        win::ReleaseDC(nullptr, screen);
    }
}

// Takes the display's static colours into both ends of `description` and
// sets the pixel shift to match; returns the display's palette use.
win::UINT DFLCWindow::AdoptStaticColours(platform::LogPalette256& description) {
    win::HDC screen = win::GetDC(nullptr);
    const win::UINT use = win::GetSystemPaletteUse(screen);
    if (use == win::SYSPAL_NOSTATIC) {
        SetStaticColours(0);
    } else {
        SetStaticColours(platform::StaticColourCount(screen, use));
        const int half = PixelShift();
        win::GetSystemPaletteEntries(screen, 0, half, description.palPalEntry);
        win::GetSystemPaletteEntries(screen, PaletteSize - half, half, description.palPalEntry + PaletteSize - half);
    }
    win::ReleaseDC(nullptr, screen);
    return use;
}

// Reads one packet's `count` colours from file index `index` on, which it advances.
bool DFLCWindow::ReadPaletteColours(platform::LogPalette256& description, unsigned& index, unsigned count, int half) {
    for (unsigned i = 0; i < count; ++i, ++index) {
        std::uint8_t rgb[3];
        if (!ServedRead(rgb, sizeof rgb)) {
            Fatal("Error reading palette data");
            return false;
        }
        // Colours that would land on the display's high static colours are dropped.
        const unsigned entry = index + static_cast<unsigned>(half);
        if (entry <= static_cast<unsigned>(PaletteSize - 1 - half))
            description.palPalEntry[entry] = {rgb[0], rgb[1], rgb[2], 0};
    }
    return true;
}

namespace {

// The movie's colours each take an entry of their own, the static colours
// at both ends none. Without static colours the ends are black and white.
void MarkStaticEntries(platform::LogPalette256& description, int half, win::UINT use) {
    for (int i = 0; i < PaletteSize; ++i)
        description.palPalEntry[i].peFlags = i < half || i >= PaletteSize - half ? 0 : win::PC_NOCOLLAPSE;
    if (use == win::SYSPAL_NOSTATIC) {
        description.palPalEntry[255] = {255, 255, 255, 0};
        description.palPalEntry[0] = {0, 0, 0, 0};
    }
}

}  // namespace

bool DFLCWindow::ReadPalette() {
    std::uint16_t packets = 0;
    if (!ServedWord(packets)) {
        Fatal("Error reading palette packet count");
        return false;
    }
    platform::LogPalette256 description;
    CurrentColours(description);

    unsigned index = 0;  // the file's colour index, running over all packets
    for (std::uint16_t packet = 0; packet < packets; ++packet) {
        std::uint8_t skip = 0, countByte = 0;
        if (!file->Byte(skip) || !file->Byte(countByte)) return false;
        index += skip;
        const unsigned count = countByte ? countByte : 256;
        const win::UINT use = AdoptStaticColours(description);
        const int half = PixelShift();  // 0 without static colours
        if (!ReadPaletteColours(description, index, count, half)) return false;
        MarkStaticEntries(description, half, use);
    }

    palette.reset(win::CreatePalette(reinterpret_cast<const win::LOGPALETTE*>(&description)));
    wholeFrame = true;
    return true;
}

// ---------------------------------------------------------------- deltas

// Packets that lie whole in the reader's buffer and inside the row are taken
// from the buffer; returns how many were. `column` moves past them and
// [lineStart, lineEnd) widens over what they wrote.
[[gnu::always_inline]] inline std::uint32_t DFLCWindow::DeltaPacketsFromBuffer(std::uint8_t* row, std::uint16_t packets,
                                                                               std::int64_t& column,
                                                                               std::int64_t& lineStart,
                                                                               std::int64_t& lineEnd) {
    constexpr std::ptrdiff_t LargestPacket = 2 + 2 * 127;
    const auto rowEnd = static_cast<std::int64_t>(width);
    const std::uint8_t shift = PixelShift();
    const auto buffered = file->Buffered();
    const std::uint8_t* at = buffered.data();
    const std::uint8_t* const safeEnd = at + buffered.size() - std::min<std::size_t>(buffered.size(), LargestPacket);
    std::uint32_t packet = 0;
    while (packet < packets && at < safeEnd) {
        const std::int64_t start = column + at[0];
        const auto count = static_cast<std::int8_t>(at[1]);
        const std::int64_t bytes = 2 * static_cast<std::int64_t>(count < 0 ? -count : count);
        if (start + bytes > rowEnd) break;
        lineStart = std::min(lineStart, start);
        if (count > 0) {
            host.Serve();
            CopyRaised(row + start, at + 2, static_cast<std::size_t>(bytes), shift);
            host.Serve();
            at += 2 + bytes;
        } else {
            const auto first = static_cast<std::uint8_t>(at[2] + shift);
            const auto second = static_cast<std::uint8_t>(at[3] + shift);
            FillPattern(row + start, Repeated(first, second), static_cast<std::size_t>(bytes));
            at += count < 0 ? 4 : 2;
        }
        column = start + bytes;
        ++packet;
    }
    if (packet > 0) lineEnd = std::max(lineEnd, column);
    file->Consume(static_cast<std::size_t>(at - buffered.data()));
    return packet;
}

// The rest of a line's packets, read one at a time: they may reach past the
// row or the reader's buffer.
inline bool DFLCWindow::DeltaPacketsFromFile(std::uint8_t* row, std::uint32_t packets, std::int64_t column) {
    for (std::uint32_t packet = 0; packet < packets; ++packet) {
        std::uint8_t skip = 0, countByte = 0;
        if (!file->Byte(skip) || !file->Byte(countByte)) return false;
        column += skip;
        const auto count = static_cast<std::int8_t>(countByte);
        if (count > 0) {
            const std::size_t bytes = 2 * static_cast<std::size_t>(count);
            host.Serve();
            const bool copied = ReadIntoRow(row, column, bytes);
            host.Serve();
            if (!copied) {
                Fatal("Error reading delta compression data.");
                return false;
            }
            column += static_cast<std::int64_t>(bytes);
        } else if (count < 0) {
            std::uint8_t pair[2];
            if (!ServedRead(pair, sizeof pair)) {
                Fatal("Error reading delta compression data.");
                return false;
            }
            const std::size_t bytes = 2 * static_cast<std::size_t>(-count);
            FillRow(row, column, bytes, pair, 2);
            column += static_cast<std::int64_t>(bytes);
        }
    }
    return true;
}

bool DFLCWindow::DecodeDeltaFlc() {
    std::uint16_t lines = 0;
    if (!ServedWord(lines)) {
        Fatal("Error reading delta compression line count.");
        return false;
    }
    const auto rowEnd = static_cast<std::int64_t>(width);
    // The area written, marked once at the end.
    std::int64_t firstRow = height, endRow = 0, firstColumn = rowEnd, endColumn = 0;
    // Line number k stands for image row height - k: decoding starts on the top row.
    std::uint16_t lineNumber = static_cast<std::uint16_t>(bottom);
    for (std::uint32_t decoded = 0; decoded < lines;) {
        std::uint16_t opcode = 0;
        if (!ServedWord(opcode)) {
            Fatal("Error reading delta compression line.");
            return false;
        }
        const std::int64_t y = static_cast<std::int64_t>(height) - lineNumber;
        std::uint8_t* row = Row(y);
        std::uint16_t packets = opcode;
        std::int64_t lineStart = rowEnd,
                     lineEnd = 0;  // the columns this line writes
        switch (opcode >> 14) {
            case 3:
                lineNumber = static_cast<std::uint16_t>(lineNumber + opcode);  // a skip of -opcode lines
                continue;
            case 1: Fatal("Invalid line start in delta compression."); return false;
            case 2: {
                const std::uint8_t pixel = static_cast<std::uint8_t>(opcode & 0xFF);
                FillRow(row, rowEnd - 1, 1, &pixel, 1);
                lineStart = rowEnd - 1;
                lineEnd = rowEnd;
                if (!file->Word(packets)) {
                    Fatal("Error reading delta compression line.");
                    return false;
                }
                break;
            }
            default: break;
        }

        std::int64_t column = left;
        const std::uint32_t fromBuffer = row ? DeltaPacketsFromBuffer(row, packets, column, lineStart, lineEnd) : 0;
        if (fromBuffer < packets) {  // somewhere on this row, perhaps cut at its end
            lineStart = 0;
            lineEnd = rowEnd;
            if (!DeltaPacketsFromFile(row, packets - fromBuffer, column)) return false;
        }
        if (row && lineStart < lineEnd) {
            firstRow = std::min(firstRow, y);
            endRow = std::max(endRow, y + 1);
            firstColumn = std::min(firstColumn, lineStart);
            endColumn = std::max(endColumn, lineEnd);
        }
        --lineNumber;
        ++decoded;
    }
    MarkArea(firstRow, endRow, firstColumn, endColumn);
    return true;
}

bool DFLCWindow::DecodeDeltaLc() {
    std::uint16_t firstLine = 0, lines = 0;
    for (std::uint16_t* word : {&firstLine, &lines}) {
        if (!ServedWord(*word)) {
            Fatal("Error reading LC frame");
            return false;
        }
    }
    MarkArea(firstLine, std::int64_t{firstLine} + lines, 0, width);
    for (std::uint32_t line = 0; line < lines; ++line) {
        std::uint8_t* row = Row(std::int64_t{firstLine} + line);
        host.Serve();
        std::uint8_t packets = 0;
        if (!file->Byte(packets)) return false;
        std::int64_t column = 0;
        for (unsigned packet = 0; packet < packets; ++packet) {
            std::uint8_t skip = 0, countByte = 0;
            if (!file->Byte(skip) || !file->Byte(countByte)) return false;
            column += skip;
            const auto count = static_cast<std::int8_t>(countByte);
            if (count > 0) {
                if (!ReadIntoRow(row, column, static_cast<std::size_t>(count))) {
                    Fatal("Error reading BRUN copy data");
                    return false;
                }
            } else if (count < 0) {
                std::uint8_t value = 0;
                if (!file->Byte(value)) return false;
                FillRow(row, column, static_cast<std::size_t>(-count), &value, 1);
            }
            column += count < 0 ? -count : count;
        }
    }
    return true;
}

// ---------------------------------------------------------------- whole frames

bool DFLCWindow::ClearFrame() {
    MarkWholeFrame();
    std::memset(bits, 0, stride * height);
    return true;
}

// Packets of a row run from the reader's buffer while a whole packet of the
// largest kind is surely there; near the buffer's end, one at a time.
bool DFLCWindow::DecodeByteRun() {
    constexpr std::size_t LargestPacket = 1 + 128;
    const auto end = static_cast<std::int64_t>(width);
    const std::uint8_t shift = PixelShift();
    MarkWholeFrame();
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = Row(y);
        host.Serve();
        std::uint8_t ignored = 0;  // the row's packet count, which encoders do not always fill in
        if (!file->Byte(ignored)) return false;
        std::int64_t column = 0;
        while (column < end) {
            const auto buffered = file->Buffered();
            if (buffered.size() > LargestPacket) {
                const std::uint8_t* at = buffered.data();
                const std::uint8_t* const safeEnd = at + buffered.size() - LargestPacket;
                while (column < end && at < safeEnd) {
                    const auto count = static_cast<std::int8_t>(*at++);
                    const std::int64_t pixels = count < 0 ? -count : count;
                    const auto kept = static_cast<std::size_t>(std::min(pixels, end - column));
                    if (count < 0) {
                        host.Serve();
                        CopyRaised(row + column, at, kept, shift);
                        at += pixels;
                        host.Serve();
                    } else {
                        const auto value = static_cast<std::uint8_t>(*at++ + shift);
                        FillPattern(row + column, Repeated(value, value), kept);
                    }
                    column += pixels;
                }
                file->Consume(static_cast<std::size_t>(at - buffered.data()));
                continue;
            }
            std::uint8_t countByte = 0;
            if (!file->Byte(countByte)) return false;
            const auto count = static_cast<std::int8_t>(countByte);
            if (count < 0) {
                const std::size_t bytes = static_cast<std::size_t>(-count);
                host.Serve();
                const bool read = ReadIntoRow(row, column, bytes);
                host.Serve();
                if (!read) {
                    Fatal("Error reading BRUN copy data.");
                    return false;
                }
                column += static_cast<std::int64_t>(bytes);
            } else {
                std::uint8_t value = 0;
                if (!file->Byte(value)) return false;
                FillRow(row, column, static_cast<std::size_t>(count), &value, 1);
                column += count;
            }
        }
    }
    return true;
}

bool DFLCWindow::CopyFrame() {
    MarkWholeFrame();
    for (std::uint32_t y = 0; y < height; ++y) {
        host.Serve();
        const bool read = ReadIntoRow(Row(y), 0, width);
        host.Serve();
        if (!read) {
            Fatal("Error reading uncompressed frame data.");
            return false;
        }
    }
    return true;
}
