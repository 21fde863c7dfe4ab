// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/wav_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "audiolib/host.h"

namespace aud {
namespace {

constexpr long HeaderBytes = 44;
constexpr std::uint32_t HeaderEverySeconds = 2;

void PutLe(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::array<std::uint8_t, HeaderBytes> Header(const OutputFormat& format, std::uint64_t dataBytes) {
    // Sizes past what the 32-bit fields hold are cut; such a file is read up to there.
    const auto data = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes, UINT32_MAX - HeaderBytes));
    std::array<std::uint8_t, HeaderBytes> header{'R', 'I', 'F', 'F', 0,   0,   0,  0, 'W', 'A',
                                                 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0,   0};
    PutLe(&header[4], data + HeaderBytes - 8, 4);
    PutLe(&header[20], 1, 2);
    PutLe(&header[22], format.channels, 2);
    PutLe(&header[24], format.rate, 4);
    PutLe(&header[28], format.rate * format.BytesPerFrame(), 4);
    PutLe(&header[32], format.BytesPerFrame(), 2);
    PutLe(&header[34], format.bits, 2);
    std::copy_n("data", 4, &header[36]);
    PutLe(&header[40], data, 4);
    return header;
}

}  // namespace

std::unique_ptr<WavWriter> WavWriter::Create(const std::filesystem::path& path, const OutputFormat& format) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        host::TellUser("corvanta: audio output " + path.string() + ": " + std::strerror(errno));
        return nullptr;
    }
    std::unique_ptr<WavWriter> writer(new WavWriter(descriptor, path, format));
    writer->FixHeader();
    return writer;
}

WavWriter::WavWriter(int descriptor, std::filesystem::path path, const OutputFormat& format)
    : descriptor_(descriptor), path_(std::move(path)), format_(format) {}

WavWriter::~WavWriter() {
    FixHeader();
    ::close(descriptor_);
}

void WavWriter::Append(std::span<const std::uint8_t> bytes) {
    if (failed_) return;
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size() && !error) {
        const ssize_t wrote = ::pwrite(descriptor_, bytes.data() + done, bytes.size() - done,
                                       static_cast<off_t>(HeaderBytes + dataBytes_ + done));
        if (wrote > 0)
            done += static_cast<std::size_t>(wrote);
        else if (wrote == 0 || errno != EINTR)
            error = wrote == 0 ? ENOSPC : errno;
    }
    dataBytes_ += done;
    if (error) {
        Fail(error);
        FixHeader();
    } else if (dataBytes_ - headerBytes_ >=
               std::uint64_t{HeaderEverySeconds} * format_.rate * format_.BytesPerFrame()) {
        FixHeader();
    }
}

void WavWriter::FixHeader() {
    const auto header = Header(format_, dataBytes_);
    // The header's blocks are the file's own: rewriting them needs no room.
    if (::pwrite(descriptor_, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) Fail(errno);
    headerBytes_ = dataBytes_;
}

void WavWriter::Fail(int error) {
    if (failed_) return;
    failed_ = true;
    host::TellUser("corvanta: audio output " + path_.string() + ": " + std::strerror(error));
}

}  // namespace aud
