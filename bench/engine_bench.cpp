// Engine benchmarks, run by hand in a Release build:
//   build/bench/engine_bench [seconds of PulseAudio playback, default 20]
// Decode throughput against the command-line decoders of the same libraries,
// the time from opening a 10-minute MP3 to its first block, and the CPU time
// of playing an MP3 through PulseAudio against `mpg123 -o pulse` (only when
// PULSE_SERVER is set). Each figure is the best of a few runs on the same file.

#include "playback/engine/audio_library.h"
#include "support/audio_fixtures.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

using namespace kesto;
using namespace kesto::test;

namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

double processCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

double threadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// CPU seconds (user + system) a command used, or -1 when it could not run.
double childCpu(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

template <typename F> double bestOf(int runs, F f) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, f());
    return best;
}

// Decodes the whole file through the library; returns the CPU seconds it took.
double libraryDecode(const std::string& path) {
    AudioLibrary audio;
    std::vector<char> block(17640);
    const double start = threadCpu();
    AudioHandle h = audio.StreamCreateFile(path);
    if (!h)
        return -1;
    while (audio.ChannelGetData(h, block.data(), static_cast<std::uint32_t>(block.size())) > 0) {
    }
    return threadCpu() - start;
}

Samples musicLike(std::int64_t frames) {
    Samples s = sineSweep(44100, 2, frames, 40, 12000, 0.35);
    const Samples n = whiteNoise(2, frames, 99, 0.1);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(s[i] + n[i]);
    return s;
}

void playbackCpu(const std::string& mp3, int playSeconds) {
    const char* server = std::getenv("PULSE_SERVER");
    if (!server || !*server) {
        std::printf("pulse playback: skipped, PULSE_SERVER is not set\n");
        return;
    }
    AudioLibrary::Options options;
    options.output = "";
    AudioLibrary audio(options);
    if (!audio.Init(1, 44100)) {
        std::printf("pulse playback: skipped, Init failed with %d\n", audio.ErrorGetCode());
        return;
    }
    audio.SetConfig(AudioOption::UpdatePeriodMs, 100);
    audio.SetConfig(AudioOption::BufferMs, 3000);
    AudioHandle dec = audio.StreamCreateFile(mp3);
    AudioHandle out = audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
        std::int64_t got = audio.ChannelGetData(dec, b, n);
        return got < 0 ? kStreamEnd : static_cast<std::uint32_t>(got);
    });
    const double before = processCpu();
    audio.StreamPlay(out);
    std::this_thread::sleep_for(std::chrono::seconds(playSeconds));
    const double ours = processCpu() - before;
    audio.Free();
    const int frames = playSeconds * 44100 / 1152;
    const double theirs =
        childCpu({"mpg123", "-q", "-o", "pulse", "-n", std::to_string(frames), mp3});
    const double scale = 60.0 / playSeconds;
    std::printf("pulse playback, CPU s per minute of MP3: library %.3f, mpg123 -o pulse %.3f "
                "(ratio %.2f, %d s each)\n",
                ours * scale, theirs * scale, theirs > 0 ? ours / theirs : 0.0, playSeconds);
}

} // namespace

int main(int argc, char** argv) {
    const int playSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    TempDir dir;
    std::printf("making fixtures...\n");
    const Samples three = musicLike(44100 * 180);
    const std::string wav = dir.file("three.wav");
    const std::string mp3 = dir.file("three.mp3");
    const std::string ogg = dir.file("three.ogg");
    writeFile(wav, wavFile(three, 44100, 2));
    writeFile(mp3, mp3File(three, 44100, 2));
    writeFile(ogg, oggFile(three, 44100, 2));
    const std::string ten = dir.file("ten.mp3");
    writeFile(ten, mp3File(musicLike(44100 * 600), 44100, 2));

    std::printf("decode 3 min, CPU seconds (best of 3):\n");
    const double libMp3 = bestOf(3, [&] { return libraryDecode(mp3); });
    const double cliMp3 = bestOf(3, [&] {
        return childCpu({"mpg123", "-q", "-w", "/dev/null", mp3});
    });
    std::printf("  mp3: library %.3f  mpg123 -w /dev/null %.3f  ratio %.2f\n", libMp3, cliMp3,
                libMp3 / cliMp3);
    const double libOgg = bestOf(3, [&] { return libraryDecode(ogg); });
    const double cliOgg = bestOf(3, [&] {
        return childCpu({"oggdec", "-Q", "-o", "/dev/null", ogg});
    });
    std::printf("  ogg: library %.3f  oggdec -o /dev/null %.3f  ratio %.2f\n", libOgg, cliOgg,
                libOgg / cliOgg);
    const double libWav = bestOf(3, [&] { return libraryDecode(wav); });
    std::printf("  wav: library %.4f (%.0fx real time)\n", libWav, 180 / libWav);

    std::vector<double> opens;
    for (int i = 0; i < 21; ++i) {
        AudioLibrary audio;
        std::vector<char> block(17640);
        const auto start = std::chrono::steady_clock::now();
        AudioHandle h = audio.StreamCreateFile(ten);
        audio.ChannelGetData(h, block.data(), static_cast<std::uint32_t>(block.size()));
        opens.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(opens.begin(), opens.end());
    std::printf("open 10-min MP3 to first 100 ms block: median %.2f ms, worst %.2f ms\n",
                opens[opens.size() / 2], opens.back());

    playbackCpu(mp3, playSeconds);
    return 0;
}
