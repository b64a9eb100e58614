// The window's internet-radio commands: adding an address and the stream
// properties dialog behind F2. Their work lies in src/stream.

#include "app/app_kesto.h"

#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "stream/radio_commands.h"
#include "stream/radio_form.h"
#include "tools/info_form.h"
#include "tools/input_form.h"

namespace kesto {

void TAppKesto::addRadioCommand() {
    if (!input_)
        input_ = std::make_unique<TInput_Form>(this);
    QString text;
    if (!AskText(*input_, QStringLiteral("添加 URL"), QStringLiteral("在线音乐 URL: "), text))
        return;
    addRadioText(*player_, text.toStdString());
}

void TAppKesto::streamPropertiesCommand(int line) {
    if (!radioForm_) {
        radioForm_ = std::make_unique<TRadio_Form>(
            [this](const QString& url, std::function<void(const QString&)> done) {
                fetchStationName(*player_, url.toStdString(),
                                 [done = std::move(done)](const std::string& name) {
                                     done(QString::fromStdString(name));
                                 });
            },
            this);
    }
    const std::string entry = player_->playlist.PlaylistEntries[static_cast<std::size_t>(line)];
    QString url = QString::fromStdString(std::string(EntryPath(entry)));
    QString title = QString::fromStdString(std::string(EntryTitle(entry)));
    if (!radioForm_->editEntry(url, title))
        return;
    // The dialog ran an event loop: the line is found again by its text.
    auto& entries = player_->playlist.PlaylistEntries;
    if (line >= static_cast<int>(entries.size()) ||
        entries[static_cast<std::size_t>(line)] != entry) {
        const auto it = std::find(entries.begin(), entries.end(), entry);
        if (it == entries.end())
            return;
        line = static_cast<int>(it - entries.begin());
    }
    entries[static_cast<std::size_t>(line)] = url.toStdString() + "|" + title.toStdString();
    RefreshListView(*player_, true, true);
}

} // namespace kesto
