// The playlist view with 100,000 entries, on the offscreen platform (or the
// display in DISPLAY): one screen painted, one drag step moving 1,000
// selected lines, and one wheel step with its repaint. Then Insert and Del
// on every other line of a list twice that long, through the window's
// actions as the keys trigger them, beside a copy of the same list.
//
//   list_view_bench [entries]

#include "app/app_kesto.h"
#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/list_view.h"

#include "support/temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace kesto;

namespace {

struct Stats {
    std::vector<double> us;
    void add(qint64 ns) { us.push_back(static_cast<double>(ns) / 1000.0); }
    void print(const char* what) {
        std::sort(us.begin(), us.end());
        std::printf("%-44s median %8.1f us   p90 %8.1f us   max %8.1f us   (%zu runs)\n", what,
                    us[us.size() / 2], us[us.size() * 9 / 10], us.back(), us.size());
    }
};

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KESTO_AUDIO_OUTPUT", "null");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
    test::TempDir home;
    TAppKesto window;
    Player player(AppPaths(home.path()), window);
    window.create(player, {});
    window.resize(420, 900);
    window.show();
    for (int i = 0; i < 200; ++i)
        QApplication::processEvents();

    auto& entries = player.playlist.PlaylistEntries;
    for (int i = 0; i < n; ++i)
        entries.push_back("/home/user/Music/Artist " + std::to_string(i / 1000) + "/Album/" +
                          std::to_string(i % 1000) + " Track title number " + std::to_string(i) +
                          ".mp3");
    for (int i = 0; i < 50; ++i)
        player.playlist.QueueList.push_back(entries[static_cast<std::size_t>(i * 7)]);
    player.playlist.CurrentIndex = 3;
    player.transport.DeviceReady = true;
    RefreshListView(player, false, false);
    TGorseListbox& list = *window.ListScreen;
    QWidget* viewport = list.viewport();

    Stats paint;
    for (int i = 0; i < 200; ++i) {
        list.setTopIndex((i * 977) % (n - 100));
        QElapsedTimer t;
        t.start();
        viewport->repaint();
        paint.add(t.nsecsElapsed());
    }
    paint.print("paint one screen");

    Stats wheel;
    list.setTopIndex(0);
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        const QPoint at(10, 10);
        QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, i < 100 ? -120 : 120),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &e);
        viewport->repaint();
        wheel.add(t.nsecsElapsed());
    }
    wheel.print("wheel step and repaint");

    // Drag the first 1,000 lines down one line at a time, then by a page.
    Stats drag;
    list.setTopIndex(0);
    list.clearSelection();
    std::vector<int> block(1000);
    for (int i = 0; i < 1000; ++i)
        block[static_cast<std::size_t>(i)] = i;
    list.selectIndexes(block);
    Q_EMIT list.dragStarted(0);
    const int h = list.itemHeight();
    for (int step = 1; step <= 40; ++step) {
        QElapsedTimer t;
        t.start();
        Q_EMIT list.dragMoved(step * h + h / 2);
        viewport->repaint();
        drag.add(t.nsecsElapsed());
    }
    drag.print("drag step, 1,000 lines, one line");
    Stats jump;
    for (int step = 0; step < 20; ++step) {
        list.setTopIndex(list.topIndex() + 2000);
        QElapsedTimer t;
        t.start();
        Q_EMIT list.dragMoved(h / 2 + (step % 2) * 5 * h);
        viewport->repaint();
        jump.add(t.nsecsElapsed());
    }
    jump.print("drag step, 1,000 lines, 2,000 lines on");
    Q_EMIT list.dragEnded();
    std::printf("first dragged line now at %d of %d\n", list.selectedIndexes().front(), n);

    std::vector<std::string> twice;
    for (int i = 0; i < 2 * n; ++i)
        twice.push_back("/home/user/Music/Artist " + std::to_string(i / 1000) + "/Album/" +
                        std::to_string(i % 1000) + " Track title number " + std::to_string(i) +
                        ".mp3");
    std::vector<int> every2nd;
    for (int i = 0; i < 2 * n; i += 2)
        every2nd.push_back(i);
    const auto selectEvery2nd = [&] {
        list.clearSelection();
        list.selectIndexes(every2nd);
        list.setFocusedIndex(0);
    };
    Stats queue, remove, copy;
    for (int run = 0; run < 7; ++run) {
        entries = twice;
        player.playlist.QueueList.clear();
        RefreshListView(player, false, false);
        selectEvery2nd();
        QElapsedTimer t;
        t.start();
        window.actions().QueuAc->trigger();
        viewport->repaint();
        queue.add(t.nsecsElapsed());
        selectEvery2nd(); // each removed line also leaves the queue
        t.start();
        window.actions().DeleteAc->trigger();
        viewport->repaint();
        remove.add(t.nsecsElapsed());
        t.start();
        {
            const std::vector<std::string> copied = twice;
            (void)copied;
        }
        copy.add(t.nsecsElapsed());
    }
    queue.print("Insert on every other line (queue them)");
    remove.print("Del on every other line (all queued)");
    copy.print("reference: copy and free the whole list");
    std::printf("(%d of %d lines selected)\n", n, 2 * n);
    return 0;
}
