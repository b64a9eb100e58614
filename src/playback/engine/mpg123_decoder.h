#pragma once

// MPEG layers I, II and III through libmpg123, with gapless decoding: the
// encoder delay and padding that a LAME/Info header records are dropped, so
// the decoded length equals the length of the audio that was encoded. Files
// without such a header are scanned once for their exact frame count.
//
// A live stream has no length: openStream() feeds libmpg123 from the source
// as it arrives instead of letting it read, so a source that has run dry
// makes a read report Starved rather than the end of the stream.

#include "playback/engine/byte_source.h"
#include "playback/engine/decoder.h"
#include "playback/engine/mpeg_probe.h"

#include <memory>
#include <optional>

struct mpg123_handle_struct;

namespace kesto {

class Mpg123Decoder final : public Decoder {
public:
    static std::unique_ptr<Mpg123Decoder> open(std::unique_ptr<ByteSource> source,
                                               const MpegProbe& probe, AudioError& error);
    // Reads from `source` until the first frame gives the format; FileFormat
    // when none turns up in the first kProbeLimit bytes or the source ends.
    static std::unique_ptr<Mpg123Decoder> openStream(std::unique_ptr<ByteSource> source,
                                                     AudioError& error);
    static constexpr std::size_t kProbeLimit = 256 * 1024;
    ~Mpg123Decoder() override;
    Mpg123Decoder(const Mpg123Decoder&) = delete;
    Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

    DecoderFormat format() const override { return format_; }
    std::int64_t lengthFrames() const override { return length_; }
    ReadResult read(std::int16_t* out, std::int64_t frames) override;
    bool seek(std::int64_t frame) override;
    std::int64_t positionFrames() const override { return frame_; }
    std::int64_t sourceOffset() const override;
    std::int64_t sourceSize() const override { return source_->size(); }

private:
    explicit Mpg123Decoder(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}
    bool createHandle(int flags);
    ReadResult readFed(std::uint8_t* out, std::size_t want);
    // Hands libmpg123 the next bytes of a live source; the status when there are none.
    std::optional<ReadStatus> feedMore();

    std::unique_ptr<ByteSource> source_;
    mpg123_handle_struct* handle_ = nullptr;
    DecoderFormat format_;
    std::int64_t length_ = -1;
    std::int64_t frame_ = 0;
    // Live streams only: the bytes on their way from the source to libmpg123.
    std::unique_ptr<std::uint8_t[]> input_;
};

} // namespace kesto
