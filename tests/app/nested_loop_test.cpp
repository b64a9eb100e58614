// The main window while a command runs a nested event loop: total time's
// walk, the edit box, a folder scan. List changes that come meanwhile (keys,
// a second start's hand-over) wait until it has returned, and the close box
// only asks a long operation to stop, as Esc does.

#include "app/app_kesto.h"
#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/list_view.h"
#include "tools/input_form.h"

#include "app_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <functional>

using namespace kesto;
using namespace kesto::test;

namespace {

constexpr int kLines = 25; // total time looks at the events before lines 1, 11 and 21

// Lines total time measures (as files it cannot open) without touching a disk.
std::vector<std::string> missingSongs() {
    std::vector<std::string> lines;
    for (int i = 0; i < kLines; ++i)
        lines.push_back("/nowhere/song " + std::to_string(i) + ".mp3");
    return lines;
}

void showAllSelected(Fixture& f, std::vector<std::string> lines) {
    f.player->playlist.PlaylistEntries = std::move(lines);
    RefreshListView(*f.player, false, false);
    std::vector<int> all(f.player->playlist.PlaylistEntries.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<int>(i);
    f.window->ListScreen->selectIndexes(all);
    f.window->ListScreen->setFocusedIndex(1);
}

bool isTotal(const QString& text) {
    return text.startsWith(QStringLiteral("时间总计:"));
}

} // namespace

class NestedLoopTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void totalTimeHoldsOffWhatWouldShrinkTheList() {
        QTemporaryDir music;
        const std::string other = writeTone(music, "other.wav", 1);
        struct Case {
            const char* name;
            std::function<void(TAppKesto&)> command;
            std::size_t linesAfter;
        };
        const Case cases[] = {
            {"Del", [](TAppKesto& w) { w.actions().DeleteAc->trigger(); }, 0},
            {"Ctrl+X", [](TAppKesto& w) { w.actions().CutAc->trigger(); }, 0},
            {"Ctrl+N", [](TAppKesto& w) { w.actions().NewListAc->trigger(); }, 0},
            {"a second start's path",
             [&](TAppKesto& w) { w.receiveHandOver(QString::fromStdString(other)); }, 1},
        };
        for (const Case& c : cases) {
            Fixture f;
            showAllSelected(f, missingSongs());
            std::size_t linesAtResult = 0;
            f.window->messageHook = [&](MessageKind, const QString& text) {
                if (isTotal(text))
                    linesAtResult = f.player->playlist.PlaylistEntries.size();
                f.messages.emplace_back(MessageKind::Information, text);
                return 0;
            };
            // Comes in at the walk's first look at the events.
            QTimer::singleShot(0, f.window.get(), [&] { c.command(*f.window); });
            f.window->actions().TotalTimeAc->trigger();
            QVERIFY2(!f.messages.empty() && isTotal(f.messages.back().second), c.name);
            QVERIFY2(linesAtResult == std::size_t{kLines}, c.name);
            QTRY_COMPARE(f.player->playlist.PlaylistEntries.size(), c.linesAfter);
            StopPlayback(*f.player, true);
        }
    }

    void anEditAnswersTheEntryItWasAskedAbout() {
        QTemporaryDir music;
        const std::string other = writeTone(music, "other.wav", 1);
        Fixture f;
        f.player->playlist.PlaylistEntries = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
        RefreshListView(*f.player, false, false);
        SelectEntry(*f.player, 1);
        std::size_t linesWhileOpen = 0;
        bool answered = false;
        QTimer::singleShot(0, f.window.get(), [&] {
            // A second start hands over a path while the box is open; it
            // would replace the list.
            f.window->receiveHandOver(QString::fromStdString(other));
            linesWhileOpen = f.player->playlist.PlaylistEntries.size();
            auto* form = qobject_cast<TInput_Form*>(QApplication::activeModalWidget());
            if (!form)
                return;
            form->Edit1->setText(QStringLiteral("/m/b2.mp3|Bee"));
            form->accept();
            answered = true;
        });
        f.window->actions().ListEntryAc->trigger();
        QVERIFY(answered);
        QCOMPARE(linesWhileOpen, std::size_t{3});
        QCOMPARE(f.player->playlist.PlaylistEntries,
                 (std::vector<std::string>{"/m/a.mp3", "/m/b2.mp3|Bee", "/m/c.mp3"}));
        // Then the hand-over, as the user asked.
        QTRY_COMPARE(f.player->playlist.PlaylistEntries, std::vector<std::string>{other});
        StopPlayback(*f.player, true);
    }

    // The close box during a long operation asks it to stop (it asks whether
    // to give up) and leaves the window where it is, as Esc does.
    void theCloseBoxOnlyAsksALongOperationToStop() {
        QTemporaryDir music;
        for (const char* folder : {"A", "A/B", "A/B/C"}) {
            QDir(music.path()).mkpath(QString::fromLatin1(folder));
            writeTone(music, (std::string(folder) + "/x.wav").c_str(), 1);
        }
        const QString top = music.filePath(QStringLiteral("A"));
        struct Case {
            const char* name;
            std::function<void(Fixture&)> start;
        };
        const Case cases[] = {
            {"total time",
             [](Fixture& f) {
                 showAllSelected(f, missingSongs());
                 f.window->actions().TotalTimeAc->trigger();
             }},
            {"a folder handed over by a second start",
             [&](Fixture& f) {
                 f.window->receiveHandOver(top);
             }},
            {"a refresh of the folder",
             [&](Fixture& f) {
                 f.player->playlist.LastOpenedDir = top.toStdString() + "/";
                 f.window->actions().RefreshAc->trigger();
             }},
        };
        for (const Case& c : cases) {
            Fixture f;
            f.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
            QStringList questions;
            f.window->questionHook = [&](const QString& text) {
                questions << text.trimmed();
                return true;
            };
            QTimer::singleShot(0, f.window.get(), [&] { f.window->close(); });
            c.start(f);
            QVERIFY2(f.window->isVisible(), c.name);
            QVERIFY2(questions == QStringList{QStringLiteral("要放弃操作吗？")}, c.name);
            for (const auto& m : f.messages)
                QVERIFY2(!isTotal(m.second), c.name);
            QVERIFY2(!f.player->playlist.ListBusy, c.name);
            StopPlayback(*f.player, true);
        }
    }
};

QTEST_MAIN(NestedLoopTest)
#include "nested_loop_test.moc"
