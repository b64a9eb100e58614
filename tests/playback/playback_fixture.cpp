#include "playback/playback_fixture.h"

#include "playback/status_tick.h"
#include "playback/transport.h"

#include <cmath>
#include <numbers>
#include <random>
#include <thread>

namespace kesto::test {

Samples loudTone(std::int64_t frames, std::uint32_t channels, double hz, double amplitude,
                 std::uint32_t rate) {
    Samples out(static_cast<std::size_t>(frames) * channels);
    for (std::int64_t f = 0; f < frames; ++f) {
        const double v = std::cos(2 * std::numbers::pi * hz * static_cast<double>(f) / rate);
        for (std::uint32_t c = 0; c < channels; ++c)
            out[static_cast<std::size_t>(f) * channels + c] =
                static_cast<std::int16_t>(std::lround(v * amplitude * 32767));
    }
    return out;
}

Samples quietNoise(std::int64_t frames, std::uint32_t channels, int peak, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-peak, peak);
    Samples out(static_cast<std::size_t>(frames) * channels);
    for (auto& s : out)
        s = static_cast<std::int16_t>(value(random));
    return out;
}

Samples silence(std::int64_t frames, std::uint32_t channels) {
    return Samples(static_cast<std::size_t>(frames) * channels, 0);
}

Samples joined(std::initializer_list<Samples> parts) {
    Samples out;
    for (const Samples& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Samples fromFrame(const Samples& samples, std::int64_t from, std::uint32_t channels) {
    const auto at = std::min(samples.size(), static_cast<std::size_t>(from) * channels);
    return Samples(samples.begin() + static_cast<std::ptrdiff_t>(at), samples.end());
}

std::int64_t secondsToFrames(double seconds, std::uint32_t rate) {
    return std::llround(seconds * rate);
}

PlaybackTest::~PlaybackTest() {
    player_.reset();
}

void PlaybackTest::useFastWav() {
    useOutput("wav:" + renderedPath + ",fast");
}

void PlaybackTest::usePacedNull() {
    useOutput("null");
}

void PlaybackTest::useOutput(const std::string& output) {
    AudioLibrary::Options options;
    options.output = output;
    player_ = std::make_unique<Player>(AppPaths(home.path()), view, options);
}

std::string PlaybackTest::addWav(const std::string& name, const Samples& samples,
                                 std::uint32_t rate, std::uint32_t channels) {
    return addFile(name, wavFile(samples, rate, channels));
}

std::string PlaybackTest::addFile(const std::string& name, const std::string& bytes) {
    const std::string path = home.file(name);
    writeFile(path, bytes);
    addEntry(path);
    return path;
}

void PlaybackTest::addEntry(const std::string& entry) {
    pl().PlaylistEntries.push_back(entry);
    view.lines = static_cast<int>(pl().PlaylistEntries.size());
}

Samples PlaybackTest::rendered() const {
    const std::string bytes = readFile(renderedPath);
    return bytes.size() > 44 ? toSamples(bytes.substr(44)) : Samples{};
}

void PlaybackTest::pauseAndSettle() {
    pauseOutput(p());
    // Already paused, a second pause takes the stream's control lock, which
    // the feeder holds for the whole of a fill.
    p().audio.ChannelPause(p().feed.OutputStream);
}

bool PlaybackTest::tickUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        StatusTick(p());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool PlaybackTest::switchWithoutTicks() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!p().feed.Switched) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace kesto::test
