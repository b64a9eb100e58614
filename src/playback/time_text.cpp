#include "playback/time_text.h"

namespace kesto {

namespace {

std::string twoDigits(std::int64_t value) {
    std::string text = std::to_string(value);
    return value < 10 ? "0" + text : text;
}

} // namespace

std::string timeTextNormal(std::int64_t ms) {
    return std::to_string(ms / 60000) + ":" + twoDigits((ms % 60000) / 1000);
}

std::string timeTextFine(std::int64_t ms) {
    return timeTextNormal(ms) + ":" + twoDigits((ms % 1000) / 10);
}

std::string timeTextSeconds(std::int64_t seconds) {
    return std::to_string(seconds / 60) + ":" + twoDigits(seconds % 60);
}

} // namespace kesto
