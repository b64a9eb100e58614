#pragma once

// A decode-only stream: turns a source into interleaved signed 16-bit frames.
// Every decoder promises an exact length (or -1 for a live stream), so the
// player can find file ends, tails and switch points by counting bytes.
//
// A decoder is not thread-safe by itself; the library serialises all calls on
// one decoder with that decoder's own lock.

#include "playback/engine/audio_types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kesto {

struct DecoderFormat {
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    bool source8Bit = false;
    // The file records how many samples the encoder added before and after
    // the music, and decoding drops exactly those: the last sample decoded is
    // the last one encoded.
    bool exactEnd = false;
};

enum class ReadStatus {
    Ok,      // frames were delivered; more may follow
    End,     // the source is exhausted (the frames delivered with it are the last)
    Starved, // no data yet, try again later (a stream whose download lags)
    Error,   // the source cannot be read any further
};

struct ReadResult {
    std::int64_t frames = 0;
    ReadStatus status = ReadStatus::Ok;
};

class Decoder {
public:
    virtual ~Decoder() = default;

    virtual DecoderFormat format() const = 0;
    // Exact length in frames, -1 when the stream has no end we know of.
    virtual std::int64_t lengthFrames() const = 0;
    // Decodes up to `frames` frames into `out` (frames x channels samples).
    // Fills as much as it can before returning, so a short count means End,
    // Starved or Error.
    virtual ReadResult read(std::int16_t* out, std::int64_t frames) = 0;
    // Moves to an exact frame, 0..lengthFrames(). False when it cannot.
    virtual bool seek(std::int64_t frame) = 0;
    // The frame the next read starts at.
    virtual std::int64_t positionFrames() const = 0;

    // Byte offsets in the source: where decoding stands, what has arrived, the total.
    virtual std::int64_t sourceOffset() const = 0;
    virtual std::int64_t sourceDownloaded() const { return sourceSize(); }
    virtual std::int64_t sourceSize() const = 0;

    // ICY headers or stream metadata; only URL streams have them. Unlike the
    // rest, callable from any thread while another one reads.
    virtual std::optional<std::string> tags(TagKind) const { return std::nullopt; }
};

} // namespace kesto
