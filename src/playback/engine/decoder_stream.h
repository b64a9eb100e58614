#pragma once

// A decoder as the library hands it out: byte positions, the active/ended
// state, and a lock of its own, so the UI thread and the feeder can both
// call on one decoder (the player frees and seeks decoders while its fill
// callback may be reading them). Reads decode straight into the caller's
// buffer: no copy, no allocation.

#include "playback/engine/decoder.h"

#include <memory>
#include <mutex>

namespace kesto {

class DecoderStream {
public:
    explicit DecoderStream(std::unique_ptr<Decoder> decoder);

    ChannelInfo info() const;
    std::uint32_t frameBytes() const { return format_.channels * 2; }
    std::int64_t lengthBytes() const;

    // Bytes decoded into `buffer` (whole frames), or -1 with `error` when the
    // decoder had already ended or fails before delivering anything.
    std::int64_t read(void* buffer, std::uint32_t size, AudioError& error);
    bool active() const;
    std::int64_t bytePosition() const;
    bool setPosition(std::int64_t bytes, AudioError& error);
    std::int64_t sourcePosition(FilePositionMode mode) const;
    std::optional<std::string> tags(TagKind kind) const;

private:
    const DecoderFormat format_;
    const std::int64_t lengthFrames_;

    mutable std::mutex mutex_;
    // Set once; what it points to is guarded by mutex_, except tags().
    const std::unique_ptr<Decoder> decoder_;
    bool ended_ = false;
};

} // namespace kesto
