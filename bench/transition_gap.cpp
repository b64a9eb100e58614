// The silence between two files at an ordinary (not gapless) transition: the
// first file is 2 s long, so the stream ends after it and the status tick
// starts the second the ordinary way. Run by hand in a Release build:
//   build/bench/transition_gap [runs, default 5]
// Through the paced WAV output the gap is timed from the outputs' positions
// (polled every 0.2 ms); through PulseAudio (when PULSE_SERVER is set) it is
// counted in samples in a recording of the sink's monitor.

#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "player/player.h"
#include "support/audio_fixtures.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <numbers>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace kesto;
using namespace kesto::test;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

Samples tone(double seconds, double hz) {
    const auto frames = static_cast<std::int64_t>(seconds * 44100);
    Samples out(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t f = 0; f < frames; ++f) {
        const auto v = static_cast<std::int16_t>(std::lround(
            16000 * std::cos(2 * std::numbers::pi * hz * static_cast<double>(f) / 44100)));
        out[static_cast<std::size_t>(f) * 2] = out[static_cast<std::size_t>(f) * 2 + 1] = v;
    }
    return out;
}

struct Setup {
    TempDir dir;
    FakeView view;
    std::unique_ptr<Player> player;
    explicit Setup(const std::string& output) {
        writeFile(dir.file("a.wav"), wavFile(tone(2.0, 440), 44100, 2));
        writeFile(dir.file("b.wav"), wavFile(tone(1.0, 660), 44100, 2));
        AudioLibrary::Options options;
        options.output = output == "wav" ? "wav:" + dir.file("out.wav") : output;
        player = std::make_unique<Player>(AppPaths(dir.path()), view, options);
        player->playlist.PlaylistEntries = {dir.file("a.wav"), dir.file("b.wav")};
        view.lines = 2;
        setPlayMode(*player, PlayMode::PlayList);
    }
    // Plays both files with the status tick on its own period, as the window does.
    void play(const std::function<void()>& poll = {}) {
        OpenEntry(*player, 0);
        auto next = Clock::now();
        while (player->feed.OutputStream != 0) {
            if (Clock::now() >= next) {
                StatusTick(*player);
                next += std::chrono::milliseconds(player->status.StatusPeriod);
            }
            if (poll)
                poll();
            std::this_thread::sleep_for(200us);
        }
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void report(const char* what, const std::vector<double>& gaps) {
    if (gaps.empty()) {
        std::printf("%-34s no measurement\n", what);
        return;
    }
    std::printf("%-34s min %6.1f ms  median %6.1f ms  max %6.1f ms  (%zu runs)\n", what,
                *std::min_element(gaps.begin(), gaps.end()), median(gaps),
                *std::max_element(gaps.begin(), gaps.end()), gaps.size());
}

// The first file has played to its end when its stream's position stops at
// 2 s; the second sounds from its stream's first played block. A clocked
// device counts a block as played when it takes it, 10 ms before it has
// sounded, so the block that ended the first file adds its length.
std::vector<double> wavGaps(int runs) {
    std::vector<double> gaps;
    for (int run = 0; run < runs; ++run) {
        Setup s("wav");
        Player& p = *s.player;
        const std::int64_t firstBytes = 2 * 44100 * 4;
        AudioHandle first = 0;
        Clock::time_point firstDone{};
        Clock::time_point secondStart{};
        s.play([&] {
            const AudioHandle out = p.feed.OutputStream;
            if (first == 0)
                first = out;
            if (firstDone == Clock::time_point{} && p.audio.ChannelGetPosition(first) >= firstBytes)
                firstDone = Clock::now() + 10ms;
            if (out != first && out != 0 && secondStart == Clock::time_point{} &&
                p.audio.ChannelGetPosition(out) > 0)
                secondStart = Clock::now();
        });
        if (firstDone != Clock::time_point{} && secondStart != Clock::time_point{})
            gaps.push_back(
                std::chrono::duration<double, std::milli>(secondStart - firstDone).count());
    }
    return gaps;
}

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
    bool ok() const { return ok_; }
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

// The longest run of quiet frames between the first loud frame and the last.
double recordedGapMs(const Samples& samples) {
    const std::size_t frames = samples.size() / 2;
    const auto loud = [&](std::size_t f) {
        return std::abs(static_cast<int>(samples[f * 2])) > 1000;
    };
    std::size_t first = 0;
    while (first < frames && !loud(first))
        ++first;
    std::size_t last = frames;
    while (last > first && !loud(last - 1))
        --last;
    std::size_t longest = 0;
    std::size_t run = 0;
    for (std::size_t f = first; f < last; ++f) {
        run = loud(f) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return static_cast<double>(longest) * 1000.0 / 44100;
}

std::vector<double> pulseGaps(int runs) {
    std::vector<double> gaps;
    const char* sinkEnv = std::getenv("KESTO_TEST_PULSE_SINK");
    const std::string sink = sinkEnv && *sinkEnv ? sinkEnv : "ci_sink";
    for (int run = 0; run < runs; ++run) {
        TempDir dir;
        const std::string recording = dir.file("monitor.raw");
        Recorder recorder(sink, recording);
        if (!recorder.ok())
            return gaps;
        // An idle null sink delivers its first data late: wait for it.
        const auto until = Clock::now() + 5s;
        while (readFile(recording).empty() && Clock::now() < until)
            std::this_thread::sleep_for(10ms);
        Setup s("pulse");
        s.play();
        std::this_thread::sleep_for(300ms);
        recorder.stop();
        gaps.push_back(recordedGapMs(toSamples(readFile(recording))));
    }
    return gaps;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    report("paced WAV output (timed)", wavGaps(runs));
    const char* server = std::getenv("PULSE_SERVER");
    if (server && *server)
        report("PulseAudio (sink monitor recorded)", pulseGaps(runs));
    else
        std::printf("PulseAudio: PULSE_SERVER is not set, not measured\n");
    return 0;
}
