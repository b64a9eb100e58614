#include "controls/fast_strings.h"

#include <gtest/gtest.h>

TEST(FastStrings, Placeholder) { EXPECT_EQ(kesto::FindText("b", "abc", true, true, 1), 2u); }
