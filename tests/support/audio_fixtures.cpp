#include "support/audio_fixtures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <lame/lame.h>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vorbis/vorbisenc.h>

namespace kesto::test {

namespace {

void put16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

std::int16_t clampSample(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

} // namespace

Samples sineSweep(std::uint32_t rate, std::uint32_t channels, std::int64_t frames, double f0,
                  double f1, double amplitude) {
    Samples out(static_cast<std::size_t>(frames) * channels);
    const double seconds = static_cast<double>(frames) / rate;
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        // Phase of a linear chirp: 2 pi (f0 t + (f1 - f0) t^2 / 2T).
        const double phase = 2 * std::numbers::pi * (f0 * t + (f1 - f0) * t * t / (2 * seconds));
        for (std::uint32_t c = 0; c < channels; ++c)
            out[static_cast<std::size_t>(i) * channels + c] =
                clampSample(amplitude * 32767 * std::sin(phase - c * std::numbers::pi / 2));
    }
    return out;
}

Samples whiteNoise(std::uint32_t channels, std::int64_t frames, std::uint32_t seed,
                   double amplitude) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    Samples out(static_cast<std::size_t>(frames) * channels);
    for (auto& s : out)
        s = clampSample(dist(rng) * 32767);
    return out;
}

Samples sineTone(std::uint32_t rate, std::uint32_t channels, std::int64_t frames, double hz,
                 double amplitude) {
    return sineSweep(rate, channels, frames, hz, hz, amplitude);
}

std::string wavFile(const Samples& samples, std::uint32_t rate, std::uint32_t channels,
                    WavEncoding encoding, bool extensible) {
    std::uint32_t container = 2;
    std::uint16_t tag = 1;
    switch (encoding) {
    case WavEncoding::U8:
        container = 1;
        break;
    case WavEncoding::S16:
        container = 2;
        break;
    case WavEncoding::S24:
        container = 3;
        break;
    case WavEncoding::S32:
        container = 4;
        break;
    case WavEncoding::F32:
        container = 4;
        tag = 3;
        break;
    case WavEncoding::F64:
        container = 8;
        tag = 3;
        break;
    }
    std::string data;
    data.reserve(samples.size() * container);
    for (std::int16_t s : samples) {
        switch (encoding) {
        case WavEncoding::U8:
            data.push_back(static_cast<char>((s >> 8) + 128));
            break;
        case WavEncoding::S16:
            put16(data, static_cast<std::uint16_t>(s));
            break;
        case WavEncoding::S24:
            data.push_back(0);
            put16(data, static_cast<std::uint16_t>(s));
            break;
        case WavEncoding::S32:
            put16(data, 0);
            put16(data, static_cast<std::uint16_t>(s));
            break;
        case WavEncoding::F32: {
            float f = static_cast<float>(s) / 32768.0f;
            std::uint32_t bits = 0;
            std::memcpy(&bits, &f, 4);
            put32(data, bits);
            break;
        }
        case WavEncoding::F64: {
            double f = static_cast<double>(s) / 32768.0;
            std::uint64_t bits = 0;
            std::memcpy(&bits, &f, 8);
            put32(data, static_cast<std::uint32_t>(bits));
            put32(data, static_cast<std::uint32_t>(bits >> 32));
            break;
        }
        }
    }
    std::string fmt;
    put16(fmt, extensible ? 0xFFFE : tag);
    put16(fmt, channels);
    put32(fmt, rate);
    put32(fmt, rate * channels * container);
    put16(fmt, channels * container);
    put16(fmt, container * 8);
    if (extensible) {
        put16(fmt, 22);
        put16(fmt, container * 8);
        put32(fmt, channels == 2 ? 3 : 4);
        put16(fmt, tag);
        static const std::uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        fmt.append(reinterpret_cast<const char*>(tail), sizeof tail);
    }
    std::string out = "RIFF";
    put32(out, static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + data.size()));
    out += "WAVEfmt ";
    put32(out, static_cast<std::uint32_t>(fmt.size()));
    out += fmt;
    out += "data";
    put32(out, static_cast<std::uint32_t>(data.size()));
    out += data;
    return out;
}

std::string mp3File(const Samples& samples, std::uint32_t rate, std::uint32_t channels, int kbps) {
    Mp3Encoding encoding;
    encoding.kbps = kbps;
    return mp3File(samples, rate, channels, encoding);
}

std::string untaggedMp3File(const Samples& samples, std::uint32_t rate, std::uint32_t channels) {
    Mp3Encoding encoding;
    encoding.lameHeader = false;
    return mp3File(samples, rate, channels, encoding);
}

std::string mp3File(const Samples& samples, std::uint32_t rate, std::uint32_t channels,
                    const Mp3Encoding& encoding) {
    lame_global_flags* gf = lame_init();
    lame_set_in_samplerate(gf, static_cast<int>(rate));
    lame_set_out_samplerate(gf, static_cast<int>(rate));
    lame_set_num_channels(gf, static_cast<int>(channels));
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    if (encoding.vbrQuality >= 0) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_q(gf, encoding.vbrQuality);
    } else {
        lame_set_brate(gf, encoding.kbps);
    }
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(gf, encoding.lameHeader ? 1 : 0);
    if (lame_init_params(gf) < 0)
        throw std::runtime_error("lame_init_params failed");
    const int frames = static_cast<int>(samples.size() / channels);
    std::vector<unsigned char> out(static_cast<std::size_t>(1.25 * frames + 7200 + 16384));
    int n = 0;
    if (channels == 1) {
        Samples mono(samples);
        n = lame_encode_buffer(gf, mono.data(), mono.data(), frames, out.data(),
                               static_cast<int>(out.size()));
    } else {
        Samples copy(samples);
        n = lame_encode_buffer_interleaved(gf, copy.data(), frames, out.data(),
                                           static_cast<int>(out.size()));
    }
    if (n < 0)
        throw std::runtime_error("lame_encode_buffer failed");
    int m = lame_encode_flush(gf, out.data() + n, static_cast<int>(out.size()) - n);
    if (m < 0)
        throw std::runtime_error("lame_encode_flush failed");
    std::string mp3(reinterpret_cast<char*>(out.data()), static_cast<std::size_t>(n + m));
    // The first frame was left empty for the Info header, filled in now that
    // the frame count and the padding are known.
    unsigned char tag[4096];
    std::size_t tagSize = encoding.lameHeader ? lame_get_lametag_frame(gf, tag, sizeof tag) : 0;
    if (tagSize > 0 && tagSize <= mp3.size())
        std::memcpy(mp3.data(), tag, tagSize);
    lame_close(gf);
    return mp3;
}

std::string oggFile(const Samples& samples, std::uint32_t rate, std::uint32_t channels,
                    float quality, int serial) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, static_cast<long>(channels), static_cast<long>(rate),
                               quality) != 0)
        throw std::runtime_error("vorbis_encode_init_vbr failed");
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    std::string out;
    ogg_page og;
    ogg_packet op;
    auto flushPages = [&](bool force) {
        while (force ? ogg_stream_flush(&os, &og) : ogg_stream_pageout(&os, &og)) {
            out.append(reinterpret_cast<char*>(og.header), static_cast<std::size_t>(og.header_len));
            out.append(reinterpret_cast<char*>(og.body), static_cast<std::size_t>(og.body_len));
        }
    };
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    flushPages(true);

    const std::size_t frames = samples.size() / channels;
    const std::size_t block = 1024;
    for (std::size_t at = 0;; at += block) {
        const std::size_t n = at < frames ? std::min(block, frames - at) : 0;
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (std::size_t i = 0; i < n; ++i)
                for (std::uint32_t c = 0; c < channels; ++c)
                    buffer[c][i] = samples[(at + i) * channels + c] / 32768.0f;
        }
        vorbis_analysis_wrote(&vd, static_cast<int>(n));
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                flushPages(false);
            }
        }
        if (n == 0)
            break;
    }
    flushPages(true);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

std::string silentMpegFrames(int layer, int frames) {
    // MPEG-1, no CRC, 44.1 kHz, stereo; 128 kbit/s for layer II, 128 for layer I.
    // Layer II: 144 * 128000 / 44100 = 417 bytes; layer I: (12 * 128000 / 44100) * 4 = 136.
    const unsigned char layerBits = layer == 1 ? 0x3 : 0x2;
    const unsigned char b1 = static_cast<unsigned char>(0xF0 | 0x08 | (layerBits << 1) | 1);
    const unsigned char b2 = layer == 1 ? 0x40 : 0x80; // bitrate index 4 (L1) / 8 (L2), 44.1 kHz
    const std::size_t size = layer == 1 ? 136 : 417;
    std::string out;
    for (int i = 0; i < frames; ++i) {
        std::string frame(size, '\0');
        frame[0] = static_cast<char>(0xFF);
        frame[1] = static_cast<char>(b1);
        frame[2] = static_cast<char>(b2);
        frame[3] = 0x00; // stereo
        out += frame;    // all bit allocations 0: a valid, silent frame
    }
    return out;
}

double snrDb(const Samples& reference, const Samples& test) {
    const std::size_t n = std::min(reference.size(), test.size());
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < n; ++i) {
        signal += static_cast<double>(reference[i]) * reference[i];
        const double e = static_cast<double>(reference[i]) - test[i];
        noise += e * e;
    }
    if (noise == 0)
        return 200;
    return 10 * std::log10(signal / noise);
}

double correlation(const Samples& reference, const Samples& test) {
    const std::size_t n = std::min(reference.size(), test.size());
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        xy += static_cast<double>(reference[i]) * test[i];
        xx += static_cast<double>(reference[i]) * reference[i];
        yy += static_cast<double>(test[i]) * test[i];
    }
    return xx == 0 || yy == 0 ? 0 : xy / std::sqrt(xx * yy);
}

double tonePower(const Samples& samples, std::uint32_t channels, std::uint32_t channel,
                 std::uint32_t rate, double hz) {
    const double w = 2 * std::numbers::pi * hz / rate;
    const double coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    std::size_t n = 0;
    for (std::size_t i = channel; i < samples.size(); i += channels, ++n) {
        const double s0 = samples[i] / 32768.0 + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    if (n == 0)
        return 0;
    return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / (static_cast<double>(n) * n);
}

Samples toSamples(const std::string& bytes) {
    Samples out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

} // namespace kesto::test
