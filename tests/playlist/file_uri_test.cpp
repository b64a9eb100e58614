#include "playlist/file_uri.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kesto::test {
namespace {

TEST(FileUri, NamesTheLocalPathDecoded) {
    struct Case {
        const char* text;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"file:///home/ann/a.mp3", "/home/ann/a.mp3"},
        {"file:///home/ann/My%20Music/%E4%B8%AD%E6%96%87.mp3", "/home/ann/My Music/中文.mp3"},
        {"FILE://LocalHost/m/a.mp3", "/m/a.mp3"},
        {"file:/m/a.mp3", "/m/a.mp3"},
        {"file:///C:/Music/a.mp3", "C:/Music/a.mp3"},
        {"file:///m/%e4%b8%ad.mp3", "/m/中.mp3"},
        // a bare "%" is part of the name; an escape no entry can hold stays
        {"file:///m/100%.mp3", "/m/100%.mp3"},
        {"file:///m/%zz%4.mp3", "/m/%zz%4.mp3"},
        {"file:///m/a%7Cb%0A%00.mp3", "/m/a%7Cb%0A%00.mp3"},
        // not files of this machine, or not file URIs at all
        {"file://server/share/a.mp3", std::nullopt},
        {"file://", std::nullopt},
        {"file:///", std::nullopt},
        {"file:C:\\m\\a.mp3", std::nullopt},
        {"http://radio/live", std::nullopt},
        {"/m/file:///a.mp3", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(localPathOfFileUri(c.text), c.path) << c.text;
}

TEST(FileUri, EntryKeepsItsTitle) {
    EXPECT_EQ(localEntryText("file:///m/a%20b.mp3|Title"), "/m/a b.mp3|Title");
    EXPECT_EQ(localEntryText("http://r/|Radio"), "http://r/|Radio");
    EXPECT_EQ(localEntryText("rel.mp3"), "rel.mp3");
}

} // namespace
} // namespace kesto::test
