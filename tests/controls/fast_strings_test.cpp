#include "controls/fast_strings.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kesto {
namespace {

// Straightforward references: every position tried, ASCII folding only.
bool sameAt(std::string_view s, std::size_t at, std::string_view p, bool cs) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char a = cs ? s[at + i] : asciiUpper(s[at + i]);
        const char b = cs ? p[i] : asciiUpper(p[i]);
        if (a != b)
            return false;
    }
    return true;
}

std::size_t naiveForward(std::string_view p, std::string_view s, bool cs, std::size_t start) {
    for (std::size_t at = start - 1; at + p.size() <= s.size(); ++at)
        if (sameAt(s, at, p, cs))
            return at + 1;
    return 0;
}

std::size_t naiveBackward(std::string_view p, std::string_view s, bool cs, std::size_t start) {
    if (p.size() > s.size())
        return 0;
    const std::size_t last = s.size() - p.size() + 1;
    if (start == 0 || start > last)
        start = last;
    for (std::size_t pos = start; pos >= 1; --pos)
        if (sameAt(s, pos - 1, p, cs))
            return pos;
    return 0;
}

std::string naiveReplace(std::string_view s, std::string_view f, std::string_view r, bool cs) {
    if (s.empty() || f.empty())
        return std::string(s);
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (i + f.size() <= s.size() && sameAt(s, i, f, cs)) {
            out += r;
            i += f.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

// Small alphabets make overlapping and repeated patterns common; the multi-byte
// letters check that folding never touches anything but ASCII.
std::string randomText(std::mt19937& rng, std::size_t maxLen) {
    static const std::vector<std::string> pieces = {"a", "A",    "b", "B", "ab", "aa", "é",
                                                    "É", "\xC3", "ä", "z", "/",  " "};
    std::uniform_int_distribution<std::size_t> len(0, maxLen);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string s;
    for (std::size_t n = len(rng); n > 0; --n)
        s += pieces[pick(rng)];
    return s;
}

TEST(FastStrings, SearchAgreesWithReferenceOnGeneratedTexts) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 20000; ++round) {
        // Long texts take the vector path, short ones the skip table alone.
        const std::string source = randomText(rng, round % 4 == 0 ? 160 : 40);
        std::string pattern = randomText(rng, round % 8 == 0 ? 20 : 4);
        if (pattern.empty())
            pattern = "a";
        const bool cs = round % 2 == 0;
        std::uniform_int_distribution<std::size_t> startPick(1, source.size() + 2);
        const std::size_t start = startPick(rng);
        ASSERT_EQ(FindText(pattern, source, cs, true, start),
                  naiveForward(pattern, source, cs, start))
            << "forward '" << pattern << "' in '" << source << "' from " << start;
        const std::size_t back = startPick(rng) - 1; // 0 included: "from the end"
        ASSERT_EQ(FindText(pattern, source, cs, false, back),
                  naiveBackward(pattern, source, cs, back))
            << "backward '" << pattern << "' in '" << source << "' from " << back;
    }
}

TEST(FastStrings, ReplaceAllAgreesWithReferenceOnGeneratedTexts) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        const std::string source = randomText(rng, 40);
        const std::string find = randomText(rng, 3);
        const std::string repl = randomText(rng, 5); // empty, shorter and longer than find
        const bool cs = round % 3 != 0;
        ASSERT_EQ(ReplaceAll(source, find, repl, cs), naiveReplace(source, find, repl, cs))
            << "'" << find << "' -> '" << repl << "' in '" << source << "'";
    }
}

TEST(FastStrings, DocumentedCases) {
    // Three equal bytes, a two-byte find and a one-byte replacement: no overlap.
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b", true), "ba");
    // Case-insensitive removal of every occurrence.
    EXPECT_EQ(ReplaceAll("x.Mp3 y.MP3 z.mp3", ".mp3", "", false), "x y z");
    std::size_t count = 99;
    EXPECT_EQ(ReplaceAll("xAxax", "a", "", false, &count), "xxx");
    EXPECT_EQ(count, 2u);
    // One-byte pattern: first occurrence forwards, last backwards.
    EXPECT_EQ(FindText("/", "/home/u/song.mp3", true, true, 1), 1u);
    EXPECT_EQ(FindText("/", "/home/u/song.mp3", true, false, 0), 8u);
    // A find text longer than the source.
    EXPECT_EQ(ReplaceAll("ab", "abc", "x", true), "ab");
    EXPECT_EQ(FindText("abc", "ab", false, true, 1), 0u);
    EXPECT_EQ(FindText("abc", "ab", false, false, 0), 0u);
    // Empty source or find give the source back.
    EXPECT_EQ(ReplaceAll("", "a", "b", true), "");
    EXPECT_EQ(ReplaceAll("abc", "", "b", true), "abc");
}

TEST(FastStrings, FoldsAsciiOnly) {
    // "é" and "É" differ in their second byte; ignoring case must not merge them.
    EXPECT_EQ(FindText("é", "É", false, true, 1), 0u);
    EXPECT_EQ(ReplaceAll("Éé", "é", "e", false), "Ée");
    EXPECT_EQ(asciiLowerCopy("ÄBC"), "Äbc");
    EXPECT_TRUE(equalsIgnoreCase("Kesto.INI", "kesto.ini"));
    EXPECT_FALSE(equalsIgnoreCase("Ä", "ä"));
}

TEST(FastStrings, MisuseIsReported) {
    EXPECT_THROW(FindText("", "abc", true, true, 1), std::invalid_argument);
    EXPECT_THROW(FindText("a", "abc", true, true, 0), std::invalid_argument);
    // A start past the end is not misuse: there is simply nothing there.
    EXPECT_EQ(FindText("a", "abc", true, true, 10), 0u);
}

TEST(FastStrings, FinderIsReusableAcrossTexts) {
    const TextFinder finder("MP3", false);
    EXPECT_TRUE(finder.contains("/x/song.mp3"));
    EXPECT_FALSE(finder.contains("/x/song.ogg"));
    EXPECT_EQ(finder.forward("mp3 mp3", 2), 5u);
    EXPECT_EQ(finder.backward("mp3 mp3", 4), 1u);
}

} // namespace
} // namespace kesto
