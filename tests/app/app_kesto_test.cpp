// The main window under the offscreen platform: its commands, menus, keys,
// meter ticks, start-up and exit.

#include "app/app_kesto.h"
#include "app/header_layout.h"
#include "controls/gorse_listbox.h"
#include "controls/gorse_progress.h"
#include "playback/level_meter.h"
#include "playback/next_entry.h"
#include "playback/output.h"
#include "playback/transport.h"
#include "player/player.h"
#include "playlist/list_view.h"

#include "app_window_fixture.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace kesto;
using namespace kesto::test;

namespace {

struct ExpectedAction {
    const char* name;
    const char* caption;
    const char* keys; // portable text of the shortcuts, ", " between two
};

// Stands in for the desktop's file handler: records what it was asked to open.
class DesktopRecorder : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << QDir::cleanPath(url.toLocalFile()); }
};

} // namespace

class AppKestoTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // No desktop services for these windows, whatever the machine runs.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kesto-test-bus");
    }

    void everyActionHasItsCaptionAndShortcut() {
        static const ExpectedAction expected[] = {
            {"OpenFileAc", "添加文件(&F)...", "Ctrl+L"},
            {"OpenDirAc", "打开文件夹(&O)...", "F4"},
            {"AddDirAc", "添加文件夹(&A)...", "F3"},
            {"EscAc", "退出(&E)", "Esc"},
            {"PreferencesAc", "设置(&S)...", "F6"},
            {"ExplorerExe", "浏览应用程序所在的文件夹(&E)", "Ctrl+Alt+E"},
            {"ExplorerFile", "浏览(&E)...", "Ctrl+E"},
            {"ViewFormatPathAc", "切换查看方式(&T)", "F8"},
            {"NextAc", "下一首(&N)", "Tab"},
            {"PrevAc", "上一首(&P)", "Shift+Tab"},
            {"TerugspoelenAc", "重绕总计", "Backspace"},
            {"PlayModeToggleAc", "切换播放方式(&T)", "F9"},
            {"SavePlaylistAc", "保存播放列表(&S)...", "Ctrl+S"},
            {"LoadPlayListAc", "打开播放列表(&O)...", "Ctrl+O"},
            {"PlayAc", "播放(&P)", "Return, Enter"},
            {"StopAc", "停止(&S)", "0"},
            {"PauseAc", "暂停(&U)", "Space"},
            {"AboutAc", "关于(&A)...", ""},
            {"MinimizeAc", "最小化到托盘(&M)", "F11"},
            {"MaximizeAc", "MaximizeAc", "F12"},
            {"FileInfoAc", "属性(&P)...", "F2"},
            {"ShortcutsAc", "快捷键...", "F1"},
            {"FindAc", "查找(&F)...", "Ctrl+F"},
            {"ResetMixerAc", "重置声卡驱动混音器", "Ctrl+Space"},
            {"View1Ac", "查看文件名(&F)", ""},
            {"View2Ac", "查看完整路径(&P)", ""},
            {"View3Ac", "查看相对路径(&R)", ""},
            {"ModeAc1", "循环列表(&R)", ""},
            {"ModeAc2", "循环文件(&R)", ""},
            {"ModeAc3", "播放列表(&P)", ""},
            {"ModeAc4", "播放文件(&P)", ""},
            {"ModeAc5", "随机播放(&S)", ""},
            {"RefreshAc", "检查文件更新", "F5"},
            {"QueuAc", "队列(&Q)", "Ins, ."},
            {"RealDelAc", "删除(&D)...", "Shift+Del"},
            {"CropAc", "仅保留选定或队列的对象(&C)", "Ctrl+Del"},
            {"DeleteAc", "移除(&R)", "Del"},
            {"TotalTimeAc", "选定对象的播放长度...", "Ctrl+Alt+T"},
            {"SleepTimerAc", "休眠定时器(&T)...", "Alt+T"},
            {"DocAc", "文档(&D)...", "Ctrl+F1"},
            {"FavoritesAddAc", "添加播放列表到收藏夹(&A)...", "Ctrl+D"},
            {"FavoritesOrganize", "整理收藏夹(&O)...", "Ctrl+B"},
            {"PropertiesAc", "属性...", "Alt+Return"},
            {"AddRadioAc", "添加 URL(&U)...", "Ctrl+R"},
            {"CopyAc", "复制播放列表项(&C)", "Ctrl+C"},
            {"CutAc", "剪切播放列表项(&T)", "Ctrl+X"},
            {"PastAc", "粘贴播放列表项(&P)", "Ctrl+V"},
            {"ListEntryAc", "编辑播放列表项(&E)...", "Shift+F2"},
            {"RecordStartAc", "录制(&R)", "J"},
            {"BrokenFilesAc", "从列表中移除缺少的文件(&M)", "Alt+Del"},
            {"JumpAc", "选定正在播放的对象(&P)", "`"},
            {"ViewPlayBarAc", "控制栏", ""},
            {"ViewProgressPanelAc", "进度条", ""},
            {"ClearShuffleHistoryAc", "清除随机/队列历史记录(&C)", "Ctrl+Shift+C"},
            {"NewListAc", "清除播放列表(&C)", "Ctrl+N"},
            {"CopyPlAc", "", ""},
        };
        Fixture f;
        for (const ExpectedAction& e : expected) {
            QAction* a = f.window->findChild<QAction*>(QString::fromLatin1(e.name));
            QVERIFY2(a, e.name);
            QCOMPARE(a->text(), QString::fromUtf8(e.caption));
            QStringList keys;
            for (const QKeySequence& k : a->shortcuts())
                keys << k.toString(QKeySequence::PortableText);
            QCOMPARE(keys.join(QStringLiteral(", ")), QString::fromLatin1(e.keys));
        }
        QVERIFY(f.window->actions().ViewPlayBarAc->isChecked());
        QVERIFY(f.window->actions().ViewProgressPanelAc->isChecked());
    }

    void menusListTheirCommandsInOrder() {
        Fixture f;
        const auto names = [](QMenu* m) {
            QStringList out;
            for (QAction* a : m->actions())
                out << (a->isSeparator() ? QStringLiteral("-")
                        : a->menu()      ? a->menu()->title()
                                         : a->objectName());
            return out.join(QLatin1Char(' '));
        };
        const QList<QAction*> top = f.window->menuBar()->actions();
        QStringList titles;
        for (QAction* a : top)
            titles << a->text();
        QCOMPARE(titles.join(QLatin1Char('|')),
                 QStringLiteral("文件(&F)|编辑(&E)|播放(&P)|收藏(&F)|选项(&O)|查看(&V)|帮助(&H)"));
        QCOMPARE(names(top[0]->menu()), QStringLiteral("OpenDirAc AddDirAc OpenFileAc AddRadioAc - "
                                                       "LoadPlayListAc SavePlaylistAc - EscAc"));
        QCOMPARE(names(top[1]->menu()),
                 QStringLiteral("FileInfoAc DeleteAc RealDelAc ExplorerFile 工具(&T) - FindAc"));
        QMenu* tools = top[1]->menu()->actions()[4]->menu();
        QCOMPARE(names(tools),
                 QStringLiteral("RefreshAc JumpAc RenameMenuItem SleepTimerAc CropAc BrokenFilesAc "
                                "CutAc CopyAc PastAc ListEntryAc NewListAc ClearShuffleHistoryAc "
                                "TotalTimeAc ExplorerExe"));
        QCOMPARE(names(top[2]->menu()),
                 QStringLiteral("PlayAc PauseAc StopAc RecordStartAc - NextAc "
                                "PrevAc QueuAc"));
        QCOMPARE(names(top[3]->menu()), QStringLiteral("FavoritesAddAc FavoritesOrganize -"));
        QCOMPARE(names(top[4]->menu()), QStringLiteral("PreferencesAc - ModeAc1 ModeAc2 ModeAc3 "
                                                       "ModeAc4 ModeAc5 PlayModeToggleAc"));
        QCOMPARE(names(top[5]->menu()), QStringLiteral("View1Ac View2Ac View3Ac ViewFormatPathAc - "
                                                       "ViewPlayBarAc ViewProgressPanelAc"));
        QCOMPARE(names(top[6]->menu()), QStringLiteral("ShortcutsAc DocAc - AboutAc"));
        QCOMPARE(names(f.window->PopupMenu3),
                 QStringLiteral("QueuAc DeleteAc ExplorerFile - FileInfoAc"));
        QCOMPARE(names(f.window->TrayPopupMenu),
                 QStringLiteral("TrayVolume1000 TrayVolume600 TrayVolume300 TrayVolume0 - TrayPlay "
                                "TrayPause TrayStop TrayNext TrayPrevious TrayCopyTitle - TrayOpen "
                                "TrayExit"));
    }

    void keysGoToActionsFirstThenTheDispatcher() {
        Fixture f;
        f.player->playlist.PlaylistEntries = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
        RefreshListView(*f.player, false, false);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.window->ListScreen->setFocus();
        SelectEntry(*f.player, 1);

        // Insert belongs to the queue command, not to the list.
        QTest::keyClick(f.window->ListScreen, Qt::Key_Insert);
        QCOMPARE(f.player->playlist.QueueList, std::vector<std::string>{"/m/b.mp3"});

        // A letter opens the find window and does not move the selection.
        QSignalSpy find(f.window.get(), &TAppKesto::findRequested);
        const int focused = f.window->ListScreen->focusedIndex();
        QTest::keyClick(f.window->ListScreen, Qt::Key_C);
        QCOMPARE(find.count(), 1);
        QCOMPARE(find.at(0).at(0).toString(), QStringLiteral("c"));
        QCOMPARE(f.window->ListScreen->focusedIndex(), focused);

        // J records instead: here, with no stream, it says what recording needs.
        QTest::keyClick(f.window->ListScreen, Qt::Key_J);
        QCOMPARE(find.count(), 1);
        QCOMPARE(f.messages.back().second,
                 QStringLiteral("您只能录制在线音乐。\n请先连接上一个。"));
    }

    // The level ticks run only while a meter shows them, and a meter shown
    // later wakes only ticks the core still wants.
    void levelTicksRestWithoutAMeter() {
        Fixture f;
        TAppKesto& w = *f.window;
        QTimer* ticks = tickTimers(w).level;
        QVERIFY(ticks);
        w.SetVUStyle(VUStyle::None);
        LevelStart(*f.player);
        QVERIFY(!ticks->isActive());
        w.SetVUStyle(VUStyle::FourteenLeds);
        QVERIFY(ticks->isActive());
        w.SetVUStyle(VUStyle::None);
        QVERIFY(!ticks->isActive());
        w.SetVUStyle(VUStyle::SevenLeds);
        QVERIFY(ticks->isActive());
        // Nothing plays: once asked to stop, the meter goes dark and rests.
        LevelStop(*f.player);
        QTRY_VERIFY(!ticks->isActive());
        w.SetVUStyle(VUStyle::FourteenLeds);
        QVERIFY(!ticks->isActive());
    }

    // While a meter runs, the status tick rides on its wakes instead of
    // waking the window on its own; the fine time's faster ticks keep their
    // own timer, and so does the status tick when no meter shows.
    void statusTicksRideOnTheLevelWakes() {
        QTemporaryDir music;
        const std::string longFile = writeTone(music, "long.wav", 12);
        const std::string shortFile = writeTone(music, "short.wav", 5);
        Fixture f;
        TAppKesto& w = *f.window;
        const auto [status, level] = tickTimers(w);
        QVERIFY(status && level);
        w.SetVUStyle(VUStyle::FourteenLeds);
        playFirst(f, {longFile, shortFile});
        QVERIFY(level->isActive());
        QVERIFY(!status->isActive());
        // The seek bar and the time still follow the music.
        QTRY_VERIFY(w.Progres->Position() >= 300);
        QVERIFY(w.LabelTime->text().contains(QStringLiteral(" / -")));
        w.SetVUStyle(VUStyle::None);
        QVERIFY(!level->isActive());
        QVERIFY(status->isActive());
        QCOMPARE(status->interval(), 33);
        const qint64 before = w.Progres->Position();
        QTRY_VERIFY(w.Progres->Position() >= before + 300);
        w.SetVUStyle(VUStyle::FourteenLeds);
        QVERIFY(level->isActive() && !status->isActive());
        OpenEntry(*f.player, 1);
        QVERIFY(level->isActive());
        QVERIFY(status->isActive());
        QCOMPARE(status->interval(), 10);
        StopPlayback(*f.player, true);
        QVERIFY(!status->isActive());
    }

    void captionAndMinimisedNameFollowThePlayingFile() {
        QTemporaryDir music;
        const std::string file = writeTone(music, "Nocturne.wav", 12);
        Fixture f;
        TAppKesto& w = *f.window;
        playFirst(f, {file});
        QVERIFY(w.windowTitle().contains(QStringLiteral("Nocturne")));
        QCOMPARE(w.windowIconText(), w.windowTitle());
        StopPlayback(*f.player, true);
        QCOMPARE(w.windowTitle(), QStringLiteral("Kesto 1.04b"));
        QCOMPARE(w.windowIconText(), w.windowTitle());
    }

    // A minimised or hidden window shows no meter: its ticks wait while the
    // status tick keeps time, and back on screen the meter starts again from
    // the sound as it is.
    void meterTicksWaitWhileTheWindowIsAway() {
        QTemporaryDir music;
        const std::string file = writeTone(music, "long.wav", 12);
        Fixture f;
        TAppKesto& w = *f.window;
        const auto [status, level] = tickTimers(w);
        QVERIFY(status && level);
        w.SetVUStyle(VUStyle::FourteenLeds);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        playFirst(f, {file});
        QVERIFY(level->isActive() && !status->isActive());
        QTRY_VERIFY(f.player->level.HeldLeft > 0);

        w.showMinimized();
        QVERIFY(!level->isActive());
        QVERIFY(status->isActive());
        QCOMPARE(f.player->level.HeldLeft, 0);
        const qint64 before = w.Progres->Position();
        QTRY_VERIFY(w.Progres->Position() >= before + 300);
        // A file started meanwhile asks for the meter again: it still waits.
        OpenEntry(*f.player, 0);
        QVERIFY(!level->isActive());
        QCOMPARE(f.player->level.HeldLeft, 0);

        w.showNormal();
        QVERIFY(level->isActive() && !status->isActive());
        QTRY_VERIFY(f.player->level.HeldLeft > 0);
        // Hidden, as in the tray: the same.
        w.hide();
        QVERIFY(!level->isActive() && status->isActive());
        w.show();
        QVERIFY(level->isActive() && !status->isActive());
        StopPlayback(*f.player, true);
    }

    void exitChecksComeInOrder() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        // The text window open: Esc closes only it.
        f.window->actions().ShortcutsAc->trigger();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        f.window->actions().EscAc->trigger();
        QVERIFY(f.window->isVisible());
        // The preferences open: the exit command closes them, not the player.
        QTimer::singleShot(0, f.window.get(), [&f] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            f.window->actions().EscAc->trigger();
        });
        f.window->actions().PreferencesAc->trigger();
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(f.window->isVisible());
        // A long operation running: Esc only asks it to stop.
        f.player->playlist.ListBusy = true;
        f.player->playlist.CancelRequested = false;
        f.window->actions().EscAc->trigger();
        QVERIFY(f.window->isVisible());
        QVERIFY(f.player->playlist.CancelRequested);
        f.player->playlist.ListBusy = false;
        f.window->actions().EscAc->trigger();
        QVERIFY(!f.window->isVisible());
    }

    void startUpGeometryAndTheOffscreenGuard() {
        {
            Fixture f("[Window]\nWidth=500\nHeight=420\nLeft=30\nTop=40\n[Window2]\nWidth=250\n"
                      "Height=260\nLeft=50\nTop=60\n");
            QCOMPARE(f.window->geometry(), QRect(30, 40, 500, 420));
        }
        {
            Fixture f("[Window]\nWidth=500\n[Window2]\nWidth=250\nHeight=260\nLeft=50\nTop=60\n",
                      "/nowhere/x.mp3");
            QCOMPARE(f.window->geometry(), QRect(50, 60, 250, 260));
        }
        {
            Fixture f("[Window]\nWidth=5000\n");
            QCOMPARE(f.window->geometry(), QRect(20, 20, 300, 400));
        }
    }

    // The file the output will switch to is decided ahead; a list command
    // that removes it decides again before returning.
    void editsDecideTheNextFileAgainAtOnce() {
        QTemporaryDir music;
        std::vector<std::string> files;
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            files.push_back(writeTone(music, name, 5));
        Fixture f;
        f.player->playlist.PlaylistEntries = files;
        RefreshListView(*f.player, false, false);
        OpenEntry(*f.player, 0);
        const PreparedNext* next = f.player->feed.nextEntry.peek();
        QVERIFY(next && next->entry == files[1]);
        f.window->ListScreen->clearSelection();
        f.window->ListScreen->selectIndexes({1});
        f.window->ListScreen->setFocusedIndex(1);
        f.window->actions().DeleteAc->trigger();
        QCOMPARE(f.player->playlist.PlaylistEntries.size(), std::size_t{2});
        next = f.player->feed.nextEntry.peek();
        QVERIFY(next && next->entry == files[2]);
        StopPlayback(*f.player, true);
    }

    void dropsBringPlaylistsFirstThenSortedFiles() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTemporaryDir music;
        const auto make = [&](const char* name, const QByteArray& text = "x") {
            writeText(music.filePath(QString::fromUtf8(name)), text);
            return QUrl::fromLocalFile(music.filePath(QString::fromUtf8(name)));
        };
        const QUrl b = make("b 歌.mp3");
        const QUrl a = make("a.mp3");
        const QUrl list = make("list.m3u", "/elsewhere/1.mp3\r\n/elsewhere/2.ogg\r\n");
        QDir(music.path()).mkpath("album");
        make("album/z.ogg");
        make("album/cover.jpg");
        QMimeData data;
        data.setUrls({b, list, a, QUrl::fromLocalFile(music.filePath("album"))});
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: a synthetic drop has no drag session behind it.
        static_cast<QObject*>(f.window.get())->event(&drop);
        const std::string m = music.path().toStdString();
        // The folder and the playlist as they come, then the loose files, sorted.
        QCOMPARE(f.player->playlist.PlaylistEntries,
                 (std::vector<std::string>{"/elsewhere/1.mp3", "/elsewhere/2.ogg",
                                           m + "/album/z.ogg", m + "/a.mp3", m + "/b 歌.mp3"}));
        QCOMPARE(f.window->ListScreen->count(), 5);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void aPathPlaysOnlyAfterTheDeferredWork() {
        QTemporaryDir music;
        const std::string a = writeTone(music, "a.wav", 5);
        {
            Fixture f;
            f.player->playlist.PlaylistEntries = {a};
            f.window->runDeferredStartup();
            // nothing plays without a path
            QCOMPARE(f.player->feed.OutputStream, AudioHandle(0));
        }
        Fixture f("[General]\nEnqueueOption=1\n", a);
        // not before the output is open
        QCOMPARE(f.player->feed.OutputStream, AudioHandle(0));
        QCOMPARE(f.player->playlist.PlaylistEntries.back(), a);
        f.window->runDeferredStartup();
        QVERIFY(f.player->feed.OutputStream != 0);
        QCOMPARE(f.player->playlist.PlayingEntry, a);
        StopPlayback(*f.player, true);
    }

    void desktopCommandsOpenTheRightPlaceOrSaySoWhenTheyCannot() {
        QTemporaryDir music;
        const std::string song = writeTone(music, "a.wav", 1);
        const QString folder = QDir::cleanPath(music.path());
        Fixture f;
        f.player->playlist.PlaylistEntries = {song, "http://radio.example/live|Radio"};
        RefreshListView(*f.player, false, false);
        QAction* explore = f.window->actions().ExplorerFile;
        // No xdg-open on the path: the toolkit's own desktop services decide.
        QTemporaryDir noTools;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", noTools.path().toLocal8Bit());

        // the offscreen platform has no desktop handler: the user hears why
        explore->trigger();
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].second,
                 QStringLiteral("这个桌面没有可以打开文件夹的文件管理器。\n\n") + music.path() +
                     QLatin1Char('/'));

        DesktopRecorder desktop;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
        f.messages.clear();
        explore->trigger();
        QCOMPARE(desktop.opened, QStringList{folder});
        // a stream at the focused line has no folder: nothing happens
        SelectEntry(*f.player, 1);
        explore->trigger();
        QCOMPARE(desktop.opened.size(), 1);
        // an empty list falls back on the folder of the file last played
        f.player->playlist.PlaylistEntries.clear();
        RefreshListView(*f.player, false, false);
        f.player->playlist.PlayingEntry = song;
        explore->trigger();
        QCOMPARE(desktop.opened, (QStringList{folder, folder}));
        f.player->playlist.PlayingEntry = "/nowhere/at/all.mp3";
        explore->trigger();
        QCOMPARE(desktop.opened.size(), 2);
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].second, QStringLiteral("没有选定要打开其所在文件夹的文件。"));

        writeText(f.file("Documentation.html"), "<html></html>");
        f.window->actions().DocAc->trigger();
        QCOMPARE(desktop.opened.last(), QDir::cleanPath(f.file("Documentation.html")));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        qputenv("PATH", path);
        QCOMPARE(f.messages.size(), std::size_t{1});
    }

    void propertiesNeedAFileAndAFileManager() {
        QTemporaryDir music;
        const std::string song = writeTone(music, "a.wav", 1);
        const std::string gone = music.filePath(QStringLiteral("gone.wav")).toStdString();
        Fixture f;
        f.player->playlist.PlaylistEntries = {song, gone};
        RefreshListView(*f.player, false, false);
        QAction* properties = f.window->actions().PropertiesAc;
        SelectEntry(*f.player, 1);
        properties->trigger();
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].second,
                 QStringLiteral("文件未找到。\n\n") + QString::fromStdString(gone));
        // no file manager answers: the user hears so once the bus has said it
        SelectEntry(*f.player, 0);
        properties->trigger();
        QTRY_COMPARE(f.messages.size(), std::size_t{2});
        QCOMPARE(f.messages[1].second,
                 QStringLiteral("这个桌面没有可以显示文件属性的文件管理器。"));
    }
};

QTEST_MAIN(AppKestoTest)
#include "app_kesto_test.moc"
