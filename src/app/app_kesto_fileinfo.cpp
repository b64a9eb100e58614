// F2: the properties of one playlist line, or the renamer for several.

#include "app/app_kesto.h"

#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "tags/file_info_form.h"
#include "tools/info_form.h"
#include "tools/replace_filenames_form.h"

#include <QAction>
#include <QFileInfo>

#include <algorithm>

namespace kesto {

void TAppKesto::fileInfoCommand() {
    if (info_ && info_->isVisible())
        info_->close();
    const auto& entries = player_->playlist.PlaylistEntries;
    if (entries.empty())
        return;
    const std::vector<int> selected = selectedLines();
    if (selected.size() < 2) {
        const int line = ListScreen->focusedIndex();
        if (line < 0 || line >= static_cast<int>(entries.size()))
            return;
        const std::string entry = entries[static_cast<std::size_t>(line)];
        if (ClassifyEntry(entry) == EntryKind::Stream) {
            streamPropertiesCommand(line);
            return;
        }
        if (!QFileInfo(QString::fromStdString(std::string(EntryPath(entry)))).isFile()) {
            ShowMessageKind(MessageKind::Information, "文件未找到。\r\r" + entry);
            return;
        }
        if (!fileInfo_) {
            fileInfo_ = std::make_unique<TFileInfo_Form>(*player_, this);
            fileInfo_->showText = [this](const QString& caption, const QString& text) {
                if (!info_)
                    info_ = std::make_unique<TInfo_Form>(this);
                ShowTextWindow(*info_, caption, text, QString(), true);
            };
        }
        fileInfo_->showEntry(line);
        return;
    }
    const bool anyStream = std::any_of(selected.begin(), selected.end(), [&](int line) {
        return line >= 0 && line < static_cast<int>(entries.size()) &&
               ClassifyEntry(entries[static_cast<std::size_t>(line)]) == EntryKind::Stream;
    });
    if (anyStream) {
        ShowMessageKind(MessageKind::Information,
                        "您的属性请求无效。\r请只选择音乐文件或一个 url 对象。");
        return;
    }
    if (!renamer_)
        renamer_ = std::make_unique<TReplaceFilenames_Form>(*player_, this);
    renamer_->showForSelection();
}

void TAppKesto::renameMenuCommand() {
    if (ListScreen->selectedCount() < 2) {
        ShowMessageKind(MessageKind::Information, "请先选择多个对象，再按下 F2。");
        return;
    }
    actions().FileInfoAc->trigger();
}

} // namespace kesto
