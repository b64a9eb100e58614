// The stream's headers and metadata as pairs, the caption's cleaning and
// the buffering share: pure functions over bytes a stranger's server sends.

#include "stream/stream_keys.h"

#include <gtest/gtest.h>
#include <random>

namespace kesto::test {
namespace {

using namespace std::string_literals;

TEST(StreamKeys, FlattenTagsJoinsStringsUpToTheDoubleNul) {
    struct Case {
        std::optional<std::string> block;
        std::string flat;
    };
    const Case cases[] = {
        {std::nullopt, ""},
        {""s, ""},
        {"icy-name:Jazz\0icy-br:128\0\0"s, "icy-name:Jazz;icy-br:128;"},
        {"a\0\0b\0\0"s, "a;"}, // nothing after the end mark
        {"a\0b"s, "a;b"},      // no end mark: the bytes end it
        {"\0\0"s, ";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flat);
        EXPECT_EQ(FlattenTags(c.block), c.flat);
    }
}

TEST(StreamKeys, ParseKeysTable) {
    struct Case {
        const char* name;
        std::string text;
        const char* separator;
        TKeys keys;
    };
    const Case cases[] = {
        {"metadata with an empty url",
         "StreamTitle='Artist - Song';StreamUrl='';",
         "=",
         {{"StreamTitle", "Artist - Song"}}},
        {"status line dropped",
         "ICY 200 OK;icy-name:Jazz;icy-br:128;",
         ":",
         {{"icy-name", "Jazz"}, {"icy-br", "128"}}},
        {"two status lines", "HTTP/1.0 200 OK;Server x;icy-br:64;", ":", {{"icy-br", "64"}}},
        {"blank value and blank name left out", "a: ;:b;c:d;", ":", {{"c", "d"}}},
        {"untrimmed strings kept", "icy-name: Jazz FM ;", ":", {{"icy-name", " Jazz FM "}}},
        {"a lone quote stays", "t=';", "=", {{"t", "'"}}},
        {"quotes only at both ends go", "t='it's';", "=", {{"t", "it's"}}},
        {"one-sided quote stays", "t='open;", "=", {{"t", "'open"}}},
        {"no terminator, no pair", "icy-br:128", ":", {}},
        {"value keeps later separators", "url:http://x/;", ":", {{"url", "http://x/"}}},
        {"empty text", "", ":", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TKeys keys{{"old", "pair"}};
        ParseKeys(c.text, keys, c.separator, true, ";");
        EXPECT_EQ(keys, c.keys);
    }
}

// A header with many bare items before its pairs and after them, as a hostile
// or broken server may send: the pairs are found, the bare items dropped.
TEST(StreamKeys, ParseKeysFindsPairsAmongThousandsOfBareItems) {
    const std::string bare(200000, ';');
    TKeys keys;
    ParseKeys(bare + "icy-name:Jazz;icy-br:128;" + bare, keys, ":", true, ";");
    EXPECT_EQ(keys, (TKeys{{"icy-name", "Jazz"}, {"icy-br", "128"}}));
}

TEST(StreamKeys, ParseKeysAppendsWithoutClear) {
    TKeys keys{{"icy-br", "128"}};
    ParseKeys("StreamTitle='A';", keys, "=", false, ";");
    EXPECT_EQ(keys, (TKeys{{"icy-br", "128"}, {"StreamTitle", "A"}}));
}

TEST(StreamKeys, FindKeyIgnoresLetterCaseAndTakesTheFirst) {
    const TKeys keys{{"ICY-BR", "128"}, {"icy-br", "64"}, {"icy-name", "Jazz"}};
    ASSERT_NE(FindKey("icy-br", keys), nullptr);
    EXPECT_EQ(FindKey("icy-br", keys)->value, "128");
    EXPECT_EQ(FindKey("Icy-Name", keys)->value, "Jazz");
    EXPECT_EQ(FindKey("icy-nam", keys), nullptr);
    EXPECT_EQ(FindKey("icy-name2", keys), nullptr);
}

TEST(StreamKeys, StreamKeysReadsBothSourcesAndGbkTitles) {
    const std::string gbkTitle = "\xD6\xD0\xCE\xC4"; // "中文" in GBK
    const TKeys keys = streamKeys("ICY 200 OK\0icy-name:Jazz\0icy-br:128\0\0"s,
                                  "StreamTitle='" + gbkTitle + "';StreamUrl='';");
    EXPECT_EQ(keys, (TKeys{{"icy-name", "Jazz"}, {"icy-br", "128"}, {"StreamTitle", "中文"}}));
    // The metadata string lacks its last terminator as servers send it.
    EXPECT_EQ(FindKey("StreamTitle", streamKeys(std::nullopt, "StreamTitle='中文'"s))->value,
              "中文");
}

TEST(StreamKeys, CleanTitle) {
    EXPECT_EQ(cleanTitle("Artist_-_Song%20Live[1]") + " - Kesto", "Artist - Song Live - Kesto");
    EXPECT_EQ(cleanTitle("a[1][1]b"), "ab");
    EXPECT_EQ(cleanTitle("%2%20"), "%2 ");
    EXPECT_EQ(cleanTitle("中文_歌"), "中文 歌");
}

TEST(StreamKeys, BufferingPercent) {
    EXPECT_EQ(bufferingPercent(4999, 0), 0); // below 5000 bytes ahead
    EXPECT_EQ(bufferingPercent(5000, 0), 5);
    EXPECT_EQ(bufferingPercent(150000, 100000), 50);
    EXPECT_EQ(bufferingPercent(10'000'000, 0), 100);
    EXPECT_EQ(bufferingPercent(0, 8000), 0); // decoder ahead of the count
}

// Whatever the server sends, parsing ends, and every pair it keeps has a
// name and a value that are not blank.
TEST(StreamKeys, RandomAndTruncatedInputNeverBreaksTheParser) {
    std::mt19937 random(17);
    const std::string alphabet = ":;='  aZ\0\xff\xd6"s;
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 300);
    const auto check = [](const TKeys& keys) {
        for (const TKey& key : keys) {
            ASSERT_NE(key.name.find_first_not_of(' '), std::string::npos);
            ASSERT_NE(key.value.find_first_not_of(' '), std::string::npos);
        }
    };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = length(random); i > 0; --i)
            text += alphabet[pick(random)];
        TKeys keys;
        ParseKeys(text, keys, ":", true, ";");
        check(keys);
        ParseKeys(text, keys, "=", false, ";");
        check(keys);
        check(streamKeys(text, text));
    }
    const std::string block = "ICY 200 OK\0icy-name:Jazz\0icy-br:128\0icy-metaint:16000\0\0"s;
    const std::string meta = "StreamTitle='Artist - Song';StreamUrl='http://x/';";
    for (std::size_t cut = 0; cut <= block.size(); ++cut)
        check(streamKeys(block.substr(0, cut), meta.substr(0, std::min(cut, meta.size()))));
}

} // namespace
} // namespace kesto::test
