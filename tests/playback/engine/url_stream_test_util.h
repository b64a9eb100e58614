#pragma once

// Shared by the internet-stream tests: reading a live decoder, playing it
// through an output stream, and waiting for an output's state.

#include "playback/engine/audio_library.h"
#include "support/audio_fixtures.h"

#include <chrono>
#include <cstdint>

namespace kesto::test {

// Reads a URL decoder until it ends, `limit` passes or `maxSamples` are in,
// waiting while its ring is dry.
Samples readLiveStream(AudioLibrary& audio, AudioHandle decoder, std::chrono::milliseconds limit,
                       std::size_t maxSamples = SIZE_MAX);
// An output stream of the decoder's format fed from it, playing; 0 on failure.
AudioHandle playDecoder(AudioLibrary& audio, AudioHandle decoder);
// Polls until the output is in `state`; false when `limit` passes first.
bool waitForState(AudioLibrary& audio, AudioHandle output, ChannelState state,
                  std::chrono::milliseconds limit);

} // namespace kesto::test
