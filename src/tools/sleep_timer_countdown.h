#pragma once

// The sleep timer's countdown: whole minutes typed, one tick a second, the
// fade over the last 50 seconds, and the end. The window owns the clock and
// calls tick(); a test calls it as fast as it likes.

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

class Player;

// Seconds before the end at which the music starts fading to silence.
inline constexpr int kSleepFadeSeconds = 50;

// A decimal integer (an optional sign, digits, surrounding blanks allowed);
// nullopt for anything else, and for counts of minutes whose seconds would
// not fit.
std::optional<int> parseSleepMinutes(std::string_view text);

class SleepCountdown {
public:
    enum class Step {
        Counting,  // nothing more to do this second
        StartFade, // begin the 50-second fade now
        Finish,    // time is up: the countdown has stopped
    };

    // Starts counting `minutes` minutes (0 or less ends at the first tick).
    void start(int minutes);
    void stop() { running_ = false; }
    bool running() const { return running_; }
    Step tick();
    int remainingSeconds() const { return remaining_; }
    // The field's text: whole minutes left, truncated (1799 s show "29").
    std::string minutesText() const;

private:
    int remaining_ = 0;
    bool running_ = false;
};

// Slides the output's volume to silence over the fade time; playback goes on.
void startSleepFade(Player& player);

} // namespace kesto
