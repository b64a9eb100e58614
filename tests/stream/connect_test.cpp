// Connecting to internet radio through a stand-in for the network: the
// stand-in opens a local WAV file as "the stream", so tickets, stale
// results, the messages and the status texts are tested without a server.

#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "stream/connect_thread.h"
#include "stream/stream_status.h"

#include "playback/playback_fixture.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

class EngineStreamConnect : public PlaybackTest {
protected:
    void SetUp() override {
        usePacedNull();
        wav = home.file("stream.wav");
        writeFile(wav, wavFile(loudTone(secondsToFrames(30), 2), 44100, 2));
        p().stream.hooks.openUrl = [this](const std::string& url, std::uint32_t flags) {
            std::unique_lock lock(mutex);
            opened.push_back(url);
            openFlags = flags;
            changed.notify_all();
            changed.wait_for(lock, 5s, [&] { return !holdOpen.contains(url); });
            if (failures.contains(url))
                return ConnectResult{0, failures[url]};
            const AudioHandle handle = p().audio.StreamCreateFile(wav, kStreamDecode);
            handles[url] = handle;
            return ConnectResult{handle, 0};
        };
    }

    // What the event loop does meanwhile: the posted results run.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            view.runPosted();
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    // Every worker has ended and its result has been handled.
    bool settle() {
        return pumpUntil([&] {
            view.runPosted();
            return p().stream.workers.running() == 0 && view.posted.empty();
        });
    }
    bool openerEntered(const std::string& url) {
        std::unique_lock lock(mutex);
        return changed.wait_for(
            lock, 5s, [&] { return std::find(opened.begin(), opened.end(), url) != opened.end(); });
    }
    void release(const std::string& url) {
        std::lock_guard lock(mutex);
        holdOpen.erase(url);
        changed.notify_all();
    }
    std::vector<std::string> openedUrls() {
        std::lock_guard lock(mutex);
        return opened;
    }
    AudioHandle handleOf(const std::string& url) {
        std::lock_guard lock(mutex);
        return handles[url];
    }
    bool playing() { return outputState(p()) == ChannelState::Playing; }
    bool alive(AudioHandle handle) { return p().audio.ChannelGetInfo(handle).has_value(); }

    std::string wav;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> opened;
    std::set<std::string> holdOpen;
    std::map<std::string, int> failures;
    std::map<std::string, AudioHandle> handles;
    std::uint32_t openFlags = 0;
};

TEST_F(EngineStreamConnect, SecondStartWithinHalfASecondIsTheOnlyConnection) {
    addEntry("http://a/live");
    addEntry("http://b/live|Station B");
    p().transport.PlayMode = PlayMode::Shuffle;
    OpenEntry(p(), 0);
    EXPECT_EQ(p().feed.MainDecoder.load(), 0u) << "the window never waits for a connection";
    EXPECT_EQ(view.panels[kInfoPanel], "正在连接 http://a/live...");
    OpenEntry(p(), 1);
    EXPECT_EQ(view.panels[kInfoPanel], "正在连接 http://b/live...");
    ASSERT_TRUE(pumpUntil([&] { return playing(); }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(openedUrls(), std::vector<std::string>{"http://b/live"});
    EXPECT_EQ(openFlags, kStreamDecode | kStreamMeta);
    EXPECT_EQ(p().feed.MainDecoder.load(), handleOf("http://b/live"));
    EXPECT_EQ(pl().PlayingEntry, "http://b/live|Station B");
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_EQ(p().transport.PlayMode, PlayMode::RepeatList) << "streams play in list order";
    EXPECT_EQ(p().audio.getConfig(AudioOption::BufferMs), 5000);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(EngineStreamConnect, StopWhileTheLibraryConnectsFreesTheLateHandle) {
    addEntry("http://a/live");
    holdOpen.insert("http://a/live");
    OpenEntry(p(), 0);
    ASSERT_TRUE(openerEntered("http://a/live"));
    StopPlayback(p(), true);
    release("http://a/live");
    ASSERT_TRUE(settle());
    EXPECT_NE(handleOf("http://a/live"), 0u);
    EXPECT_FALSE(alive(handleOf("http://a/live"))) << "the late stream is freed";
    EXPECT_EQ(p().feed.OutputStream.load(), 0u);
    EXPECT_EQ(p().feed.MainDecoder.load(), 0u);
    EXPECT_TRUE(view.messages.empty());
}

// Stop, or a file opened meanwhile, ends a connection that has not begun:
// the stream must not start behind the user's back.
TEST_F(EngineStreamConnect, StopOrAFileDuringTheFirstWaitPreventsTheConnection) {
    addEntry("http://a/live");
    const std::string file = addWav("file.wav", loudTone(secondsToFrames(20), 2));
    OpenEntry(p(), 0);
    StopPlayback(p(), true);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(openedUrls().empty()) << "Stop ended the connection";
    EXPECT_EQ(p().feed.OutputStream.load(), 0u);

    OpenEntry(p(), 0);
    OpenEntry(p(), 1);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(openedUrls().empty()) << "the file ended the connection";
    EXPECT_EQ(pl().PlayingEntry, file);
    EXPECT_TRUE(playing());
}

TEST_F(EngineStreamConnect, LateResultOfAnEarlierStreamIsFreedWhileTheNewOnePlays) {
    addEntry("http://a/live");
    addEntry("http://b/live");
    holdOpen.insert("http://a/live");
    OpenEntry(p(), 0);
    ASSERT_TRUE(openerEntered("http://a/live"));
    OpenEntry(p(), 1);
    ASSERT_TRUE(pumpUntil([&] { return playing(); }));
    release("http://a/live");
    ASSERT_TRUE(settle());
    EXPECT_FALSE(alive(handleOf("http://a/live")));
    EXPECT_EQ(p().feed.MainDecoder.load(), handleOf("http://b/live"));
    EXPECT_EQ(pl().PlayingEntry, "http://b/live");
    EXPECT_TRUE(playing());
}

TEST_F(EngineStreamConnect, FailuresStopAndSayWhy) {
    const std::pair<int, const char*> cases[] = {
        {2, "打开 URL 出错。"},
        {40, "打开 URL 出错: 连接超时。"},
        {41, "打开 URL 出错: 无法登录服务器或服务器已满。"},
        {30, "打开 URL 出错: 错误代码 30"},
    };
    for (const auto& [code, text] : cases) {
        SCOPED_TRACE(code);
        const std::string url = "http://e" + std::to_string(code) + "/";
        failures[url] = code;
        addEntry(url);
        OpenEntry(p(), static_cast<int>(pl().PlaylistEntries.size()) - 1);
        ASSERT_TRUE(pumpUntil([&] { return !view.messages.empty(); }));
        EXPECT_EQ(view.messages.back(), (FakeView::Message{MessageKind::Information, text}));
        EXPECT_EQ(p().feed.OutputStream.load(), 0u);
        EXPECT_EQ(view.caption, p().mirror.VersionCaption);
        view.messages.clear();
    }
}

TEST_F(EngineStreamConnect, LostStreamSaysSoAndStaysLoaded) {
    writeFile(wav, wavFile(loudTone(secondsToFrames(0.3), 2), 44100, 2));
    addEntry("http://a/live");
    OpenEntry(p(), 0);
    ASSERT_TRUE(pumpUntil([&] { return p().feed.OutputStream != 0; }));
    ASSERT_TRUE(tickUntil([&] { return view.panels[kInfoPanel] == "错误: 连接丢失"; }, 5s));
    for (int i = 0; i < 400; ++i)
        StatusTick(p());
    EXPECT_NE(p().feed.OutputStream.load(), 0u);
    EXPECT_EQ(view.panels[kInfoPanel], "错误: 连接丢失");
}

class EngineStreamMetadata : public EngineStreamConnect {
protected:
    void SetUp() override {
        EngineStreamConnect::SetUp();
        p().stream.hooks.readTags = [this](AudioHandle, TagKind kind) {
            std::lock_guard lock(mutex);
            return kind == TagKind::Icy ? icy : meta;
        };
    }
    void connect(const std::string& entry) {
        addEntry(entry);
        OpenEntry(p(), static_cast<int>(pl().PlaylistEntries.size()) - 1);
        ASSERT_TRUE(pumpUntil([&] { return playing(); }));
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            StatusTick(p());
    }
    std::optional<std::string> icy;
    std::optional<std::string> meta;
};

TEST_F(EngineStreamMetadata, TitleBitRateAndFormatSoonAfterConnectingThenEveryFewSeconds) {
    icy = "ICY 200 OK\0icy-name:Jazz\0icy-br:128\0\0"s;
    meta = "StreamTitle='Artist_-_Song%20Live[1]';StreamUrl='';";
    connect("http://a/live|Jazz Radio");
    EXPECT_EQ(view.caption, "Jazz Radio - Kesto");
    EXPECT_EQ(p().status.StatusPeriod, 33); // no fine time: a stream has no length
    ticks(kStreamFirstRefreshTicks - 1);
    EXPECT_EQ(view.caption, "Jazz Radio - Kesto");
    ticks(1);
    EXPECT_EQ(view.caption, "Artist - Song Live - Kesto");
    EXPECT_EQ(view.trayHint, "Artist_-_Song%20Live[1]");
    EXPECT_EQ(view.panels[kInfoPanel], "128 Kbps 44100 Hz - Stereo");
    EXPECT_EQ(view.timeLabel, "播放在线流媒体于           16 KB/s");
    EXPECT_EQ(view.seekPosition, 0);

    {
        std::lock_guard lock(mutex);
        meta = "StreamTitle='Next';";
    }
    ticks(kStreamRefreshTicks - 1);
    EXPECT_EQ(view.caption, "Artist - Song Live - Kesto");
    ticks(1);
    EXPECT_EQ(view.caption, "Next - Kesto");
}

TEST_F(EngineStreamMetadata, WithoutMetadataTheEntryTitleAndTheEstimateServe) {
    icy = "icy-name:Jazz\0\0"s;
    writeFile(wav, wavFile(loudTone(secondsToFrames(30), 1), 22050, 1));
    connect("http://a/live|Jazz Radio");
    // The estimate needs decoded audio to go by.
    ASSERT_TRUE(pumpUntil([&] { return p().audio.ChannelGetPosition(p().feed.MainDecoder) > 0; }));
    ticks(kStreamFirstRefreshTicks);
    EXPECT_EQ(view.caption, "Jazz Radio - Kesto");
    // The stand-in is a WAV file: 22050 Hz mono 16-bit is 352.8 kbps. The
    // estimate goes by what the decoder has taken so far, so a slow run
    // (sanitizers) reads a little off.
    const std::string& panel = view.panels[kInfoPanel];
    const std::string suffix = " Kbps 22050 Hz - Mono";
    ASSERT_TRUE(panel.ends_with(suffix)) << panel;
    const int kbps = std::stoi(panel.substr(0, panel.size() - suffix.size()));
    EXPECT_NEAR(kbps, 353, 35) << panel;
}

// Quitting while a connection waits or runs: the player goes at once and
// no result reaches it later.
TEST_F(EngineStreamConnect, QuittingWhileConnectingDoesNotHang) {
    addEntry("http://a/live");
    OpenEntry(p(), 0);
    const auto start = std::chrono::steady_clock::now();
    useOutput("null");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_TRUE(openedUrls().empty());
}

} // namespace
} // namespace kesto::test
