#include "playback/level_meter.h"

#include "player/player.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kesto {

namespace {

// Peak amplitude at which each LED lights, lowest LED first.
constexpr std::array<int, 7> kSmallMeter = {33, 1037, 5828, 11627, 18427, 26029, 32768};
constexpr std::array<int, 14> kWideMeter = {0,    33,    328,   1037,  1843,  3277,  5828,
                                            8231, 10363, 13046, 16423, 20676, 26029, 32768};

std::span<const int> tableFor(VUStyle style) {
    if (style == VUStyle::SevenLeds)
        return kSmallMeter;
    return kWideMeter;
}

int magnitude(std::int16_t sample) {
    return sample < 0 ? -static_cast<int>(sample) : sample;
}

} // namespace

int ledsLit(VUStyle style, int level) {
    const auto table = tableFor(style);
    return static_cast<int>(std::upper_bound(table.begin(), table.end(), level) - table.begin());
}

int stepDown(VUStyle style, int level) {
    const int lit = ledsLit(style, level);
    return lit >= 2 ? tableFor(style)[static_cast<std::size_t>(lit - 2)] : 0;
}

Peaks blockPeaks(std::span<const std::int16_t> samples, bool mono) {
    // The tick scans some 1,850 samples 50 times a second. Running maxima and
    // minima of the raw samples, eight lanes at a time (lane parity is the
    // channel), are one instruction each per eight samples; the sign is dealt
    // with once at the end, where -32768 still counts as 32768.
    const std::int16_t* p = samples.data();
    const std::size_t n = samples.size();
    std::size_t i = 0;
    int peak[2] = {0, 0};
#if defined(__SSE2__)
    __m128i high = _mm_setzero_si128();
    __m128i low = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        high = _mm_max_epi16(high, v);
        low = _mm_min_epi16(low, v);
    }
    alignas(16) std::int16_t highs[8];
    alignas(16) std::int16_t lows[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
    _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
    for (std::size_t k = 0; k < 8; ++k)
        peak[k % 2] = std::max({peak[k % 2], int{highs[k]}, -int{lows[k]}});
#endif
    for (; i < n; ++i) // a lone last sample is even: the left channel's
        peak[i % 2] = std::max(peak[i % 2], magnitude(p[i]));
    int left = peak[0];
    int right = peak[1];
    if (mono)
        left = right = std::max(left, right);
    return {left, right};
}

bool LevelTick(Player& player) {
    if (player.level.VUStyle == VUStyle::None) {
        // No meter shows the levels, so none is held: nothing keeps the timer awake.
        player.level.HeldLeft = player.level.HeldRight = 0;
    } else {
        AudioLibrary& audio = player.audio;
        const AudioHandle out = player.feed.OutputStream;
        std::int64_t block = out ? audio.ChannelSeconds2Bytes(out, 0.021) : 0;
        block = std::max<std::int64_t>(block - block % 8, 0);
        auto& buffer = player.level.levelBlock;
        // Only the bytes the read returns are scanned, so the buffer needs no clearing.
        if (buffer.size() < static_cast<std::size_t>(block / 2))
            buffer.resize(static_cast<std::size_t>(block / 2));
        const std::int64_t got =
            block > 0 ? audio.ChannelGetData(out, buffer.data(), static_cast<std::uint32_t>(block))
                      : 0;
        const auto samples = std::span<const std::int16_t>(
            buffer.data(), static_cast<std::size_t>(std::max<std::int64_t>(got, 0) / 2));
        const Peaks peaks = blockPeaks(samples, player.transport.OutputChannels == 1);

        const bool decayTick = ++player.level.DecayPhase >= 2;
        if (decayTick)
            player.level.DecayPhase = 0;
        const auto follow = [&](int held, int peak) {
            if (peak < held)
                return decayTick ? stepDown(player.level.VUStyle, held) : held;
            return peak;
        };
        player.level.HeldLeft = follow(player.level.HeldLeft, peaks.left);
        player.level.HeldRight = follow(player.level.HeldRight, peaks.right);
        const VUStyle style = player.level.VUStyle;
        player.view.showLevels(style, ledsLit(style, player.level.HeldLeft),
                               ledsLit(style, player.level.HeldRight));
    }
    if (player.level.StopRequest && player.level.HeldLeft == 0 && player.level.HeldRight == 0) {
        player.level.StopRequest = false;
        player.level.LevelRunning = false;
        player.view.setLevelTimer(false);
        return false;
    }
    return true;
}

void LevelStart(Player& player) {
    player.level.StopRequest = false;
    if (player.level.LevelRunning)
        return;
    player.level.LevelRunning = true;
    player.view.setLevelTimer(true);
}

void LevelStop(Player& player) {
    player.level.StopRequest = true;
}

void levelForget(Player& player) {
    player.level.HeldLeft = player.level.HeldRight = 0;
}

} // namespace kesto
