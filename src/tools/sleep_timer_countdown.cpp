#include "tools/sleep_timer_countdown.h"

#include "player/player.h"

#include <charconv>
#include <limits>

namespace kesto {

std::optional<int> parseSleepMinutes(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t';
    };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int minutes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), minutes);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    constexpr int kMost = std::numeric_limits<int>::max() / 60;
    if (minutes > kMost || minutes < -kMost)
        return std::nullopt;
    return minutes;
}

void SleepCountdown::start(int minutes) {
    remaining_ = minutes * 60;
    running_ = true;
}

SleepCountdown::Step SleepCountdown::tick() {
    if (!running_)
        return Step::Counting;
    --remaining_;
    if (remaining_ < 1) {
        running_ = false;
        return Step::Finish;
    }
    return remaining_ == kSleepFadeSeconds ? Step::StartFade : Step::Counting;
}

std::string SleepCountdown::minutesText() const {
    return std::to_string(remaining_ / 60);
}

void startSleepFade(Player& player) {
    const AudioHandle output = player.feed.OutputStream.load();
    if (output != 0)
        player.audio.ChannelSlideAttributes(output, -1, 0, -101, kSleepFadeSeconds * 1000);
}

} // namespace kesto
