// Writes everything the virtual device mixes to a WAV file. The header's
// sizes are brought up to date every few seconds of sound, whenever asked and
// when the writer goes away, so that a run that dies leaves a playable file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>

#include "audiolib/output_format.h"

namespace aud {

class WavWriter {
public:
    // Nothing when the file cannot be created.
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

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    WavWriter(std::FILE* file, std::filesystem::path path, const OutputFormat& format);

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::filesystem::path path_;
    OutputFormat format_;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t headerBytes_ = 0;  // the data size the header gives
};

}  // namespace aud
