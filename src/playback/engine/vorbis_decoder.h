#pragma once

// OGG Vorbis through libvorbisfile. The length is exact (the granule
// positions say so) and seeking is sample-accurate. A chained file plays its
// links while they keep the first link's rate and channel count; the first
// link that changes them ends the stream, since the output cannot change
// format midway.

#include "playback/engine/byte_source.h"
#include "playback/engine/decoder.h"

#include <memory>

namespace kesto {

class VorbisDecoder final : public Decoder {
public:
    static std::unique_ptr<VorbisDecoder> open(std::unique_ptr<ByteSource> source,
                                               AudioError& error);
    ~VorbisDecoder() override;
    VorbisDecoder(const VorbisDecoder&) = delete;
    VorbisDecoder& operator=(const VorbisDecoder&) = delete;

    DecoderFormat format() const override { return format_; }
    std::int64_t lengthFrames() const override { return length_; }
    ReadResult read(std::int16_t* out, std::int64_t frames) override;
    bool seek(std::int64_t frame) override;
    std::int64_t positionFrames() const override { return frame_; }
    std::int64_t sourceOffset() const override;
    std::int64_t sourceSize() const override { return source_->size(); }

private:
    struct File;
    explicit VorbisDecoder(std::unique_ptr<ByteSource> source);

    std::unique_ptr<ByteSource> source_;
    std::unique_ptr<File> file_;
    bool opened_ = false;
    DecoderFormat format_;
    std::int64_t length_ = -1;
    std::int64_t frame_ = 0;
};

} // namespace kesto
