// Single-value reads of Kesto.ini the way the player makes them: each one
// checks that the file has not changed since it was parsed.

#include "player/settings.h"

#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

namespace {

std::string realisticIni() {
    std::string s = "[Window]\nWidth=310\nHeight=370\nLeft=100\nTop=100\nMaximized=0\n"
                    "[Playlist]\nTrack=12\nSortingWay=0\nViewFormat=2\n"
                    "[DirBox]\nLastOpenedDir=/home/u/Music/Album/\nLastOpenedDrive=/home/u/Music/\n"
                    "[Root media]\npath0=/home/u/Music/\npath1=/mnt/nas/music/\n"
                    "[Tweak]\nminimize_to_tray=1\nsoftmute_percent=30\n"
                    "[General]\nPlayMode=4\nVolume=640\nEnqueueOption=2\nDevice=1\n"
                    "[Associations]\nmp3=1\nogg=1\nwav=0\n[Global hotkeys]\n";
    for (int i = 0; i < 13; ++i)
        s += std::to_string(i) + "=0110-" + std::to_string(65 + i) + "\n";
    return s;
}

void BM_TenThousandSingleValueReads(benchmark::State& state) {
    kesto::test::TempDir dir;
    const std::string ini = dir.file("Kesto.ini");
    kesto::test::writeFile(ini, realisticIni());
    kesto::Settings settings(ini);
    for (auto _ : state) {
        int sum = 0;
        for (int i = 0; i < 10000; ++i)
            sum += settings.readInt("General", i % 2 ? "Volume" : "EnqueueOption", 0);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_TenThousandSingleValueReads)->Unit(benchmark::kMillisecond);

void BM_SingleValueWrite(benchmark::State& state) {
    kesto::test::TempDir dir;
    const std::string ini = dir.file("Kesto.ini");
    kesto::test::writeFile(ini, realisticIni());
    kesto::Settings settings(ini);
    int v = 0;
    for (auto _ : state)
        settings.writeInt("General", "Volume", ++v % 1000);
}
BENCHMARK(BM_SingleValueWrite)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
