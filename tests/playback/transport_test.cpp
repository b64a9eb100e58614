// The transport's key commands on a player that really plays (the paced
// null output: real time, silent), so pause, stop, seek and volume act on a
// live output stream while its feeder runs.

#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/probes.h"
#include "playback/transport.h"
#include "playback/volume.h"
#include "player/key_codes.h"

#include "playback/playback_fixture.h"

#include <chrono>
#include <functional>
#include <thread>

namespace kesto::test {
namespace {

constexpr std::int64_t kTwelveSeconds = 12 * 44100;

class EnginePlaybackTransport : public PlaybackTest {
protected:
    void SetUp() override {
        usePacedNull();
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            addWav(name, loudTone(kTwelveSeconds, 2));
    }
    bool key(int code, int shift = vk::NoModifier) { return RunKeyCommand(p(), code, shift); }
    ChannelState state() { return outputState(p()); }
    std::int64_t bytesPerSecond() { return 44100 * 4; }
};

TEST_F(EnginePlaybackTransport, SpacePausesAndResumes) {
    OpenEntry(p(), 0);
    ASSERT_EQ(state(), ChannelState::Playing);
    EXPECT_EQ(view.statusTimer, (FakeView::Timer{true, 33}));
    EXPECT_TRUE(view.levelTimer);

    EXPECT_TRUE(key(vk::Space));
    EXPECT_EQ(state(), ChannelState::Paused);
    EXPECT_EQ(view.panels[kInfoPanel], "已暂停");
    EXPECT_FALSE(view.statusTimer.running);
    EXPECT_TRUE(p().level.StopRequest);

    EXPECT_TRUE(key(vk::Space));
    EXPECT_EQ(state(), ChannelState::Playing);
    EXPECT_EQ(view.panels[kInfoPanel], "44100 Hz 16 bit 立体声");
    EXPECT_TRUE(view.statusTimer.running);
    EXPECT_FALSE(p().level.StopRequest);

    EXPECT_FALSE(key(vk::Space, vk::CtrlModifier)) << "Ctrl+Space is the mixer reset's";
}

TEST_F(EnginePlaybackTransport, SpaceBeforeAnythingPlaysActsAsEnter) {
    view.focused = 1;
    key(vk::Space);
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_EQ(state(), ChannelState::Playing);
}

TEST_F(EnginePlaybackTransport, StopPausesFirstAndTheSecondStopReleasesTheDevice) {
    OpenEntry(p(), 0);
    EXPECT_TRUE(key(vk::Numpad0));
    EXPECT_EQ(state(), ChannelState::Paused);
    EXPECT_TRUE(p().transport.DeviceReady);
    EXPECT_EQ(view.panels[kInfoPanel], "已暂停");

    key(vk::Numpad0);
    EXPECT_EQ(p().feed.OutputStream, 0u);
    EXPECT_FALSE(p().transport.DeviceReady);
    EXPECT_EQ(view.caption, "Kesto 1.04b");
    EXPECT_EQ(view.timeLabel, "");
    EXPECT_EQ(view.seekPosition, 0);
    EXPECT_EQ(view.panels[kInfoPanel], "");

    // The next play opens the device again.
    view.focused = 2;
    key(vk::Return);
    EXPECT_TRUE(p().transport.DeviceReady);
    EXPECT_EQ(state(), ChannelState::Playing);
}

TEST_F(EnginePlaybackTransport, NextAndPreviousKeepThePausedState) {
    OpenEntry(p(), 0);
    key(vk::Tab);
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_EQ(state(), ChannelState::Playing);

    key(vk::Space);
    key(vk::Tab);
    EXPECT_EQ(pl().CurrentIndex, 2);
    EXPECT_EQ(state(), ChannelState::Paused);
    EXPECT_EQ(view.panels[kInfoPanel], "已暂停");
    key(vk::Tab, vk::ShiftModifier);
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_EQ(state(), ChannelState::Paused);
    EXPECT_EQ(view.caption, "b.wav - Kesto");
    // held at the start of the new file: not a moment of it was decoded or
    // played before the pause, and Space plays it from its first sample
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(p().audio.ChannelGetPosition(p().feed.MainDecoder), 0);
    EXPECT_EQ(FilePosition(p()), 0);
    key(vk::Space);
    EXPECT_EQ(state(), ChannelState::Playing);
    EXPECT_EQ(view.panels[kInfoPanel], "44100 Hz 16 bit 立体声");
}

// The pause button on a stopped player loads the focused entry and holds it
// paused, silently; on a playing or paused one it is the Space key.
TEST_F(EnginePlaybackTransport, PauseButtonHoldsAStoppedEntryWithoutASound) {
    view.focused = 1;
    pauseButton(p());
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_EQ(state(), ChannelState::Paused);
    EXPECT_EQ(view.panels[kInfoPanel], "已暂停");
    EXPECT_EQ(view.caption, "b.wav - Kesto");
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(p().audio.ChannelGetPosition(p().feed.MainDecoder), 0);
    pauseButton(p());
    EXPECT_EQ(state(), ChannelState::Playing);
    for (int i = 0; i < 200 && FilePosition(p()) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GT(FilePosition(p()), 0);
    pauseButton(p());
    EXPECT_EQ(state(), ChannelState::Paused);
}

// On an empty list the pause button offers to add files once, whatever
// comes of the offer, and holds the first file added paused at its start.
TEST_F(EnginePlaybackTransport, PauseButtonOnAnEmptyListOffersToAddFilesOnce) {
    const std::string file = pl().PlaylistEntries[1];
    struct Case {
        const char* name;
        bool addsFile;
        ChannelState after;
    };
    const Case cases[] = {
        {"the dialog cancelled", false, ChannelState::Stopped},
        {"a file added", true, ChannelState::Paused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StopPlayback(p(), true);
        pl().PlaylistEntries.clear();
        view.lines = 0;
        view.focused = -1;
        view.addFilesCommands = 0;
        view.onAddFiles = [&] {
            if (c.addsFile)
                addEntry(file);
        };
        pauseButton(p());
        EXPECT_EQ(view.addFilesCommands, 1);
        EXPECT_EQ(state(), c.after);
        if (c.addsFile) {
            EXPECT_EQ(pl().PlayingEntry, file);
            EXPECT_EQ(p().audio.ChannelGetPosition(p().feed.MainDecoder), 0) << "held, not played";
        }
    }
}

TEST_F(EnginePlaybackTransport, PlayListModeStopsAtBothEndsOfTheList) {
    setPlayMode(p(), PlayMode::PlayList);
    OpenEntry(p(), 2);
    EXPECT_TRUE(key(vk::Tab));
    EXPECT_EQ(pl().CurrentIndex, 2);
    OpenEntry(p(), 0);
    key(vk::Tab, vk::ShiftModifier);
    EXPECT_EQ(pl().CurrentIndex, 0);
    EXPECT_FALSE(key(vk::Tab, vk::CtrlModifier));
}

TEST_F(EnginePlaybackTransport, EnterResumesTheCurrentRowAndOpensAnyOther) {
    OpenEntry(p(), 0);
    key(vk::Space);
    view.focused = 0;
    key(vk::Return);
    EXPECT_EQ(state(), ChannelState::Playing);
    EXPECT_EQ(pl().CurrentIndex, 0);
    view.focused = 2;
    key(vk::Return);
    EXPECT_EQ(pl().CurrentIndex, 2);
}

TEST_F(EnginePlaybackTransport, EnterOnAnEmptyListAddsFilesAndPlaysTheFirst) {
    const std::string file = pl().PlaylistEntries[1];
    pl().PlaylistEntries.clear();
    view.lines = 0;
    view.onAddFiles = [&] {
        addEntry(file);
    };
    key(vk::Return);
    EXPECT_EQ(view.addFilesCommands, 1);
    EXPECT_EQ(pl().CurrentIndex, 0);
    EXPECT_EQ(pl().PlayingEntry, file);

    view.onAddFiles = [&] {
        EXPECT_FALSE(key(vk::Space)) << "a command inside a command is refused";
    };
    pl().PlaylistEntries.clear();
    key(vk::Return);
    EXPECT_EQ(view.addFilesCommands, 2);
}

TEST_F(EnginePlaybackTransport, SeekClampsBeforeTheLastSecondAndKeepsThePause) {
    OpenEntry(p(), 0);
    const std::int64_t length = kTwelveSeconds * 4;
    key(vk::Space);
    const std::int64_t lastSecond = length - bytesPerSecond();
    // A paused seek holds the output at the new place without a moment of
    // sound: nothing is decoded ahead and nothing plays, however long it waits.
    for (int round = 0; round < 10; ++round) {
        SeekTo(p(), length * 2);
        EXPECT_EQ(state(), ChannelState::Paused);
        SeekTo(p(), -500);
        EXPECT_EQ(state(), ChannelState::Paused);
    }
    SeekTo(p(), length * 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(FilePosition(p()), lastSecond);
    EXPECT_EQ(p().audio.ChannelGetPosition(p().feed.MainDecoder), lastSecond);
    SeekTo(p(), -500);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(FilePosition(p()), 0);
    EXPECT_EQ(p().audio.ChannelGetPosition(p().feed.MainDecoder), 0);
    EXPECT_EQ(state(), ChannelState::Paused);

    key(vk::Space);
    SeekTo(p(), 5 * bytesPerSecond());
    EXPECT_EQ(state(), ChannelState::Playing);
    EXPECT_GE(FilePosition(p()), 5 * bytesPerSecond());
}

TEST_F(EnginePlaybackTransport, KeyboardSeekMovesTheBarAndSeeksOnRelease) {
    EXPECT_TRUE(key(vk::Right)) << "handled even with nothing open";
    EXPECT_FALSE(p().transport.Seeking);

    OpenEntry(p(), 0);
    key(vk::Space);
    struct Step {
        int key;
        int shift;
        std::int64_t bar;
        const char* label;
    };
    const Step steps[] = {
        {vk::Right, vk::NoModifier, 3000, "0:03 / 0:12 / -0:09"},
        {vk::Right, vk::ShiftModifier, 3100, "0:03 / 0:12 / -0:08"},
        {vk::Left, vk::NoModifier, 100, "0:00 / 0:12 / -0:11"},
        {vk::Left, vk::NoModifier, 0, "0:00 / 0:12 / -0:12"},
        {vk::Right, vk::CtrlModifier, 12000, "0:12 / 0:12 / -0:00"},
        {vk::Left, vk::ShiftModifier, 11900, "0:11 / 0:12 / -0:00"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.label);
        EXPECT_TRUE(key(s.key, s.shift));
        EXPECT_TRUE(p().transport.Seeking);
        EXPECT_EQ(view.seekPosition, s.bar);
        EXPECT_EQ(view.timeLabel, s.label);
    }
    key(vk::Left);
    finishKeyboardSeek(p());
    EXPECT_FALSE(p().transport.Seeking);
    EXPECT_GE(FilePosition(p()), MsToBytes(p(), 8900));
    EXPECT_LE(FilePosition(p()), MsToBytes(p(), 8920));
    EXPECT_EQ(state(), ChannelState::Paused);

    key(vk::Back);
    EXPECT_EQ(view.timeLabel, "0:00* / 0:12 / -0:12");
    EXPECT_LE(FilePosition(p()), bytesPerSecond() / 50);
}

TEST_F(EnginePlaybackTransport, SeekDragWorksOnlyOnAReadyFile) {
    EXPECT_FALSE(beginSeekDrag(p()));
    OpenEntry(p(), 0);
    key(vk::Space);
    ASSERT_TRUE(beginSeekDrag(p()));
    seekDragTo(p(), 65000);
    EXPECT_EQ(view.seekPosition, 12000) << "the bar stops at its end";
    seekDragTo(p(), 4500);
    EXPECT_EQ(view.timeLabel, "0:04 / 0:12 / -0:07");
    endSeekDrag(p());
    EXPECT_FALSE(p().transport.Seeking);
    EXPECT_GE(FilePosition(p()), MsToBytes(p(), 4500));
    EXPECT_LE(FilePosition(p()), MsToBytes(p(), 4520));
}

TEST_F(EnginePlaybackTransport, VolumeKeysFollowTheQuadraticCurve) {
    struct Curve {
        int value;
        int gain;
    };
    for (const Curve c :
         {Curve{-5, 0}, Curve{0, 0}, Curve{9, 0}, Curve{10, 1}, Curve{11, 0}, Curve{100, 10},
          Curve{500, 250}, Curve{999, 998}, Curve{1000, 1000}, Curve{2000, 1000}})
        EXPECT_EQ(VolumeCurve(c.value), c.gain) << c.value;

    OpenEntry(p(), 0);
    struct Press {
        int key;
        int shift;
        int volume;
        const char* panel;
    };
    p().transport.Volume = 500;
    const Press presses[] = {
        {vk::Add, vk::NoModifier, 530, " 53 %"},
        {vk::OemPlus, vk::ShiftModifier, 531, " 53 %"},
        {vk::Subtract, vk::CtrlModifier, 501, " 50 %"},
        {vk::OemMinus, vk::ShiftModifier, 500, " 50 %"},
        {vk::Subtract, vk::NoModifier, 470, " 47 %"},
    };
    for (const Press& press : presses) {
        EXPECT_TRUE(key(press.key, press.shift));
        EXPECT_EQ(p().transport.Volume, press.volume);
        EXPECT_EQ(view.volumeShown, press.volume);
        EXPECT_EQ(view.panels[kVolumePanel], press.panel);
        EXPECT_EQ(p().audio.ChannelGetAttributes(p().feed.OutputStream)->volume,
                  VolumeCurve(press.volume));
    }
    SetVolume(p(), 990);
    key(vk::Add);
    EXPECT_EQ(p().transport.Volume, 1000);
    SetVolume(p(), 10);
    key(vk::Subtract);
    EXPECT_EQ(p().transport.Volume, 0);
}

TEST_F(EnginePlaybackTransport, PauseKeyMutesSoftlyAndAVolumeChangeEndsIt) {
    SetVolume(p(), 800);
    key(vk::Pause);
    EXPECT_EQ(p().transport.Volume, 240);
    EXPECT_EQ(p().transport.MuteRestore, 800);
    key(vk::Pause);
    EXPECT_EQ(p().transport.Volume, 800);
    EXPECT_EQ(p().transport.MuteRestore, -1);

    key(vk::Pause);
    key(vk::Add);
    EXPECT_EQ(p().transport.Volume, 270);
    EXPECT_EQ(p().transport.MuteRestore, -1);
    key(vk::Pause);
    EXPECT_EQ(p().transport.Volume, 81) << "muted again from the new volume";

    p().transport.SoftmutePercent = 100;
    SetVolume(p(), 600);
    key(vk::Pause);
    key(vk::Pause);
    key(vk::Pause);
    EXPECT_EQ(p().transport.MuteRestore, 600) << "a mute that changes nothing still toggles";
}

TEST_F(EnginePlaybackTransport, EntriesThatCannotPlayAreRefusedAndTheMusicGoesOn) {
    const std::string wav = wavFile(loudTone(4410, 2), 44100, 2);
    std::string adpcm = wav;
    adpcm[20] = 2;
    std::string badRate = wav;
    badRate[24] = badRate[25] = badRate[26] = badRate[27] = 0;
    struct Case {
        std::string name;
        std::string bytes; // empty: no such file
        const char* warning;
    };
    const Case cases[] = {
        {"missing.wav", "", "文件未找到。\r\r"},
        {"words.wav", "Just some words, no audio here.\n", "不支持的文件格式。\r\r"},
        {"rate.wav", badRate, "文件使用非法的采样率。\r\r"},
        {"nodata.wav", wav.substr(0, 36), "文件不是一个音频文件。\r\r"},
        {"adpcm.wav", adpcm, "文件有一个不支持的采样格式。\r\r"},
        {"song.xm", "Extended Module: ", "未知的文件格式。\r\r"},
        {"song.umx", "anything", "未知的文件格式。\r\r"},
    };
    OpenEntry(p(), 0);
    const AudioHandle playing = p().feed.OutputStream;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = home.file(c.name);
        if (c.bytes.empty())
            addEntry(path);
        else
            addFile(c.name, c.bytes);
        view.messages.clear();
        OpenEntry(p(), static_cast<int>(pl().PlaylistEntries.size()) - 1);
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_EQ(view.messages[0], (FakeView::Message{MessageKind::Warning, c.warning + path}));
        EXPECT_EQ(p().feed.OutputStream, playing);
        EXPECT_EQ(state(), ChannelState::Playing);
        EXPECT_EQ(pl().CurrentIndex, 0);
    }
}

TEST_F(EnginePlaybackTransport, GraveSelectsThePlayingEntryOrSaysItIsGone) {
    EXPECT_TRUE(key(vk::OemGrave));
    EXPECT_TRUE(view.messages.empty());
    OpenEntry(p(), 2);
    view.selected = {0};
    key(vk::OemGrave);
    EXPECT_EQ(view.selectedVector(), std::vector<int>{2});
    EXPECT_EQ(view.focused, 2);
    pl().CurrentIndex = -1;
    key(vk::OemGrave);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text,
              pl().PlayingEntry + "\r" + "不在当前播放列表中或播放列表已经更改。");
}

TEST_F(EnginePlaybackTransport, LettersAndDigitsOpenTheFindWindow) {
    EXPECT_TRUE(key('K'));
    EXPECT_TRUE(key('Q', vk::ShiftModifier));
    EXPECT_TRUE(key('7'));
    EXPECT_FALSE(key('0')) << "0 on the main keyboard is the stop command's";
    EXPECT_FALSE(key('7', vk::ShiftModifier));
    EXPECT_FALSE(key('K', vk::CtrlModifier));
    EXPECT_EQ(view.findSeeds, (std::vector<std::string>{"k", "q", "7"}));
    EXPECT_FALSE(key(vk::F1));
}

TEST_F(EnginePlaybackTransport, NumpadSevenPlaysTheLoveList) {
    key(vk::Numpad7);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Information);
    EXPECT_TRUE(view.looks.empty());

    const std::string song = pl().PlaylistEntries[1];
    writeFile(home.file("love.txt"), song + "\r\n");
    SetVolume(p(), 300);
    key(vk::Numpad7);
    EXPECT_EQ(pl().PlaylistEntries, std::vector<std::string>{song});
    EXPECT_EQ(p().transport.PlayMode, PlayMode::Shuffle);
    EXPECT_EQ(p().transport.Volume, 1000);
    EXPECT_EQ(pl().PlayingEntry, song);
    EXPECT_EQ(view.looks, std::vector<int>{1});
    EXPECT_EQ(view.maximizeCalls, 1);
}

// No sound server: the device fails to open, and the user is told that
// once per command, never with a good file blamed for it.
TEST(PlaybackWithoutADevice, OneFailedOutputGivesOneWarningThatSaysSo) {
    TempDir home;
    FakeView view;
    AudioLibrary::Options options;
    options.output = std::string("pulse");
    options.pulseServer = "unix:" + home.file("no-sound-server");
    Player player(AppPaths(home.path()), view, options);
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        writeFile(home.file(name), wavFile(loudTone(44100, 2), 44100, 2));
        player.playlist.PlaylistEntries.push_back(home.file(name));
    }
    view.lines = 3;
    view.focused = 1;
    struct Case {
        const char* name;
        std::function<void()> command;
    };
    const Case cases[] = {
        {"Enter",
         [&] {
             RunKeyCommand(player, vk::Return, vk::NoModifier);
         }},
        {"Space",
         [&] {
             RunKeyCommand(player, vk::Space, vk::NoModifier);
         }},
        {"Tab, which tries the entries in turn",
         [&] {
             RunKeyCommand(player, vk::Tab, vk::NoModifier);
         }},
        {"the pause button",
         [&] {
             pauseButton(player);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.messages.clear();
        c.command();
        EXPECT_EQ(view.messages,
                  (std::vector<FakeView::Message>{{MessageKind::Warning, "无法打开声卡驱动。"}}));
        EXPECT_FALSE(player.transport.DeviceReady);
        EXPECT_EQ(player.feed.OutputStream, AudioHandle(0));
    }
}

} // namespace
} // namespace kesto::test
