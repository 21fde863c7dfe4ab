// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/cd_disc.h"

#include <sys/stat.h>

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstring>

namespace aud {
namespace {

constexpr std::uint32_t MaxTracks = 99;
constexpr std::uint32_t SectorsPerRead = 16;

// The library's default handler prints, and ends the process on errors.
void QuietLog(cdio_log_level_t, const char*) {}

}  // namespace

std::shared_ptr<CdDisc> CdDisc::Open(const std::filesystem::path& source) {
    cdio_log_set_handler(QuietLog);
    // The disc library waits in open() on a FIFO: only images and drives.
    struct stat info {};
    if (::stat(source.c_str(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) return nullptr;
    CdIo_t* cdio = cdio_open(source.c_str(), DRIVER_UNKNOWN);
    if (!cdio) return nullptr;
    std::shared_ptr<CdDisc> disc(new CdDisc(cdio));
    const track_t first = cdio_get_first_track_num(cdio), last = cdio_get_last_track_num(cdio);
    if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK) return nullptr;
    for (track_t number = first; number <= last && number <= MaxTracks; ++number) {
        const lsn_t start = cdio_get_track_lsn(cdio, number);
        const lsn_t end = cdio_get_track_lsn(cdio, number == last ? CDIO_CDROM_LEADOUT_TRACK : number + 1);
        const bool audio = cdio_get_track_format(cdio, number) == TRACK_FORMAT_AUDIO;
        if (start < 0) continue;
        disc->tracks_.push_back({number, static_cast<std::uint32_t>(start),
                                 audio && end > start ? static_cast<std::uint32_t>(end - start) : 0});
    }
    return disc;
}

CdDisc::~CdDisc() { cdio_destroy(cdio_); }

std::size_t CdDisc::Read(std::uint64_t at, std::uint8_t* out, std::size_t bytes) {
    std::lock_guard lock(mutex_);
    std::size_t done = 0;
    while (done < bytes) {
        const std::uint64_t sector = (at + done) / SectorBytes;
        const std::size_t within = static_cast<std::size_t>((at + done) % SectorBytes);
        const auto count = static_cast<std::uint32_t>(
            std::min<std::uint64_t>((within + bytes - done + SectorBytes - 1) / SectorBytes, SectorsPerRead));
        sectors_.resize(std::size_t{count} * SectorBytes);
        if (sector > INT32_MAX ||
            cdio_read_audio_sectors(cdio_, sectors_.data(), static_cast<lsn_t>(sector), count) != DRIVER_OP_SUCCESS)
            break;
        const std::size_t copied = std::min(bytes - done, sectors_.size() - within);
        std::memcpy(out + done, sectors_.data() + within, copied);
        done += copied;
    }
    return done;
}

}  // namespace aud
