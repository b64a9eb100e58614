#pragma once

// Byte-string search and replace-all on the Boyer-Moore-Horspool skip table.
// Strings are UTF-8 bytes; case folding touches ASCII letters only, so a
// multi-byte character is never altered or matched halfway by a fold.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kesto {

// A pattern with its skip table built once, for callers that search many texts
// for the same pattern (the find filter runs it over every playlist line).
class TextFinder {
public:
    // Throws std::invalid_argument for an empty pattern: no caller has a use for one.
    TextFinder(std::string_view pattern, bool caseSensitive);

    // 1-based position of the leftmost match starting at or after `start` (1-based), or 0.
    std::size_t forward(std::string_view source, std::size_t start = 1) const;
    // 1-based position of the rightmost match starting at or before `start`, or 0.
    // start 0, or one where the pattern would not fit, means the last place it fits.
    std::size_t backward(std::string_view source, std::size_t start = 0) const;

    bool contains(std::string_view source) const { return forward(source) != 0; }
    std::size_t size() const { return pattern_.size(); }

private:
    std::string pattern_; // upper-cased when the search ignores case
    bool caseSensitive_;
    // The skip table over raw source bytes, with both letter cases filled in
    // when the search ignores case, and 0 for every byte that equals the
    // pattern's last byte: the scan then runs on table lookups alone and stops
    // only where a match can end. lastShift_ is the skip such a byte would have.
    std::array<std::int32_t, 256> skip_{};
    std::int32_t lastShift_ = 0;
};

// 1-based position of `pattern` in `source` or 0. `start` is 1-based; a forward
// search with start 0 is a programming error (std::invalid_argument).
std::size_t FindText(std::string_view pattern, std::string_view source, bool caseSensitive,
                     bool forward, std::size_t start);

// Every non-overlapping occurrence of `find`, left to right, replaced; replaced
// text is never searched again. An empty source or find gives the source back.
std::string ReplaceAll(std::string_view source, std::string_view find, std::string_view replacement,
                       bool caseSensitive, std::size_t* count = nullptr);

// ASCII-only case helpers shared by every case-insensitive comparison.
inline char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
inline char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
std::string asciiLowerCopy(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace kesto
