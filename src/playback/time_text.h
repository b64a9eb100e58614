#pragma once

// The player's three ways of writing a time. Minutes are never padded and
// never limited to two digits.

#include <cstdint>
#include <string>

namespace kesto {

// m:ss of a millisecond count: 65000 gives "1:05".
std::string timeTextNormal(std::int64_t ms);
// m:ss:cc (hundredths) of a millisecond count: 5230 gives "0:05:23".
std::string timeTextFine(std::int64_t ms);
// m:ss of a second count: stream times, total lengths, recording times.
std::string timeTextSeconds(std::int64_t seconds);

} // namespace kesto
