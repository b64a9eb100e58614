#pragma once

// Decoder of RIFF/WAVE files: PCM 8/16/24/32-bit and float, plain or
// extensible. 16-bit data is read straight into the caller's buffer; other
// formats pass through a scratch block and are converted.

#include "playback/engine/byte_source.h"
#include "playback/engine/decoder.h"
#include "playback/engine/wav_format.h"

#include <memory>
#include <vector>

namespace kesto {

class WavDecoder final : public Decoder {
public:
    static std::unique_ptr<WavDecoder> open(std::unique_ptr<ByteSource> source, AudioError& error);

    DecoderFormat format() const override;
    std::int64_t lengthFrames() const override { return layout_.frames; }
    ReadResult read(std::int16_t* out, std::int64_t frames) override;
    bool seek(std::int64_t frame) override;
    std::int64_t positionFrames() const override { return frame_; }
    std::int64_t sourceOffset() const override { return source_->tell(); }
    std::int64_t sourceSize() const override { return source_->size(); }

private:
    WavDecoder(std::unique_ptr<ByteSource> source, const WavLayout& layout);

    std::unique_ptr<ByteSource> source_;
    WavLayout layout_;
    std::int64_t frame_ = 0;
    std::vector<std::uint8_t> scratch_; // empty for 16-bit sources
};

} // namespace kesto
