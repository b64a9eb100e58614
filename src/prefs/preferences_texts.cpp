#include "prefs/preferences_texts.h"

#include "playback/volume.h"

#include <cmath>
#include <cstdio>

namespace kesto {

namespace {

std::string withSeparator(std::string number, char decimalPoint) {
    for (char& c : number)
        if (c == '.')
            c = decimalPoint;
    return number;
}

} // namespace

std::string levelText(int volume, char decimalPoint) {
    const int level = VolumeCurve(volume);
    if (level <= 0)
        return "-oo dB";
    const double x = std::round(200.0 * std::log10(level / 1000.0)) / 10.0;
    char buf[32];
    if (x == std::floor(x)) {
        std::snprintf(buf, sizeof buf, "%.0f,0 dB", x);
        return x == 0 ? std::string("0,0 dB") : std::string(buf);
    }
    std::snprintf(buf, sizeof buf, "%.1f dB", x);
    return withSeparator(buf, decimalPoint);
}

std::string rawLevelText(int volume, char decimalPoint) {
    if (volume <= 0)
        return "-oo dB";
    double x = std::round(2000.0 * std::log10(volume / 1000.0)) / 100.0;
    if (x == 0)
        x = 0; // no "-0"
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", x);
    std::string number = buf;
    while (number.back() == '0')
        number.pop_back();
    if (number.back() == '.')
        number.pop_back();
    return withSeparator(number, decimalPoint) + " dB";
}

std::string bufferLengthText(bool stream) {
    return stream ? "缓冲时长: 5000 毫秒" : "缓冲时长: 3000 毫秒";
}

} // namespace kesto
