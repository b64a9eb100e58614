#include "prefs/colour_text.h"

#include <charconv>
#include <cstdio>

namespace kesto {

std::optional<std::uint32_t> parseColourText(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return static_cast<std::uint32_t>(value & 0xFFFFFF);
}

std::string colourText(std::uint32_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return buf;
}

} // namespace kesto
