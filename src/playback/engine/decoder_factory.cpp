#include "playback/engine/decoder_factory.h"

#include "playback/engine/mpeg_probe.h"
#include "playback/engine/mpg123_decoder.h"
#include "playback/engine/vorbis_decoder.h"
#include "playback/engine/wav_decoder.h"

#include <cstring>

namespace kesto {

std::unique_ptr<Decoder> openDecoder(std::unique_ptr<ByteSource> source, AudioError& error) {
    std::uint8_t head[12] = {};
    const std::size_t got = readFully(*source, head, sizeof head);
    if (got == 0) {
        error = AudioError::FileFormat;
        return nullptr;
    }
    if (got >= 4 && std::memcmp(head, "RIFF", 4) == 0)
        return WavDecoder::open(std::move(source), error);
    if (got >= 4 && std::memcmp(head, "OggS", 4) == 0)
        return VorbisDecoder::open(std::move(source), error);
    auto probe = probeMpeg(*source, error);
    if (!probe)
        return nullptr;
    return Mpg123Decoder::open(std::move(source), *probe, error);
}

std::unique_ptr<Decoder> openFileDecoder(const std::string& path, AudioError& error) {
    auto source = FileSource::open(path, error);
    if (!source)
        return nullptr;
    return openDecoder(std::move(source), error);
}

} // namespace kesto
