// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/flc_writer.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace flc {
namespace {

void Put8(Bytes& out, int value) { out.push_back(static_cast<std::uint8_t>(value)); }

void Put16(Bytes& out, std::uint32_t value) {
    Put8(out, value & 0xFF);
    Put8(out, (value >> 8) & 0xFF);
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Set16(Bytes& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Set32(Bytes& out, std::size_t at, std::uint32_t value) {
    Set16(out, at, value & 0xFFFF);
    Set16(out, at + 2, value >> 16);
}

std::uint32_t SizeOf(const Bytes& bytes) { return static_cast<std::uint32_t>(bytes.size()); }

void AppendChunk(Bytes& out, const Chunk& chunk) {
    Put32(out, chunk.size.value_or(6 + SizeOf(chunk.data)));
    Put16(out, chunk.type);
    out.insert(out.end(), chunk.data.begin(), chunk.data.end());
}

void AppendFrame(Bytes& out, const Frame& frame) {
    const std::size_t start = out.size();
    out.resize(start + 16, 0);
    for (const Chunk& chunk : frame.chunks) AppendChunk(out, chunk);
    Set32(out, start, frame.size.value_or(SizeOf(out) - static_cast<std::uint32_t>(start)));
    Set16(out, start + 4, frame.type);
    Set16(out, start + 6, static_cast<std::uint32_t>(frame.chunks.size()));
}

Chunk Empty(std::uint16_t type) {
    Chunk chunk;
    chunk.type = type;
    return chunk;
}

// How many elements of `unit` bytes from element i on are equal to it, at most limit.
int RunLength(const std::uint8_t* data, int i, int n, int unit, int limit) {
    int run = 1;
    while (i + run < n && run < limit && std::memcmp(data + i * unit, data + (i + run) * unit, unit) == 0) ++run;
    return run;
}

struct Packets {
    Bytes bytes;
    int count = 0;
};

// Delta packets over n elements (pixels or pixel pairs) of one row: a skip
// byte in pixels, then a signed count, positive for literal elements, negative
// for one element repeated. With `dense`, every element from the first change
// to the last is written, as literals, which keeps the packet count low.
Packets DeltaPackets(const std::uint8_t* previous, const std::uint8_t* next, int n, int unit, int minRun, bool dense) {
    auto changed = [&](int i) { return std::memcmp(previous + i * unit, next + i * unit, unit) != 0; };
    int low = 0, high = n;
    while (dense && low < n && !changed(low)) ++low;
    while (dense && high > low && !changed(high - 1)) --high;
    auto write = [&](int i) { return dense ? i >= low && i < high : changed(i); };
    if (dense) minRun = 129;

    Packets packets;
    for (int i = 0, done = 0; i < n;) {
        if (!write(i)) {
            ++i;
            continue;
        }
        int skip = (i - done) * unit;
        for (; skip > 255; skip -= 255, ++packets.count) {
            Put8(packets.bytes, 255);
            Put8(packets.bytes, 0);
        }
        Put8(packets.bytes, skip);
        ++packets.count;
        const int run = RunLength(next, i, n, unit, 128);
        if (run >= minRun) {
            Put8(packets.bytes, -run);
            packets.bytes.insert(packets.bytes.end(), next + i * unit, next + (i + 1) * unit);
            i += run;
        } else {
            int end = i + 1;
            while (end < n && end - i < 127 && write(end) && RunLength(next, end, n, unit, minRun) < minRun) ++end;
            Put8(packets.bytes, end - i);
            packets.bytes.insert(packets.bytes.end(), next + i * unit, next + end * unit);
            i = end;
        }
        done = i;
    }
    return packets;
}

void ByteRunRow(Bytes& out, const std::uint8_t* row, int width) {
    const std::size_t countAt = out.size();
    Put8(out, 0);
    int packets = 0;
    for (int x = 0; x < width; ++packets) {
        const int run = RunLength(row, x, width, 1, 127);
        if (run >= 3) {
            Put8(out, run);
            Put8(out, row[x]);
            x += run;
            continue;
        }
        int end = x + 1;
        while (end < width && end - x < 128 && RunLength(row, end, width, 1, 3) < 3) ++end;
        Put8(out, x - end);
        out.insert(out.end(), row + x, row + end);
        x = end;
    }
    // Readers go by the width; the byte is kept for old ones and saturates.
    out[countAt] = static_cast<std::uint8_t>(std::min(packets, 255));
}

}  // namespace

Bytes Encode(const Movie& movie) {
    Bytes out(128, 0);
    Set16(out, 4, movie.magic);
    Set16(out, 6, movie.frameCount.value_or(static_cast<std::uint16_t>(movie.frames.size())));
    Set16(out, 8, movie.width);
    Set16(out, 10, movie.height);
    Set16(out, 12, 8);  // bits per pixel
    Set16(out, 14, movie.flags);
    Set32(out, 16, movie.speed);
    Set16(out, 38, 1);  // square pixels
    Set16(out, 40, 1);
    if (movie.prefix) AppendFrame(out, Frame{{}, 0xF100});
    Set32(out, 80, SizeOf(out));
    for (std::size_t i = 0; i < movie.frames.size(); ++i) {
        if (i == 1) Set32(out, 84, SizeOf(out));
        AppendFrame(out, movie.frames[i]);
    }
    if (movie.frames.size() < 2) Set32(out, 84, SizeOf(out));
    if (movie.ringFrame) AppendFrame(out, *movie.ringFrame);
    Set32(out, 0, SizeOf(out));
    return out;
}

bool WriteFile(const std::string& path, const Movie& movie) {
    const Bytes bytes = Encode(movie);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

Chunk PalettePackets(const std::vector<PalettePacket>& packets, std::uint16_t type) {
    Chunk chunk = Empty(type);
    Put16(chunk.data, static_cast<std::uint32_t>(packets.size()));
    for (const PalettePacket& packet : packets) {
        Put8(chunk.data, packet.skip);
        Put8(chunk.data, static_cast<int>(packet.colours.size() % 256));
        for (const Rgb& colour : packet.colours) chunk.data.insert(chunk.data.end(), {colour.r, colour.g, colour.b});
    }
    return chunk;
}

Chunk Palette(const std::vector<Rgb>& colours, std::uint16_t type) { return PalettePackets({{0, colours}}, type); }

Chunk ByteRun(const Image& image, int width, int height) {
    Chunk chunk = Empty(flic::ByteRun);
    for (int y = 0; y < height; ++y) ByteRunRow(chunk.data, image.data() + y * width, width);
    return chunk;
}

Chunk DeltaFlc(const Image& previous, const Image& next, int width, int height) {
    Chunk chunk = Empty(flic::DeltaFlc);
    Bytes& out = chunk.data;
    Put16(out, 0);
    int lines = 0, skipped = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* before = previous.data() + y * width;
        const std::uint8_t* after = next.data() + y * width;
        const bool lastChanged = width % 2 == 1 && before[width - 1] != after[width - 1];
        const Packets packets = DeltaPackets(before, after, width / 2, 2, 2, false);
        if (packets.count == 0 && !lastChanged) {
            ++skipped;
            continue;
        }
        for (int step; skipped > 0; skipped -= step) {
            step = std::min(skipped, 0x4000);  // the most a word with top bits 11 can skip
            Put16(out, 0x10000 - step);
        }
        if (lastChanged) Put16(out, 0x8000 | after[width - 1]);
        Put16(out, packets.count);
        out.insert(out.end(), packets.bytes.begin(), packets.bytes.end());
        ++lines;
    }
    Set16(out, 0, lines);
    return chunk;
}

Chunk DeltaLc(const Image& previous, const Image& next, int width, int height) {
    auto rowChanged = [&](int y) {
        return !std::equal(next.begin() + y * width, next.begin() + (y + 1) * width, previous.begin() + y * width);
    };
    int first = 0, end = height;
    while (first < height && !rowChanged(first)) ++first;
    while (end > first && !rowChanged(end - 1)) --end;
    Chunk chunk = Empty(flic::DeltaFli);
    Put16(chunk.data, first == end ? 0 : first);
    Put16(chunk.data, end - first);
    for (int y = first; y < end; ++y) {
        const std::uint8_t* before = previous.data() + y * width;
        const std::uint8_t* after = next.data() + y * width;
        Packets packets = DeltaPackets(before, after, width, 1, 3, false);
        // The count is a byte: rows of scattered changes are written whole.
        if (packets.count > 255) packets = DeltaPackets(before, after, width, 1, 3, true);
        Put8(chunk.data, packets.count);
        chunk.data.insert(chunk.data.end(), packets.bytes.begin(), packets.bytes.end());
    }
    return chunk;
}

Chunk Copy(const Image& image, int width, int height, CopySize size) {
    Chunk chunk = Empty(flic::FliCopy);
    chunk.data.assign(image.begin(), image.begin() + width * height);
    if (size == CopySize::Short) chunk.size = 4 + SizeOf(chunk.data);
    return chunk;
}

Chunk Black() { return Empty(flic::Black); }

Chunk PostageStamp(const Image& stamp, int width, int height) {
    Chunk chunk = Empty(flic::PostageStamp);
    Put16(chunk.data, height);
    Put16(chunk.data, width);
    Put16(chunk.data, 1);  // colours translated to the six-cube palette
    AppendChunk(chunk.data, ByteRun(stamp, width, height));
    return chunk;
}

Movie Animation(int width, int height, const std::vector<Image>& frames, const std::vector<Rgb>& palette,
                Compression compression) {
    auto whole = [&](const Image& image) {
        return compression == Compression::Copy ? Copy(image, width, height, CopySize::Short)
                                                : ByteRun(image, width, height);
    };
    auto change = [&](const Image& from, const Image& to) {
        if (compression == Compression::Delta) return DeltaFlc(from, to, width, height);
        if (compression == Compression::DeltaLc) return DeltaLc(from, to, width, height);
        return whole(to);
    };
    Movie movie;
    movie.width = static_cast<std::uint16_t>(width);
    movie.height = static_cast<std::uint16_t>(height);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        Frame frame;
        if (i == 0) {
            frame.chunks = {Palette(palette), whole(frames[0])};
        } else {
            frame.chunks = {change(frames[i - 1], frames[i])};
        }
        movie.frames.push_back(frame);
    }
    if (!frames.empty()) movie.ringFrame = Frame{{change(frames.back(), frames.front())}};
    return movie;
}

Image TestPattern(int width, int height, int frame, int colours) {
    const int n = std::max(colours, 1);
    Image image(static_cast<std::size_t>(width) * height);
    if (image.empty()) return image;
    auto at = [&](int x, int y) -> std::uint8_t& { return image[static_cast<std::size_t>(y) * width + x]; };
    // Still background of 16-pixel squares; only the middle half of the rows moves.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) at(x, y) = static_cast<std::uint8_t>((x / 16 + y / 16) % n);
    const int top = height / 4, bottom = std::max(top + 1, height * 3 / 4);
    const int boxW = std::max(1, width / 5), boxH = std::max(1, (bottom - top) / 3);
    const int boxX = frame * 7 % std::max(1, width - boxW + 1);
    const int boxY = top + frame * 3 % std::max(1, bottom - top - boxH + 1);
    for (int y = boxY; y < std::min(boxY + boxH, height); ++y)
        for (int x = boxX; x < boxX + boxW; ++x) at(x, y) = static_cast<std::uint8_t>((frame + 1) % n);
    const int stripe = (top + bottom) / 2;
    for (int x = width / 3; x < width * 2 / 3; ++x) at(x, stripe) = static_cast<std::uint8_t>((x * 7 + frame * 13) % n);
    const int barX = frame * 5 % width;
    for (int y = top; y < std::min(bottom, height); ++y)
        for (int x = barX; x < std::min(barX + 3, width); ++x) at(x, y) = static_cast<std::uint8_t>(n - 1);
    return image;
}

}  // namespace flc
