// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/cd_drive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "audiolib/cue_sheet.h"
#include "audiolib/wav_format.h"
#include "platform/core/regular_file.h"

namespace aud {
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t MaxTracks = 99;
constexpr std::uint64_t RawFrameBytes = 2352;  // 1/75 s of 16-bit stereo at 44.1 kHz
constexpr PcmLayout RawCdLayout{44100, 2, SampleType::S16};
constexpr std::uintmax_t MaxSheetBytes = 1 << 20;
constexpr std::uint32_t MaxPosition = UINT32_MAX / 2;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Of names that differ only in letter case, the same one every time: the first in byte order.
bool Earlier(const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); }

// "trackNN.wav" in any letter case: its number.
std::optional<std::uint32_t> TrackNumber(const std::string& fileName) {
    const std::string name = Lower(fileName);
    constexpr std::string_view prefix = "track", suffix = ".wav";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix)) {
        return std::nullopt;
    }
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    const auto number = static_cast<std::uint32_t>(std::stoul(digits));
    if (number == 0) return std::nullopt;
    return number;
}

// CD frames that `frames` frames at `rate` take, rounded up, within what positions can hold from `position` on.
std::uint32_t CdFrames(std::uint64_t frames, std::uint32_t rate, std::uint32_t position) {
    const std::uint64_t cdFrames = (frames * CdDrive::FramesPerSecond + rate - 1) / rate;
    const std::uint32_t room = MaxPosition - std::min(position, MaxPosition);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(cdFrames, room));
}

// A file named by a CUE sheet: beside the sheet, Windows separators allowed; a
// part of the name that is missing as written is matched without regard to
// letter case.
fs::path Beside(const fs::path& sheet, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    const fs::path relative(name);
    fs::path at = relative.is_absolute() ? relative.root_path() : sheet.parent_path();
    for (const fs::path& part : relative.relative_path()) {
        std::error_code error;
        std::optional<fs::path> match;
        if (!fs::exists(at / part, error)) {
            const std::string wanted = Lower(part.string());
            const fs::path folder = at.empty() ? fs::path(".") : at;
            for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
                const fs::path& candidate = it->path();
                if (Lower(candidate.filename().string()) == wanted && (!match || Earlier(candidate, *match))) {
                    match = candidate;
                }
            }
        }
        at = match ? at / match->filename() : at / part;
    }
    return at;
}

}  // namespace

std::optional<CdDrive> CdDrive::Open(const fs::path& setting) {
    std::error_code error;
    if (fs::is_directory(setting, error)) return FromFolder(setting);
    if (fs::is_regular_file(setting, error) && Lower(setting.extension().string()) == ".cue") {
        return FromCueSheet(setting);
    }
    return FromDisc(setting);
}

CdTrack CdDrive::Track(std::uint32_t number) const {
    if (number == 0 || number > tracks_.size()) return {};
    return tracks_[number - 1];
}

bool CdDrive::HasPlayableTrack() const {
    return std::any_of(tracks_.begin(), tracks_.end(), [](const CdTrack& track) { return track.start != 0; });
}

std::optional<CdDrive::Extent> CdDrive::WavExtent(const fs::path& file, std::uint32_t position) {
    const auto format = ReadWavFile(file);
    const auto layout = format ? format->Pcm() : std::nullopt;
    if (!layout) return std::nullopt;
    const std::uint64_t frames = format->dataBytes / layout->FrameBytes();
    const std::uint32_t cdFrames = CdFrames(frames, layout->rate, position);
    if (cdFrames == 0) return std::nullopt;
    return Extent{position, position + cdFrames, file, *layout, format->dataOffset, frames, false, nullptr};
}

std::optional<CdDrive::Extent> CdDrive::RawExtent(const fs::path& file, std::uint32_t position) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return std::nullopt;
    const std::uint64_t bytes = fs::file_size(file, error);
    if (error) return std::nullopt;
    const std::uint32_t cdFrames = CdFrames(bytes / RawFrameBytes, FramesPerSecond, position);
    if (cdFrames == 0) return std::nullopt;
    const std::uint64_t frames = std::uint64_t{cdFrames} * RawFrameBytes / RawCdLayout.FrameBytes();
    return Extent{position, position + cdFrames, file, RawCdLayout, 0, frames, true, nullptr};
}

std::optional<CdDrive> CdDrive::FromFolder(const fs::path& folder) {
    std::map<std::uint32_t, fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const auto number = TrackNumber(it->path().filename().string());
        std::error_code kindError;
        if (!number || !it->is_regular_file(kindError)) continue;
        const auto [at, added] = files.emplace(*number, it->path());
        if (!added && Earlier(it->path(), at->second)) at->second = it->path();
    }
    if (files.empty()) return std::nullopt;
    CdDrive drive;
    drive.tracks_.resize(files.rbegin()->first);
    std::uint32_t position = FirstFrame;
    for (const auto& [number, file] : files) {
        const auto extent = WavExtent(file, position);
        if (!extent) continue;
        drive.tracks_[number - 1] = {extent->start, extent->end};
        drive.extents_.push_back(*extent);
        position = extent->end;
    }
    if (!drive.HasPlayableTrack()) return std::nullopt;
    return drive;
}

std::optional<CdDrive> CdDrive::FromCueSheet(const fs::path& sheet) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(platform::OpenRegularFile(sheet.c_str()), std::fclose);
    if (!in) return std::nullopt;
    std::string text(MaxSheetBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), in.get()));
    if (text.size() > MaxSheetBytes) return std::nullopt;
    const CueSheet cue = ParseCueSheet(text);
    CdDrive drive;
    // The disc is the sheet's files one after the other.
    std::vector<std::uint32_t> fileStart, fileLength;
    std::uint32_t position = FirstFrame;
    for (const CueFile& file : cue.files) {
        const fs::path path = Beside(sheet, file.name);
        const auto extent = file.type == "BINARY" ? RawExtent(path, position)
                            : file.type == "WAVE" ? WavExtent(path, position)
                                                  : std::nullopt;
        fileStart.push_back(position);
        fileLength.push_back(extent ? extent->end - extent->start : 0);
        if (extent) drive.extents_.push_back(*extent);
        position += fileLength.back();
    }
    // A track runs from its INDEX 01 to the next track's: a pregap belongs to the track before it.
    std::vector<std::optional<std::uint32_t>> starts;
    for (const CueTrack& track : cue.tracks) {
        const bool within = track.start && track.start->position < fileLength[track.start->file];
        starts.push_back(within ? std::optional(fileStart[track.start->file] + track.start->position) : std::nullopt);
    }
    for (std::size_t i = 0; i < cue.tracks.size(); ++i) {
        const CueTrack& track = cue.tracks[i];
        if (track.number < 1 || static_cast<std::uint32_t>(track.number) > MaxTracks) continue;
        if (drive.tracks_.size() < static_cast<std::size_t>(track.number)) drive.tracks_.resize(track.number);
        CdTrack& slot = drive.tracks_[track.number - 1];
        if (slot.start != 0 || !track.audio || !starts[i]) continue;
        const auto next = std::find_if(starts.begin() + static_cast<std::ptrdiff_t>(i) + 1, starts.end(),
                                       [&](const auto& start) { return start && *start > *starts[i]; });
        slot = {*starts[i], next == starts.end() ? position : **next};
    }
    if (!drive.HasPlayableTrack()) return std::nullopt;
    return drive;
}

std::optional<CdDrive> CdDrive::FromDisc(const fs::path& source) {
    const auto disc = CdDisc::Open(source);
    if (!disc) return std::nullopt;
    CdDrive drive;
    for (const CdDiscTrack& track : disc->Tracks()) {
        if (drive.tracks_.size() < track.number) drive.tracks_.resize(track.number);
        if (track.length == 0 || track.lsn + track.length > MaxPosition - FirstFrame) continue;
        const std::uint32_t start = FirstFrame + track.lsn, end = start + track.length;
        drive.tracks_[track.number - 1] = {start, end};
        const std::uint64_t frames = std::uint64_t{track.length} * RawFrameBytes / RawCdLayout.FrameBytes();
        drive.extents_.push_back(
            {start, end, {}, RawCdLayout, std::uint64_t{track.lsn} * RawFrameBytes, frames, true, disc});
    }
    if (!drive.HasPlayableTrack()) return std::nullopt;
    return drive;
}

std::vector<CdPiece> CdDrive::Pieces(std::uint32_t start, std::uint32_t end) const {
    std::vector<CdPiece> pieces;
    for (const Extent& extent : extents_) {
        const std::uint32_t from = std::max(start, extent.start);
        const std::uint32_t to = std::min(end, extent.end);
        if (from >= to) continue;
        const std::uint64_t rate = extent.layout.rate;
        const std::uint64_t first = std::min(extent.frames, (from - extent.start) * rate / FramesPerSecond);
        // A range to the end of a file plays it to its end, which need not fall on a CD frame.
        const std::uint64_t last =
            to == extent.end ? extent.frames : std::min(extent.frames, (to - extent.start) * rate / FramesPerSecond);
        if (last > first)
            pieces.push_back({extent.file, extent.disc, extent.layout, extent.offset, first, last - first});
    }
    return pieces;
}

}  // namespace aud
