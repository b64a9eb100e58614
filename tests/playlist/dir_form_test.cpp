// The folder browser, the folder dialog and the trash, driven the way a user
// works them, over folder trees generated in temporary folders.

#include "playlist/dir_form.h"

#include "platform/folder_dialog.h"
#include "platform/trash.h"
#include "player/player.h"
#include "player/settings_startup.h"
#include "playlist/folder_tree.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>
#include <memory>

using namespace kesto;
using kesto::test::FakeView;
using kesto::test::TempDir;

namespace {

using Strings = std::vector<std::string>;

void makeTree(const std::string& root, const Strings& names) {
    for (const std::string& name : names) {
        const std::string path = root + "/" + name;
        if (name.ends_with("/")) {
            test::makeDirs(path);
        } else {
            test::makeDirs(std::filesystem::path(path).parent_path());
            test::writeFile(path, "x");
        }
    }
}

QStringList childTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QStringList topTexts(const QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts << tree->topLevelItem(i)->text(0);
    return texts;
}

// Opens the nodes down to `path` from whichever top-level node holds it (a
// drive or the music folder), like clicks on their expand buttons, and makes
// the last one current.
QTreeWidgetItem* walkTo(TDir_Form& form, const std::string& path) {
    std::vector<std::string> roots;
    for (int i = 0; i < form.TreeView1->topLevelItemCount(); ++i)
        roots.push_back(form.nodePath(form.TreeView1->topLevelItem(i)));
    const TreeRoute route = routeToFolder(path, roots);
    if (route.root < 0)
        return nullptr;
    QTreeWidgetItem* node = form.TreeView1->topLevelItem(route.root);
    for (const std::string& name : route.names) {
        node->setExpanded(true);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i)
            if (node->child(i)->text(0) == QString::fromStdString(name))
                next = node->child(i);
        if (!next)
            return nullptr;
        node = next;
    }
    form.TreeView1->setCurrentItem(node);
    return node;
}

// Runs `script` once the modal window is up and active.
void whenShown(QDialog& dialog, std::function<void()> script) {
    QTimer::singleShot(0, &dialog, [&dialog, script] {
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        script();
    });
}

} // namespace

class DirFormTest : public QObject {
    Q_OBJECT

    // A player in its own program folder, with a music folder of
    // Alpha/{one/deep/, a1.mp3}, beta/b1.mp3, Gamma/ (no music), z.mp3.
    struct World {
        TempDir home;
        TempDir musicDir;
        std::string music = musicDir.path() + "/";
        FakeView view;
        Player player{AppPaths(home.path()), view};

        explicit World(const std::string& rootChoice = "") {
            makeTree(musicDir.path(), {"Alpha/one/deep/", "Alpha/a1.mp3", "Alpha/a2.ogg",
                                       "beta/b1.mp3", "Gamma/", "z.mp3"});
            saveRootMedia(player.settings, {music}, "", rootChoice == "music" ? music : rootChoice);
        }
    };

private Q_SLOTS:
    void sizeControlsAndShortcuts() {
        World w("music");
        TDir_Form form(w.player);
        const int h = QGuiApplication::primaryScreen()->geometry().height();
        QCOMPARE(form.size(), QSize(395, h - h / 5));
        QCOMPARE(form.ComboBox1->count(), 2);
        QCOMPARE(form.ComboBox1->itemText(0), QStringLiteral("所有驱动器"));
        QCOMPARE(form.ComboBox1->currentText(), QString::fromStdString(w.music));
        QVERIFY(form.CheckSubDirs->isChecked());
        QCOMPARE(form.CheckSubDirs->text(), QStringLiteral("包含子目录(&S)"));
        QCOMPARE(form.QuickAc->shortcut(), QKeySequence(Qt::Key_Insert));
        QCOMPARE(form.F5Ac->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(form.DroplistAc->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
        QCOMPARE(form.ExplorerAc->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        QCOMPARE(form.maxac->shortcut(), QKeySequence(Qt::Key_F12));
        QCOMPARE(form.PopupMenu1->defaultAction(), form.OpenItem);
    }

    void musicRootListsSortedFoldersLazily() {
        World w("music");
        TDir_Form form(w.player);
        QCOMPARE(topTexts(form.TreeView1), QStringList{QString::fromStdString(w.music)});
        QVERIFY(!form.TreeView1->rootIsDecorated());
        QTreeWidgetItem* root = form.TreeView1->topLevelItem(0);
        QVERIFY(root->isExpanded());
        // ignoring case; files are no nodes
        QCOMPARE(childTexts(root), (QStringList{"Alpha", "beta", "Gamma"}));
        // Only a folder with sub-folders gets an expand button before it is opened.
        QTreeWidgetItem* alpha = root->child(0);
        QTreeWidgetItem* beta = root->child(1);
        QTreeWidgetItem* gamma = root->child(2);
        QVERIFY(alpha && beta && gamma);
        QCOMPARE(childTexts(alpha), QStringList{"-"});
        QCOMPARE(beta->childCount(), 0);
        QCOMPARE(gamma->childCount(), 0);
        QCOMPARE(form.nodePath(alpha->child(0)), std::string());
        alpha->setExpanded(true);
        QCOMPARE(childTexts(alpha), QStringList{"one"});
        QCOMPARE(form.nodePath(alpha->child(0)), w.music + "Alpha/one/");
    }

    void rememberedFolderIsSelectedAgainAfterARestart() {
        for (const std::string rootChoice : {"music", "所有驱动器"}) {
            World w(rootChoice);
            const std::string deep = w.music + "Alpha/one/deep/";
            {
                TDir_Form form(w.player);
                whenShown(form, [&] {
                    QVERIFY(walkTo(form, deep));
                    QTest::mouseClick(form.CancelButton, Qt::LeftButton);
                });
                QVERIFY(!form.chooseFolder(DirFormMode::OpenFolder));
                QCOMPARE(form.browserFolder(), deep);
            }
            QCOMPARE(w.player.settings.readString("DirBox", "LastOpenedDir", ""), deep);
            TDir_Form again(w.player);
            QTreeWidgetItem* current = again.TreeView1->currentItem();
            QVERIFY(current);
            QCOMPARE(again.nodePath(current), deep);
            QVERIFY(current->isExpanded());
            QCOMPARE(again.rootChoice(), rootChoice == "music" ? w.music : rootChoice);
            // The same after a show: the tree is kept, nothing is rebuilt.
            whenShown(again, [&] {
                QCOMPARE(again.nodePath(again.TreeView1->currentItem()), deep);
                QTest::keyClick(again.TreeView1, Qt::Key_Return);
            });
            const auto choice = again.chooseFolder(DirFormMode::OpenFolder);
            QVERIFY(choice);
            QCOMPARE(choice->folder, deep);
            QVERIFY(choice->recursive);
        }
    }

    void twoQuickAddsReplaceThenAppendAndOkAddsNothingMore() {
        World w("music");
        w.player.playlist.PlaylistEntries = {"/old/song.mp3"};
        TDir_Form form(w.player);
        whenShown(form, [&] {
            QCOMPARE(form.QuickButton->text(), QStringLiteral("添加到播放列表"));
            QVERIFY(walkTo(form, w.music + "Alpha/"));
            QTest::keyClick(form.TreeView1, Qt::Key_Insert);
            QCOMPARE(w.player.playlist.PlaylistEntries,
                     (Strings{w.music + "Alpha/a1.mp3", w.music + "Alpha/a2.ogg"}));
            QVERIFY(form.quickAdded());
            QVERIFY(walkTo(form, w.music + "beta/"));
            QTest::keyClick(form.TreeView1, Qt::Key_Insert);
            QTest::mouseClick(form.OkButton, Qt::LeftButton);
        });
        QVERIFY(!form.chooseFolder(DirFormMode::OpenFolder));
        QCOMPARE(
            w.player.playlist.PlaylistEntries,
            (Strings{w.music + "Alpha/a1.mp3", w.music + "Alpha/a2.ogg", w.music + "beta/b1.mp3"}));

        // The next showing starts afresh: OK gives the folder again.
        whenShown(form, [&] {
            QVERIFY(!form.quickAdded());
            QTest::mouseClick(form.OkButton, Qt::LeftButton);
        });
        const auto choice = form.chooseFolder(DirFormMode::OpenFolder);
        QVERIFY(choice);
        QCOMPARE(choice->folder, w.music + "beta/");
    }

    void quickAddWithoutMusicDoesNotCount() {
        World w("music");
        w.player.playlist.PlaylistEntries = {"/old/song.mp3"};
        TDir_Form form(w.player);
        whenShown(form, [&] {
            QVERIFY(walkTo(form, w.music + "Gamma/"));
            form.QuickAc->trigger();
            QCOMPARE(w.view.messages.size(), std::size_t(1));
            QCOMPARE(w.view.messages[0].text, std::string("在给定的文件夹内没有音乐文件。"));
            QVERIFY(!form.quickAdded());
            QVERIFY(walkTo(form, w.music + "beta/"));
            // Still the first add of an open-folder window: it replaces the list.
            form.QuickAc->trigger();
            QCOMPARE(w.player.playlist.PlaylistEntries, Strings{w.music + "beta/b1.mp3"});
            QVERIFY(walkTo(form, w.music + "Gamma/"));
            form.OpenItem->trigger(); // the pop-up's Open closes as OK does
        });
        QVERIFY(!form.chooseFolder(DirFormMode::OpenFolder));

        whenShown(form, [&] {
            QVERIFY(walkTo(form, w.music + "Gamma/"));
            form.QuickAc->trigger();
            form.OpenItem->trigger();
        });
        const auto choice = form.chooseFolder(DirFormMode::OpenFolder);
        QVERIFY(choice);
        QCOMPARE(choice->folder, w.music + "Gamma/");
    }

    void addWindowAppendsAndReturnsTheSubFolderBox() {
        World w("music");
        w.player.playlist.PlaylistEntries = {"/old/song.mp3"};
        TDir_Form form(w.player);
        whenShown(form, [&] {
            QCOMPARE(form.windowTitle(), QStringLiteral("添加一个有音乐文件的文件夹"));
            form.CheckSubDirs->setChecked(false);
            form.TreeView1->setCurrentItem(form.TreeView1->topLevelItem(0));
            form.QuickAc->trigger();
            QCOMPARE(w.player.playlist.PlaylistEntries,
                     (Strings{"/old/song.mp3", w.music + "z.mp3"}));
            QTest::mouseClick(form.CancelButton, Qt::LeftButton);
        });
        QVERIFY(!form.chooseFolder(DirFormMode::AddFolder));

        whenShown(form, [&] {
            QVERIFY(walkTo(form, w.music + "Alpha/"));
            QTest::mouseClick(form.OkButton, Qt::LeftButton);
        });
        const auto choice = form.chooseFolder(DirFormMode::AddFolder);
        QVERIFY(choice);
        QCOMPARE(choice->folder, w.music + "Alpha/");
        QVERIFY(!choice->recursive); // the box keeps its state between showings
        QCOMPARE(form.CheckSubDirs->isChecked(), false);
    }

    void escDuringAQuickAddAsksInsteadOfClosing() {
        World w("music");
        w.player.playlist.PlaylistEntries = {"/old/song.mp3"};
        TDir_Form form(w.player);
        bool pressed = false;
        w.view.onProcessPendingMessages = [&] {
            if (w.player.playlist.ListBusy && !pressed) {
                pressed = true;
                QTest::keyClick(form.TreeView1, Qt::Key_Escape);
            }
        };
        w.view.answers = {true};
        whenShown(form, [&] {
            form.TreeView1->setCurrentItem(form.TreeView1->topLevelItem(0));
            form.QuickAc->trigger();
            QVERIFY(pressed);
            QVERIFY(form.isVisible());
            QCOMPARE(w.view.questions, Strings{"要放弃操作吗？  "});
            QCOMPARE(w.player.playlist.PlaylistEntries, Strings{"/old/song.mp3"});
            QVERIFY(!form.quickAdded());
            QTest::keyClick(form.TreeView1, Qt::Key_Escape);
        });
        QVERIFY(!form.chooseFolder(DirFormMode::OpenFolder));
        QVERIFY(!form.isVisible());
    }

    void refreshFindsNewFoldersAndKeepsTheSelection() {
        World w("music");
        TDir_Form form(w.player);
        QVERIFY(walkTo(form, w.music + "Gamma/"));
        QCOMPARE(form.TreeView1->currentItem()->childCount(), 0);
        test::makeDirs(w.music + "Gamma/new");
        test::makeDirs(w.music + "Delta");
        form.F5Ac->trigger();
        QTreeWidgetItem* current = form.TreeView1->currentItem();
        QCOMPARE(form.nodePath(current), w.music + "Gamma/");
        QCOMPARE(childTexts(current), QStringList{"new"});
        QCOMPARE(childTexts(form.TreeView1->topLevelItem(0)),
                 (QStringList{"Alpha", "beta", "Delta", "Gamma"}));
    }

    void networkFoldersAlwaysShowAnExpandButton() {
        World w("music");
        TDir_Form form(w.player);
        form.readMounts = [&] {
            return std::vector<MountPoint>{
                {"/", "ext4", "/dev/sda1", MountKind::Disk},
                {w.musicDir.path(), "nfs4", "server:/music", MountKind::Network}};
        };
        form.F5Ac->trigger();
        QTreeWidgetItem* root = form.TreeView1->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i)
            QCOMPARE(childTexts(root->child(i)), QStringList{"-"});
    }

    void rootsAreTheMountsOrAnExistingMusicFolder() {
        World w("music");
        TempDir gone;
        const std::string goneFolder = gone.path() + "/vanished/";
        saveRootMedia(w.player.settings, {w.music, goneFolder}, "", w.music);
        TDir_Form form(w.player);
        form.readMounts = [] {
            return std::vector<MountPoint>{{"/", "ext4", "/dev/sda1", MountKind::Disk},
                                           {"/media/cd", "iso9660", "/dev/sr0", MountKind::Optical},
                                           {"/proc", "proc", "proc", MountKind::Disk}};
        };
        QCOMPARE(form.ComboBox1->count(), 3);

        form.ComboBox1->setCurrentIndex(2);
        QTest::keyClick(form.ComboBox1, Qt::Key_Return);
        QCOMPARE(w.view.messages.size(), std::size_t(1));
        QCOMPARE(w.view.messages[0].kind, MessageKind::Warning);
        QCOMPARE(w.view.messages[0].text, goneFolder + " 不存在或无法被打开。");
        QCOMPARE(form.ComboBox1->currentIndex(), 1);
        QCOMPARE(topTexts(form.TreeView1), QStringList{QString::fromStdString(w.music)});

        form.ComboBox1->setCurrentIndex(0);
        QTest::keyClick(form.ComboBox1, Qt::Key_Return);
        QCOMPARE(form.rootChoice(), std::string("所有驱动器"));
        QCOMPARE(topTexts(form.TreeView1), (QStringList{"/", "/media/cd/"}));
        QVERIFY(form.TreeView1->rootIsDecorated());
        QCOMPARE(childTexts(form.TreeView1->topLevelItem(1)), QStringList{"****"});
        QCOMPARE(form.nodePath(form.TreeView1->currentItem()), std::string("/"));

        // The file manager opens on the browser folder with all drives, else on the root.
        QStringList opened;
        form.openFolder = [&](const QString& folder) {
            opened << folder;
        };
        form.ExplorerAc->trigger();
        form.ComboBox1->setCurrentIndex(1);
        QTest::keyClick(form.ComboBox1, Qt::Key_Return);
        QVERIFY(walkTo(form, w.music + "beta/"));
        form.ExplorerAc->trigger();
        QCOMPARE(opened, (QStringList{"/", QString::fromStdString(w.music)}));
    }

    void dropListAndMaximiseFromTheKeyboard() {
        World w("music");
        TDir_Form form(w.player);
        whenShown(form, [&] {
            QTest::keyClick(form.TreeView1, Qt::Key_Return, Qt::ControlModifier);
            QTRY_VERIFY(form.ComboBox1->view()->isVisible());
            QVERIFY(form.ComboBox1->hasFocus() || form.ComboBox1->view()->hasFocus());
            form.ComboBox1->hidePopup();
            QTest::keyClick(form.TreeView1, Qt::Key_F12);
            QTRY_VERIFY(form.isMaximized());
            QTest::keyClick(form.TreeView1, Qt::Key_F12);
            QTRY_VERIFY(!form.isMaximized());
            form.reject();
        });
        QVERIFY(!form.chooseFolder(DirFormMode::OpenFolder));
    }

    void browseForFolderGivesASlashEndedFolderOrNothing() {
        TempDir dir;
        test::makeDirs(dir.file("Music"));
        const QString music = QString::fromStdString(dir.file("Music"));
        for (const bool accept : {true, false}) {
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QCOMPARE(dialog->windowTitle(), QStringLiteral("设置您的音乐文件夹"));
                auto* prompt = dialog->findChild<QLabel*>(QStringLiteral("promptLabel"));
                QVERIFY(prompt);
                QCOMPARE(prompt->text(), QStringLiteral("第一行\n第二行"));
                dialog->setDirectory(music);
                dialog->selectFile(music);
                QMetaObject::invokeMethod(dialog, accept ? "accept" : "reject");
            });
            const QString chosen = BrowseForFolder(QStringLiteral("设置您的音乐文件夹"),
                                                   QStringLiteral("第一行\r第二行"), nullptr,
                                                   QString::fromStdString(dir.path()));
            QCOMPARE(chosen, accept ? music + "/" : QString());
        }
    }

    void trashTakesAFileAndExplainsARefusal() {
        TempDir data;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path()));
        const std::string song = data.file("song.mp3");
        test::writeFile(song, "x");
        std::string error;
        QVERIFY(moveFileToTrash(song, error));
        QVERIFY(!test::fileExists(song));
        QVERIFY(test::fileExists(data.file("Trash/files/song.mp3")));
        QVERIFY(!moveFileToTrash(data.file("never-there.mp3"), error));
        QVERIFY(!error.empty());
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_MAIN(DirFormTest)
#include "dir_form_test.moc"
