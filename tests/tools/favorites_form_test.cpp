// Favourites through the main window: the menu, the save command and the
// organiser, with the questions answered by the test.

#include "tools/favorites_form.h"

#include "app/app_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QScopeGuard>
#include <QTest>

#include <deque>

using namespace kesto;
using namespace kesto::test;

namespace {

// The favourite items: what follows the two commands and the separator.
QList<QAction*> favouriteItems(TAppKesto& w) {
    return w.FavoritesMenu->actions().mid(3);
}

void writeFavourite(Fixture& f, const QString& name, const QByteArray& text) {
    QDir(f.dir.path()).mkpath(QStringLiteral("Favorites"));
    writeText(f.dir.filePath(QStringLiteral("Favorites/") + name), text);
}

QStringList titles(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class FavoritesFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuListsThemWithNineShortcuts() {
        Fixture f;
        QCOMPARE(favouriteItems(*f.window).size(), 0); // its own empty program folder
        // Built from the folder the player's paths name.
        for (int i = 1; i <= 11; ++i)
            writeFavourite(f, QStringLiteral("%1 list.m3u").arg(i, 2, 10, QLatin1Char('0')),
                           "/m/a.mp3\n");
        writeFavourite(f, QStringLiteral("a&b.x.txt"), "/m/a.mp3\n");
        f.window->textHook = [](const QString&, const QString&, QString& text) {
            text = QStringLiteral("zz");
            return true;
        };
        f.player->playlist.PlaylistEntries = {"/m/a.mp3"};
        f.window->actions().FavoritesAddAc->trigger();
        QList<QAction*> items = favouriteItems(*f.window);
        QCOMPARE(items.size(), 13);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(items[i]->shortcut(), QKeySequence(Qt::CTRL | (Qt::Key_1 + i)));
        QCOMPARE(items[9]->shortcut(), QKeySequence());
        QCOMPARE(items[10]->shortcut(), QKeySequence());
        QCOMPARE(items[0]->text(), QStringLiteral("01 list"));
        QCOMPARE(items[11]->text(), QStringLiteral("a&&b")); // shown as it is
        QCOMPARE(items[12]->text(), QStringLiteral("zz"));

        // A window created over that folder builds the same menu at once.
        TAppKesto second;
        second.messageHook = f.window->messageHook;
        Player player(AppPaths(f.dir.path().toStdString()), second);
        second.create(player, {});
        items = favouriteItems(second);
        QCOMPARE(items.size(), 13);
        QCOMPARE(items[8]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_9));
    }

    void saveAndOpenKeepThePlayingEntry() {
        Fixture f;
        PlaylistState& list = f.player->playlist;
        QStringList prompts;
        f.window->textHook = [&](const QString& caption, const QString& prompt, QString& text) {
            prompts << caption + QLatin1Char('|') + prompt;
            text = QStringLiteral("Evening");
            return true;
        };
        list.PlaylistEntries = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
        f.window->actions().FavoritesAddAc->trigger();
        QCOMPARE(prompts, QStringList{"添加播放列表到收藏夹|名称"});
        const QList<QAction*> items = favouriteItems(*f.window);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0]->text(), QStringLiteral("Evening"));

        // Another list plays; opening the favourite finds its entry again.
        list.PlaylistEntries = {"/m/x.mp3", "/m/c.mp3"};
        RefreshListView(*f.player, false, false);
        list.PlayingEntry = "/m/c.mp3";
        list.CurrentIndex = 1;
        items[0]->trigger();
        QCOMPARE(list.PlaylistEntries,
                 (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}));
        QCOMPARE(list.CurrentIndex, 2);
        QCOMPARE(f.window->selectedLines(), std::vector<int>{2});
    }

    void organiserRenamesDeletesAndExplores() {
        Fixture f;
        writeFavourite(f, QStringLiteral("b.txt"), "/m/b.mp3\n");
        writeFavourite(f, QStringLiteral("two.dots.m3u"), "/m/t.mp3\n");
        QDir(f.dir.path()).mkpath(QStringLiteral("Favorites/Sub"));
        writeText(f.file("Favorites/Sub/c.txt"), "/m/c.mp3\n");
        std::deque<QString> answers;
        f.window->textHook = [&](const QString& caption, const QString&, QString& text) {
            if (caption != QStringLiteral("编辑播放列表标题") || answers.empty())
                return false;
            text = answers.front();
            answers.pop_front();
            return true;
        };
        int questions = 0;
        f.window->questionHook = [&](const QString& text) {
            ++questions;
            return text == QStringLiteral("您确定想要删除选定的对象吗？");
        };
        QStringList explored;
        bool ran = false;
        QTimer::singleShot(0, [&] {
            TFavorites_Form* form = nullptr;
            QTRY_VERIFY((form = qobject_cast<TFavorites_Form*>(QApplication::activeModalWidget())));
            // Closed whatever the checks say, so a failure cannot hang the test.
            const auto close = qScopeGuard([form] { form->reject(); });
            form->activateWindow();
            QTRY_VERIFY(form->isActiveWindow());
            form->openFolder = [&](const QString& folder) {
                explored << folder;
            };
            QCOMPARE(form->windowTitle(), QStringLiteral("整理收藏夹"));
            QCOMPARE(titles(form->ListBox1), (QStringList{"b", "c", "two"}));
            QCOMPARE(form->ListBox1->currentRow(), 0);

            // "c" from the subfolder comes up to the top as a .txt file.
            form->ListBox1->setCurrentRow(1);
            answers = {QStringLiteral("a")};
            QTest::keyClick(form->ListBox1, Qt::Key_F2);
            QVERIFY(QFileInfo::exists(f.file("Favorites/a.txt")));
            QVERIFY(!QFileInfo::exists(f.file("Favorites/Sub/c.txt")));
            QCOMPARE(titles(form->ListBox1), (QStringList{"a", "b", "two"}));
            QCOMPARE(form->ListBox1->currentRow(), 1); // the same line position

            // A name that exists is not replaced; the list shows the disk.
            form->ListBox1->setCurrentRow(2);
            answers = {QStringLiteral("b")};
            form->Action1->trigger();
            QCOMPARE(titles(form->ListBox1), (QStringList{"a", "b", "two"}));
            QFile kept(f.file("Favorites/b.txt"));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("/m/b.mp3\n"));

            // Delete the first two after the question.
            form->ListBox1->item(0)->setSelected(true);
            form->ListBox1->item(1)->setSelected(true);
            form->ListBox1->item(2)->setSelected(false);
            QTest::keyClick(form->ListBox1, Qt::Key_Delete);
            QCOMPARE(questions, 1);
            QCOMPARE(titles(form->ListBox1), QStringList{"two"});

            form->Action3->trigger();
            ran = true;
            QTest::keyClick(form->ListBox1, Qt::Key_Escape);
        });
        f.window->actions().FavoritesOrganize->trigger();
        QVERIFY(ran);
        QCOMPARE(explored, QStringList{f.dir.path() + QStringLiteral("/Favorites/")});
        // Closing the organiser rebuilt the menu.
        const QList<QAction*> items = favouriteItems(*f.window);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0]->text(), QStringLiteral("two"));
    }
};

QTEST_MAIN(FavoritesFormTest)
#include "favorites_form_test.moc"
