#pragma once

// A player on a chosen sound output with a scripted view, for the playback
// tests. The fast WAV output renders everything the player would play into
// a file as fast as the feeder can go; the test drives the status tick
// itself, so nothing depends on timers.

#include "player/player.h"
#include "support/audio_fixtures.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace kesto::test {

// A tone that is loud from its very first sample (a cosine), so a lead-in
// in front of it ends exactly where the tone begins.
Samples loudTone(std::int64_t frames, std::uint32_t channels, double hz = 440,
                 double amplitude = 0.5, std::uint32_t rate = 44100);
// `frames` of noise no louder than `peak`: a quiet lead-in or tail.
Samples quietNoise(std::int64_t frames, std::uint32_t channels, int peak, std::uint32_t seed = 7);
Samples silence(std::int64_t frames, std::uint32_t channels);
Samples joined(std::initializer_list<Samples> parts);
// The samples from frame `from` on.
Samples fromFrame(const Samples& samples, std::int64_t from, std::uint32_t channels);
std::int64_t secondsToFrames(double seconds, std::uint32_t rate = 44100);

class PlaybackTest : public ::testing::Test {
protected:
    ~PlaybackTest() override;

    // Builds the player on "wav:<rendered>,fast", paced "null", or paced "wav".
    void useFastWav();
    void usePacedNull();
    void useOutput(const std::string& output);

    Player& p() { return *player_; }
    PlaylistState& pl() { return player_->playlist; }

    // Writes a file into the program folder and appends it to the playlist.
    std::string addWav(const std::string& name, const Samples& samples, std::uint32_t rate = 44100,
                       std::uint32_t channels = 2);
    std::string addFile(const std::string& name, const std::string& bytes);
    // Appends an entry text as it is (a missing file, a stream).
    void addEntry(const std::string& entry);

    // Everything the WAV output has written so far.
    Samples rendered() const;

    // Pauses the output and waits for a fill the feeder had under way. The
    // engine's pause does not wait for one (the window must not wait), but a
    // test that goes on to call FillOutput itself must not run beside it.
    void pauseAndSettle();

    // Runs the status tick every millisecond until `done` holds; false after `limit`.
    bool tickUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Waits until the output has switched to the next file, with no tick
    // run: the window stays behind it. False after 5 s.
    bool switchWithoutTicks();
    // Ticks until playback has stopped and the output is gone.
    bool playToEnd() {
        return tickUntil([&] { return p().feed.OutputStream == 0; });
    }

    TempDir home;
    FakeView view;
    std::string renderedPath = home.file("rendered.wav");

private:
    std::unique_ptr<Player> player_;
};

} // namespace kesto::test
