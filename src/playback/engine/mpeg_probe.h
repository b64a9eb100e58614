#pragma once

// Recognises MPEG audio (layers I, II and III) before libmpg123 sees a file.
// libmpg123 resyncs on anything that resembles a frame header, so random
// bytes can pass for a stream; we ask for two consecutive frames that agree
// on version, layer and rate before calling a file MPEG audio. The probe also
// reads the Xing/Info or VBRI header, which tells whether the encoder wrote
// an exact length or the file must be scanned.

#include "playback/engine/audio_types.h"
#include "playback/engine/byte_source.h"

#include <cstdint>
#include <optional>

namespace kesto {

struct MpegFrameHeader {
    int version = 0; // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
    int layer = 0;   // 1, 2 or 3
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    std::uint32_t bytes = 0; // whole frame, header included
    bool crc = false;
};

// Decodes the four bytes at `p`; nullopt when they are not a usable header
// (reserved fields, free-format bit rate).
std::optional<MpegFrameHeader> parseMpegHeader(const std::uint8_t* p);

struct MpegProbe {
    MpegFrameHeader first;
    std::int64_t firstFrameOffset = 0;
    // From a Xing/Info or VBRI header: the frame count, and the byte count when given.
    bool lengthTag = false;
    std::int64_t tagBytes = 0;
};

// Looks for the first frames within 64 KiB after any ID3v2 tags. Errors:
// NotAudio when an ID3v2 tag is followed by no frames, FileFormat otherwise.
std::optional<MpegProbe> probeMpeg(ByteSource& source, AudioError& error);

} // namespace kesto
