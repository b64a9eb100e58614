#pragma once

// The output volume as a linear gain, applied to samples as the device takes
// them, so that a change is heard at once rather than after the buffer. A
// slide moves the gain in a straight line over a number of frames; it is
// counted in frames the device consumed, so a paused output holds its slide
// and a fast WAV device slides over the same stretch of audio as a real one.

#include <cstdint>

namespace kesto {

class VolumeRamp {
public:
    void set(double gain);
    void slide(double target, std::int64_t frames);
    double gain() const { return gain_; }
    bool sliding() const { return sliding_; }
    // Scales `frames` interleaved frames in place and moves any slide on.
    void apply(std::int16_t* samples, std::int64_t frames, std::uint32_t channels);

private:
    double gain_ = 1.0;
    bool sliding_ = false;
    double from_ = 1.0;
    double to_ = 1.0;
    std::int64_t total_ = 0;
    std::int64_t done_ = 0;
};

} // namespace kesto
