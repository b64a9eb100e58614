// The find window over 100,000 entries, on the offscreen platform (or the
// display in DISPLAY): the filter alone for a first letter and for each key
// of a word typed on, then a key press into the window's field until its list
// has repainted. A third of the entries hold a "d". Beside them, from the same run: grep -ci over
// the same lines in a file (a process start included), and the toolkit's floor, a repaint of the
// result list with nothing changed.
//
//   find_bench [entries]

#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/find_form.h"
#include "playlist/find_results.h"

#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace kesto;

namespace {

struct Stats {
    std::vector<double> us;
    void add(qint64 ns) { us.push_back(static_cast<double>(ns) / 1000.0); }
    void print(const char* what) {
        std::sort(us.begin(), us.end());
        std::printf("%-48s median %8.1f us   p90 %8.1f us   max %8.1f us   (%zu runs)\n", what,
                    us[us.size() / 2], us[us.size() * 9 / 10], us.back(), us.size());
    }
};

void press(QWidget* target, int key, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &up);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
    test::TempDir home;
    test::FakeView view;
    Player player(AppPaths(home.path()), view);
    auto& entries = player.playlist.PlaylistEntries;
    for (int i = 0; i < n; ++i)
        entries.push_back("/home/user/Music/Artist " + std::to_string(i / 1000) +
                          (i % 3 == 0 ? "/Dreams/" : "/Album/") + std::to_string(i % 1000) +
                          " Track title number " + std::to_string(i) + ".mp3");

    Stats first;
    std::size_t rows = 0;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        rows += FilterResults(entries, "d").size();
        first.add(t.nsecsElapsed());
    }
    first.print("filter, a first letter (\"d\")");

    Stats word;
    const std::string typed = "track title number 99";
    for (int i = 0; i < 20; ++i) {
        std::vector<int> map;
        for (std::size_t k = 1; k <= typed.size(); ++k) {
            QElapsedTimer t;
            t.start();
            map = k == 1 ? FilterResults(entries, typed.substr(0, 1))
                         : refineResults(entries, map, typed.substr(0, k));
            word.add(t.nsecsElapsed());
        }
        rows += map.size();
    }
    word.print("filter, each key of a word typed on");

    Stats fresh;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        rows += FilterResults(entries, "number 5").size();
        fresh.add(t.nsecsElapsed());
    }
    fresh.print("filter, a whole word from scratch");

    TFind_Form form(player);
    form.show();
    for (int i = 0; i < 100; ++i)
        QApplication::processEvents();
    QWidget* viewport = form.ListBox1->viewport();

    // Typing "d" into an empty field (a full pass of the filter) and taking it
    // back (every entry a row again, no search).
    Stats typeKey, typeOnly, backKey;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer t;
        t.start();
        press(form.Edit1, Qt::Key_D, QStringLiteral("d"));
        typeOnly.add(t.nsecsElapsed());
        viewport->repaint();
        typeKey.add(t.nsecsElapsed());
        t.restart();
        press(form.Edit1, Qt::Key_Backspace, QString());
        viewport->repaint();
        backKey.add(t.nsecsElapsed());
    }
    typeKey.print("key \"d\" to the list repainted");
    typeOnly.print("  of which the key (filter, rows, focus)");
    backKey.print("Backspace to the list repainted");

    Stats floor;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        viewport->repaint();
        floor.add(t.nsecsElapsed());
    }
    floor.print("reference: repaint, model unchanged");

    const std::string file = home.file("lines.txt");
    {
        std::ofstream out(file);
        for (const std::string& e : entries)
            out << e << '\n';
    }
    const std::string grep = "grep -ci d '" + file + "' > /dev/null";
    Stats cli;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer t;
        t.start();
        // Through the toolkit: its child reaper would take the child from under system().
        if (QProcess::execute(QStringLiteral("sh"),
                              {QStringLiteral("-c"), QString::fromStdString(grep)}) > 1)
            return std::fprintf(stderr, "grep failed: %s\n", grep.c_str()), 1;
        cli.add(t.nsecsElapsed());
    }
    cli.print("reference: grep -ci d over the same lines");
    std::printf("(%zu rows in all, so nothing is optimised away)\n", rows);
    return 0;
}
