// Speed of the playlist's bulk work: reading and writing large playlists,
// sorting, the relative line text, queueing and removing a large selection
// (measured beside a copy of, and a search through, a list of the same size),
// and adding a large folder tree (measured beside `find` on the same tree).

#include "player/player.h"
#include "playlist/display_text.h"
#include "playlist/folder_scan.h"
#include "playlist/playlist_editing.h"
#include "playlist/playlist_files.h"
#include "playlist/playlist_queue.h"
#include "playlist/playlist_sort.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <malloc.h>
#include <random>
#include <set>

namespace kesto {
namespace {

using test::FakeView;
using test::TempDir;

std::vector<std::string> musicEntries(std::size_t n, const std::string& base) {
    std::vector<std::string> list;
    list.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        list.push_back(base + "Artist " + std::to_string(i / 400) + "/Album " +
                       std::to_string(i / 16 % 25) + "/" + std::to_string(i % 16 + 1) +
                       " Song title number " + std::to_string(i * 7919 % 1000003) + ".mp3");
    return list;
}

struct Bench {
    TempDir home;
    FakeView view;
    Player player{AppPaths(home.path()), view};
};

// Half of the entries lie below the playlist's folder and are stored relative to it.
std::string writeList(Bench& b, const std::string& name, std::size_t n, PlaylistFormat format) {
    auto inside = musicEntries(n / 2, b.home.path() + "/");
    auto outside = musicEntries(n - n / 2, "/home/ann/Music/");
    b.player.playlist.PlaylistEntries = std::move(inside);
    for (auto& e : outside)
        b.player.playlist.PlaylistEntries.push_back(std::move(e));
    const std::string file = b.home.file(name);
    WritePlaylist(b.player.playlist, file, format);
    b.player.playlist.PlaylistEntries.clear();
    return file;
}

void BM_ReadTxt(benchmark::State& state) {
    Bench b;
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const std::string file = writeList(b, "list.txt", n, PlaylistFormat::Text);
    for (auto _ : state) {
        b.player.playlist.PlaylistEntries = {};
        benchmark::DoNotOptimize(ReadTxt(b.player, file));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadTxt)->Arg(100000)->Unit(benchmark::kMillisecond);

// Extended M3U: an #EXTINF line before every entry.
void BM_ReadM3u(benchmark::State& state) {
    Bench b;
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::string text = "#EXTM3U\r\n";
    for (const auto& e : musicEntries(n, b.home.path() + "/"))
        text +=
            "#EXTINF:215,Some Artist - Some Song\r\n" + e.substr(b.home.path().size() + 1) + "\r\n";
    test::writeFile(b.home.file("list.m3u"), text);
    for (auto _ : state) {
        b.player.playlist.PlaylistEntries = {};
        benchmark::DoNotOptimize(ReadM3u(b.player, b.home.file("list.m3u")));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadM3u)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_WritePlaylist(benchmark::State& state) {
    Bench b;
    b.player.playlist.PlaylistEntries =
        musicEntries(static_cast<std::size_t>(state.range(0)), b.home.path() + "/");
    for (auto _ : state)
        benchmark::DoNotOptimize(
            WritePlaylist(b.player.playlist, b.home.file("Playlist.txt"), PlaylistFormat::Text));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WritePlaylist)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortPlaylist(benchmark::State& state) {
    Bench b;
    auto shuffled = musicEntries(static_cast<std::size_t>(state.range(0)), "/home/ann/Music/");
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1));
    b.view.lines = static_cast<int>(shuffled.size());
    for (auto _ : state) {
        state.PauseTiming();
        b.player.playlist.PlaylistEntries = shuffled;
        b.player.playlist.CurrentIndex = 500;
        state.ResumeTiming();
        SortPlaylist(b.player, sortingWayFromInt(static_cast<int>(state.range(1))));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortPlaylist)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

// One screen of the relative view: what a paint asks for.
void BM_EntryDisplayTextRelative(benchmark::State& state) {
    PlaylistState pl;
    pl.PlaylistEntries = musicEntries(1000, "/home/ann/Music/");
    pl.RootMediaList = {"/mnt/other/", "/home/ann/Music/"};
    pl.ViewFormat = ViewFormat::RelativePath;
    for (auto _ : state)
        for (int line = 200; line < 250; ++line)
            benchmark::DoNotOptimize(EntryDisplayText(pl, line));
}
BENCHMARK(BM_EntryDisplayTextRelative)->Unit(benchmark::kMicrosecond);

// A large selection: every other line of a list twice its size, so the lines
// that stay are interleaved with those that go.
struct SelectionBench : Bench {
    std::vector<std::string> list;
    std::set<int> every2nd;

    explicit SelectionBench(std::size_t selected) {
        list = musicEntries(selected * 2, "/home/ann/Music/");
        for (int i = 0; i < static_cast<int>(list.size()); i += 2)
            every2nd.insert(i);
    }
    // The list shown, the selection made, the focus on its first line.
    void reset(std::vector<std::string> queue) {
        player.playlist.PlaylistEntries = list;
        player.playlist.QueueList = std::move(queue);
        view.lines = static_cast<int>(list.size());
        view.selected = every2nd;
        view.focused = 0;
    }
    std::vector<std::string> selectedEntries() const {
        std::vector<std::string> out;
        for (const int line : every2nd)
            out.push_back(list[static_cast<std::size_t>(line)]);
        return out;
    }
};

// Insert on the selection: range(0) lines, none queued before (queueing them
// all) or all queued before (unqueueing them all).
void BM_QueueSelected(benchmark::State& state) {
    SelectionBench b(static_cast<std::size_t>(state.range(0)));
    const bool queuedBefore = state.range(1) != 0;
    const std::vector<std::string> before =
        queuedBefore ? b.selectedEntries() : std::vector<std::string>{};
    for (auto _ : state) {
        state.PauseTiming();
        b.reset(before);
        state.ResumeTiming();
        QueueSelected(b.player);
    }
    state.counters["queue"] = static_cast<double>(b.player.playlist.QueueList.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_QueueSelected)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

// Del on the selection: range(0) lines go, each of them queued once, so each
// also leaves the queue.
void BM_DeleteSelected(benchmark::State& state) {
    SelectionBench b(static_cast<std::size_t>(state.range(0)));
    const std::vector<std::string> queued = b.selectedEntries();
    for (auto _ : state) {
        state.PauseTiming();
        b.reset(queued);
        state.ResumeTiming();
        DeleteSelected(b.player);
    }
    state.counters["left"] = static_cast<double>(b.player.playlist.PlaylistEntries.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DeleteSelected)->Arg(100000)->Unit(benchmark::kMillisecond);

// References for the two above: copying the 200,000-line list they work on,
// and one search through it for a text it does not hold.
void BM_CopyList(benchmark::State& state) {
    const SelectionBench b(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::string> copy = b.list;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyList)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FindInList(benchmark::State& state) {
    const SelectionBench b(static_cast<std::size_t>(state.range(0)));
    const std::string absent = "/home/ann/Music/nowhere.mp3";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::find(b.list.begin(), b.list.end(), absent));
}
BENCHMARK(BM_FindInList)->Arg(100000)->Unit(benchmark::kMillisecond);

// 50,000 files in 2,000 folders: 40 artists of 49 albums; 25 files in each
// folder below the root, one in six of them not music.
void buildMusicTree(const TempDir& t) {
    for (int a = 0; a < 40; ++a) {
        const std::string artist = t.file("Artist " + std::to_string(a));
        std::vector<std::string> folders{artist};
        for (int al = 0; al < 49; ++al)
            folders.push_back(artist + "/Album " + std::to_string(al));
        for (const auto& folder : folders) {
            test::makeDirs(folder);
            for (int s = 0; s < 25; ++s)
                test::writeFile(folder + "/" + std::to_string(s) + " Track" +
                                    (s % 6 == 5 ? ".jpg" : ".mp3"),
                                "");
        }
    }
}

const TempDir& musicTree() {
    static const TempDir tree;
    static const bool built = (buildMusicTree(tree), true);
    (void)built;
    return tree;
}

void BM_AddFolderRecursive(benchmark::State& state) {
    const TempDir& tree = musicTree();
    Bench b;
    for (auto _ : state)
        AddFolder(b.player, tree.path(), true, false, true);
    state.counters["entries"] = static_cast<double>(b.player.playlist.PlaylistEntries.size());
}
BENCHMARK(BM_AddFolderRecursive)->Unit(benchmark::kMillisecond);

void BM_FindTypeF(benchmark::State& state) {
    const std::string command = "find '" + musicTree().path() + "' -type f > /dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("find failed");
}
BENCHMARK(BM_FindTypeF)->Unit(benchmark::kMillisecond);

// Heap bytes in use, counting the large blocks malloc maps on their own.
std::size_t heapInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

// A playlist of a million lines: load time, and the heap the loaded list holds.
void BM_ReadTxtMillion(benchmark::State& state) {
    Bench b;
    const std::string file = writeList(b, "million.txt", 1000000, PlaylistFormat::Text);
    double heapMb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string>().swap(b.player.playlist.PlaylistEntries);
        ::malloc_trim(0);
        const std::size_t before = heapInUse();
        state.ResumeTiming();
        ReadTxt(b.player, file);
        state.PauseTiming();
        heapMb = static_cast<double>(heapInUse() - before) / (1024.0 * 1024.0);
        state.ResumeTiming();
    }
    state.counters["entries"] = static_cast<double>(b.player.playlist.PlaylistEntries.size());
    state.counters["heap_MB"] = heapMb;
    double text = 0;
    for (const std::string& e : b.player.playlist.PlaylistEntries)
        text += static_cast<double>(e.size());
    state.counters["avg_chars"] = text / 1e6;
}
BENCHMARK(BM_ReadTxtMillion)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kesto

BENCHMARK_MAIN();
