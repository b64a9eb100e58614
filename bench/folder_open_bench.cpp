// Opening a folder of 20,000 music files into the playlist, as F4 does, in
// the real window: the time against `find` on the same tree, and how often
// the window got to process its events (a 20 ms timer's longest gap) while
// the scan ran.
//
//   folder_open_bench [files, default 20000]

#include "app/app_kesto.h"
#include "player/player.h"
#include "playlist/folder_scan.h"

#include "support/temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace kesto;

namespace {

double runFind(const std::string& dir) {
    QElapsedTimer t;
    t.start();
    const std::string cmd = "find '" + dir + "' -type f > /dev/null";
    if (std::system(cmd.c_str()) != 0)
        return -1;
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KESTO_AUDIO_OUTPUT", "null");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 20000;

    test::TempDir tree;
    const int perFolder = 50;
    for (int f = 0; f < files; ++f) {
        const std::string folder = tree.path() + "/Artist " + std::to_string(f / 1000) + "/Album " +
                                   std::to_string(f / perFolder);
        if (f % perFolder == 0)
            test::makeDirs(folder);
        const char* ext[] = {".mp3", ".ogg", ".wav", ".jpg"};
        std::ofstream(folder + "/" + std::to_string(f) + " Track" + ext[f % 4]);
    }

    test::TempDir home;
    TAppKesto window;
    Player player(AppPaths(home.path()), window);
    window.create(player, {});
    window.show();
    for (int i = 0; i < 100; ++i)
        QApplication::processEvents();

    std::vector<double> findMs, openMs;
    double worstGap = 0;
    for (int run = 0; run < 5; ++run) {
        findMs.push_back(runFind(tree.path()));
        // A timer the event loop should keep firing through the scan.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        double gap = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            gap = std::max(gap, static_cast<double>(now - last) / 1e6);
            last = now;
        });
        beat.start(20);
        QElapsedTimer t;
        t.start();
        AddFolder(player, tree.path() + "/", true, false, true);
        openMs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        const qint64 end = clock.nsecsElapsed();
        gap = std::max(gap, static_cast<double>(end - last) / 1e6);
        worstGap = std::max(worstGap, gap);
    }
    std::sort(findMs.begin(), findMs.end());
    std::sort(openMs.begin(), openMs.end());
    std::printf("%d files (%zu entries added): open folder median %.1f ms, find median %.1f ms "
                "(ratio %.2f); longest gap between event-loop turns during a scan %.1f ms\n",
                files, player.playlist.PlaylistEntries.size(), openMs[2], findMs[2],
                openMs[2] / findMs[2], worstGap);
    return 0;
}
