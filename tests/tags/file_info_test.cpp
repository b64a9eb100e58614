// The file information window's texts and its rename, over files made by
// the tests, and a rename of the file that is playing.

#include "tags/file_info.h"
#include "tags/file_rename.h"

#include "playback/output.h"
#include "playback/playback_fixture.h"
#include "playback/status_tick.h"
#include "playlist/player_fixture.h"

#include <gtest/gtest.h>

#include <thread>

using namespace kesto;
using namespace kesto::test;

TEST(FileInfoText, TimesAndSizes) {
    EXPECT_EQ(LongTime(65432), "1:05:432");
    EXPECT_EQ(LongTime(0), "0:00:000");
    EXPECT_EQ(LongTime(7), "0:00:007");
    EXPECT_EQ(LongTime(61 * 60000 + 1000), "61:01:000");
    EXPECT_EQ(GroupedSize(1234567, ","), "1,234,567");
    EXPECT_EQ(GroupedSize(1000, "."), "1.000");
    EXPECT_EQ(GroupedSize(999, ","), "999");
    EXPECT_EQ(GroupedSize(0, ","), "0");
    // A separator of more than one byte (a narrow no-break space).
    EXPECT_EQ(GroupedSize(12345, "\u202f"), "12\u202f345");
}

TEST(FileInfoText, CleanUpAndTagText) {
    EXPECT_EQ(cleanedFileName("my__song%20%20%20name_.mp3"), "my song name .mp3");
    EXPECT_EQ(cleanedFileName("a        b.mp3"), "a b.mp3");

    TID3v1 tag;
    std::string block(kId3v1Size, '\0');
    block.replace(0, 3, "TAG");
    block.replace(3, 5, "Ti\0le", 5); // a zero inside the title
    block[127] = 13;
    tag.readBlock(block);
    const std::string dashes(58, '-');
    const std::string v1 = "/m/x/\r\nsong.mp3\r\n\r\n" + dashes +
                           "\r\nMP3v1 标签:\r\n标题:  Ti le\r\n歌手:   \r\n专辑:  \r\n年代: "
                           "\r\n流派:  Pop\r\n注释:     \r\n" +
                           dashes + "\r\n";
    EXPECT_EQ(tagWindowText("/m/x/song.mp3", tag, std::nullopt), v1);
    Id3v2Fields v2{"T2", "A2", "L2", "2001", "4", "Jazz", "C2"};
    EXPECT_EQ(tagWindowText("/m/x/song.mp3", tag, v2),
              v1 +
                  "ID3v2 标签:\r\n标题:  T2\r\n歌手:   A2\r\n专辑:  L2\r\n年代: 2001\r\n音轨:  "
                  "4\r\n流派:  Jazz\r\n注释:     C2\r\n" +
                  dashes + "\r\n");
}

class FileInfoFiles : public PlaybackTest {
protected:
    void SetUp() override { usePacedNull(); }
};

TEST_F(FileInfoFiles, SizeFormatAndLength) {
    // 8-bit mono at 44100 Hz: one second and a quarter. U8 keeps the high byte only.
    Samples tone = sineTone(44100, 1, 44100 + 11025, 440);
    for (auto& s : tone)
        s = static_cast<std::int16_t>(s & 0xFF00);
    const std::string wav = addFile("tone.wav", wavFile(tone, 44100, 1, WavEncoding::U8));
    const std::string info = fileInfoText(p(), wav, ",");
    EXPECT_EQ(info, home.path() + "/\r\n\r\n大小: \t" + GroupedSize(44 + 44100 + 11025, ",") +
                        " 字节 \r\n格式:   \t44100 Hz 8 bit 单声道\r\n长度:   \t0:01:250");

    // The exact byte count, grouped; layer II has no format description.
    std::string mp2 = silentMpegFrames(2, 40);
    const std::string big = addFile("big.mp2", mp2 + std::string(1234567 - mp2.size(), '\0'));
    const std::string bigInfo = fileInfoText(p(), big, ",");
    EXPECT_NE(bigInfo.find("大小: \t1,234,567 字节 \r\n"), std::string::npos) << bigInfo;
    EXPECT_NE(bigInfo.find("\r\n格式:   \t\r\n"), std::string::npos) << bigInfo;
    const std::string mp1 = addFile("one.mp1", silentMpegFrames(1, 40));
    EXPECT_NE(fileInfoText(p(), mp1, ",").find("\r\n格式:   \t\r\n"), std::string::npos);
}

class FileRename : public PlayerTest {
protected:
    std::string put(const std::string& name, const std::string& bytes = "data") {
        writeFile(home.file(name), bytes);
        return home.file(name);
    }
};

TEST_F(FileRename, RefusalsLeaveFileAndLine) {
    const std::string a = put("a.mp3", "first");
    const std::string b = put("b.mp3", "second");
    show({a, b});

    // No extension: a message, no rename, and the dialog stays open.
    EXPECT_EQ(renameEntryFile(player, 0, a, "a"), SingleRename::NoExtension);
    EXPECT_TRUE(fileExists(a));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "请以扩展名(例如 \".mp3\" 或 \".wav\")作为您的新文件名结尾");

    // A taken name is never overwritten; the line keeps its path.
    EXPECT_EQ(renameEntryFile(player, 0, a, "b.mp3"), SingleRename::Failed);
    EXPECT_EQ(readFile(b), "second");
    EXPECT_EQ(readFile(a), "first");
    EXPECT_EQ(entries[0], a);
    EXPECT_EQ(view.messages.back().text, "无法重命名文件。");

    // A name is not a path: no moving into another folder.
    makeDirs(home.file("sub"));
    EXPECT_EQ(renameEntryFile(player, 0, a, "sub/a.mp3"), SingleRename::Failed);
    EXPECT_FALSE(fileExists(home.file("sub/a.mp3")));
    EXPECT_EQ(renameEntryFile(player, 0, a, "../a.mp3"), SingleRename::Failed);
    // Nor may it hold the "|" that starts a line's title.
    EXPECT_EQ(renameEntryFile(player, 0, a, "a|b.mp3"), SingleRename::Failed);
    EXPECT_EQ(entries[0], a);
    EXPECT_TRUE(fileExists(a));

    // The same name: nothing to do.
    const std::size_t said = view.messages.size();
    EXPECT_EQ(renameEntryFile(player, 0, a, "a.mp3"), SingleRename::Unchanged);
    EXPECT_EQ(view.messages.size(), said);
}

TEST_F(FileRename, RenamesAndKeepsTheTitleAndQueue) {
    const std::string a = put("a.mp3");
    const std::string b = put("b.mp3");
    show({b, a + "|My Title"});
    pl.QueueList = {a + "|My Title"};
    // The line moved while the dialog was open: it is found by its text.
    EXPECT_EQ(renameEntryFile(player, 0, a + "|My Title", "new name.mp3"), SingleRename::Renamed);
    const std::string renamed = home.file("new name.mp3");
    EXPECT_EQ(entries, (std::vector<std::string>{b, renamed + "|My Title"}));
    EXPECT_EQ(pl.QueueList, (std::vector<std::string>{renamed + "|My Title"}));
    EXPECT_TRUE(fileExists(renamed));
    EXPECT_FALSE(fileExists(a));
    EXPECT_TRUE(view.messages.empty());
}

class EngineRenamePlaying : public PlaybackTest {};

TEST_F(EngineRenamePlaying, KeepsPlayingAtItsPlace) {
    usePacedNull();
    const std::string first = addWav("first.wav", loudTone(secondsToFrames(1), 2));
    const std::string song = addWav("song.wav", loudTone(secondsToFrames(8), 2));
    OpenEntry(p(), 1);
    ASSERT_EQ(outputState(p()), ChannelState::Playing);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const int before = BytesToMs(p(), FilePosition(p()));
    ASSERT_GT(before, 300);

    ASSERT_EQ(renameEntryFile(p(), 1, song, "renamed.wav"), SingleRename::Renamed);
    const std::string renamed = home.file("renamed.wav");
    const int after = BytesToMs(p(), FilePosition(p()));
    EXPECT_NEAR(after, before, 50);
    EXPECT_EQ(outputState(p()), ChannelState::Playing);
    EXPECT_EQ(pl().PlayingEntry, renamed);
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_EQ(view.caption, "renamed.wav - Kesto");
    EXPECT_FALSE(fileExists(song));

    // It goes on from the open file, and the status tick follows it.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    StatusTick(p());
    EXPECT_GT(BytesToMs(p(), FilePosition(p())), after + 200);
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_EQ(pl().PlaylistEntries[0], first);
}
