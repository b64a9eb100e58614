#include "playlist/playlist_files.h"

#include "player_fixture.h"
#include "playlist/playlist_parsers.h"

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;

const std::string kGbkChinese = "\xD6\xD0\xCE\xC4"; // "中文"
const std::string F = "/home/ann/lists/";

TEST(PlaylistParsers, M3u) {
    struct Case {
        const char* name;
        std::string bytes;
        Strings entries;
    };
    const Case cases[] = {
        {"plain: every line but comments and blank ones",
         "/abs/a.mp3\nrel.mp3\n# note\n\n \t\nhttp://s/x\n",
         {"/abs/a.mp3", F + "rel.mp3", "http://s/x"}},
        {"extended: plain lines between annotated ones stay",
         "#EXTM3U\n#EXTINF:1,A\nhttp://a/\none.mp3\n/abs/two.mp3\n#EXTINF:2,B\nb.mp3\n"
         "http://plain/\nthree.mp3\n",
         {"http://a/|A", F + "one.mp3", "/abs/two.mp3", F + "b.mp3", "http://plain/",
          F + "three.mp3"}},
        {"no header: #EXTINF still names the next line, other # lines are comments",
         "#EXTINF:-1,Radio\r\nhttp://x/\r\n#EXTVLCOPT:network-caching=1000\r\n# made by hand\r\n"
         "song.mp3\r\n#PLAYLIST:Mine\r\n",
         {"http://x/|Radio", F + "song.mp3"}},
        {"a title waits past other comments for its entry",
         "#EXTM3U\n#EXTINF:-1,News\n#EXTGRP:Talk\n\nhttp://n/\nhttp://m/\n",
         {"http://n/|News", "http://m/"}},
        {"file URIs are local files, with or without a title",
         "#EXTM3U\n#EXTINF:5,Song\nfile:///m/My%20Song.mp3\nfile://localhost/m/b.ogg\n",
         {"/m/My Song.mp3", "/m/b.ogg"}},
        {"extended",
         "#EXTM3U\r\n#EXTINF:123,Radio\r\nhttp://x/\r\n#EXTINF:123,Song\r\nsong.mp3\r\n"
         "stray.mp3\r\n#extinf:9,Last line",
         {"http://x/|Radio", F + "song.mp3", F + "stray.mp3"}},
        {"extended, no comma", "#extm3u\n#EXTINF:-1\nhttp://x/\n", {"http://x/|#EXTINF:-1"}},
        {"extended, GBK title",
         "#EXTM3U\r\n#EXTINF:1," + kGbkChinese + "\r\nhttp://r/\r\n",
         {"http://r/|中文"}},
        {"Windows lines",
         "\\sub\\a.mp3\r\n\\\\server\\share\\b.mp3\r\nD:\\x\\c.mp3\r\nsub2\\d.mp3\r\n" +
             kGbkChinese + ".mp3\r\n",
         {F + "sub/a.mp3", "\\\\server\\share\\b.mp3", "D:\\x\\c.mp3", F + "sub2/d.mp3",
          F + "中文.mp3"}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseM3u(c.bytes, F), c.entries) << c.name;
}

TEST(PlaylistParsers, FileUrisAreLocalFilesInEveryFormat) {
    EXPECT_EQ(parsePls("[playlist]\nFile1=file:///m/a%20b.mp3\nTitle1=A B\n", F),
              Strings{"/m/a b.mp3"});
    EXPECT_EQ(parseAsx("<asx><title>X</title><entry><ref href=\"file:///m/c.ogg\"/></entry>\n"),
              Strings{"/m/c.ogg"});
    EXPECT_EQ(parseB4s("<entry Playstring=\"file:///m/%E4%B8%AD.mp3\">\n<Name>Z</Name>\n"),
              Strings{"/m/中.mp3"});
    EXPECT_EQ(parseTxt("file:///m/d.mp3\r\nfile:///m/e.mp3|Title\r\n", F),
              (Strings{"/m/d.mp3", "/m/e.mp3|Title"}));
}

TEST(PlaylistParsers, Pls) {
    const std::string bytes = "[playlist]\r\nFile1=http://s/\r\nTitle1=Jazz\r\nFile2=http://t/\r\n"
                              "File3=rel.mp3\r\nTitle3=Profile of a file\r\nLength3=5\r\n"
                              "File4=http://u/\r\nTitle4=" +
                              kGbkChinese +
                              "\r\nFile5=\r\n"
                              "NumberOfEntries=5\r\nVersion=2\r\n";
    EXPECT_EQ(parsePls(bytes, F),
              (Strings{"http://s/|Jazz", "http://t/|http://t/", F + "rel.mp3", "http://u/|中文"}));
}

TEST(PlaylistParsers, Asx) {
    const std::string bytes = "<asx version=\"3.0\">\r\n<title>Station X</title>\r\n"
                              "<entry><ref href=\"http://a/live\"/></entry>\r\n"
                              "<Entry><REF HREF=\"/m/a.mp3\" /></Entry>\r\n<title></title>\r\n"
                              "Ref1=http://b/\r\n<ref>\r\n";
    EXPECT_EQ(parseAsx(bytes),
              (Strings{"http://a/live|Station X", "/m/a.mp3", "http://b/|Station X"}));
    EXPECT_EQ(parseAsx("<ref href=\"http://a/x\"/>\n<title>Later</title>\n"),
              Strings{"http://a/x|Later"}); // the file's last title names every stream
    EXPECT_EQ(parseAsx("[Reference]\nRef1=http://c/\n"), Strings{"http://c/|http://c/"});
}

TEST(PlaylistParsers, B4s) {
    const std::string bytes = "<entry Playstring=\"http://s/x\">\r\n<Name>Jazz FM</Name>\r\n"
                              "</entry>\r\n<entry Playstring=\"file:C:\\m\\a.mp3\">\r\n"
                              "<Name>A</Name>\r\n<entry Playstring=\"http://s/y\">\r\n<name>Cut\r\n"
                              "<entry Playstring=\"http://s/z\">\r\n";
    EXPECT_EQ(parseB4s(bytes), (Strings{"http://s/x|Jazz FM", "file:C:\\m\\a.mp3", "http://s/y|",
                                        "http://s/z|http://s/z"}));
}

TEST(PlaylistParsers, TextKeepsWholeLines) {
    EXPECT_EQ(parseTxt("/m/a.mp3\r\nhttp://r/|Radio: One\r\nrel.mp3|t\r\nsub\\b.mp3\r\n", F),
              (Strings{"/m/a.mp3", "http://r/|Radio: One", F + "rel.mp3|t", F + "sub/b.mp3"}));
}

TEST(PlaylistParsers, BlankTextLinesAreNoEntries) {
    EXPECT_EQ(parseTxt("\r\n/m/a.mp3\r\n\r\n  \r\n\t\n/m/b.mp3\n\n", F),
              (Strings{"/m/a.mp3", "/m/b.mp3"}));
}

TEST(PlaylistFormat, BytesOfTheThreeFormats) {
    const Strings entries{"/m/a.mp3", "/m/sub/b.mp3", "/x/c.mp3", "http://s/|Jazz", "/M/d.mp3"};
    EXPECT_EQ(formatPlaylist(entries, "/m/", PlaylistFormat::Pls),
              "[playlist]\r\nVersion=2\r\nNumberOfEntries=5\r\nFile1=a.mp3\r\nFile2=sub/b.mp3\r\n"
              "File3=/x/c.mp3\r\nFile4=http://s/\r\nFile5=/M/d.mp3\r\n");
    EXPECT_EQ(formatPlaylist(entries, "/m/", PlaylistFormat::Text),
              "a.mp3\r\nsub/b.mp3\r\n/x/c.mp3\r\nhttp://s/|Jazz\r\n/M/d.mp3\r\n");
    EXPECT_EQ(formatPlaylist(entries, "/m/", PlaylistFormat::M3u),
              "a.mp3\r\nsub/b.mp3\r\n/x/c.mp3\r\nhttp://s/\r\n/M/d.mp3\r\n");
}

TEST(PlaylistSave, TheTypeGivesABareNameItsExtensionAndTheNameItsFormat) {
    using T = PlaylistSaveType;
    using Fmt = PlaylistFormat;
    struct Case {
        const char* typed;
        PlaylistSaveType type;
        const char* file;
        std::optional<PlaylistFormat> format;
    };
    const Case cases[] = {
        {"/d/list1", T::M3u, "/d/list1.m3u", Fmt::M3u},
        {"/d/list1", T::Pls, "/d/list1.pls", Fmt::Pls},
        {"/d/list1", T::Text, "/d/list1.txt", Fmt::Text},
        {"/d/list1", T::AnyFile, "/d/list1.txt", Fmt::Text},
        {"/d/v1.2/list", T::M3u, "/d/v1.2/list.m3u", Fmt::M3u},
        // an extension typed in any letter case names its format
        {"/d/LIST.M3U", T::Text, "/d/LIST.M3U", Fmt::M3u},
        {"/d/a.Pls", T::AnyFile, "/d/a.Pls", Fmt::Pls},
        {"/d/x.txt", T::M3u, "/d/x.txt", Fmt::Text},
        // one the player cannot write is no format at all
        {"/d/list.xyz", T::M3u, "/d/list.xyz", std::nullopt},
        {"/d/list.m3u8", T::AnyFile, "/d/list.m3u8", std::nullopt},
    };
    for (const Case& c : cases) {
        const PlaylistSaveTarget target = choosePlaylistSaveTarget(c.typed, c.type);
        EXPECT_EQ(target.file, c.file) << c.typed;
        EXPECT_EQ(target.format, c.format) << c.typed;
    }
}

class PlaylistFilesTest : public PlayerTest {
protected:
    TempDir dir;
};

TEST_F(PlaylistFilesTest, WriteThenReadGivesTheEntriesBack) {
    const std::string in = dir.path() + "/";
    const Strings list{in + "a.mp3",           in + "sub/b.mp3", in + "x:y.mp3", "/elsewhere/c.ogg",
                       dir.path() + "x/d.mp3", "http://s/|Jazz", in + "中文.mp3"};
    struct Case {
        const char* file;
        PlaylistFormat format;
        std::size_t (*read)(Player&, const std::string&);
        Strings expected;
    };
    Strings pathsOnly = list;
    pathsOnly[5] = "http://s/";
    Strings plsBack = list;
    plsBack[5] = "http://s/|http://s/";
    const Case cases[] = {
        {"list.txt", PlaylistFormat::Text, ReadTxt, list},
        {"list.pls", PlaylistFormat::Pls, ReadPls, plsBack},
        {"list.m3u", PlaylistFormat::M3u, ReadM3u, pathsOnly},
    };
    for (const Case& c : cases) {
        entries = list;
        ASSERT_TRUE(WritePlaylist(pl, dir.file(c.file), c.format));
        entries.clear();
        EXPECT_EQ(c.read(player, dir.file(c.file)), c.expected.size());
        EXPECT_EQ(entries, c.expected) << c.file;
    }
    EXPECT_NE(readFile(dir.file("list.txt")).find("\r\nsub/b.mp3\r\n"), std::string::npos);
}

TEST_F(PlaylistFilesTest, ReadOnlyTargetIsLeftAlone) {
    const std::string file = dir.file("Playlist.txt");
    writeFile(file, "old\r\n");
    ::chmod(file.c_str(), 0444);
    entries = {"/m/a.mp3"};
    EXPECT_FALSE(WritePlaylist(pl, file, PlaylistFormat::Text));
    EXPECT_EQ(readFile(file), "old\r\n");
    EXPECT_FALSE(WritePlaylist(pl, dir.file("no/such/folder.txt"), PlaylistFormat::Text));
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(PlaylistFilesTest, SaveWritesTheChosenFormatOrSaysWhyNot) {
    entries = {dir.path() + "/a.mp3", "http://s/|Jazz"};
    pl.CurrentIndex = 1;
    EXPECT_TRUE(savePlaylistAs(player, dir.file("list1"), PlaylistSaveType::M3u));
    EXPECT_EQ(readFile(dir.file("list1.m3u")), "a.mp3\r\nhttp://s/\r\n");
    EXPECT_EQ(pl.CurrentIndex, -1);
    EXPECT_TRUE(savePlaylistAs(player, dir.file("LIST2.PLS"), PlaylistSaveType::Text));
    EXPECT_EQ(readFile(dir.file("LIST2.PLS")),
              "[playlist]\r\nVersion=2\r\nNumberOfEntries=2\r\nFile1=a.mp3\r\nFile2=http://s/\r\n");
    EXPECT_TRUE(view.messages.empty());

    EXPECT_FALSE(savePlaylistAs(player, dir.file("list.xyz"), PlaylistSaveType::M3u));
    EXPECT_FALSE(fileExists(dir.file("list.xyz")));
    const std::string readOnly = dir.file("old.txt");
    writeFile(readOnly, "old\r\n");
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_FALSE(savePlaylistAs(player, readOnly, PlaylistSaveType::Text));
    EXPECT_EQ(readFile(readOnly), "old\r\n");
    EXPECT_FALSE(savePlaylistAs(player, dir.file("no/such/folder.m3u"), PlaylistSaveType::M3u));
    const std::vector<FakeView::Message> said{
        {MessageKind::Error, "无法保存播放列表：不支持“.xyz”类型的文件。\r\r请用 .txt、.m3u 或 "
                             ".pls 作为文件名的结尾。"},
        {MessageKind::Error, "无法保存播放列表：此文件是只读的。\r\r" + readOnly},
        {MessageKind::Error,
         "无法保存播放列表：无法写入此文件。\r\r" + dir.file("no/such/folder.m3u")}};
    EXPECT_EQ(view.messages, said);
}

TEST_F(PlaylistFilesTest, MissingFilesAddNothingAndSayNothing) {
    show({"/m/a.mp3"});
    const std::string gone = dir.file("gone");
    EXPECT_EQ(ReadM3u(player, gone + ".m3u") + ReadPls(player, gone + ".pls") +
                  ReadAsx(player, gone + ".asx") + ReadB4s(player, gone + ".b4s") +
                  ReadTxt(player, gone + ".txt"),
              0u);
    EXPECT_EQ(entries, Strings{"/m/a.mp3"});
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.lineCountChanges, 0);
}

TEST_F(PlaylistFilesTest, TextReaderReportsReadErrorsAndSelectsTheCurrentLine) {
    makeDirs(dir.file("folder.txt"));
    ReadTxt(player, dir.file("folder.txt"));
    const std::vector<FakeView::Message> readError{
        {MessageKind::Error, "错误 12\r\r请报告此错误。"}};
    EXPECT_EQ(view.messages, readError);

    std::string big;
    for (int i = 0; i < 150000; ++i) // past the old 100,000-line ceiling
        big += "/m/" + std::to_string(i) + ".mp3\r\n";
    writeFile(dir.file("big.txt"), big);
    pl.CurrentIndex = 120000;
    pl.LastOpenedDir = "/m/";
    EXPECT_EQ(ReadTxt(player, dir.file("big.txt")), 150000u);
    EXPECT_EQ(entries.back(), "/m/149999.mp3");
    EXPECT_EQ(view.lines, 150000);
    EXPECT_EQ(view.selectedVector(), std::vector<int>{120000});
    EXPECT_EQ(view.top, 119998);
    EXPECT_EQ(pl.LastOpenedDir, "");
}

TEST_F(PlaylistFilesTest, SpecialFilesAreNotRead) {
    // A FIFO would block the window until a writer came; /dev/zero never ends.
    const std::string fifo = dir.file("pipe.m3u");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir.file("zero.m3u");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    const std::string zeroText = dir.file("zero.txt");
    ASSERT_EQ(::symlink("/dev/zero", zeroText.c_str()), 0);
    EXPECT_EQ(ReadM3u(player, fifo), 0u);
    EXPECT_EQ(ReadM3u(player, zero), 0u);
    EXPECT_EQ(ReadTxt(player, zeroText), 0u);
    EXPECT_TRUE(entries.empty());
    const std::vector<FakeView::Message> refused{{MessageKind::Error, "错误 12\r\r请报告此错误。"}};
    EXPECT_EQ(view.messages, refused);
}

TEST_F(PlaylistFilesTest, AFileLargerThanTheLimitIsReadToItsLastWholeLine) {
    // Sparse past the limit: the reader sees every byte, the disk holds few.
    const std::string file = dir.file("huge.m3u");
    writeFile(file, "/m/a.mp3\r\n/m/b.mp3\r\n/m/cut");
    ASSERT_EQ(::truncate(file.c_str(), PlaylistState::MaxPlaylistFileBytes + 4096), 0);
    EXPECT_EQ(ReadM3u(player, file), 2u);
    EXPECT_EQ(entries, (Strings{"/m/a.mp3", "/m/b.mp3"}));
    const std::vector<FakeView::Message> warned{
        {MessageKind::Warning, "播放列表文件太大，只读取了它的前 256 MB:\r" + file}};
    EXPECT_EQ(view.messages, warned);
}

} // namespace
} // namespace kesto::test
