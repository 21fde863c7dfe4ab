// SPDX-License-Identifier: GPL-3.0-or-later
// The headless mix as the audio library rendered it: a PCM WAV file read in
// pieces, or silence when the run opened no audio at all.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace record {

class WavSource {
public:
    // Silence of `frames` frames, 16-bit stereo at 44100 Hz.
    static WavSource Silence(std::uint64_t frames);
    // Nothing (and `error` set) when the file is not a PCM WAV file of 8 or 16 bits.
    static std::unique_ptr<WavSource> Open(const std::string& path, std::string& error);

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    int Bits() const { return bits_; }
    std::uint64_t FramesLeft() const { return framesLeft_; }
    // Up to `frames` frames, interleaved as in the file; empty at the end.
    std::vector<std::uint8_t> Read(std::uint64_t frames);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;  // none: silence
    int rate_ = 44100;
    int channels_ = 2;
    int bits_ = 16;
    std::uint64_t framesLeft_ = 0;
};

}  // namespace record
