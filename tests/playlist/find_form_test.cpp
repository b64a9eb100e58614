// The find window, opened the way a user opens it: a letter typed in the
// playlist, or the find command.

#include "playlist/find_form.h"

#include "app/app_window_fixture.h"
#include "controls/gorse_listbox.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <functional>

using namespace kesto;
using namespace kesto::test;

namespace {

// Runs `work` once the find window is up, then makes sure it closes.
void whenFindOpens(std::function<void(TFind_Form&)> work) {
    QTimer::singleShot(0, [work] {
        TFind_Form* form = nullptr;
        QTRY_VERIFY((form = qobject_cast<TFind_Form*>(QApplication::activeModalWidget())));
        // Its keys are shortcuts of an active window.
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        work(*form);
        if (form->isVisible())
            form->reject();
    });
}

QStringList rows(TFind_Form& form) {
    QStringList texts;
    for (int r = 0; r < form.rowCount(); ++r)
        texts << form.rowText(r);
    return texts;
}

std::vector<std::string> numbered(int count) {
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back("/m/Dir/" + std::to_string(1000 + i) + ".mp3");
    return entries;
}

} // namespace

class FindFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aTypedLetterOpensItSeededAndEachChangeFilters() {
        Fixture f;
        f.player->playlist.PlaylistEntries = {"/m/one.mp3"};
        RefreshListView(*f.player, false, false);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.window->ListScreen->setFocus();
        // One entry: nothing to find among, no window.
        QTest::keyClick(f.window->ListScreen, Qt::Key_O);
        QVERIFY(!f.window->findForm() || !f.window->findForm()->isVisible());

        f.player->playlist.PlaylistEntries = {"/m/Dido.mp3", "/m/abc.mp3", "/D/x.ogg",
                                              "/m/bad.wav"};
        RefreshListView(*f.player, false, false);
        bool seen = false;
        whenFindOpens([&](TFind_Form& form) {
            seen = true;
            QCOMPARE(form.windowTitle(), QStringLiteral("在当前列表中查找文件"));
            QCOMPARE(form.Edit1->text(), QStringLiteral("d")); // lower-cased
            QTRY_VERIFY(!form.Edit1->hasSelectedText());
            QCOMPARE(form.Edit1->cursorPosition(), 1);
            QCOMPARE(rows(form), (QStringList{"Dido.mp3", "x.ogg", "bad.wav"}));
            QCOMPARE(form.focusedRow(), 0);
            QTest::keyClicks(form.Edit1, QStringLiteral("I"));
            QCOMPARE(rows(form), QStringList{"Dido.mp3"});
            QTest::keyClick(form.Edit1, Qt::Key_Backspace); // wider again
            QCOMPARE(rows(form).size(), 3);
            // Keys typed in the list go to the field.
            form.ListBox1->setFocus();
            QTest::keyClicks(form.ListBox1, QStringLiteral("a"));
            QCOMPARE(form.Edit1->text(), QStringLiteral("da"));
            QCOMPARE(rows(form), QStringList{});
            QTest::keyClick(form.Edit1, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
            QCOMPARE(form.rowCount(), 0); // emptied on close
        });
        QTest::keyClick(f.window->ListScreen, Qt::Key_D, Qt::ShiftModifier);
        QVERIFY(seen);
    }

    void pageKeysPlayQueueAndJump() {
        Fixture f;
        QVERIFY(f.window->actions().FindAc->isEnabled());
        f.player->playlist.PlaylistEntries = numbered(200);
        const std::string tone = writeTone(f.dir, "tone.wav", 1);
        f.player->playlist.PlaylistEntries[150] = tone;
        RefreshListView(*f.player, false, false);
        f.player->playlist.CurrentIndex = 3;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));

        int jumpedTo = -1;
        whenFindOpens([&](TFind_Form& form) {
            QCOMPARE(form.Edit1->text(), QString());
            QCOMPARE(form.rowCount(), 200);
            const int page = form.ListBox1->visibleRows();
            QVERIFY(page > 2);
            QTest::keyClick(form.Edit1, Qt::Key_PageDown);
            QCOMPARE(form.focusedRow(), page - 1); // the last visible row
            QTest::keyClick(form.Edit1, Qt::Key_PageDown);
            QCOMPARE(form.focusedRow(), 2 * page - 1); // a whole page further
            QTest::keyClick(form.Edit1, Qt::Key_Down);
            QCOMPARE(form.focusedRow(), 2 * page);
            QTest::keyClick(form.Edit1, Qt::Key_Down, Qt::ControlModifier); // not with a modifier
            QCOMPARE(form.focusedRow(), 2 * page);
            QCOMPARE(form.Edit1->text(), QString()); // none of them reached the field
            // Jump: the line is selected in the playlist, nothing else changes.
            jumpedTo = 2 * page;
            QTest::keyClick(form.Edit1, Qt::Key_QuoteLeft);
            QVERIFY(!form.isVisible());
        });
        f.window->actions().FindAc->trigger();
        QCOMPARE(f.player->playlist.CurrentIndex, 3);
        QCOMPARE(f.window->focusedLine(), jumpedTo);
        QCOMPARE(f.window->selectedLines(), std::vector<int>{jumpedTo});

        // Queue twice: in, then out again; the window closes each time.
        for (const bool queued : {true, false}) {
            whenFindOpens([](TFind_Form& form) {
                QTest::keyClicks(form.Edit1, QStringLiteral("1007"));
                QCOMPARE(form.rowCount(), 1);
                QTest::keyClick(form.Edit1, Qt::Key_Insert);
                QVERIFY(!form.isVisible());
            });
            f.window->actions().FindAc->trigger();
            QCOMPARE(f.player->playlist.QueueList.size(), queued ? 1u : 0u);
            QCOMPARE(f.player->playlist.CurrentIndex, 3);
        }

        // Play moves the current mark to the entry and starts it.
        whenFindOpens([](TFind_Form& form) {
            QTest::keyClicks(form.Edit1, QStringLiteral("tone"));
            QTest::keyClick(form.Edit1, Qt::Key_Return);
            QVERIFY(!form.isVisible());
        });
        f.window->actions().FindAc->trigger();
        QCOMPARE(f.player->playlist.CurrentIndex, 150);
        QCOMPARE(f.player->playlist.PlayingEntry, tone);
    }

    // A second start hands over a path while the window is open: the list
    // keeps the rows' entries until it closes, then the path comes in.
    void aHandOverWaitsUntilTheWindowCloses() {
        Fixture f;
        f.player->playlist.PlaylistEntries = {"/m/a.mp3", "/m/b.mp3"};
        RefreshListView(*f.player, false, false);
        const std::string tone = writeTone(f.dir, "handed.wav", 1);
        f.window->show();
        whenFindOpens([&](TFind_Form& form) {
            f.window->receiveHandOver(QString::fromStdString(tone));
            QTest::qWait(50);
            QCOMPARE(f.player->playlist.PlaylistEntries.size(), 2u);
            QTest::keyClicks(form.Edit1, QStringLiteral("b.mp3"));
            QCOMPARE(form.rowCount(), 1);
            QTest::keyClick(form.Edit1, Qt::Key_QuoteLeft);
        });
        f.window->actions().FindAc->trigger();
        QCOMPARE(f.window->focusedLine(), 1); // the jump went to b, not to a line of a new list
        QTRY_COMPARE(f.player->playlist.PlaylistEntries, std::vector<std::string>{tone});
    }

    // A list font above 10 points gets a window nearly as large as the
    // screen; otherwise it keeps its small size.
    void theListFontSetsTheSize() {
        test::TempDir home;
        test::FakeView view;
        Player player(AppPaths(home.path()), view);
        player.playlist.PlaylistEntries = {"/m/a.mp3", "/m/b.mp3"};
        TFind_Form form(player);
        QSize sizes[2];
        for (const int points : {9, 12}) {
            QFont font = form.font();
            font.setPointSize(points);
            form.setListLook(font, Qt::white, Qt::black);
            QTimer::singleShot(0, &form, [&form, &sizes, points] {
                sizes[points > 10] = form.size();
                form.reject();
            });
            form.OpenFind("a");
        }
        QCOMPARE(sizes[0], QSize(432, 365));
        const QSize screen = QApplication::primaryScreen()->availableSize();
        QCOMPARE(sizes[1], screen - QSize(100, 100));
    }

    void viewSwitchKeepsTheRows() {
        Fixture f;
        f.player->playlist.PlaylistEntries = {"/m/a/x.mp3", "/m/b/y.mp3|Y"};
        f.player->playlist.RootMediaList = {"/m/"};
        RefreshListView(*f.player, false, false);
        f.window->show();
        whenFindOpens([](TFind_Form& form) {
            QTest::keyClick(form.Edit1, Qt::Key_Down);
            QTest::keyClick(form.Edit1, Qt::Key_F8);
            QCOMPARE(rows(form).first(), QStringLiteral("a \\ x")); // relative to the music folder
            QTest::keyClick(form.Edit1, Qt::Key_F8);
            QCOMPARE(rows(form), (QStringList{"/m/a/x.mp3", "/m/b/y.mp3|Y"}));
            QTest::keyClick(form.Edit1, Qt::Key_F8);
            QCOMPARE(rows(form), (QStringList{"x.mp3", "y.mp3|Y"}));
            QCOMPARE(form.focusedRow(), 1);
            QTest::keyClick(form.Edit1, Qt::Key_F8);
        });
        f.window->actions().FindAc->trigger();
        // Every opening starts again with file names.
        whenFindOpens([](TFind_Form& form) {
            QCOMPARE(rows(form), (QStringList{"x.mp3", "y.mp3|Y"}));
        });
        f.window->actions().FindAc->trigger();
    }
};

QTEST_MAIN(FindFormTest)
#include "find_form_test.moc"
