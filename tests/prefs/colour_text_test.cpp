#include "prefs/colour_text.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(ColourText, ReadsTheFormsPeopleWrite) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> rgb;
    } cases[] = {
        {"#FF6F28", 0xFF6F28},     {"#ff6f28", 0xFF6F28},
        {"FF6F28", 0xFF6F28},      {"ff6F28", 0xFF6F28},
        {"#12FF6F28", 0xFF6F28}, // eight digits: the top byte dropped
        {" #010203 ", 0x010203},   {"#0000ff", 0x0000FF},
        {"80", 0x000080},          {"", std::nullopt},
        {"#", std::nullopt},       {"##FF0000", std::nullopt},
        {"#12345G", std::nullopt}, {"red", std::nullopt},
        {"-1", std::nullopt},      {"#FFFFFFFFFFFFFFFFFF", std::nullopt}, // does not fit any number
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseColourText(c.text), c.rgb) << '"' << c.text << '"';
}

TEST(ColourText, WritesUpperCaseAndReadsItBack) {
    EXPECT_EQ(colourText(0xFF6F28), "#FF6F28");
    EXPECT_EQ(colourText(0x0000AB), "#0000AB");
    EXPECT_EQ(colourText(0x12345678), "#345678");
    for (std::uint32_t rgb : {0x000000u, 0xFFFFFFu, 0x800040u, 0x0A0B0Cu})
        EXPECT_EQ(parseColourText(colourText(rgb)), rgb);
}

} // namespace
} // namespace kesto
