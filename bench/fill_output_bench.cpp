// The fill callback's cost per 100 ms block, against what the same block
// costs to decode; what standing the look-ahead decoder near the end of a
// file costs, once per file; and the status tick's cost while a file
// plays. Release build:
//   build/bench/fill_output_bench

#include "playback/fill_output.h"
#include "playback/output.h"
#include "playback/status_tick.h"
#include "playback/transport.h"
#include "player/player.h"
#include "support/audio_fixtures.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <vector>

using namespace kesto;
using namespace kesto::test;

namespace {

constexpr std::uint32_t kBlock = 17640; // 100 ms of 44.1 kHz stereo
constexpr int kBlocksBeforeRewind = 500;

Samples music(std::int64_t frames) {
    Samples s = sineSweep(44100, 2, frames, 80, 8000, 0.4);
    const Samples noise = whiteNoise(2, frames, 3, 0.1);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(s[i] + noise[i]);
    return s;
}

// A minute of music in each format, made once.
struct Files {
    TempDir dir;
    std::string wav = dir.file("m.wav");
    std::string mp3 = dir.file("m.mp3");
    std::string ogg = dir.file("m.ogg");
    Files() {
        const Samples minute = music(60 * 44100);
        writeFile(wav, wavFile(minute, 44100, 2));
        writeFile(mp3, mp3File(minute, 44100, 2));
        writeFile(ogg, oggFile(minute, 44100, 2));
    }
    const std::string& of(int kind) const { return kind == 0 ? wav : kind == 1 ? mp3 : ogg; }
};

Files& files() {
    static Files f;
    return f;
}

const char* kindName(int kind) {
    return kind == 0 ? "wav" : kind == 1 ? "mp3" : "ogg";
}

// A player with the file open and its output paused, so that only the
// benchmark calls the callback.
struct PausedPlayer {
    FakeView view;
    TempDir home;
    std::unique_ptr<Player> player;
    explicit PausedPlayer(const std::string& file) {
        AudioLibrary::Options options;
        options.output = "null";
        player = std::make_unique<Player>(AppPaths(home.path()), view, options);
        player->playlist.PlaylistEntries = {file};
        view.lines = 1;
        OpenEntry(*player, 0);
        pauseOutput(*player);
    }
    void rewind() { SeekTo(*player, 0); }
};

void BM_FillOutput(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    state.SetLabel(kindName(kind));
    PausedPlayer paused(files().of(kind));
    std::vector<std::uint8_t> buffer(kBlock);
    int blocks = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FillOutput(*paused.player, buffer.data(), kBlock));
        if (++blocks == kBlocksBeforeRewind) {
            state.PauseTiming();
            paused.rewind();
            blocks = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_FillOutput)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The decoding inside one callback: the same block from one decoder.
void BM_DecodeBlock(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    state.SetLabel(kindName(kind));
    AudioLibrary audio;
    const AudioHandle main = audio.StreamCreateFile(files().of(kind));
    std::vector<std::uint8_t> buffer(kBlock);
    int blocks = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(audio.ChannelGetData(main, buffer.data(), kBlock));
        if (++blocks == kBlocksBeforeRewind) {
            state.PauseTiming();
            audio.ChannelSetPosition(main, 0);
            blocks = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_DecodeBlock)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Standing a decoder that has read nothing a second before the end of the
// file, as the tail look-ahead does once per file.
void BM_PositionFreshDecoderNearEnd(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    state.SetLabel(kindName(kind));
    AudioLibrary audio;
    const std::string& file = files().of(kind);
    const AudioHandle probe = audio.StreamCreateFile(file);
    const std::int64_t target =
        audio.StreamGetLength(probe) - audio.ChannelSeconds2Bytes(probe, 1.0);
    audio.StreamFree(probe);
    for (auto _ : state) {
        state.PauseTiming();
        const AudioHandle fresh = audio.StreamCreateFile(file);
        state.ResumeTiming();
        benchmark::DoNotOptimize(audio.ChannelSetPosition(fresh, target));
        state.PauseTiming();
        audio.StreamFree(fresh);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PositionFreshDecoderNearEnd)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// One status tick while a file plays (paced null output, real time).
void BM_StatusTick(benchmark::State& state) {
    FakeView view;
    TempDir home;
    AudioLibrary::Options options;
    options.output = "null";
    Player player(AppPaths(home.path()), view, options);
    player.playlist.PlaylistEntries = {files().wav, files().mp3};
    view.lines = 2;
    OpenEntry(player, 0);
    for (auto _ : state)
        StatusTick(player);
}
BENCHMARK(BM_StatusTick)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
