// The playlist view: how lines are drawn, wheel scrolling, and reordering by
// dragging, on the real window under the offscreen platform.

#include "app/app_kesto.h"
#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/list_view.h"
#include "prefs/list_style.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using namespace kesto;

namespace {

// Every colour of the look different, so a wrong choice shows.
const QByteArray kScheme = "[Style]\n"
                           "background_color=#101010\n"
                           "font_size=12\n"
                           "font_color=#202020\n"
                           "font_color_selected=#303030\n"
                           "selection_color=#404040\n"
                           "selection_color_playingitem=#505050\n"
                           "playingitem_color=#606060\n"
                           "playingitem_color_selected=#707070\n"
                           "playingitem_bold=1\n"
                           "queueditem_color=#808080\n"
                           "shuffleditem_color=#909090\n";

struct View {
    QTemporaryDir dir;
    TAppKesto window;
    std::unique_ptr<Player> player;

    View() {
        player = std::make_unique<Player>(AppPaths(dir.path().toStdString()), window);
        window.create(*player, {});
        QFile f(dir.filePath("s.kestoscheme"));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("scheme");
        f.write(kScheme);
        f.close();
        window.resize(400, 420);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("not shown");
        window.applyListStyle(LoadScheme(dir.filePath("s.kestoscheme"), window.palette()));
    }
    void fill(std::vector<std::string> entries) {
        player->playlist.PlaylistEntries = std::move(entries);
        RefreshListView(*player, false, false);
    }
    TGorseListbox& list() { return *window.ListScreen; }
};

QColor rgb(int v) {
    return QColor(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
}

void wheel(TGorseListbox& list, int notches, Qt::KeyboardModifiers mods = {}) {
    const QPoint at(10, 10);
    QWheelEvent e(at, list.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                  Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list.viewport(), &e);
}

} // namespace

class PlaylistViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linesFollowTheMarkingRules() {
        View v;
        v.fill({"/m/a.mp3", "/m/b.mp3", "/m/a.mp3", "/m/c.mp3", "http://radio/|Radio", "/m/d.mp3"});
        PlaylistState& pl = v.player->playlist;
        pl.QueueList = {"/m/a.mp3", "/m/c.mp3", "/m/a.mp3", "http://radio/|Radio"};
        pl.ShuffleHistory = {"/m/c.mp3", "/m/d.mp3"};
        pl.CurrentIndex = 1;
        v.player->transport.DeviceReady = true;

        // Queue numbers by text, on both lines holding the entry, highest first.
        QCOMPARE(v.window.lineLook(0, false).text, QStringLiteral("3 >   1 >   a.mp3"));
        QCOMPARE(v.window.lineLook(2, false).text, QStringLiteral("3 >   1 >   a.mp3"));
        QCOMPARE(v.window.lineLook(0, false).ink, rgb(0x808080));
        // The playing line, bold, in its own colours; selected, in the playing selection.
        QCOMPARE(v.window.lineLook(1, false).ink, rgb(0x606060));
        QVERIFY(v.window.lineLook(1, false).bold);
        QCOMPARE(v.window.lineLook(1, true).fill, rgb(0x505050));
        QCOMPARE(v.window.lineLook(1, true).ink, rgb(0x707070));
        // Queued beats shuffled; a selected queued line takes the selection's colours.
        QCOMPARE(v.window.lineLook(3, false).ink, rgb(0x808080));
        QCOMPARE(v.window.lineLook(3, true).ink, rgb(0x303030));
        QCOMPARE(v.window.lineLook(3, true).fill, rgb(0x404040));
        QCOMPARE(v.window.lineLook(3, true).text, QStringLiteral("2 >   c.mp3"));
        QCOMPARE(v.window.lineLook(5, false).ink, rgb(0x909090));
        // A stream is green even when queued, and shows its title.
        QCOMPARE(v.window.lineLook(4, false).ink, QColor(0x00, 0x80, 0x00));
        QCOMPARE(v.window.lineLook(4, false).text, QStringLiteral("4 >   Radio"));
        QVERIFY(!v.window.lineLook(5, false).bold);

        // After a full stop nothing is marked as playing, though the index stays.
        v.player->transport.DeviceReady = false;
        QCOMPARE(v.window.lineLook(1, false).ink, rgb(0x202020));
        QVERIFY(!v.window.lineLook(1, false).bold);
        QCOMPARE(v.window.lineLook(1, true).fill, rgb(0x404040));
    }

    void paintedRowsUseTheirColours() {
        View v;
        v.fill({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
        v.player->playlist.CurrentIndex = 2;
        v.player->transport.DeviceReady = true;
        SelectEntry(*v.player, 1);
        const QImage img = v.list().viewport()->grab().toImage();
        const int h = v.list().itemHeight();
        const int x = img.width() - 3; // right of every text
        QCOMPARE(QColor(img.pixel(x, h / 2)), rgb(0x101010));
        QCOMPARE(QColor(img.pixel(x, h + h / 2)), rgb(0x404040));
        QCOMPARE(QColor(img.pixel(x, 2 * h + h / 2)), rgb(0x101010));
        // below the last line
        QCOMPARE(QColor(img.pixel(x, 3 * h + 4)), rgb(0x101010));
        // The playing line's text is drawn in the playing colour.
        int inked = 0;
        for (int y = 2 * h; y < 3 * h; ++y)
            for (int px = 0; px < img.width() / 2; ++px)
                inked += QColor(img.pixel(px, y)) == rgb(0x606060);
        QVERIFY(inked > 10);
    }

    void wheelScrollsByWholeLinesWithinTheList() {
        View v;
        std::vector<std::string> many;
        for (int i = 0; i < 1000; ++i)
            many.push_back("/m/" + std::to_string(i) + ".mp3");
        v.fill(std::move(many));
        TGorseListbox& list = v.list();
        const int maxTop = 1000 - list.visibleRows();
        wheel(list, -1);
        QCOMPARE(list.topIndex(), 8);
        wheel(list, -1, Qt::ShiftModifier);
        QCOMPARE(list.topIndex(), 11);
        wheel(list, -1, Qt::ControlModifier);
        QCOMPARE(list.topIndex(), 91);
        wheel(list, 1, Qt::ControlModifier);
        wheel(list, 1);
        QCOMPARE(list.topIndex(), 3);
        wheel(list, 1);
        // never above the first line
        QCOMPARE(list.topIndex(), 0);
        for (int i = 0; i < 20; ++i)
            wheel(list, -1, Qt::ControlModifier);
        // never beyond the last full page
        QCOMPARE(list.topIndex(), maxTop);
        // the selection stays
        QCOMPARE(list.selectedIndexes(), std::vector<int>{0});
    }

    void draggingMovesTheSelectedBlock() {
        View v;
        v.fill({"e0", "e1", "e2", "e3", "e4", "e5", "e6", "e7"});
        PlaylistState& pl = v.player->playlist;
        pl.CurrentIndex = 4; // e4 plays, outside the block
        TGorseListbox& list = v.list();
        const int h = list.itemHeight();
        list.clearSelection();
        list.selectIndexes({1, 2, 5});
        // Grab e2 and drag it onto line 4: every selected line moves down by two.
        Q_EMIT list.dragStarted(2);
        Q_EMIT list.dragMoved(4 * h + 2);
        QCOMPARE(pl.PlaylistEntries,
                 (std::vector<std::string>{"e0", "e3", "e4", "e1", "e2", "e6", "e7", "e5"}));
        // the playing entry keeps its mark
        QCOMPARE(pl.CurrentIndex, 2);
        QCOMPARE(list.selectedIndexes(), (std::vector<int>{3, 4, 7}));
        QCOMPARE(list.focusedIndex(), 4);
        // The block touches the last line: further down does nothing.
        Q_EMIT list.dragMoved(6 * h + 2);
        QCOMPARE(pl.PlaylistEntries[7], "e5");
        // Back up: grabbed e2 onto line 1 moves the block up by three; the lines
        // it passes close up behind it in their order.
        Q_EMIT list.dragMoved(1 * h + 2);
        const std::vector<std::string> up = {"e1", "e2", "e0", "e3", "e5", "e4", "e6", "e7"};
        QCOMPARE(pl.PlaylistEntries, up);
        // The block touches the first line: further up does nothing.
        Q_EMIT list.dragMoved(0 * h + 2);
        QCOMPARE(pl.PlaylistEntries, up);
        QCOMPARE(pl.PlaylistEntries[static_cast<std::size_t>(pl.CurrentIndex)], "e4");
        Q_EMIT list.dragEnded();
    }

    // Del while the button is still down removes the dragged lines: the
    // drag ends there instead of moving lines that are gone. While a nested
    // loop holds lines of the list, no drag starts at all.
    void aDragEndsWhenItsLinesGoUnderIt() {
        View v;
        v.fill({"e0", "e1", "e2", "e3", "e4", "e5", "e6", "e7", "e8", "e9"});
        const auto& entries = v.player->playlist.PlaylistEntries;
        TGorseListbox& list = v.list();
        const int h = list.itemHeight();
        list.clearSelection();
        list.selectIndexes({7, 8, 9});
        Q_EMIT list.dragStarted(8);
        v.window.actions().DeleteAc->trigger();
        const std::vector<std::string> left = {"e0", "e1", "e2", "e3", "e4", "e5", "e6"};
        QCOMPARE(entries, left);
        Q_EMIT list.dragMoved(2 * h + 2);
        Q_EMIT list.dragMoved(1 * h + 2);
        QCOMPARE(entries, left);
        Q_EMIT list.dragEnded();

        list.clearSelection();
        list.selectIndexes({5});
        {
            const auto loop = v.player->nestedLoops.enter();
            Q_EMIT list.dragStarted(5);
            Q_EMIT list.dragMoved(0 * h + 2);
            Q_EMIT list.dragEnded();
        }
        QCOMPARE(entries, left);
    }

    void aDragHeldAboveTheListKeepsScrolling() {
        View v;
        std::vector<std::string> many;
        for (int i = 0; i < 300; ++i)
            many.push_back("/m/" + std::to_string(i) + ".mp3");
        v.fill(std::move(many));
        TGorseListbox& list = v.list();
        list.setTopIndex(100);
        const int grabbed = 110;
        list.clearSelection();
        list.selectIndexes({grabbed});
        Q_EMIT list.dragStarted(grabbed);
        Q_EMIT list.dragMoved(-20);
        QTRY_COMPARE_WITH_TIMEOUT(list.topIndex(), 0, 5000);
        // the block rode along to the top
        QCOMPARE(v.player->playlist.PlaylistEntries[0], "/m/110.mp3");
        Q_EMIT list.dragEnded();
    }

    // Every look's lines are at least as tall as a line of its font, bold
    // included, on this screen. ctest runs this at 96, 120 and 144 dpi.
    void linesFitTheirFont() {
        View v;
        v.fill({"gjpqy 播放列表", "ÉÅ 播放列表", "gjpqy"});
        const auto fits = [&](const char* look) {
            const TGorseListbox& list = v.list();
            QFont bold = list.font();
            bold.setBold(true);
            const int needed = std::max(QFontMetrics(list.font(), &list).height(),
                                        QFontMetrics(bold, &list).height());
            QVERIFY2(list.itemHeight() >= needed,
                     qPrintable(QStringLiteral("%1 at %2 dpi: lines of %3 px for a font of %4 px")
                                    .arg(QString::fromLatin1(look))
                                    .arg(list.logicalDpiY())
                                    .arg(list.itemHeight())
                                    .arg(needed)));
        };
        v.window.useBuiltInLook(0);
        fits("look 0");
        v.window.useBuiltInLook(1);
        fits("look 1");
        v.window.applyListStyle(LoadScheme(v.dir.filePath("s.kestoscheme"), v.window.palette()));
        fits("scheme");
    }

    void aBadSchemeValueLeavesTheListDrawing() {
        View v;
        QFile f(v.dir.filePath("bad.kestoscheme"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Style]\nbackground_color=#zzzzzz\nfont_size=11\n");
        f.close();
        v.window.applyListStyle(LoadScheme(f.fileName(), v.window.palette()));
        QVERIFY(v.list().viewport()->updatesEnabled());
        QCOMPARE(v.window.listStyle().fontSize, 11);
    }
};

QTEST_MAIN(PlaylistViewTest)
#include "playlist_view_test.moc"
