#include "playlist/text_slots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kesto::test {
namespace {

TEST(TextSlots, NumbersTextsInOrderOfFirstAppearance) {
    // Room for two only: the table must grow rather than lose or confuse texts.
    TextSlots slots(2);
    std::vector<std::string> texts;
    for (int i = 0; i < 1000; ++i)
        texts.push_back("/m/" + std::to_string(i % 300) + ".mp3");
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(slots.number(texts[i]), i % 300) << texts[i];
    EXPECT_EQ(slots.size(), 300u);
    EXPECT_EQ(slots.find("/m/299.mp3"), 299u);
    EXPECT_EQ(slots.find("/m/300.mp3"), TextSlots::npos);
    EXPECT_EQ(slots.find(""), TextSlots::npos);
    EXPECT_EQ(slots.number(""), 300u); // the empty text is a text too
    EXPECT_EQ(slots.find(""), 300u);
}

} // namespace
} // namespace kesto::test
