// The ID3v1 reader over crafted tags, and the ID3v2 fields beside it on
// files that lame tagged.

#include "tags/id3v1.h"
#include "tags/id3v2_text.h"

#include "support/audio_fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kesto;
using kesto::test::TempDir;

namespace {

// A tag block: every field given, the rest of its bytes zero.
std::string tagBlock(std::string_view title, std::string_view comment30, std::uint8_t genre,
                     std::string_view head = "TAG") {
    std::string block(kId3v1Size, '\0');
    block.replace(0, head.size(), head);
    block.replace(3, title.size(), title);
    block.replace(33, 6, "Artist");
    block.replace(63, 5, "Album");
    block.replace(93, 4, "1999");
    block.replace(97, comment30.size(), comment30);
    block[127] = static_cast<char>(genre);
    return block;
}

} // namespace

TEST(Id3v1Tag, VersionsTrimmingAndGenres) {
    TID3v1 tag;
    // A zero before a track byte: version 1.1, the comment is 28 bytes.
    std::string comment(30, '\0');
    comment.replace(0, 4, "nice");
    comment[29] = 7;
    tag.readBlock(tagBlock("Song   \t", comment, 17));
    EXPECT_TRUE(tag.Exists);
    EXPECT_EQ(tag.VersionID, 2);
    EXPECT_EQ(tag.Track, 7);
    EXPECT_EQ(tag.Title, "Song");
    EXPECT_EQ(tag.Artist, "Artist");
    EXPECT_EQ(tag.Album, "Album");
    EXPECT_EQ(tag.Year, "1999");
    EXPECT_EQ(tag.Comment, "nice");
    EXPECT_EQ(tag.GetGenre(), "Rock");

    // Blanks up to byte 126: version 1.0, the whole comment and no track.
    std::string blanks(30, ' ');
    blanks.replace(0, 3, "abc");
    tag.readBlock(tagBlock("T", blanks, 255));
    EXPECT_EQ(tag.VersionID, 1);
    EXPECT_EQ(tag.Track, 0);
    EXPECT_EQ(tag.Comment, "abc");
    EXPECT_EQ(tag.GetGenre(), "");
    // Text running to the last comment byte in version 1.0 is all comment.
    tag.readBlock(tagBlock("T", std::string(30, 'c'), 200));
    EXPECT_EQ(tag.Comment, std::string(30, 'c'));
    EXPECT_EQ(tag.VersionID, 1);
    EXPECT_EQ(tag.GetGenre(), "");

    // No "TAG": nothing found, every field reset, even after a good read.
    tag.readBlock(tagBlock("T", "c", 3, "TAX"));
    EXPECT_FALSE(tag.Exists);
    EXPECT_EQ(tag.Title, "");
    EXPECT_EQ(tag.VersionID, 1);
    EXPECT_EQ(tag.GenreID, 255);

    // The list's own spellings, and nothing past its end.
    EXPECT_EQ(genreName(67), "Psychadelic");
    EXPECT_EQ(genreName(85), "Bebob");
    EXPECT_EQ(genreName(92), "Progessive Rock");
    EXPECT_EQ(genreName(123), "A capella");
    EXPECT_EQ(genreName(144), "Trash Metal");
    EXPECT_EQ(genreName(147), "Synthpop");
    EXPECT_EQ(genreName(148), "");
}

TEST(Id3v1Tag, GbkTextReadsAsChinese) {
    // "中文歌曲" in GBK, as most Chinese MP3s were tagged.
    const std::string gbk = "\xD6\xD0\xCE\xC4\xB8\xE8\xC7\xFA";
    TID3v1 tag;
    tag.readBlock(tagBlock(gbk, "", 0));
    EXPECT_EQ(tag.Title, "中文歌曲");
    tag.readBlock(tagBlock("中文", "", 0)); // UTF-8 stays as it is
    EXPECT_EQ(tag.Title, "中文");
}

TEST(Id3v1Tag, ReadsTheFileEnd) {
    TempDir dir;
    TID3v1 tag;
    // A short file cannot hold a tag and is a read error, as is a missing one.
    test::writeFile(dir.file("short.mp3"), std::string(127, 'x'));
    EXPECT_FALSE(tag.ReadFromFile(dir.file("short.mp3")));
    EXPECT_FALSE(tag.ReadError.empty());
    EXPECT_FALSE(tag.ReadFromFile(dir.file("missing.mp3")));
    EXPECT_FALSE(tag.ReadError.empty());

    // The tag is the last 128 bytes, after whatever comes first.
    test::writeFile(dir.file("tagged.mp3"), std::string(5000, 'a') + tagBlock("End", "", 8));
    EXPECT_TRUE(tag.ReadFromFile(dir.file("tagged.mp3")));
    EXPECT_TRUE(tag.ReadError.empty());
    EXPECT_TRUE(tag.Exists);
    EXPECT_EQ(tag.Title, "End");
    EXPECT_EQ(tag.GetGenre(), "Jazz");
    // A file without a tag reads fine and finds none.
    test::writeFile(dir.file("plain.mp3"), std::string(500, 'a'));
    EXPECT_TRUE(tag.ReadFromFile(dir.file("plain.mp3")));
    EXPECT_FALSE(tag.Exists);
}

TEST(Id3v2Fields, ReadFromLameTags) {
    TempDir dir;
    const test::Samples tone = test::sineTone(44100, 2, 44100 / 2, 440);
    test::writeFile(dir.file("in.wav"), test::wavFile(tone, 44100, 2));
    const auto encode = [&](const std::string& options, const std::string& out) {
        const std::string command =
            "lame --quiet " + options + " '" + dir.file("in.wav") + "' '" + dir.file(out) + "'";
        return std::system(command.c_str());
    };
    ASSERT_EQ(encode("--id3v2-only --tt 'Sea Song' --ta Artist --tl 'The Album' --ty 2001 "
                     "--tn 4 --tg Jazz --tc 'a remark'",
                     "v2.mp3"),
              0);
    const auto v2 = readId3v2(dir.file("v2.mp3"));
    ASSERT_TRUE(v2.has_value());
    EXPECT_EQ(v2->title, "Sea Song");
    EXPECT_EQ(v2->artist, "Artist");
    EXPECT_EQ(v2->album, "The Album");
    EXPECT_EQ(v2->year, "2001");
    EXPECT_EQ(v2->track, "4");
    EXPECT_EQ(v2->genre, "Jazz");
    EXPECT_EQ(v2->comment, "a remark");
    TID3v1 v1;
    ASSERT_TRUE(v1.ReadFromFile(dir.file("v2.mp3")));
    EXPECT_FALSE(v1.Exists);

    // Both tags: each reader finds its own.
    ASSERT_EQ(encode("--add-id3v2 --tt Both --ta Two --tn 9", "both.mp3"), 0);
    ASSERT_TRUE(v1.ReadFromFile(dir.file("both.mp3")));
    EXPECT_TRUE(v1.Exists);
    EXPECT_EQ(v1.Title, "Both");
    EXPECT_EQ(v1.Track, 9);
    const auto both = readId3v2(dir.file("both.mp3"));
    ASSERT_TRUE(both.has_value());
    EXPECT_EQ(both->artist, "Two");

    // Only a version 1 tag, or no file at all: no version 2 fields.
    ASSERT_EQ(encode("--id3v1-only --tt One", "v1.mp3"), 0);
    EXPECT_FALSE(readId3v2(dir.file("v1.mp3")).has_value());
    EXPECT_FALSE(readId3v2(dir.file("none.mp3")).has_value());
}
