#include "playback/engine/engine_test_util.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

// parec recording the sink's monitor into a file, started before we play.
class Recorder {
public:
    Recorder(const std::string& sink, const std::string& file) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        const std::string device = sink + ".monitor";
        const char* argv[] = {"parec",          "--latency-msec=10", "-d",           device.c_str(),
                              "--format=s16le", "--rate=44100",      "--channels=2", nullptr};
        ok_ =
            posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(argv), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Recorder() { stop(); }
    bool started() const { return ok_; }
    void stop() {
        if (!ok_)
            return;
        kill(pid_, SIGINT);
        int status = 0;
        waitpid(pid_, &status, 0);
        ok_ = false;
    }

private:
    pid_t pid_ = 0;
    bool ok_ = false;
};

TEST(EnginePulseOutput, ToneReachesTheSinkMonitor) {
    const char* server = std::getenv("PULSE_SERVER");
    const char* sinkEnv = std::getenv("KESTO_TEST_PULSE_SINK");
    if (!server || !*server)
        GTEST_SKIP() << "PULSE_SERVER is not set: no sound server to play through";
    const std::string sink = sinkEnv && *sinkEnv ? sinkEnv : "ci_sink";

    AudioLibrary::Options options;
    options.output = ""; // the real device, whatever KESTO_AUDIO_OUTPUT says
    AudioLibrary audio(options);
    if (!audio.Init(1, 44100))
        GTEST_SKIP() << "the sound server at " << server << " is unreachable (error "
                     << audio.ErrorGetCode() << ")";
    bool found = false;
    for (int n = 2; auto description = audio.GetDeviceDescription(n); ++n)
        found = found || !description->empty();
    EXPECT_TRUE(found) << "the server lists no sinks";

    TempDir dir;
    const std::string raw = dir.file("monitor.raw");
    Recorder recorder(sink, raw);
    ASSERT_TRUE(recorder.started()) << "parec could not be started";
    // An idle null sink delivers its first data late; play only once recording runs.
    for (int i = 0; i < 500 && readFile(raw).empty(); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_FALSE(readFile(raw).empty()) << "parec recorded nothing";

    const std::int64_t toneFrames = 44100 * 3 / 2;
    const Samples tone = sineTone(44100, 2, toneFrames, 1000, 0.5);
    std::size_t at = 0;
    audio.SetConfig(AudioOption::BufferMs, 500);
    AudioHandle out = audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
        const std::size_t count = std::min<std::size_t>(n / 2, tone.size() - at);
        std::memcpy(b, tone.data() + at, count * 2);
        at += count;
        return static_cast<std::uint32_t>(count * 2) | (at == tone.size() ? kStreamEnd : 0);
    });
    ASSERT_NE(out, 0u);
    ASSERT_TRUE(audio.StreamPlay(out));
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (audio.ChannelIsActive(out) != ChannelState::Stopped &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Stopped);
    EXPECT_EQ(audio.ChannelGetPosition(out), toneFrames * 4);
    std::this_thread::sleep_for(300ms);
    recorder.stop();
    audio.Free();

    const Samples recorded = toSamples(readFile(raw));
    // Find the onset, then compare the tone's energy with a frequency it lacks.
    std::size_t onset = 0;
    while (onset < recorded.size() && std::abs(recorded[onset]) < 1000)
        ++onset;
    ASSERT_LT(onset, recorded.size()) << "the monitor stayed silent";
    const std::size_t len =
        std::min<std::size_t>(44100 * 2, recorded.size() - onset) & ~std::size_t{1};
    const Samples heard(recorded.begin() + static_cast<long>(onset),
                        recorded.begin() + static_cast<long>(onset + len));
    EXPECT_GT(tonePower(heard, 2, 0, 44100, 1000), 100 * tonePower(heard, 2, 0, 44100, 1500));
    // All of the tone arrived: about 1.5 s of loud samples.
    std::size_t loud = 0;
    for (std::size_t i = onset; i < recorded.size(); i += 2)
        loud += std::abs(recorded[i]) > 100 ? 1 : 0;
    EXPECT_NEAR(static_cast<double>(loud) / 44100, 1.5, 0.1);
}

} // namespace
} // namespace kesto::test
