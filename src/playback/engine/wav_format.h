#pragma once

// The RIFF/WAVE header reader: finds the format and the sample data of a WAV
// file by walking its chunks. It trusts nothing: chunk sizes past the end of
// the file are clamped, odd chunks skip their pad byte, and every step moves
// forward, so a hostile header can neither loop nor read out of bounds.

#include "playback/engine/audio_types.h"
#include "playback/engine/byte_source.h"
#include "playback/engine/pcm_convert.h"

#include <cstdint>
#include <optional>

namespace kesto {

struct WavLayout {
    SampleKind kind = SampleKind::Int16;
    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t blockAlign = 0; // bytes of one frame in the file
    std::int64_t dataOffset = 0;  // first byte of the first frame
    std::int64_t frames = 0;      // whole frames present in the file
};

// True when the first bytes look like a RIFF/WAVE file, whatever follows.
bool looksLikeWav(const std::uint8_t* head, std::size_t size);

// Reads the header from the start of `source`. On failure `error` says why:
// FileFormat for a broken RIFF structure, NotAudio when there is no sample
// data, SampleFormat for an encoding we cannot convert, BadRate for a rate
// outside 1000..384000 Hz.
std::optional<WavLayout> parseWav(ByteSource& source, AudioError& error);

} // namespace kesto
