#include "playback/engine/engine_test_util.h"

namespace kesto::test {

Samples decodeAll(AudioLibrary& audio, AudioHandle decoder, std::uint32_t block) {
    Samples out;
    Samples buffer(block / 2);
    for (int guard = 0; guard < 1000000; ++guard) {
        std::int64_t n = audio.ChannelGetData(decoder, buffer.data(), block);
        if (n <= 0)
            break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n / 2);
        if (audio.ChannelIsActive(decoder) == ChannelState::Stopped)
            break;
    }
    return out;
}

Samples decodeFrames(AudioLibrary& audio, AudioHandle decoder, std::int64_t frames,
                     std::uint32_t channels) {
    Samples out(static_cast<std::size_t>(frames) * channels);
    std::int64_t n =
        audio.ChannelGetData(decoder, out.data(), static_cast<std::uint32_t>(out.size() * 2));
    out.resize(n > 0 ? static_cast<std::size_t>(n / 2) : 0);
    return out;
}

AudioLibrary::Options wavOutput(const std::string& path, bool fast) {
    AudioLibrary::Options o;
    o.output = "wav:" + path + (fast ? ",fast" : "");
    return o;
}

} // namespace kesto::test
