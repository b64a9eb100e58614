// The menus, and what each action does. Commands whose work lies in the
// core call it; the few whose work is this window's live here.

#include "app/app_kesto.h"

#include "app/status_panels.h"
#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/dir_form.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "playlist/open_path.h"
#include "playlist/playlist_editing.h"
#include "playlist/playlist_files.h"
#include "playlist/playlist_queue.h"
#include "prefs/global_hotkeys.h"
#include "prefs/preferences_form.h"
#include "stream/recording.h"
#include "tools/about_form.h"
#include "tools/info_form.h"
#include "tools/input_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QUrl>

namespace kesto {

namespace {

// A null item is a separator.
void addAll(QMenu* menu, std::initializer_list<QAction*> items) {
    for (QAction* item : items) {
        if (item == nullptr)
            menu->addSeparator();
        else
            menu->addAction(item);
    }
}

} // namespace

QString playlistOpenFilter() {
    return QStringLiteral("播放列表 (*.txt *.m3u *.pls *.asx *.b4s);;所有文件 (*)");
}

void TAppKesto::buildMenus() {
    const Actions& a = actions();
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("文件(&F)"));
    addAll(file, {a.OpenDirAc, a.AddDirAc, a.OpenFileAc, a.AddRadioAc, nullptr, a.LoadPlayListAc,
                  a.SavePlaylistAc, nullptr, a.EscAc});

    QMenu* edit = bar->addMenu(QStringLiteral("编辑(&E)"));
    addAll(edit, {a.FileInfoAc, a.DeleteAc, a.RealDelAc, a.ExplorerFile});
    QMenu* tools = edit->addMenu(QStringLiteral("工具(&T)"));
    addAll(tools, {a.RefreshAc, a.JumpAc});
    // F2 belongs to the properties command, which opens the renamer for a
    // multiple selection; this item shows the key and runs the same command.
    QAction* rename = tools->addAction(QStringLiteral("重命名多个文件(&M)") + QLatin1Char('\t') +
                                       QKeySequence(Qt::Key_F2).toString(QKeySequence::NativeText));
    rename->setObjectName(QStringLiteral("RenameMenuItem"));
    connect(rename, &QAction::triggered, this, [this] { renameMenuCommand(); });
    addAll(tools,
           {a.SleepTimerAc, a.CropAc, a.BrokenFilesAc, a.CutAc, a.CopyAc, a.PastAc, a.ListEntryAc,
            a.NewListAc, a.ClearShuffleHistoryAc, a.TotalTimeAc, a.ExplorerExe});
    edit->addSeparator();
    edit->addAction(a.FindAc);

    QMenu* play = bar->addMenu(QStringLiteral("播放(&P)"));
    addAll(play,
           {a.PlayAc, a.PauseAc, a.StopAc, a.RecordStartAc, nullptr, a.NextAc, a.PrevAc, a.QueuAc});

    FavoritesMenu = bar->addMenu(QStringLiteral("收藏(&F)"));
    FavoritesMenu->setObjectName(QStringLiteral("FavoritesMenu"));
    addAll(FavoritesMenu, {a.FavoritesAddAc, a.FavoritesOrganize, nullptr});

    QMenu* options = bar->addMenu(QStringLiteral("选项(&O)"));
    addAll(options, {a.PreferencesAc, nullptr, a.ModeAc1, a.ModeAc2, a.ModeAc3, a.ModeAc4,
                     a.ModeAc5, a.PlayModeToggleAc});
    auto* modes = new QActionGroup(this);
    for (QAction* m : {a.ModeAc1, a.ModeAc2, a.ModeAc3, a.ModeAc4, a.ModeAc5})
        modes->addAction(m);

    QMenu* view = bar->addMenu(QStringLiteral("查看(&V)"));
    addAll(view, {a.View1Ac, a.View2Ac, a.View3Ac, a.ViewFormatPathAc, nullptr, a.ViewPlayBarAc,
                  a.ViewProgressPanelAc});
    auto* formats = new QActionGroup(this);
    for (QAction* f : {a.View1Ac, a.View2Ac, a.View3Ac})
        formats->addAction(f);

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    addAll(help, {a.ShortcutsAc, a.DocAc, nullptr, a.AboutAc});

    PopupMenu3 = new QMenu(this);
    addAll(PopupMenu3, {a.QueuAc, a.DeleteAc, a.ExplorerFile, nullptr, a.FileInfoAc});

    TrayPopupMenu = new QMenu(this);
    for (const auto& [text, volume] : std::initializer_list<std::pair<const char*, int>>{
             {"&100%", 1000}, {"&60%", 600}, {"&30%", 300}, {"&0%", 0}}) {
        QAction* v = TrayPopupMenu->addAction(QString::fromUtf8(text));
        v->setObjectName(QStringLiteral("TrayVolume%1").arg(volume));
    }
    TrayPopupMenu->addSeparator();
    const auto trayItem = [this](const char* text, const char* name) {
        QAction* item = TrayPopupMenu->addAction(QString::fromUtf8(text));
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    connect(trayItem("播放(&P)", "TrayPlay"), &QAction::triggered, a.PlayAc, &QAction::trigger);
    connect(trayItem("暂停(&U)", "TrayPause"), &QAction::triggered, a.PauseAc, &QAction::trigger);
    trayItem("停止(&S)", "TrayStop");
    connect(trayItem("下一首(&N)", "TrayNext"), &QAction::triggered, a.NextAc, &QAction::trigger);
    connect(trayItem("上一首(&R)", "TrayPrevious"), &QAction::triggered, a.PrevAc,
            &QAction::trigger);
    connect(trayItem("复制播放歌曲的标题(&C)", "TrayCopyTitle"), &QAction::triggered, a.CopyPlAc,
            &QAction::trigger);
    TrayPopupMenu->addSeparator();
    QAction* open = trayItem("打开(&O)", "TrayOpen");
    QFont bold = open->font();
    bold.setBold(true);
    open->setFont(bold);
    connect(open, &QAction::triggered, this, &TAppKesto::restoreFromTray);
    connect(trayItem("退出(&E)", "TrayExit"), &QAction::triggered, a.EscAc, &QAction::trigger);

    ListScreen->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListScreen, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu3->popup(ListScreen->mapToGlobal(pos)); });
}

void TAppKesto::connectActions() {
    const Actions& a = actions();
    const auto on = [this](QAction* action, auto&& fn) {
        connect(action, &QAction::triggered, this, std::forward<decltype(fn)>(fn));
    };
    // The list commands among these wait while a nested loop runs.
    const auto onList = [this](QAction* action, auto&& fn) {
        connect(action, &QAction::triggered, this,
                [this, fn = std::forward<decltype(fn)>(fn)] { runListCommand(fn); });
    };
    // Windows of their own: a nested loop while they are open.
    const auto onModal = [this](QAction* action, auto&& fn) {
        connect(action, &QAction::triggered, this, [this, fn = std::forward<decltype(fn)>(fn)] {
            const auto loop = player_->nestedLoops.enter();
            fn();
        });
    };
    on(a.EscAc, [this] { exitCommand(); });
    onModal(a.PreferencesAc, [this] { preferencesCommand(); });
    on(a.RecordStartAc, [this] { recordStartCommand(*player_); });
    on(a.MaximizeAc, [this] { maximizeCommand(); });
    on(a.MinimizeAc, [this] { minimizeCommand(); });
    on(a.DocAc, [this] { docCommand(); });
    on(a.ExplorerExe, [this] { explorerExeCommand(); });
    on(a.ExplorerFile, [this] { explorerFileCommand(); });
    on(a.PropertiesAc, [this] { propertiesCommand(); });
    on(a.CopyPlAc, [this] { copyPlCommand(); });
    on(a.ViewPlayBarAc, [this] { viewPlayBarCommand(); });
    on(a.ViewProgressPanelAc, [this] { viewProgressPanelCommand(); });
    on(a.View1Ac, [this] { setViewFormat(*player_, ViewFormat::FileName); });
    on(a.View2Ac, [this] { setViewFormat(*player_, ViewFormat::FullPath); });
    onModal(a.View3Ac, [this] {
        if (player_->playlist.RootMediaList.empty()) {
            ShowMessageKind(MessageKind::Information,
                            "在您开始使用查看相对路径结构前，请先设置您的音乐文件夹。");
            setUpMusicFolder();
        }
        setViewFormat(*player_, ViewFormat::RelativePath);
    });
    on(a.ViewFormatPathAc, [this] {
        setViewFormat(*player_, viewFormatFromInt((toInt(player_->playlist.ViewFormat) + 1) % 3));
    });
    onList(a.QueuAc, [this] { QueueSelected(*player_); });
    onList(a.AddRadioAc, [this] { addRadioCommand(); });
    onList(a.FileInfoAc, [this] { fileInfoCommand(); });
    on(a.Level1Ac, [this] { SetVUStyle(VUStyle::None); });
    on(a.Level2Ac, [this] { SetVUStyle(VUStyle::SevenLeds); });
    on(a.Level3Ac, [this] { SetVUStyle(VUStyle::FourteenLeds); });
    on(a.VUToggleAc, [this] { SetVUStyle(vuStyleFromInt((toInt(vuStyle_) + 1) % 3)); });
    onModal(a.AboutAc, [this] {
        if (!info_)
            info_ = std::make_unique<TInfo_Form>(this);
        if (!about_)
            about_ = std::make_unique<TAbout_Form>(
                *info_, QString::fromStdString(player_->paths.programFolder()), this);
        about_->openDocumentation = [this] {
            docCommand();
        };
        about_->exec();
    });
    onModal(a.ShortcutsAc, [this] {
        if (!info_)
            info_ = std::make_unique<TInfo_Form>(this);
        const QPlainTextEdit& memo = *info_->Memo1;
        ShowTextWindow(*info_, QStringLiteral("辅助操作"),
                       ShortcutsText(QFontMetricsF(memo.font()), memo.tabStopDistance()), QString(),
                       false);
    });
    onList(a.LoadPlayListAc, [this] {
        const QString start =
            QString::fromStdString(player_->settings.readString("General", "PlaylistFolder", ""));
        const QString file =
            QFileDialog::getOpenFileName(this, QString(), start, playlistOpenFilter());
        if (!file.isEmpty()) {
            player_->playlist.CurrentIndex = -1;
            OpenPath(*player_, file.toStdString(), OpenMode::ReplaceList);
            const QString folder = QFileInfo(file).absolutePath();
            if (!folder.isEmpty())
                player_->settings.writeString("General", "PlaylistFolder",
                                              (folder + QLatin1Char('/')).toStdString());
        }
    });
    onList(a.SavePlaylistAc, [this] { savePlaylistCommand(); });
}

void TAppKesto::exitCommand() {
    PlaylistState& list = player_->playlist;
    list.CancelRequested = true;
    if (info_ && info_->isVisible()) {
        info_->close();
        return;
    }
    if (preferences_ && preferences_->isVisible()) {
        preferences_->close();
        return;
    }
    if (list.ListBusy)
        return;
    // A recording is offered for saving before the window goes.
    if (ClassifyEntry(list.PlayingEntry) == EntryKind::Stream)
        FinishRecording(*player_);
    close();
}

void TAppKesto::preferencesCommand() {
    if (!preferences_) {
        PreferencesHost host;
        host.setVUStyle = [this](VUStyle style) {
            SetVUStyle(style);
        };
        host.vuStyle = [this] {
            return vuStyle_;
        };
        host.autoUpdateAtStart = [this] {
            return start_.autoUpdate;
        };
        host.musicFoldersChanged = [this] {
            if (dirForm_)
                dirForm_->reloadRootMedia();
        };
        host.dirBoxKeys = [this] {
            return dirForm_ ? std::pair{dirForm_->browserFolder(), dirForm_->rootChoice()}
                            : std::pair{player_->playlist.LastOpenedDir, start_.lastOpenedDrive};
        };
        host.unregisterHotkeys = [this] {
            UnregisterAllHotkeys(*hotkeys_);
        };
        host.registerHotkeys = [this](bool report) {
            registerHotkeys(report);
        };
        host.hotkeysWork = [this] {
            return hotkeys_->available();
        };
        preferences_ = std::make_unique<TPreferences_Form>(*player_, std::move(host), this);
    }
    preferences_->showPreferences();
}

void TAppKesto::maximizeCommand() {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void TAppKesto::minimizeCommand() {
    const bool toTray = start_.minimizeToTray && QSystemTrayIcon::isSystemTrayAvailable();
    if (!toTray) {
        // Without a tray to come back from, an ordinary minimise keeps the
        // window findable in the task bar.
        showMinimized();
        return;
    }
    hideToTray();
}

void TAppKesto::docCommand() {
    const QString doc = documentationPath(QString::fromStdString(player_->paths.programFolder()));
    if (!doc.isEmpty()) {
        openOnDesktop(doc, "这个桌面没有可以打开帮助文档的程序。\r\r");
        return;
    }
    // Named: only the help that exists with every copy of the program.
    ShowMessageKind(
        MessageKind::Information,
        "找不到帮助文档 Documentation.html。\r请重新安装 Kesto；按 F1 可以查看快捷键列表。");
}

void TAppKesto::openOnDesktop(const QString& path, const std::string& noHandler) {
    const QUrl url = QUrl::fromLocalFile(path);
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        // No freedesktop opener: whatever else the desktop offers.
        if (!QDesktopServices::openUrl(url))
            ShowMessageKind(MessageKind::Information, noHandler + path.toStdString());
        return;
    }
    // xdg-open itself, not the toolkit's launch of it: that only says whether
    // it started, and xdg-open fails after starting when the desktop has no
    // handler for the file. It runs on; its end is heard without waiting.
    auto* opener = new QProcess(this);
    opener->setProgram(xdgOpen);
    opener->setArguments({url.toString()});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    const std::string message = noHandler + path.toStdString();
    const auto failed = [this, opener, message] {
        opener->deleteLater();
        ShowMessageKind(MessageKind::Information, message);
    };
    connect(opener, &QProcess::errorOccurred, this, [opener, failed](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            failed();
    });
    connect(opener, &QProcess::finished, this,
            [opener, failed](int code, QProcess::ExitStatus status) {
                if (code != 0 || status != QProcess::NormalExit)
                    failed();
                else
                    opener->deleteLater();
            });
    opener->start();
}

namespace {
constexpr const char* kNoFileManager = "这个桌面没有可以打开文件夹的文件管理器。\r\r";
constexpr const char* kNoPropertiesSheet = "这个桌面没有可以显示文件属性的文件管理器。";
} // namespace

void TAppKesto::explorerExeCommand() {
    openOnDesktop(QString::fromStdString(player_->paths.programFolder()), kNoFileManager);
}

void TAppKesto::explorerFileCommand() {
    const PlaylistState& list = player_->playlist;
    QString folder;
    if (!list.PlaylistEntries.empty()) {
        const int focused = ListScreen->focusedIndex();
        if (focused >= 0 && focused < static_cast<int>(list.PlaylistEntries.size())) {
            const std::string& entry = list.PlaylistEntries[static_cast<std::size_t>(focused)];
            if (ClassifyEntry(entry) == EntryKind::Stream)
                return;
            folder = QString::fromStdString(std::string(folderPart(EntryPath(entry))));
        }
    } else if (!list.PlayingEntry.empty()) {
        folder = QString::fromStdString(std::string(folderPart(EntryPath(list.PlayingEntry))));
    }
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        openOnDesktop(folder, kNoFileManager);
        return;
    }
    ShowMessageKind(MessageKind::Warning, "没有选定要打开其所在文件夹的文件。");
}

void TAppKesto::propertiesCommand() {
    const PlaylistState& list = player_->playlist;
    const int focused = ListScreen->focusedIndex();
    if (focused < 0 || focused >= static_cast<int>(list.PlaylistEntries.size()))
        return;
    const std::string& entry = list.PlaylistEntries[static_cast<std::size_t>(focused)];
    const QString path = QString::fromStdString(std::string(EntryPath(entry)));
    if (!QFileInfo(path).isFile()) {
        ShowMessageKind(MessageKind::Warning, "文件未找到。\r\r" + entry);
        return;
    }
    // The file manager's own properties sheet, where the desktop offers one.
    // Asked without waiting: a file manager that has to start first must not
    // hold the window (and the meters) still meanwhile.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        // Without a session bus a call would only fail at its timeout.
        ShowMessageKind(MessageKind::Information, kNoPropertiesSheet);
        return;
    }
    auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError())
            ShowMessageKind(MessageKind::Information, kNoPropertiesSheet);
    });
}

void TAppKesto::copyPlCommand() {
    if (const auto text = currentEntryNameText(*player_))
        QApplication::clipboard()->setText(QString::fromStdString(*text));
}

void TAppKesto::viewPlayBarCommand() {
    const bool shown = actions().ViewPlayBarAc->isChecked();
    player_->settings.writeBool("Window", "PlayBar", shown);
    setPlayBarVisible(shown);
}

void TAppKesto::viewProgressPanelCommand() {
    const bool shown = actions().ViewProgressPanelAc->isChecked();
    player_->settings.writeBool("Window", "ProgressPanel", shown);
    setProgressPanelVisible(shown);
}

} // namespace kesto
