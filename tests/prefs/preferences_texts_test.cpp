#include "prefs/preferences_texts.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(PreferencesTexts, LevelsReadInDecibelsWithTheLocalesSeparator) {
    EXPECT_EQ(levelText(1000, '.'), "0,0 dB");
    EXPECT_EQ(levelText(0, ','), "-oo dB");
    EXPECT_EQ(levelText(5, '.'), "-oo dB"); // the curve's first steps are silence
    EXPECT_EQ(levelText(700, '.'), "-6.2 dB");
    EXPECT_EQ(levelText(700, ','), "-6,2 dB");
    EXPECT_EQ(levelText(500, '.'), "-12,0 dB"); // -12.04 rounds to a whole number
    EXPECT_EQ(levelText(2000, '.'), "0,0 dB");  // clamped

    EXPECT_EQ(rawLevelText(1000, '.'), "0 dB");
    EXPECT_EQ(rawLevelText(500, ','), "-6,02 dB");
    EXPECT_EQ(rawLevelText(100, '.'), "-20 dB");
    EXPECT_EQ(rawLevelText(0, '.'), "-oo dB");
}

} // namespace
} // namespace kesto
