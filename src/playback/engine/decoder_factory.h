#pragma once

// Opens a decoder for a file by what its bytes are, not by its name: a WAV
// renamed to .mp3 still plays, and a picture renamed to .mp3 is refused with
// FileFormat rather than handed to libmpg123 to make noise of.

#include "playback/engine/byte_source.h"
#include "playback/engine/decoder.h"

#include <memory>
#include <string>

namespace kesto {

std::unique_ptr<Decoder> openDecoder(std::unique_ptr<ByteSource> source, AudioError& error);
std::unique_ptr<Decoder> openFileDecoder(const std::string& path, AudioError& error);

} // namespace kesto
