#include "audiolib/cd_drive.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "audiolib/cue_sheet.h"
#include "audiolib/pcm_convert.h"
#include "audiolib/wav_duration.h"

namespace aud {
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kMaxTracks = 99;
constexpr std::uint64_t kRawFrameBytes = 2352;  // 1/75 s of 16-bit stereo at 44.1 kHz
constexpr int kRawRate = 44100;
constexpr std::uintmax_t kMaxSheetBytes = 1 << 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "trackNN.wav" in any letter case: its number.
std::optional<std::uint32_t> TrackNumber(const std::string& fileName) {
    const std::string name = Lower(fileName);
    constexpr std::string_view prefix = "track", suffix = ".wav";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix)) {
        return std::nullopt;
    }
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    const auto number = static_cast<std::uint32_t>(std::stoul(digits));
    if (number == 0) return std::nullopt;
    return number;
}

std::uint32_t CdFrames(const WavDuration& duration) {
    const std::uint64_t frames = (duration.frames * CdDrive::kFramesPerSecond + duration.rate - 1) / duration.rate;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, UINT32_MAX / 2));
}

// A file named by a CUE sheet: beside the sheet, Windows separators allowed,
// matched without regard to letter case when the exact name is missing.
fs::path Beside(const fs::path& sheet, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    const fs::path exact = sheet.parent_path() / name;
    std::error_code error;
    if (fs::exists(exact, error)) return exact;
    const std::string wanted = Lower(exact.filename().string());
    for (const auto& entry : fs::directory_iterator(exact.parent_path(), error)) {
        if (Lower(entry.path().filename().string()) == wanted) return entry.path();
    }
    return exact;
}

std::optional<Samples> ReadRaw(const fs::path& file, std::uint64_t firstFrame, std::uint64_t frames,
                               const OutputFormat& format) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(firstFrame * kRawFrameBytes));
    std::vector<std::uint8_t> bytes(frames * kRawFrameBytes);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (bytes.empty()) return std::nullopt;
    return ConvertPcm(bytes, AUDIO_S16LSB, 2, kRawRate, format);
}

// The part of a WAV file from CD frame `first` to `last` (relative to its
// start), or to its end when `toEnd`.
std::optional<Samples> ReadWavPart(const fs::path& file, std::uint64_t first, std::uint64_t last, bool toEnd,
                                   const OutputFormat& format) {
    const auto wav = DecodeWavFile(file);
    if (!wav || wav->BytesPerFrame() == 0) return std::nullopt;
    const std::uint64_t rate = static_cast<std::uint64_t>(wav->spec.freq);
    const std::uint64_t total = wav->length / wav->BytesPerFrame();
    const std::uint64_t from = std::min(total, first * rate / CdDrive::kFramesPerSecond);
    const std::uint64_t to = toEnd ? total : std::min(total, last * rate / CdDrive::kFramesPerSecond);
    if (to <= from) return std::nullopt;
    const auto bytes = wav->Bytes().subspan(from * wav->BytesPerFrame(), (to - from) * wav->BytesPerFrame());
    return ConvertPcm(bytes, wav->spec.format, wav->spec.channels, wav->spec.freq, format);
}

}  // namespace

std::optional<CdDrive> CdDrive::Open(const fs::path& setting) {
    std::error_code error;
    if (fs::is_directory(setting, error)) return FromFolder(setting);
    if (fs::is_regular_file(setting, error) && Lower(setting.extension().string()) == ".cue") {
        return FromCueSheet(setting);
    }
    return std::nullopt;
}

CdTrack CdDrive::Track(std::uint32_t number) const {
    if (number == 0 || number > tracks_.size()) return {};
    return tracks_[number - 1];
}

bool CdDrive::HasPlayableTrack() const {
    return std::any_of(tracks_.begin(), tracks_.end(), [](const CdTrack& track) { return track.start != 0; });
}

std::optional<CdDrive> CdDrive::FromFolder(const fs::path& folder) {
    std::map<std::uint32_t, fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const auto number = TrackNumber(entry.path().filename().string());
        if (number && entry.is_regular_file(error)) files.emplace(*number, entry.path());
    }
    if (files.empty()) return std::nullopt;
    CdDrive drive;
    drive.tracks_.resize(files.rbegin()->first);
    std::uint32_t position = kFirstFrame;
    for (const auto& [number, file] : files) {
        const auto duration = ReadWavDuration(file);
        const std::uint32_t frames = duration ? CdFrames(*duration) : 0;
        if (frames == 0) continue;
        drive.tracks_[number - 1] = {position, position + frames};
        drive.extents_.push_back({position, position + frames, file, false});
        position += frames;
    }
    if (!drive.HasPlayableTrack()) return std::nullopt;
    return drive;
}

std::optional<CdDrive> CdDrive::FromCueSheet(const fs::path& sheet) {
    std::error_code error;
    if (fs::file_size(sheet, error) > kMaxSheetBytes || error) return std::nullopt;
    std::ifstream in(sheet, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    CdDrive drive;
    std::uint32_t position = kFirstFrame;
    for (const CueFile& cue : ParseCueSheet(text)) {
        const fs::path file = Beside(sheet, cue.name);
        const bool raw = cue.type == "BINARY";
        std::uint64_t fileFrames = 0;
        if (raw) {
            fileFrames = fs::file_size(file, error) / kRawFrameBytes;
            if (error) fileFrames = 0;
        } else if (cue.type == "WAVE") {
            const auto duration = ReadWavDuration(file);
            fileFrames = duration ? CdFrames(*duration) : 0;
        }
        fileFrames = std::min<std::uint64_t>(fileFrames, UINT32_MAX / 2 - position);
        for (std::size_t i = 0; i < cue.tracks.size(); ++i) {
            const CueTrack& track = cue.tracks[i];
            if (track.number < 1 || static_cast<std::uint32_t>(track.number) > kMaxTracks) continue;
            if (drive.tracks_.size() < static_cast<std::size_t>(track.number)) drive.tracks_.resize(track.number);
            CdTrack& slot = drive.tracks_[track.number - 1];
            if (slot.start != 0 || !track.audio || !track.start || *track.start >= fileFrames) continue;
            std::uint64_t end = fileFrames;
            if (i + 1 < cue.tracks.size()) {
                const CueTrack& next = cue.tracks[i + 1];
                end = std::min<std::uint64_t>(end, next.pregap ? *next.pregap : next.start.value_or(fileFrames));
            }
            if (end > *track.start) slot = {position + *track.start, position + static_cast<std::uint32_t>(end)};
        }
        if (fileFrames > 0) {
            drive.extents_.push_back({position, position + static_cast<std::uint32_t>(fileFrames), file, raw});
        }
        position += static_cast<std::uint32_t>(fileFrames);
    }
    if (!drive.HasPlayableTrack()) return std::nullopt;
    return drive;
}

std::optional<Samples> CdDrive::Read(std::uint32_t start, std::uint32_t end, const OutputFormat& format) const {
    Samples audio;
    for (const Extent& extent : extents_) {
        const std::uint32_t from = std::max(start, extent.start);
        const std::uint32_t to = std::min(end, extent.end);
        if (from >= to) continue;
        const auto part = extent.raw ? ReadRaw(extent.file, from - extent.start, to - from, format)
                                     : ReadWavPart(extent.file, from - extent.start, to - extent.start,
                                                   to == extent.end, format);
        if (part) audio.insert(audio.end(), part->begin(), part->end());
    }
    if (audio.empty()) return std::nullopt;
    return audio;
}

}  // namespace aud
