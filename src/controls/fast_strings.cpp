#include "controls/fast_strings.h"

#include <stdexcept>

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

inline unsigned char up(char c) {
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
        if (up(a[i]) != up(b[i]))
            return false;
    return true;
}

TextFinder::TextFinder(std::string_view pattern, bool caseSensitive)
    : pattern_(pattern), caseSensitive_(caseSensitive) {
    if (pattern_.empty())
        throw std::invalid_argument("缓冲区大小为 0");
    if (!caseSensitive_)
        for (char& c : pattern_)
            c = static_cast<char>(up(c));
    const auto n = static_cast<std::int32_t>(pattern_.size());
    skip_.fill(n);
    for (std::int32_t j = 0; j + 1 < n; ++j)
        skip_[static_cast<unsigned char>(pattern_[static_cast<std::size_t>(j)])] = n - 1 - j;
}

std::size_t TextFinder::forward(std::string_view source, std::size_t start) const {
    if (start < 1)
        throw std::invalid_argument("FastStrings: forward search must start at 1 or later");
    const std::size_t n = pattern_.size();
    const std::size_t len = source.size();
    if (start - 1 > len || len - (start - 1) < n)
        return 0;
    const char* p = pattern_.data();
    const char* s = source.data();
    std::size_t end = start - 1 + n - 1; // index of the byte under the pattern's last byte
    if (caseSensitive_) {
        while (end < len) {
            std::size_t i = n;
            std::size_t k = end;
            while (i > 0 && s[k] == p[i - 1]) {
                --i;
                --k;
            }
            if (i == 0)
                return k + 2; // k + 1 is the match's first index; positions are 1-based
            end += static_cast<std::size_t>(skip_[static_cast<unsigned char>(s[end])]);
        }
    } else {
        while (end < len) {
            std::size_t i = n;
            std::size_t k = end;
            while (i > 0 && up(s[k]) == static_cast<unsigned char>(p[i - 1])) {
                --i;
                --k;
            }
            if (i == 0)
                return k + 2;
            end += static_cast<std::size_t>(skip_[up(s[end])]);
        }
    }
    return 0;
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
            while (i < n && up(s[i]) == static_cast<unsigned char>(pattern_[i]))
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
