#pragma once

#include "playback/engine/audio_library.h"
#include "support/audio_fixtures.h"

#include <string>

namespace kesto::test {

// Reads a decoder to its end in blocks of `block` bytes.
Samples decodeAll(AudioLibrary& audio, AudioHandle decoder, std::uint32_t block = 17640);
// Reads `frames` frames from where the decoder stands.
Samples decodeFrames(AudioLibrary& audio, AudioHandle decoder, std::int64_t frames,
                     std::uint32_t channels);

// A library on the WAV-file device at `path`, with the given buffer and update period.
AudioLibrary::Options wavOutput(const std::string& path, bool fast);

} // namespace kesto::test
