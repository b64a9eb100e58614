#include "controls/fast_strings.h"

#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kesto {

namespace {

struct UpperTable {
    std::array<unsigned char, 256> map{};
    constexpr UpperTable() {
        for (int i = 0; i < 256; ++i)
            map[static_cast<std::size_t>(i)] =
                static_cast<unsigned char>((i >= 'a' && i <= 'z') ? i - 32 : i);
    }
};
constexpr UpperTable kUpper;

inline unsigned char upperAscii(char c) {
    return kUpper.map[static_cast<unsigned char>(c)];
}

} // namespace

std::string asciiLowerCopy(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    return true;
}

TextFinder::TextFinder(std::string_view pattern, bool caseSensitive)
    : pattern_(pattern), caseSensitive_(caseSensitive) {
    if (pattern_.empty())
        throw std::invalid_argument("缓冲区大小为 0");
    if (!caseSensitive_)
        for (char& c : pattern_)
            c = static_cast<char>(upperAscii(c));
    const auto n = static_cast<std::int32_t>(pattern_.size());
    skip_.fill(n);
    const auto setSkip = [this](char c, std::int32_t v) {
        skip_[static_cast<unsigned char>(c)] = v;
        if (!caseSensitive_)
            skip_[static_cast<unsigned char>(asciiLower(c))] = v;
    };
    for (std::int32_t j = 0; j + 1 < n; ++j)
        setSkip(pattern_[static_cast<std::size_t>(j)], n - 1 - j);
    const char last = pattern_.back();
    lastShift_ = skip_[static_cast<unsigned char>(last)];
    setSkip(last, 0);
}

#if defined(__SSE2__)
namespace {

// A byte compare that ignores ASCII case exactly: for a letter, x | 0x20 equals
// the lower-case letter only when x is that letter in either case.
struct ByteProbe {
    __m128i want;
    __m128i fold;
    ByteProbe(char patternByte, bool ignoreCase) {
        const bool letter = ignoreCase && patternByte >= 'A' && patternByte <= 'Z';
        want = _mm_set1_epi8(letter ? static_cast<char>(patternByte | 0x20) : patternByte);
        fold = _mm_set1_epi8(letter ? 0x20 : 0);
    }
    int match(const unsigned char* at) const {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(v, fold), want));
    }
};

} // namespace
#endif

std::size_t TextFinder::forward(std::string_view source, std::size_t start) const {
    if (start < 1)
        throw std::invalid_argument("FastStrings: forward search must start at 1 or later");
    const std::size_t n = pattern_.size();
    const std::size_t len = source.size();
    if (start - 1 > len || len - (start - 1) < n)
        return 0;
    const char* p = pattern_.data();
    const auto* s = reinterpret_cast<const unsigned char*>(source.data());
    std::size_t end = start - 1 + n - 1; // index of the byte under the pattern's last byte
    const auto matchesAt = [&](std::size_t first) {
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char c = caseSensitive_ ? s[first + i] : kUpper.map[s[first + i]];
            if (static_cast<char>(c) != p[i])
                return false;
        }
        return true;
    };
#if defined(__SSE2__)
    // Long texts: find, sixteen places at a time, where both the first and the
    // last byte of the pattern agree, and check only those, leftmost first.
    // The skip-table scan below finishes what is too short for a vector.
    {
        const ByteProbe first(p[0], !caseSensitive_);
        const ByteProbe last(p[n - 1], !caseSensitive_);
        std::size_t at = start - 1; // candidate first index
        for (; at + n - 1 + 16 <= len; at += 16) {
            int mask = first.match(s + at) & last.match(s + at + n - 1);
            while (mask) {
                const int bit = __builtin_ctz(static_cast<unsigned>(mask));
                if (matchesAt(at + static_cast<std::size_t>(bit)))
                    return at + static_cast<std::size_t>(bit) + 1;
                mask &= mask - 1;
            }
        }
        end = at + n - 1;
        if (end >= len)
            return 0;
    }
#endif
    for (;;) {
        // Slide on the skip table until the byte under the pattern's end could end a match.
        std::int32_t shift;
        while ((shift = skip_[s[end]]) != 0) {
            end += static_cast<std::size_t>(shift);
            if (end >= len)
                return 0;
        }
        // The last bytes agree; compare the rest backwards.
        std::size_t i = n - 1;
        std::size_t k = end;
        if (caseSensitive_) {
            while (i > 0 && static_cast<char>(s[k - 1]) == p[i - 1]) {
                --i;
                --k;
            }
        } else {
            while (i > 0 && static_cast<char>(kUpper.map[s[k - 1]]) == p[i - 1]) {
                --i;
                --k;
            }
        }
        if (i == 0)
            return k + 1; // k is the match's first index; positions are 1-based
        end += static_cast<std::size_t>(lastShift_);
        if (end >= len)
            return 0;
    }
}

std::size_t TextFinder::backward(std::string_view source, std::size_t start) const {
    const std::size_t n = pattern_.size();
    if (n > source.size())
        return 0;
    const std::size_t last = source.size() - n + 1; // last 1-based position that fits
    if (start == 0 || start > last)
        start = last;
    for (std::size_t pos = start; pos >= 1; --pos) {
        const char* s = source.data() + pos - 1;
        std::size_t i = 0;
        if (caseSensitive_) {
            while (i < n && s[i] == pattern_[i])
                ++i;
        } else {
            while (i < n && upperAscii(s[i]) == static_cast<unsigned char>(pattern_[i]))
                ++i;
        }
        if (i == n)
            return pos;
    }
    return 0;
}

std::size_t FindText(std::string_view pattern, std::string_view source, bool caseSensitive,
                     bool forward, std::size_t start) {
    TextFinder finder(pattern, caseSensitive);
    return forward ? finder.forward(source, start) : finder.backward(source, start);
}

std::string ReplaceAll(std::string_view source, std::string_view find, std::string_view replacement,
                       bool caseSensitive, std::size_t* count) {
    if (count)
        *count = 0;
    if (source.empty() || find.empty())
        return std::string(source);

    // Reserve for the worst case of a growing replacement so that long paths
    // are rebuilt with one allocation; std::string grows geometrically beyond it.
    std::string out;
    if (replacement.size() > find.size())
        out.reserve(source.size() / find.size() * replacement.size() + source.size() % find.size());
    else
        out.reserve(source.size());

    const TextFinder finder(find, caseSensitive);
    std::size_t from = 0; // 0-based index of the first byte not yet copied
    std::size_t replaced = 0;
    while (source.size() - from >= find.size()) {
        const std::size_t pos = finder.forward(source, from + 1);
        if (pos == 0)
            break;
        out.append(source.substr(from, pos - 1 - from));
        out.append(replacement);
        from = pos - 1 + find.size();
        ++replaced;
    }
    out.append(source.substr(from));
    if (count)
        *count = replaced;
    return out;
}

} // namespace kesto
