#include "playback/engine/url_stream_test_util.h"

#include <thread>

namespace kesto::test {

using Clock = std::chrono::steady_clock;

Samples readLiveStream(AudioLibrary& audio, AudioHandle decoder, std::chrono::milliseconds limit,
                       std::size_t maxSamples) {
    Samples out;
    Samples block(8192);
    const auto until = Clock::now() + limit;
    while (Clock::now() < until && out.size() < maxSamples) {
        const std::int64_t n = audio.ChannelGetData(decoder, block.data(),
                                                    static_cast<std::uint32_t>(block.size() * 2));
        if (n < 0)
            break;
        out.insert(out.end(), block.begin(), block.begin() + n / 2);
        if (audio.ChannelIsActive(decoder) == ChannelState::Stopped)
            break;
        if (n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return out;
}

AudioHandle playDecoder(AudioLibrary& audio, AudioHandle decoder) {
    const auto info = audio.ChannelGetInfo(decoder);
    if (!info)
        return 0;
    const AudioHandle out = audio.StreamCreate(
        info->rate, info->channels, 0,
        [&audio, decoder](AudioHandle, void* buffer, std::uint32_t length) -> std::uint32_t {
            const std::int64_t n = audio.ChannelGetData(decoder, buffer, length);
            if (n < 0)
                return kStreamEnd;
            const bool ended = audio.ChannelIsActive(decoder) == ChannelState::Stopped;
            return static_cast<std::uint32_t>(n) | (ended ? kStreamEnd : 0);
        });
    if (out == 0 || !audio.StreamPlay(out))
        return 0;
    return out;
}

bool waitForState(AudioLibrary& audio, AudioHandle output, ChannelState state,
                  std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (audio.ChannelIsActive(output) == state)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return audio.ChannelIsActive(output) == state;
}

} // namespace kesto::test
