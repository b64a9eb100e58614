// The playlist commands of the window: folders through the folder browser,
// files through the file dialog, drops, refresh, and the editing commands.
// The rules live in the core; this file does the dialogs and the clipboard.

#include "app/app_kesto.h"

#include "app/set_root_path.h"
#include "controls/gorse_listbox.h"
#include "platform/folder_dialog.h"
#include "platform/memory.h"
#include "platform/trash.h"
#include "playback/next_entry.h"
#include "player/player.h"
#include "playlist/dir_form.h"
#include "playlist/entry.h"
#include "playlist/file_uri.h"
#include "playlist/folder_scan.h"
#include "playlist/list_view.h"
#include "playlist/open_path.h"
#include "playlist/playlist_editing.h"
#include "playlist/playlist_files.h"
#include "playlist/playlist_sort.h"
#include "tools/input_form.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace kesto {

namespace {

// The add-files dialog's filters, in the toolkit's form: a description and
// its patterns in parentheses, separated by spaces.
const char* const kAddFilesFilter =
    "所有支持的音乐文件 (*.mp3 *.mp2 *.mp1 *.wav *.ogg *.it *.s3m *.xm *.mod *.mtm *.umx);;"
    "WAVE 文件 (*.wav);;"
    "MPEG 文件 (*.mp3 *.mp2 *.mp1);;"
    "OGG Vorbis 文件 (*.ogg);;"
    "所有文件 (*)";

// The save dialog's types, in the order of PlaylistSaveType, each with the
// extension a bare name gets under it.
struct SaveType {
    const char* filter;
    const char* suffix;
};
constexpr SaveType kSaveTypes[] = {
    {"Kesto 播放列表 (*.txt)", "txt"},
    {"M3U 播放列表 (*.m3u)", "m3u"},
    {"PLS 播放列表 (*.pls)", "pls"},
    {"所有文件 (*)", "txt"},
};

// The clipboard as lines for the paste command. Files copied in a file
// manager come as a URL list, whose plain-text form may lack the final line
// end that marks a whole line; the list itself is exact.
std::string clipboardLines() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return {};
    if (!data->hasUrls())
        return data->text().toStdString();
    std::string text;
    for (const QUrl& url : data->urls())
        text.append(url.toString(QUrl::FullyEncoded).toStdString()).append("\r\n");
    return text;
}

} // namespace

void TAppKesto::connectPlaylistCommands() {
    const Actions& a = actions();
    // Every command here changes the list, so it waits while a nested loop
    // holds lines of it. Each may also change what plays next: the decision
    // the output takes at the end of a file is refreshed at once, not at the
    // next status tick, so a file ending right after the edit does not bring
    // back a line just removed or skip one just added.
    const auto on = [this](QAction* action, auto&& fn) {
        connect(action, &QAction::triggered, this, [this, fn = std::forward<decltype(fn)>(fn)] {
            runListCommand([this, fn] {
                fn();
                playOrderChanged(*player_);
            });
        });
    };
    on(a.OpenDirAc, [this] { folderCommand(true); });
    on(a.AddDirAc, [this] { folderCommand(false); });
    on(a.OpenFileAc, [this] { openFilesCommand(); });
    on(a.RefreshAc, [this] { RefreshFolder(*player_); });
    on(a.DeleteAc, [this] { DeleteSelected(*player_); });
    on(a.RealDelAc, [this] { deleteSelectedToTrash(*player_, moveFileToTrash); });
    on(a.CropAc, [this] { cropPlaylist(*player_); });
    on(a.CopyAc, [this] { setClipboardText(copySelectedText(*player_)); });
    on(a.CutAc, [this] { setClipboardText(cutSelected(*player_)); });
    on(a.PastAc, [this] { pasteCommand(); });
    on(a.BrokenFilesAc, [this] { removeMissingFiles(*player_); });
    on(a.NewListAc, [this] { clearPlaylist(*player_); });
    on(a.ClearShuffleHistoryAc, [this] { clearQueueAndHistory(*player_); });
    on(a.ListEntryAc, [this] {
        editFocusedEntry(*player_, [this](std::string& text) {
            if (!input_)
                input_ = std::make_unique<TInput_Form>(this);
            QString q = QString::fromStdString(text);
            if (!AskText(*input_, QString::fromUtf8(kEditEntryCaption),
                         QString::fromUtf8(kEditEntryPrompt), q))
                return false;
            text = q.toStdString();
            return true;
        });
    });
    setAcceptDrops(true);
}

void TAppKesto::folderCommand(bool replace) {
    processPendingMessages();
    if (!dirForm_)
        dirForm_ = std::make_unique<TDir_Form>(*player_, this);
    const auto choice =
        dirForm_->chooseFolder(replace ? DirFormMode::OpenFolder : DirFormMode::AddFolder);
    if (choice) {
        AddFolder(*player_, choice->folder, replace, !replace, choice->recursive);
        player_->playlist.LastOpenedDir = choice->folder;
    }
    TrimWorkingSet();
}

void TAppKesto::openFilesCommand() {
    const QStringList files =
        QFileDialog::getOpenFileNames(this, QStringLiteral("添加音乐文件到播放列表"),
                                      QString::fromStdString(player_->playlist.LastOpenedDir),
                                      QString::fromUtf8(kAddFilesFilter));
    std::vector<std::string> collected;
    for (const QString& f : files) {
        const std::string path = f.toStdString();
        if (isPlayableKind(ClassifyEntry(path)))
            collected.push_back(path);
        else
            OpenPath(*player_, path, OpenMode::AddOnly);
    }
    appendSorted(std::move(collected));
}

void TAppKesto::savePlaylistCommand() {
    const std::string& last = player_->playlist.LastOpenedDir;
    const QString start = QString::fromStdString(
        !last.empty() ? last : player_->settings.readString("General", "PlaylistFolder", ""));
    QStringList filters;
    for (const SaveType& t : kSaveTypes)
        filters << QString::fromUtf8(t.filter);
    QFileDialog dialog(this, QString(), start);
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The chosen type names the extension a bare name gets, so that the
    // dialog's question about replacing a file asks about the right one.
    const auto typeOf = [&filters](const QString& filter) {
        const qsizetype i = filters.indexOf(filter);
        return i < 0 ? PlaylistSaveType::Text : static_cast<PlaylistSaveType>(i);
    };
    const auto followType = [&dialog, &typeOf](const QString& filter) {
        dialog.setDefaultSuffix(
            QString::fromUtf8(kSaveTypes[static_cast<int>(typeOf(filter))].suffix));
    };
    connect(&dialog, &QFileDialog::filterSelected, &dialog, followType);
    followType(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    savePlaylistAs(*player_, dialog.selectedFiles().first().toStdString(),
                   typeOf(dialog.selectedNameFilter()));
}

void TAppKesto::pasteCommand() {
    pasteEntries(*player_, clipboardLines());
}

void TAppKesto::appendSorted(std::vector<std::string> paths) {
    if (paths.empty())
        return;
    if (paths.size() > 1)
        SortStrings(paths);
    auto& entries = player_->playlist.PlaylistEntries;
    entries.insert(entries.end(), std::make_move_iterator(paths.begin()),
                   std::make_move_iterator(paths.end()));
    RefreshListView(*player_, true, true);
}

void TAppKesto::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TAppKesto::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    runListCommand([this, urls] {
        dropUrls(urls);
        playOrderChanged(*player_);
    });
}

void TAppKesto::dropUrls(const QList<QUrl>& urls) {
    setBusyCursor(true);
    beginListUpdate();
    std::vector<std::string> collected;
    for (const QUrl& url : urls) {
        // Read by the same rule as file URIs in playlists and pastes, which
        // also takes "file://localhost/..." as this machine's file.
        const std::optional<std::string> local =
            localPathOfFileUri(url.toString(QUrl::FullyEncoded).toStdString());
        if (!local)
            continue;
        const std::string& path = *local;
        if (QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).isDir()) {
            std::string folder = path;
            if (folder.back() != '/')
                folder += '/';
            AddFolder(*player_, folder, false, true, true);
        } else if (isPlayableKind(ClassifyEntry(path))) {
            collected.push_back(path);
        } else {
            OpenPath(*player_, path, OpenMode::Dropped);
        }
    }
    appendSorted(std::move(collected));
    endListUpdate();
    setBusyCursor(false);
    ForceForegroundWindow();
}

void TAppKesto::runDeleteCommand() {
    actions().DeleteAc->trigger();
}

void TAppKesto::setUpMusicFolder() {
    DirBoxKeys keys{player_->playlist.LastOpenedDir, start_.lastOpenedDrive};
    const RootPathDialogs dialogs{[this] {
                                      return BrowseForFolder(QString::fromUtf8(kSetRootPathCaption),
                                                             QString::fromUtf8(kSetRootPathPrompt),
                                                             this)
                                          .toStdString();
                                  },
                                  [this](const std::string& text) {
                                      ShowMessageKind(MessageKind::Information, text);
                                  }};
    player_->playlist.RootMediaList = setRootPath(player_->settings, keys, dialogs, desktopFolder(),
                                                  QDir::homePath().toStdString());
    start_.lastOpenedDrive = keys.lastOpenedDrive;
    if (dirForm_)
        dirForm_->reloadRootMedia();
}

} // namespace kesto
