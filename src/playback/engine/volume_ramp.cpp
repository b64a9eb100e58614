#include "playback/engine/volume_ramp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kesto {

namespace {
std::int16_t scale(std::int16_t s, double g) {
    double v = std::nearbyint(s * g);
    return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}
} // namespace

void VolumeRamp::set(double gain) {
    gain_ = std::max(0.0, gain);
    sliding_ = false;
}

void VolumeRamp::slide(double target, std::int64_t frames) {
    target = std::max(0.0, target);
    if (frames <= 0) {
        set(target);
        return;
    }
    from_ = gain_;
    to_ = target;
    total_ = frames;
    done_ = 0;
    sliding_ = true;
}

void VolumeRamp::apply(std::int16_t* samples, std::int64_t frames, std::uint32_t channels) {
    std::int64_t i = 0;
    while (sliding_ && i < frames) {
        ++done_;
        gain_ = from_ + (to_ - from_) * (static_cast<double>(done_) / static_cast<double>(total_));
        if (done_ >= total_) {
            gain_ = to_;
            sliding_ = false;
        }
        for (std::uint32_t c = 0; c < channels; ++c)
            samples[i * channels + c] = scale(samples[i * channels + c], gain_);
        ++i;
    }
    if (i == frames || gain_ == 1.0)
        return;
    std::int16_t* rest = samples + i * channels;
    const std::int64_t count = (frames - i) * channels;
    if (gain_ == 0.0) {
        std::memset(rest, 0, static_cast<std::size_t>(count) * sizeof(std::int16_t));
        return;
    }
    for (std::int64_t k = 0; k < count; ++k)
        rest[k] = scale(rest[k], gain_);
}

} // namespace kesto
