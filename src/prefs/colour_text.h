#pragma once

// Colours as scheme files write them: "#" and six hexadecimal digits, red,
// green, blue. Reading is forgiving the way users edit such files by hand.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// 0xRRGGBB. One leading "#" is optional; upper or lower case; any bits above
// the low 24 are dropped, so eight digits keep their last six. Not a
// hexadecimal number (or empty): no value.
std::optional<std::uint32_t> parseColourText(std::string_view text);

// "#RRGGBB" with upper-case digits.
std::string colourText(std::uint32_t rgb);

} // namespace kesto
