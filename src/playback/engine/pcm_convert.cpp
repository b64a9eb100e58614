#include "playback/engine/pcm_convert.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace kesto {

std::size_t sampleBytes(SampleKind kind) {
    switch (kind) {
    case SampleKind::UInt8:
        return 1;
    case SampleKind::Int16:
        return 2;
    case SampleKind::Int24:
        return 3;
    case SampleKind::Int32:
    case SampleKind::Float32:
        return 4;
    case SampleKind::Float64:
        return 8;
    }
    return 1;
}

namespace {

std::int16_t fromFloat(double v) {
    if (!(v == v)) // NaN
        return 0;
    double scaled = std::nearbyint(v * 32768.0);
    if (scaled > 32767.0)
        return 32767;
    if (scaled < -32768.0)
        return -32768;
    return static_cast<std::int16_t>(scaled);
}

// The top 16 bits of a little-endian integer of `width` bytes.
std::int16_t top16(const std::uint8_t* p, std::size_t width) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[width - 2]) |
                                     static_cast<std::uint16_t>(p[width - 1]) << 8);
}

} // namespace

void convertToInt16(SampleKind kind, const std::uint8_t* src, std::int16_t* dst,
                    std::size_t samples) {
    switch (kind) {
    case SampleKind::UInt8:
        for (std::size_t i = 0; i < samples; ++i)
            dst[i] = static_cast<std::int16_t>((static_cast<int>(src[i]) - 128) * 256);
        return;
    case SampleKind::Int16:
        std::memcpy(dst, src, samples * 2);
        return;
    case SampleKind::Int24:
        for (std::size_t i = 0; i < samples; ++i)
            dst[i] = top16(src + 3 * i, 3);
        return;
    case SampleKind::Int32:
        for (std::size_t i = 0; i < samples; ++i)
            dst[i] = top16(src + 4 * i, 4);
        return;
    case SampleKind::Float32:
        for (std::size_t i = 0; i < samples; ++i) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, src + 4 * i, 4);
            dst[i] = fromFloat(std::bit_cast<float>(bits));
        }
        return;
    case SampleKind::Float64:
        for (std::size_t i = 0; i < samples; ++i) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, src + 8 * i, 8);
            dst[i] = fromFloat(std::bit_cast<double>(bits));
        }
        return;
    }
}

} // namespace kesto
