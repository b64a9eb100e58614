#include "playback/engine/decoder_stream.h"

namespace kesto {

DecoderStream::DecoderStream(std::unique_ptr<Decoder> decoder)
    : format_(decoder->format()), lengthFrames_(decoder->lengthFrames()),
      decoder_(std::move(decoder)) {}

ChannelInfo DecoderStream::info() const {
    return {format_.rate, format_.channels,
            (format_.source8Bit ? kSample8Bit : 0u) | (format_.exactEnd ? kSampleExactEnd : 0u)};
}

std::int64_t DecoderStream::lengthBytes() const {
    return lengthFrames_ < 0 ? -1 : lengthFrames_ * frameBytes();
}

std::int64_t DecoderStream::read(void* buffer, std::uint32_t size, AudioError& error) {
    std::lock_guard lock(mutex_);
    if (ended_) {
        error = AudioError::Ended;
        return -1;
    }
    const std::int64_t frames = size / frameBytes();
    if (frames == 0) {
        error = AudioError::Ok;
        return 0;
    }
    // Callers hand us byte buffers; 16-bit samples need no more than the
    // 2-byte alignment any allocator gives, and we write them as such.
    ReadResult r = decoder_->read(static_cast<std::int16_t*>(buffer), frames);
    error = AudioError::Ok;
    if (r.status == ReadStatus::End || r.status == ReadStatus::Error)
        ended_ = true;
    if (r.status == ReadStatus::Error && r.frames == 0) {
        error = AudioError::FileFormat;
        return -1;
    }
    return r.frames * frameBytes();
}

bool DecoderStream::active() const {
    std::lock_guard lock(mutex_);
    return !ended_;
}

std::int64_t DecoderStream::bytePosition() const {
    std::lock_guard lock(mutex_);
    return decoder_->positionFrames() * frameBytes();
}

bool DecoderStream::setPosition(std::int64_t bytes, AudioError& error) {
    std::lock_guard lock(mutex_);
    const std::int64_t frame = bytes < 0 ? -1 : bytes / frameBytes();
    if (frame < 0 || (lengthFrames_ >= 0 && frame > lengthFrames_) || !decoder_->seek(frame)) {
        error = AudioError::Position;
        return false;
    }
    ended_ = lengthFrames_ >= 0 && frame >= lengthFrames_;
    error = AudioError::Ok;
    return true;
}

std::int64_t DecoderStream::sourcePosition(FilePositionMode mode) const {
    std::lock_guard lock(mutex_);
    switch (mode) {
    case FilePositionMode::Decode:
        return decoder_->sourceOffset();
    case FilePositionMode::Download:
        return decoder_->sourceDownloaded();
    case FilePositionMode::Size:
        return decoder_->sourceSize();
    }
    return -1;
}

std::optional<std::string> DecoderStream::tags(TagKind kind) const {
    // Without our lock: a stream's tags are asked for while the feeder
    // decodes, and every decoder answers them safely from any thread.
    return decoder_->tags(kind);
}

} // namespace kesto
