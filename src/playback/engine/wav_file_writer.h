#pragma once

// The WAV file behind the "wav:PATH" device: every byte the device would have
// played, in order, as a 16-bit PCM WAV file. The header is rewritten after
// each block, so the file is valid whenever someone reads it. The first
// stream that plays fixes the format; a stream of another format is refused,
// because one file cannot hold two.

#include "playback/engine/output_device.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace kesto {

class WavFileWriter {
public:
    // Creates (truncate) or continues (append) the file. Continuing keeps the
    // format and data of a file this program wrote; anything else starts afresh.
    static std::shared_ptr<WavFileWriter> open(const std::string& path, bool truncate,
                                               AudioError& error);
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // True when a stream of `format` may write here (fixes the format on first use).
    bool claim(const PcmFormat& format);
    bool write(const std::uint8_t* data, std::size_t size);
    std::int64_t dataBytes() const;

private:
    WavFileWriter(int fd, bool formatFixed, PcmFormat format, std::int64_t dataBytes);
    bool writeHeader();

    mutable std::mutex mutex_;
    // Guarded by mutex_:
    int fd_;
    bool formatFixed_;
    PcmFormat format_;
    std::int64_t dataBytes_;
};

} // namespace kesto
