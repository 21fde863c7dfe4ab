// SPDX-License-Identifier: GPL-3.0-or-later
// Writes everything the virtual device mixes to a WAV file. The header's
// sizes are brought up to date every few seconds of sound, whenever asked and
// when the writer goes away, so that a run that dies leaves a playable file.
// A write that fails (a full disk) is told once; the file then keeps what was
// written, with a header that says so, and nothing more is appended.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "audiolib/output_format.h"

namespace aud {

class WavWriter {
public:
    // Nothing when the file cannot be created (which is told).
    static std::unique_ptr<WavWriter> Create(const std::filesystem::path& path, const OutputFormat& format);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void Append(std::span<const std::uint8_t> bytes);
    // Writes the current sizes into the header and flushes the file.
    void FixHeader();

    const std::filesystem::path& Path() const { return path_; }
    const OutputFormat& Format() const { return format_; }
    std::uint64_t FramesWritten() const { return dataBytes_ / format_.BytesPerFrame(); }
    bool Failed() const { return failed_; }

private:
    WavWriter(int descriptor, std::filesystem::path path, const OutputFormat& format);
    void Fail(int error);

    int descriptor_;
    std::filesystem::path path_;
    OutputFormat format_;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t headerBytes_ = 0;  // the data size the header gives
    bool failed_ = false;
};

}  // namespace aud
