// The find filter and the path rewrites over playlist-sized texts.

#include "controls/fast_strings.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

// 100,000 lines of about 80 bytes, shaped like full paths of a music library.
const std::vector<std::string>& playlistLines() {
    static const std::vector<std::string> lines = [] {
        std::mt19937 rng(42);
        const char* artists[] = {"Bach", "Miles Davis", "Nina Simone", "Radiohead",
                                 "王菲", "Sigur Rós",   "The Beatles", "Björk"};
        std::vector<std::string> out;
        out.reserve(100000);
        for (int i = 0; i < 100000; ++i) {
            std::string s = "/home/user/Music/";
            s += artists[rng() % 8];
            s += "/Album " + std::to_string(rng() % 300) + "/";
            s += std::to_string(rng() % 20) + " Track title number " + std::to_string(i);
            while (s.size() < 76)
                s += 'x';
            s += ".mp3";
            out.push_back(std::move(s));
        }
        return out;
    }();
    return lines;
}

void BM_FilterLinesIgnoringCase(benchmark::State& state) {
    const auto& lines = playlistLines();
    for (auto _ : state) {
        const kesto::TextFinder finder("sim", false);
        std::size_t hits = 0;
        for (const auto& l : lines)
            hits += finder.contains(l);
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 100000 * 80);
}
BENCHMARK(BM_FilterLinesIgnoringCase)->Unit(benchmark::kMillisecond);

void BM_FindTextPerLineIgnoringCase(benchmark::State& state) {
    // The one-call form, which builds its skip table for every line.
    const auto& lines = playlistLines();
    for (auto _ : state) {
        std::size_t hits = 0;
        for (const auto& l : lines)
            hits += kesto::FindText("sim", l, false, true, 1) != 0;
        benchmark::DoNotOptimize(hits);
    }
}
BENCHMARK(BM_FindTextPerLineIgnoringCase)->Unit(benchmark::kMillisecond);

void BM_ReplaceAllPrefixRemoval(benchmark::State& state) {
    const auto& lines = playlistLines();
    for (auto _ : state) {
        std::size_t total = 0;
        for (const auto& l : lines)
            total += kesto::ReplaceAll(l, "/home/user/music/", "", false).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 100000 * 80);
}
BENCHMARK(BM_ReplaceAllPrefixRemoval)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
