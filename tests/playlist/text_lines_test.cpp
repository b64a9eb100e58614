#include "playlist/text_lines.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

using Lines = std::vector<std::string>;

// "中文" in the old Chinese code page.
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";

TEST(TextLines, Utf8Validation) {
    struct Case {
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"plain ascii", true},
        {"中文 and 𝄞", true},
        {"\xC0\xAF", false},         // overlong "/"
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // past U+10FFFF
        {"\xE4\xB8", false},         // cut short
        {"abcdefghi\x80", false},    // a stray byte after a run of ASCII
        {"abcdefgh" + kGbkChinese, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << c.text;
}

TEST(TextLines, LineEndsEncodingsAndByteOrderMark) {
    struct Case {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"CR LF and LF", "a\r\nb\nc", {"a", "b", "c"}},
        {"final line end", "a\r\nb\r\n", {"a", "b"}},
        {"empty lines kept", "a\n\n\r\nb", {"a", "", "", "b"}},
        {"lone CR stays", "a\rb\n", {"a\rb"}},
        {"nothing", "", {}},
        {"byte order mark", "\xEF\xBB\xBF/m/a.mp3\r\n", {"/m/a.mp3"}},
        {"GBK line", "/m/" + kGbkChinese + ".mp3\r\n/m/中文.mp3", {"/m/中文.mp3", "/m/中文.mp3"}},
        // 0x80 alone is GBK's euro sign: one byte in, three out
        {"GBK euro signs", "\x80\x80\x80\x80\x80\n", {"€€€€€"}},
        // neither UTF-8 nor GBK: the bytes may still name a file
        {"raw bytes", "/m/caf\xE9.mp3", {"/m/caf\xE9.mp3"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeLines(c.bytes), c.lines) << c.name;
}

TEST(TextLines, PrefixCutsBetweenCharacters) {
    EXPECT_EQ(utf8Prefix("ab中文", 3), "ab中");
    EXPECT_EQ(utf8Prefix("ab", 3), "ab");
    EXPECT_EQ(utf8Prefix("abc", 0), "");
}

} // namespace
} // namespace kesto
