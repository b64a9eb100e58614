// The player on a real PulseAudio server of the test's own, with a null sink
// whose monitor parec records: what a listener hears at an MP3 album's join,
// and what happens when the server goes away mid-play and comes back.
// A program of its own (kesto_pulse_device_tests), run alone: it kills and
// restarts its server, which no other test may share.

#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/playback_fixture.h"
#include "playback/status_tick.h"
#include "playback/transport.h"
#include "player/key_codes.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kesto::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kStereo = 2;
const char* const kSink = "kesto_test_sink";
const char* const kLostMessage = "声卡设备已断开，播放已停止。";

// Runs `args` with this process's environment plus `extraEnv` ("NAME=value").
pid_t spawn(const std::vector<std::string>& args, const std::string& out = "/dev/null",
            const std::vector<std::string>& extraEnv = {}) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp(extraEnv.size());
    for (std::size_t i = 0; i < extraEnv.size(); ++i)
        envp[i] = const_cast<char*>(extraEnv[i].c_str());
    for (char** e = environ; *e; ++e)
        envp.push_back(*e);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return ok ? pid : 0;
}

bool runQuietly(const std::vector<std::string>& args,
                const std::vector<std::string>& extraEnv = {}) {
    const pid_t pid = spawn(args, "/dev/null", extraEnv);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A PulseAudio daemon with one null sink, at unix:<folder>/native. The same
// object starts it again at the same address after a kill.
class PrivatePulse {
public:
    explicit PrivatePulse(const std::string& folder) : folder_(folder) {
        ::chmod(folder_.c_str(), 0700);
    }
    ~PrivatePulse() { kill(SIGTERM); }
    PrivatePulse(const PrivatePulse&) = delete;
    PrivatePulse& operator=(const PrivatePulse&) = delete;

    std::string address() const { return "unix:" + folder_ + "/native"; }

    bool start() {
        // The daemon's own runtime folder and home: it must not find a user's server.
        pid_ = spawn({"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1",
                      "--use-pid-file=no", "--log-target=file:" + folder_ + "/pulse.log", "-L",
                      "module-native-protocol-unix socket=" + folder_ + "/native auth-anonymous=1",
                      "-L",
                      std::string("module-null-sink sink_name=") + kSink +
                          " norewinds=1 rate=44100 channels=2"},
                     "/dev/null", {"XDG_RUNTIME_DIR=" + folder_, "HOME=" + folder_});
        if (pid_ <= 0)
            return false;
        for (int i = 0; i < 100; ++i) {
            const std::vector<std::string> env{"PULSE_SERVER=" + address()};
            if (runQuietly({"pactl", "info"}, env))
                return runQuietly({"pactl", "set-default-sink", kSink}, env);
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    void kill(int signal) {
        if (pid_ <= 0)
            return;
        ::kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
    }

private:
    std::string folder_;
    pid_t pid_ = 0;
};

// parec on the sink's monitor, from before anything plays.
class MonitorRecording {
public:
    explicit MonitorRecording(const std::string& file) : file_(file) {
        pid_ = spawn({"parec", "--latency-msec=10", "-d", std::string(kSink) + ".monitor",
                      "--format=s16le", "--rate=44100", "--channels=2"},
                     file);
    }
    ~MonitorRecording() { stop(); }
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    // An idle null sink delivers its first data late: play only once it has.
    bool waitForData() {
        for (int i = 0; i < 500 && pid_ > 0 && readFile(file_).empty(); ++i)
            std::this_thread::sleep_for(10ms);
        return pid_ > 0 && !readFile(file_).empty();
    }
    Samples stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGINT);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = 0;
        }
        return toSamples(readFile(file_));
    }

private:
    std::string file_;
    pid_t pid_ = 0;
};

// The longest run of frames in which both channels stay near silence,
// between the first and the last loud sample.
std::int64_t longestSilenceFrames(const Samples& recorded) {
    const auto loud = [&](std::size_t frame) {
        return std::abs(recorded[frame * 2]) > 1000 || std::abs(recorded[frame * 2 + 1]) > 1000;
    };
    const std::size_t frames = recorded.size() / 2;
    std::size_t first = 0;
    while (first < frames && !loud(first))
        ++first;
    std::size_t last = frames;
    while (last > first && !loud(last - 1))
        --last;
    std::int64_t longest = 0;
    std::int64_t run = 0;
    for (std::size_t f = first; f < last; ++f) {
        const bool quiet = std::abs(recorded[f * 2]) <= 64 && std::abs(recorded[f * 2 + 1]) <= 64;
        run = quiet ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

class PulseServerPlayback : public PlaybackTest {
protected:
    void SetUp() override {
        if (!runQuietly(
                {"sh", "-c", "command -v pulseaudio && command -v parec && command -v pactl"}))
            GTEST_SKIP() << "pulseaudio, parec or pactl is not installed";
        pulse = std::make_unique<PrivatePulse>(pulseDir.path());
        ASSERT_TRUE(pulse->start())
            << "PulseAudio did not start; see " << pulseDir.file("pulse.log");
        setenv("PULSE_SERVER", pulse->address().c_str(), 1);
        useOutput(""); // the real device, whatever KESTO_AUDIO_OUTPUT says
    }

    TempDir pulseDir;
    std::unique_ptr<PrivatePulse> pulse;
};

// Two LAME-tagged halves of one sweep: the listener hears no gap at the join.
TEST_F(PulseServerPlayback, TaggedMp3HalvesJoinWithoutSilenceAtTheSink) {
    const Samples sweep = sineSweep(44100, kStereo, secondsToFrames(7.0), 200, 4000);
    const auto cut = sweep.begin() + (secondsToFrames(3.5) + 331) * kStereo;
    Mp3Encoding encoding;
    encoding.vbrQuality = 2;
    addFile("1.mp3", mp3File(Samples(sweep.begin(), cut), 44100, kStereo, encoding));
    addFile("2.mp3", mp3File(Samples(cut, sweep.end()), 44100, kStereo, encoding));
    setPlayMode(p(), PlayMode::PlayList);

    MonitorRecording recording(home.file("monitor.raw"));
    ASSERT_TRUE(recording.waitForData()) << "parec recorded nothing";
    OpenEntry(p(), 0);
    const AudioHandle out = p().feed.OutputStream;
    ASSERT_NE(out, 0u);
    ASSERT_TRUE(tickUntil([&] { return pl().CurrentIndex == 1; }));
    EXPECT_EQ(p().feed.OutputStream, out) << "the output was restarted at the join";
    ASSERT_TRUE(playToEnd());
    std::this_thread::sleep_for(300ms);
    const Samples recorded = recording.stop();

    const std::int64_t silence = longestSilenceFrames(recorded);
    std::printf("longest silence inside the sound: %lld frames\n", static_cast<long long>(silence));
    EXPECT_LE(silence, 44) << "more than 1 ms of silence";
    EXPECT_TRUE(view.messages.empty());
}

// The server dies while a file plays: playback stops with one warning and
// the device is let go; a server at the same address is used by the next play.
TEST_F(PulseServerPlayback, LostServerStopsPlaybackAndTheNextPlayReconnects) {
    addWav("long.wav", loudTone(secondsToFrames(20.0), kStereo, 440));
    setPlayMode(p(), PlayMode::PlayFile);
    view.focused = 0;
    ASSERT_TRUE(RunKeyCommand(p(), vk::Return, vk::NoModifier));
    ASSERT_TRUE(tickUntil([&] { return FilePosition(p()) > MsToBytes(p(), 500); }));

    pulse->kill(SIGKILL);
    const auto killed = Clock::now();
    ASSERT_TRUE(tickUntil([&] { return !view.messages.empty(); })) << "no word of the lost device";
    const auto noticed = Clock::now();
    std::printf(
        "kill to message: %lld ms\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(noticed - killed).count()));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, kLostMessage);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(p().feed.OutputStream, 0u);
    EXPECT_FALSE(p().transport.DeviceReady);
    EXPECT_EQ(view.timeLabel, "");
    EXPECT_EQ(view.caption, "Kesto 1.04b");
    // Nothing is left ticking on a dead output: no second warning.
    for (int i = 0; i < 50; ++i)
        StatusTick(p());
    EXPECT_EQ(view.messages.size(), 1u);

    ASSERT_TRUE(pulse->start()) << "PulseAudio did not start again";
    ASSERT_TRUE(RunKeyCommand(p(), vk::Return, vk::NoModifier));
    EXPECT_TRUE(p().transport.DeviceReady);
    ASSERT_NE(p().feed.OutputStream, 0u);
    EXPECT_TRUE(tickUntil([&] { return FilePosition(p()) > MsToBytes(p(), 500); }))
        << "the file does not play on the server that came back";
    EXPECT_EQ(outputState(p()), ChannelState::Playing);
    EXPECT_EQ(view.messages.size(), 1u);
    StopPlayback(p(), true);
}

// Paused, no tick runs: the loss shows at the next key instead, and Enter
// then plays on the server that came back.
TEST_F(PulseServerPlayback, LostWhilePausedIsNoticedAtTheNextKey) {
    addWav("long.wav", loudTone(secondsToFrames(20.0), kStereo, 440));
    setPlayMode(p(), PlayMode::PlayFile);
    view.focused = 0;
    ASSERT_TRUE(RunKeyCommand(p(), vk::Return, vk::NoModifier));
    ASSERT_TRUE(tickUntil([&] { return FilePosition(p()) > MsToBytes(p(), 300); }));
    ASSERT_TRUE(RunKeyCommand(p(), vk::Space, vk::NoModifier));
    ASSERT_EQ(outputState(p()), ChannelState::Paused);

    pulse->kill(SIGKILL);
    const AudioHandle out = p().feed.OutputStream;
    // No tick: a paused player's status timer rests.
    for (int i = 0; i < 2000 && !p().audio.deviceLost(out); ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(p().audio.deviceLost(out));
    EXPECT_TRUE(view.messages.empty());
    ASSERT_TRUE(RunKeyCommand(p(), vk::Space, vk::NoModifier));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, kLostMessage);
    EXPECT_EQ(p().feed.OutputStream, 0u);
    EXPECT_FALSE(p().transport.DeviceReady);

    ASSERT_TRUE(pulse->start()) << "PulseAudio did not start again";
    ASSERT_TRUE(RunKeyCommand(p(), vk::Return, vk::NoModifier));
    EXPECT_TRUE(tickUntil([&] { return FilePosition(p()) > MsToBytes(p(), 300); }))
        << "the file does not play on the server that came back";
    EXPECT_EQ(view.messages.size(), 1u);
    StopPlayback(p(), true);
}

} // namespace
} // namespace kesto::test
