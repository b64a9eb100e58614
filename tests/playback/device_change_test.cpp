// Moving the output to another device while a file plays.

#include "playback/device_change.h"

#include "playback/output.h"
#include "playback_fixture.h"

#include <thread>

namespace kesto {
namespace {

using namespace test;

class EngineDeviceChange : public PlaybackTest {
protected:
    void SetUp() override {
        usePacedNull();
        addWav("a.wav", loudTone(secondsToFrames(20), 2));
        addWav("b.wav", loudTone(secondsToFrames(20), 2));
    }
    double seconds() { return FilePosition(p()) / (44100.0 * 4); }
};

TEST_F(EngineDeviceChange, ThePlayingFileGoesOnWhereItWas) {
    OpenEntry(p(), 1);
    SeekTo(p(), 44100 * 4 * 7);
    const double before = seconds();
    ChangeOutputDevice(p(), 2);
    EXPECT_EQ(p().settings.readInt("General", "Device", 1), 2);
    EXPECT_EQ(pl().PlayingEntry, pl().PlaylistEntries[1]);
    EXPECT_EQ(outputState(p()), ChannelState::Playing);
    EXPECT_NEAR(seconds(), before, 0.1);
}

TEST_F(EngineDeviceChange, PausedStaysPausedAndStoppedStaysStopped) {
    OpenEntry(p(), 0);
    SeekTo(p(), 44100 * 4 * 5);
    ASSERT_TRUE(p().audio.ChannelPause(p().feed.OutputStream));
    const double before = seconds();
    ChangeOutputDevice(p(), 2);
    EXPECT_EQ(outputState(p()), ChannelState::Paused);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_NEAR(seconds(), before, 0.1);

    StopPlayback(p(), false);
    ChangeOutputDevice(p(), 1);
    EXPECT_EQ(p().feed.OutputStream, 0u);
    EXPECT_EQ(p().settings.readInt("General", "Device", 2), 1);
}

} // namespace
} // namespace kesto
