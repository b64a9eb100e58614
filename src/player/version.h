#pragma once

// The one place the program's version is written.

#include <string_view>

namespace kesto {

inline constexpr std::string_view kVersionCaption = "Kesto 1.04b";
// The number alone, as the about box shows it.
inline constexpr std::string_view kVersion = kVersionCaption.substr(6);

} // namespace kesto
