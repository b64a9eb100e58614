// The main window as the core's view: the virtual list, the status bar, the
// message boxes, and the drawing of one playlist line.

#include "app/app_kesto.h"

#include "app/status_panels.h"
#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/display_text.h"
#include "playlist/entry.h"
#include "tools/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <algorithm>

namespace kesto {

namespace {

// The core writes "\r" where a message breaks its line.
QString messageText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace

// Every box, question and pass of pending messages is a nested event loop:
// list changes that arrive meanwhile wait until it has returned.

void TAppKesto::ShowMessageKind(MessageKind kind, const std::string& text) {
    const auto loop = player_->nestedLoops.enter();
    const QString body = messageText(text);
    if (messageHook) {
        messageHook(kind, body);
        return;
    }
    messageBoxOk(this,
                 kind == MessageKind::Error     ? BoxKind::Error
                 : kind == MessageKind::Warning ? BoxKind::Warning
                                                : BoxKind::Information,
                 body);
}

bool TAppKesto::askYesNo(const std::string& text) {
    const auto loop = player_->nestedLoops.enter();
    const QString body = messageText(text);
    return questionHook ? questionHook(body) : messageBoxYesNo(this, body);
}

void TAppKesto::processPendingMessages() {
    const auto loop = player_->nestedLoops.enter();
    QApplication::processEvents();
}

void TAppKesto::post(std::function<void()> work) {
    // Queued to this window's thread whichever thread calls: the radio
    // workers hand their results back this way.
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void TAppKesto::runListCommand(std::function<void()> command) {
    player_->nestedLoops.whenOutside([this, command = std::move(command)] {
        // Its own dialogs and boxes are nested loops too.
        const auto loop = player_->nestedLoops.enter();
        command();
    });
}

int TAppKesto::lineCount() const {
    return ListScreen->count();
}
void TAppKesto::setLineCount(int count) {
    ListScreen->setCount(count);
}
int TAppKesto::focusedLine() const {
    return ListScreen->focusedIndex();
}
void TAppKesto::setFocusedLine(int line) {
    ListScreen->setFocusedIndex(line);
}
int TAppKesto::topLine() const {
    return ListScreen->topIndex();
}
void TAppKesto::setTopLine(int line) {
    ListScreen->setTopIndex(line);
}
std::vector<int> TAppKesto::selectedLines() const {
    return ListScreen->selectedIndexes();
}
bool TAppKesto::isLineSelected(int line) const {
    return ListScreen->isSelected(line);
}
void TAppKesto::selectLines(const std::vector<int>& lines) {
    ListScreen->selectIndexes(lines);
}
void TAppKesto::clearSelection() {
    ListScreen->clearSelection();
}
void TAppKesto::beginListUpdate() {
    ListScreen->beginUpdate();
}
void TAppKesto::endListUpdate() {
    ListScreen->endUpdate();
}
void TAppKesto::repaintList() {
    ListScreen->repaintLines();
}
int TAppKesto::listClientHeight() const {
    return ListScreen->viewport()->height();
}
int TAppKesto::listItemHeight() const {
    return ListScreen->itemHeight();
}

void TAppKesto::setStatusPanelText(int panel, const std::string& text) {
    StatusBar1->setText(panel, QString::fromStdString(text));
    notifyDesktopPlayer(); // pause and resume say so here
}

void TAppKesto::setViewFormatChecked(ViewFormat format) {
    actions().View1Ac->setChecked(format == ViewFormat::FileName);
    actions().View2Ac->setChecked(format == ViewFormat::FullPath);
    actions().View3Ac->setChecked(format == ViewFormat::RelativePath);
}

void TAppKesto::setBusyCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace kesto
