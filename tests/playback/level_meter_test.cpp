// The LED level meters: the two threshold tables, the peaks of a block, and
// a live meter that decays to dark after a pause and then lets its timer rest.

#include "playback/level_meter.h"
#include "playback/output.h"
#include "playback/transport.h"

#include "playback/playback_fixture.h"

#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

TEST(PlaybackLevelMeter, TablesLightTheirLedsAtTheThresholds) {
    struct Case {
        int style;
        int level;
        int leds;
        int stepped;
    };
    const Case cases[] = {
        {1, 0, 0, 0},          {1, 32, 0, 0},         {1, 33, 1, 0},         {1, 1036, 1, 0},
        {1, 1037, 2, 33},      {1, 5828, 3, 1037},    {1, 11627, 4, 5828},   {1, 18427, 5, 11627},
        {1, 26029, 6, 18427},  {1, 32767, 6, 18427},  {1, 32768, 7, 26029},  {2, 0, 1, 0},
        {2, 32, 1, 0},         {2, 33, 2, 0},         {2, 327, 2, 0},        {2, 328, 3, 33},
        {2, 1037, 4, 328},     {2, 1843, 5, 1037},    {2, 3277, 6, 1843},    {2, 5828, 7, 3277},
        {2, 8231, 8, 5828},    {2, 10363, 9, 8231},   {2, 13046, 10, 10363}, {2, 16423, 11, 13046},
        {2, 20676, 12, 16423}, {2, 26029, 13, 20676}, {2, 32767, 13, 20676}, {2, 32768, 14, 26029},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + " at " + std::to_string(c.level));
        EXPECT_EQ(ledsLit(vuStyleFromInt(c.style), c.level), c.leds);
        EXPECT_EQ(stepDown(vuStyleFromInt(c.style), c.level), c.stepped);
    }
}

TEST(PlaybackLevelMeter, PeaksOfEvenAndOddSamples) {
    const std::vector<std::int16_t> block = {100, -2000, -32768, 5, 7, 300};
    const Peaks stereo = blockPeaks(block, false);
    EXPECT_EQ(stereo.left, 32768);
    EXPECT_EQ(stereo.right, 2000);
    const Peaks mono = blockPeaks(std::vector<std::int16_t>{-9, 3000, 12}, true);
    EXPECT_EQ(mono.left, 3000);
    EXPECT_EQ(mono.right, 3000);
    EXPECT_EQ(blockPeaks({}, false).left, 0);

    // One loud sample planted at every place of a block, an odd tail included:
    // it counts for its own channel only, wherever it lies.
    for (std::size_t at = 0; at < 37; ++at) {
        std::vector<std::int16_t> quiet(37);
        for (std::size_t i = 0; i < quiet.size(); ++i)
            quiet[i] = static_cast<std::int16_t>(i % 3 == 0 ? -40 : 25);
        quiet[at] = at % 4 == 1 ? std::int16_t{-32768} : std::int16_t{20000};
        const int loud = at % 4 == 1 ? 32768 : 20000;
        const Peaks p = blockPeaks(quiet, false);
        SCOPED_TRACE(at);
        EXPECT_EQ(p.left, at % 2 == 0 ? loud : 40);
        EXPECT_EQ(p.right, at % 2 == 1 ? loud : 40);
    }
}

class EnginePlaybackLevel : public PlaybackTest {
protected:
    // Ticks until the meters show sound (the wide meter lights one LED for
    // silence too); false when they never do.
    bool untilLit() {
        const auto until = std::chrono::steady_clock::now() + 3s;
        while (std::chrono::steady_clock::now() < until) {
            LevelTick(p());
            if (!view.levels.empty() && view.levels.back().left > 1 && view.levels.back().right > 1)
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
};

TEST_F(EnginePlaybackLevel, PausedMeterDecaysOneLedEverySecondTickThenRests) {
    usePacedNull();
    addWav("loud.wav", loudTone(secondsToFrames(10), 2, 440, 0.9));
    p().level.VUStyle = VUStyle::SevenLeds;
    OpenEntry(p(), 0);
    ASSERT_TRUE(view.levelTimer);
    ASSERT_TRUE(untilLit());
    EXPECT_EQ(view.levels.back(), (FakeView::Levels{1, 6, 6}));

    pauseOutput(p());
    view.levels.clear();
    int ticks = 0;
    while (LevelTick(p()) && ticks < 100)
        ++ticks;
    EXPECT_FALSE(view.levelTimer) << "the timer rests once dark";
    ASSERT_FALSE(view.levels.empty());
    // Each LED stays for two ticks; the first tick may still hold or already drop.
    std::vector<int> left;
    for (const auto& l : view.levels)
        left.push_back(l.left);
    EXPECT_EQ(left.back(), 0);
    for (std::size_t i = 1; i < left.size(); ++i)
        EXPECT_TRUE(left[i] == left[i - 1] || left[i] == left[i - 1] - 1) << i;
    EXPECT_GE(left.size(), 11u);
    EXPECT_LE(left.size(), 13u);

    // The timer stays at rest until something plays again.
    LevelStart(p());
    EXPECT_TRUE(view.levelTimer);
    EXPECT_FALSE(p().level.StopRequest);
}

TEST_F(EnginePlaybackLevel, MonoLightsBothMetersAndTheWideMeterNeverGoesDark) {
    usePacedNull();
    addWav("mono.wav", loudTone(secondsToFrames(10), 1, 440, 0.3), 44100, 1);
    p().level.VUStyle = VUStyle::FourteenLeds;
    OpenEntry(p(), 0);
    ASSERT_TRUE(untilLit());
    EXPECT_EQ(view.levels.back().left, view.levels.back().right);
    EXPECT_EQ(view.levels.back().left, ledsLit(VUStyle::FourteenLeds, 9830));

    pauseOutput(p());
    while (LevelTick(p())) {
    }
    EXPECT_EQ(view.levels.back(), (FakeView::Levels{2, 1, 1}));

    // With no meter shown nothing is held, so the timer rests at once.
    LevelStart(p());
    p().level.VUStyle = VUStyle::None;
    p().level.HeldLeft = 5000;
    LevelStop(p());
    EXPECT_FALSE(LevelTick(p()));
}

} // namespace
} // namespace kesto::test
