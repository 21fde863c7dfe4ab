// SPDX-License-Identifier: GPL-3.0-or-later
// A disc image or a drive read through libcdio for its audio tracks: the
// disc's raw audio as one stream of bytes, read a few sectors at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

typedef struct _CdIo CdIo_t;

namespace aud {

struct CdDiscTrack {
    std::uint32_t number = 0;
    std::uint32_t lsn = 0;     // its first sector
    std::uint32_t length = 0;  // in sectors; 0 for a data track
};

class CdDisc {
public:
    static constexpr std::size_t SectorBytes = 2352;

    // Nothing when libcdio reads no disc there.
    static std::shared_ptr<CdDisc> Open(const std::filesystem::path& source);
    ~CdDisc();
    CdDisc(const CdDisc&) = delete;
    CdDisc& operator=(const CdDisc&) = delete;

    const std::vector<CdDiscTrack>& Tracks() const { return tracks_; }
    // Bytes of the audio from byte `at` of the disc (sector 0 at byte 0);
    // what was read, fewer on a read error.
    std::size_t Read(std::uint64_t at, std::uint8_t* out, std::size_t bytes);

private:
    explicit CdDisc(CdIo_t* cdio) : cdio_(cdio) {}

    CdIo_t* cdio_;
    std::vector<CdDiscTrack> tracks_;
    std::mutex mutex_;
    std::vector<std::uint8_t> sectors_;
};

}  // namespace aud
