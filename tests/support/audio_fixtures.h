#pragma once

// Audio made by code for the engine tests and benchmarks: sweeps and noise
// as 16-bit samples, written as WAV in every sample format we read, and
// encoded to MP3 (libmp3lame, with or without the gapless Info header) and OGG Vorbis
// (libvorbisenc, fixed serial) so the files are the same on every run.

#include <cstdint>
#include <string>
#include <vector>

namespace kesto::test {

using Samples = std::vector<std::int16_t>;

// A sine sweep from f0 to f1 Hz; channel c runs a quarter period behind c-1,
// so swapped channels show up.
Samples sineSweep(std::uint32_t rate, std::uint32_t channels, std::int64_t frames, double f0,
                  double f1, double amplitude = 0.5);
// White noise from a fixed seed.
Samples whiteNoise(std::uint32_t channels, std::int64_t frames, std::uint32_t seed,
                   double amplitude = 0.3);
// A steady tone.
Samples sineTone(std::uint32_t rate, std::uint32_t channels, std::int64_t frames, double hz,
                 double amplitude = 0.5);

enum class WavEncoding { U8, S16, S24, S32, F32, F64 };

// A WAV file holding `samples`. For the wider formats each 16-bit sample
// becomes the top bits (or value/32768 as float), so decoding back to 16 bits
// must give the samples exactly; for U8 pass samples whose low byte is 0.
std::string wavFile(const Samples& samples, std::uint32_t rate, std::uint32_t channels,
                    WavEncoding encoding = WavEncoding::S16, bool extensible = false);

struct Mp3Encoding {
    int kbps = 128;      // constant bit rate, unless vbrQuality is set
    int vbrQuality = -1; // 0..9 as lame's -V; -1 = constant bit rate
    // The Info header with the LAME tag (frame count, encoder delay and
    // padding); without it, as `lame -t`, the decoder cannot drop the padding.
    bool lameHeader = true;
};
std::string mp3File(const Samples& samples, std::uint32_t rate, std::uint32_t channels,
                    const Mp3Encoding& encoding);
std::string mp3File(const Samples& samples, std::uint32_t rate, std::uint32_t channels,
                    int kbps = 128);
// Without the Info header: the player cuts such a file's quiet tail.
std::string untaggedMp3File(const Samples& samples, std::uint32_t rate, std::uint32_t channels);
std::string oggFile(const Samples& samples, std::uint32_t rate, std::uint32_t channels,
                    float quality = 0.5f, int serial = 4711);
// `frames` MPEG-1 layer I or II frames at 44.1 kHz stereo, all silent.
std::string silentMpegFrames(int layer, int frames);

// Signal-to-noise ratio of `test` against `reference` over their common length, in dB.
double snrDb(const Samples& reference, const Samples& test);
// Normalised cross-correlation of the two at lag 0.
double correlation(const Samples& reference, const Samples& test);
// Power of one frequency in one channel (Goertzel).
double tonePower(const Samples& samples, std::uint32_t channels, std::uint32_t channel,
                 std::uint32_t rate, double hz);

Samples toSamples(const std::string& bytes);

} // namespace kesto::test
