// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/movie_palette.h"

#include <map>
#include <optional>
#include <utility>

#include "check/fix_palette.h"
#include "check/palette_fit.h"

namespace check {
namespace {

constexpr Rgb Black{};
// With static colours the player moves a movie's pixels up by half of them.
constexpr int StaticShift = 10;

bool ShowsAsMade(std::uint8_t value, const MovieColours& colours) {
    const int entry = (value + StaticShift) & 0xFF;
    if (entry >= StaticShift && entry < 256 - StaticShift) return true;
    const win::RGBQUAD kept = KeptColour(Display::Static, entry);
    return colours[value] == Rgb{kept.rgbRed, kept.rgbGreen, kept.rgbBlue};
}

// Follows the movie's colours chunk by chunk, as the player reads them.
class ColourWalk {
public:
    // `chunk` is about to be read: true when it is the first palette chunk.
    bool Enter(const MovieChunk& chunk) {
        if (!IsPalette(chunk.type)) return false;
        const MovieColours before = colours_;
        ApplyPalette(chunk, colours_);
        changed_ |= seenPalette_ && before != colours_;
        return !std::exchange(seenPalette_, true);
    }
    const MovieColours& Colours() const { return colours_; }
    bool SeenPalette() const { return seenPalette_; }
    bool Changed() const { return changed_; }
    // A black chunk draws entry 0 of the display, which is black.
    bool BlackShowsAsMade() const { return !seenPalette_ || colours_[0] == Black; }

private:
    MovieColours colours_{};
    bool seenPalette_ = false;
    bool changed_ = false;
};

struct Uses {
    std::map<std::uint8_t, std::uint64_t> pixels;  // by palette entry
    bool anyPalette = false;
    bool paletteChanges = false;
};

Uses CountUses(MovieFile& movie) {
    Uses uses;
    ColourWalk walk;
    const std::uint64_t frame = std::uint64_t{movie.width} * movie.height;
    for (MovieFrame& each : movie.frames)
        for (MovieChunk& chunk : each.chunks) {
            walk.Enter(chunk);
            if (chunk.type == flic::Black && !walk.BlackShowsAsMade()) uses.pixels[0] += frame;
            VisitPixels(chunk, movie, [&](std::uint8_t& value, std::uint64_t pixels) { uses.pixels[value] += pixels; });
        }
    uses.anyPalette = walk.SeenPalette();
    uses.paletteChanges = walk.Changed();
    return uses;
}

// The movie's entries in use to entries of the copy, and the copy's colours
// for them.
struct Remap {
    std::array<std::uint8_t, 256> entry{};
    std::vector<std::uint8_t> used;   // the entries in use, in order
    std::vector<Rgb> reducedPalette;  // when reduced: the one palette of the copy

    MovieChunk Palette(std::uint16_t type, const MovieColours& colours) const {
        std::vector<Rgb> shown = reducedPalette;
        if (shown.empty())
            for (const std::uint8_t value : used) shown.push_back(colours[value]);
        return PaletteChunk(type, MovieFirstEntry, shown);
    }
};

std::string MakeRemap(MovieFile& movie, Remap& remap, MovieFix& fix) {
    const Uses uses = CountUses(movie);
    if (!uses.anyPalette) return "the movie has no palette chunk: its colours are the display's";
    for (const auto& [value, pixels] : uses.pixels) {
        remap.entry[value] = static_cast<std::uint8_t>(MovieFirstEntry + remap.used.size());
        remap.used.push_back(value);
    }
    fix.colours = static_cast<int>(remap.used.size());
    if (fix.colours <= MovieFreeEntries) return {};
    if (uses.paletteChanges)
        return "the movie uses " + std::to_string(fix.colours) +
               " palette entries and its palette changes during play; " + "only " + std::to_string(MovieFreeEntries) +
               " fit: reduce its colours where it was made";
    // One palette: every pixel shows a colour of it.
    MovieColours colours{};
    for (const MovieFrame& frame : movie.frames)
        for (const MovieChunk& chunk : frame.chunks)
            if (IsPalette(chunk.type)) ApplyPalette(chunk, colours);
    std::vector<ColourUse> colourUses;
    for (const auto& [value, pixels] : uses.pixels) colourUses.push_back({colours[value], pixels});
    remap.reducedPalette = ReducedPalette(colourUses, MovieFreeEntries);
    if (remap.reducedPalette.empty()) return "the colours could not be reduced";
    for (const std::uint8_t value : remap.used)
        remap.entry[value] = static_cast<std::uint8_t>(MovieFirstEntry + Nearest(remap.reducedPalette, colours[value]));
    fix.reduced = true;
    return {};
}

std::vector<MovieChunk> RewriteFrame(MovieFrame& frame, const MovieFile& movie, const Remap& remap, ColourWalk& walk,
                                     std::optional<MovieChunk>& firstPalette) {
    std::vector<MovieChunk> chunks;
    for (MovieChunk& chunk : frame.chunks) {
        if (walk.Enter(chunk)) {
            firstPalette = remap.Palette(chunk.type, walk.Colours());
        } else if (IsPalette(chunk.type)) {
            chunks.push_back(remap.Palette(chunk.type, walk.Colours()));
        } else if (chunk.type == flic::Black && !walk.BlackShowsAsMade()) {
            chunks.push_back(FillChunk(movie, remap.entry[0]));
        } else {
            VisitPixels(chunk, movie, [&](std::uint8_t& value, std::uint64_t) { value = remap.entry[value]; });
            // Laid out as the player's own files lay it, the chunk reads the
            // same wherever it now sits in its frame.
            if (chunk.type == flic::FliCopy && chunk.bytes.size() == flic::DwordAt(chunk.bytes.data()))
                chunk.bytes.insert(chunk.bytes.end(), 2, 0);
            chunks.push_back(std::move(chunk));
        }
    }
    return chunks;
}

void Rewrite(MovieFile& movie, const Remap& remap) {
    ColourWalk walk;
    std::optional<MovieChunk> firstPalette;
    for (MovieFrame& frame : movie.frames) frame.chunks = RewriteFrame(frame, movie, remap, walk, firstPalette);
    // Before its first palette the player draws every pixel 10 entries off.
    movie.frames[0].chunks.insert(movie.frames[0].chunks.begin(), std::move(*firstPalette));
}

}  // namespace

LostMoviePixels CountLostPixels(MovieFile& movie) {
    LostMoviePixels lost;
    ColourWalk walk;
    const std::uint64_t frame = std::uint64_t{movie.width} * movie.height;
    for (MovieFrame& each : movie.frames)
        for (MovieChunk& chunk : each.chunks) {
            walk.Enter(chunk);
            if (!walk.SeenPalette()) {
                if (chunk.type != flic::Black)
                    VisitPixels(chunk, movie,
                                [&](std::uint8_t&, std::uint64_t pixels) { lost.beforePalette += pixels; });
            } else if (chunk.type == flic::Black) {
                if (!walk.BlackShowsAsMade()) lost.onKeptEntries += frame;
            } else {
                VisitPixels(chunk, movie, [&](std::uint8_t& value, std::uint64_t pixels) {
                    if (!ShowsAsMade(value, walk.Colours())) lost.onKeptEntries += pixels;
                });
            }
        }
    return lost;
}

MovieFix FixMoviePalette(const std::filesystem::path& in, const std::filesystem::path& out) {
    MovieFix fix;
    const auto file = platform::ByteReader::Open(in.c_str());
    std::optional<MovieFile> movie = file ? ReadMovie(*file) : std::nullopt;
    if (!movie) {
        fix.error = in.string() +
                    (file ? ": the player cannot play it through (corvanta-check tells why)" : ": cannot be read");
        return fix;
    }
    Remap remap;
    if (const std::string problem = MakeRemap(*movie, remap, fix); !problem.empty()) {
        fix.error = in.string() + ": " + problem;
        return fix;
    }
    Rewrite(*movie, remap);
    const std::vector<std::uint8_t> bytes = EncodeMovie(*movie);
    if (!WriteCopy(out, bytes)) fix.error = out.string() + ": cannot be written";
    return fix;
}

}  // namespace check
