#include "playback/engine/wav_file_writer.h"

#include "platform/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kesto {

namespace {

constexpr std::int64_t kHeaderBytes = 44;
// A WAV size field is 32 bits; past that the header says "as much as there is".
constexpr std::int64_t kMaxDataBytes = 0xFFFFFFFFll - kHeaderBytes;

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}
std::uint32_t get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

std::shared_ptr<WavFileWriter> WavFileWriter::open(const std::string& path, bool truncate,
                                                   AudioError& error) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0), 0644);
    if (fd < 0) {
        error = AudioError::Device;
        return nullptr;
    }
    bool fixed = false;
    PcmFormat format;
    std::int64_t data = 0;
    std::uint8_t h[kHeaderBytes];
    // Continue only a file in exactly the shape we write.
    if (!truncate && ::pread(fd, h, sizeof h, 0) == kHeaderBytes &&
        std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVEfmt ", 8) == 0 &&
        get32(h + 16) == 16 && std::memcmp(h + 36, "data", 4) == 0 && (h[20] | h[21] << 8) == 1 &&
        (h[34] | h[35] << 8) == 16) {
        format.channels = static_cast<std::uint32_t>(h[22] | h[23] << 8);
        format.rate = get32(h + 24);
        off_t end = ::lseek(fd, 0, SEEK_END);
        data = (end - kHeaderBytes) / format.frameBytes() * format.frameBytes();
        fixed = data > 0 && format.channels > 0;
        if (!fixed)
            data = 0;
    }
    if (::ftruncate(fd, kHeaderBytes + data) != 0) {
        ::close(fd);
        error = AudioError::Device;
        return nullptr;
    }
    std::shared_ptr<WavFileWriter> writer(new WavFileWriter(fd, fixed, format, data));
    std::lock_guard lock(writer->mutex_);
    if (!writer->writeHeader()) {
        error = AudioError::Device;
        return nullptr;
    }
    error = AudioError::Ok;
    return writer;
}

WavFileWriter::WavFileWriter(int fd, bool formatFixed, PcmFormat format, std::int64_t dataBytes)
    : fd_(fd), formatFixed_(formatFixed), format_(format), dataBytes_(dataBytes) {}

WavFileWriter::~WavFileWriter() {
    ::close(fd_);
}

bool WavFileWriter::writeHeader() {
    std::uint8_t h[kHeaderBytes];
    const auto data = static_cast<std::uint32_t>(std::min(dataBytes_, kMaxDataBytes));
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, data + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, format_.channels);
    put32(h + 24, format_.rate);
    put32(h + 28, format_.rate * format_.frameBytes());
    put16(h + 32, format_.frameBytes());
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data);
    return writeAllAt(fd_, h, sizeof h, 0);
}

bool WavFileWriter::claim(const PcmFormat& format) {
    std::lock_guard lock(mutex_);
    if (formatFixed_)
        return format.rate == format_.rate && format.channels == format_.channels;
    formatFixed_ = true;
    format_ = format;
    return writeHeader();
}

bool WavFileWriter::write(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(mutex_);
    if (size == 0)
        return true;
    if (!writeAllAt(fd_, data, size, kHeaderBytes + dataBytes_))
        return false;
    dataBytes_ += static_cast<std::int64_t>(size);
    return writeHeader();
}

std::int64_t WavFileWriter::dataBytes() const {
    std::lock_guard lock(mutex_);
    return dataBytes_;
}

} // namespace kesto
