#include "tools/sleep_timer_countdown.h"

#include <gtest/gtest.h>

namespace kesto::test {
namespace {

using Step = SleepCountdown::Step;

// Ticks until the end; the seconds at which it faded and finished.
struct CountdownEnd {
    int fadeAt = -1;
    int finishedAt = -1;
};
CountdownEnd runOut(SleepCountdown& c) {
    CountdownEnd run;
    for (int second = 1; second <= 100000 && c.running(); ++second) {
        switch (c.tick()) {
        case Step::Counting:
            break;
        case Step::StartFade:
            run.fadeAt = second;
            break;
        case Step::Finish:
            run.finishedAt = second;
            break;
        }
    }
    return run;
}

TEST(SleepCountdown, FadesForTheLastFiftySecondsThenFinishes) {
    struct Case {
        int minutes, fadeAt, finishedAt;
    };
    const Case cases[] = {
        {1, 10, 60}, // the fade begins with 50 seconds left
        {0, -1, 1},  // at the first tick, no fade
        {-3, -1, 1}, // the same for a negative count
        {2, 70, 120},
    };
    for (const Case& c : cases) {
        SleepCountdown countdown;
        countdown.start(c.minutes);
        const CountdownEnd run = runOut(countdown);
        EXPECT_EQ(run.fadeAt, c.fadeAt) << c.minutes;
        EXPECT_EQ(run.finishedAt, c.finishedAt) << c.minutes;
        EXPECT_FALSE(countdown.running());
    }
}

TEST(SleepCountdown, ShowsWholeMinutesLeft) {
    SleepCountdown countdown;
    countdown.start(30);
    EXPECT_EQ(countdown.minutesText(), "30");
    countdown.tick();
    EXPECT_EQ(countdown.minutesText(), "29");
    countdown.stop();
    EXPECT_EQ(countdown.tick(), Step::Counting); // a stopped countdown stays where it was
    EXPECT_EQ(countdown.remainingSeconds(), 1799);
}

TEST(SleepCountdown, TakesOnlyDecimalMinutes) {
    EXPECT_EQ(parseSleepMinutes("30"), 30);
    EXPECT_EQ(parseSleepMinutes(" 5 "), 5);
    EXPECT_EQ(parseSleepMinutes("-2"), -2);
    EXPECT_EQ(parseSleepMinutes("+7"), 7);
    for (const char* bad : {"", "abc", "1.5", "3x", "0x10", "99999999999", "40000000", "-"})
        EXPECT_EQ(parseSleepMinutes(bad), std::nullopt) << bad;
}

} // namespace
} // namespace kesto::test
