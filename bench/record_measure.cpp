// What recording a stream costs, measured in one process without a window:
// CPU seconds per minute of a station playing, first without and then with
// a recording running, and the resident memory each minute of a long
// recording (it must stay flat: the audio goes to disk, never to memory).
// The status tick runs every 33 ms, as the window's timer would.
// Usage: record_measure STATION-URL [recording-minutes] [null]

#include "playback/output.h"
#include "playback/status_tick.h"
#include "player/player.h"
#include "stream/recorder_files.h"
#include "stream/recording.h"

#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>

using namespace kesto;
using namespace std::chrono_literals;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long rssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

void run(Player& player, test::FakeView& view, std::chrono::seconds span) {
    const auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) {
        view.runPosted();
        StatusTick(player);
        std::this_thread::sleep_for(33ms);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s STATION-URL [recording-minutes] [null]\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    const int minutes = argc > 2 ? std::stoi(argv[2]) : 0;
    test::TempDir home;
    test::TempDir temp;
    test::FakeView view;
    AudioLibrary::Options options;
    if (argc > 3)
        options.output = argv[3];
    Player player(AppPaths(home.path()), view, options);
    player.settings.writeString("General", "RecordTempPath", temp.path() + "/");
    player.playlist.PlaylistEntries = {url};
    OpenEntry(player, 0);
    for (int i = 0; i < 300 && outputState(player) != ChannelState::Playing; ++i) {
        view.runPosted();
        std::this_thread::sleep_for(50ms);
    }
    if (outputState(player) != ChannelState::Playing) {
        std::fprintf(stderr, "the station did not start playing\n");
        return 1;
    }
    run(player, view, 10s);
    double a = cpuSeconds();
    run(player, view, 60s);
    const double off = cpuSeconds() - a;

    view.answers.push_back(true);
    recordStartCommand(player);
    if (!player.stream.recording.recording) {
        std::fprintf(stderr, "the recording did not start\n");
        return 1;
    }
    a = cpuSeconds();
    run(player, view, 60s);
    const double on = cpuSeconds() - a;
    std::printf("CPU per minute of the station: %.3f s without recording, %.3f s recording\n", off,
                on);
    if (minutes > 0) {
        std::printf("RSS (KiB) by minute of recording:");
        for (int m = 0; m <= minutes; ++m) {
            if (m > 0)
                run(player, view, 60s);
            std::printf(" %ld", rssKiB());
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    StopCapture(player);
    std::ifstream f0(tempFilePath(temp.path() + "/", 0), std::ios::binary | std::ios::ate);
    std::printf("recorded %lld bytes, %llu dropped\n", static_cast<long long>(f0.tellg()),
                static_cast<unsigned long long>(player.stream.recording.recorder.droppedBytes()));
    view.answers.push_back(false);
    FinishRecording(player);
    return 0;
}
