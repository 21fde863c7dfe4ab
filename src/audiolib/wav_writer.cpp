#include "audiolib/wav_writer.h"

#include <algorithm>
#include <array>

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
    std::array<std::uint8_t, HeaderBytes> header{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                                  'f', 'm', 't', ' ', 16, 0, 0, 0};
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
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return nullptr;
    std::unique_ptr<WavWriter> writer(new WavWriter(file, path, format));
    writer->FixHeader();
    return writer;
}

WavWriter::WavWriter(std::FILE* file, std::filesystem::path path, const OutputFormat& format)
    : file_(file), path_(std::move(path)), format_(format) {}

WavWriter::~WavWriter() { FixHeader(); }

void WavWriter::Append(std::span<const std::uint8_t> bytes) {
    dataBytes_ += std::fwrite(bytes.data(), 1, bytes.size(), file_.get());
    if (dataBytes_ - headerBytes_ >= std::uint64_t{HeaderEverySeconds} * format_.rate * format_.BytesPerFrame()) {
        FixHeader();
    }
}

void WavWriter::FixHeader() {
    const auto header = Header(format_, dataBytes_);
    std::fseek(file_.get(), 0, SEEK_SET);
    std::fwrite(header.data(), 1, header.size(), file_.get());
    std::fseek(file_.get(), 0, SEEK_END);
    std::fflush(file_.get());
    headerBytes_ = dataBytes_;
}

}  // namespace aud
