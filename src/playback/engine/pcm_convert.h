#pragma once

// Sample conversions from the formats a WAV file may hold to the signed
// 16-bit samples every decoder delivers. Wider integers keep their top 16
// bits; floats are scaled by 32768 and clamped, NaN becomes silence.

#include <cstddef>
#include <cstdint>

namespace kesto {

enum class SampleKind { UInt8, Int16, Int24, Int32, Float32, Float64 };

// Bytes one sample of `kind` occupies in the source.
std::size_t sampleBytes(SampleKind kind);

// Converts `samples` little-endian source samples at `src` into `dst`.
void convertToInt16(SampleKind kind, const std::uint8_t* src, std::int16_t* dst,
                    std::size_t samples);

} // namespace kesto
