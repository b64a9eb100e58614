// The playlist view: how one line is drawn, the look it is drawn in, and
// reordering lines by dragging them.

#include "app/app_kesto.h"

#include "controls/gorse_listbox.h"
#include "playback/next_entry.h"
#include "player/player.h"
#include "playlist/display_text.h"
#include "playlist/entry.h"
#include "playlist/line_moves.h"
#include "prefs/list_style.h"

#include <QPainter>

#include <algorithm>

namespace kesto {

namespace {

const QColor kStreamGreen(0x00, 0x80, 0x00);

} // namespace

void TAppKesto::applyListStyle(const ListStyle& style) {
    const int selected = ListScreen->focusedIndex();
    ListScreen->beginUpdate();
    style_ = style;
    QFont f = style_.font();
    f.setBold(false); // the list's own style decides bold per line
    ListScreen->setFont(f);
    // A scheme's height is its font's; the bold playing line needs room too.
    ListScreen->setItemHeight(lineHeightFor(f, style_.itemHeight, ListScreen));
    ListScreen->setBackground(style_.background.resolve(palette()));
    ListScreen->endUpdate();
    if (selected >= 0) {
        ListScreen->clearSelection();
        ListScreen->setSelected(selected, true);
        ListScreen->setFocusedIndex(selected);
    }
}

TAppKesto::LineLook TAppKesto::lineLook(int index, bool selected) {
    const PlaylistState& list = player_->playlist;
    LineLook look;
    const QPalette& pal = palette();
    look.fill = style_.background.resolve(pal);
    if (index < 0 || index >= static_cast<int>(list.PlaylistEntries.size()))
        return look;
    const std::string& entry = list.PlaylistEntries[static_cast<std::size_t>(index)];
    marks_.refresh(list.QueueList, list.ShuffleHistory);
    look.text = QString::fromStdString(EntryDisplayText(list, index));
    // Queue numbers by text: every line holding a queued entry shows its
    // positions, the highest leftmost.
    if (const std::vector<int>* positions = marks_.queuePositions(entry))
        for (int q : *positions)
            look.text = QString::number(q) + QStringLiteral(" >   ") + look.text;

    // A line counts as playing only while the output is open.
    const bool playing = index == list.CurrentIndex && player_->transport.DeviceReady;
    if (selected) {
        look.fill = (playing ? style_.playingSelectionColor : style_.selectionColor).resolve(pal);
        look.ink = (playing ? style_.playingSelectedColor : style_.selectedFontColor).resolve(pal);
        look.bold = playing ? style_.playingBold : style_.fontBold;
        return look;
    }
    look.ink = style_.fontColor.resolve(pal);
    if (playing) {
        look.ink = style_.playingColor.resolve(pal);
        look.bold = style_.playingBold;
        return look;
    }
    look.bold = style_.fontBold;
    // Later marks win: played in shuffle, then queued, then a stream's green.
    if (marks_.shuffled(entry))
        look.ink = style_.shuffledColor.resolve(pal);
    if (marks_.queued(entry))
        look.ink = style_.queuedColor.resolve(pal);
    if (ClassifyEntry(entry) == EntryKind::Stream)
        look.ink = kStreamGreen;
    return look;
}

void TAppKesto::ListScreenDrawItem(QPainter& p, int index, const QRect& rect, bool selected) {
    const LineLook look = lineLook(index, selected);
    p.fillRect(rect, look.fill);
    if (look.text.isEmpty())
        return;
    QFont font = ListScreen->font();
    font.setBold(look.bold);
    p.setFont(font);
    p.setPen(look.ink);
    // At the line's top, 4 pixels in, never clipped to the line nor shortened.
    p.setClipping(false);
    p.drawText(rect.left() + 4, rect.top() + QFontMetrics(font).ascent(), look.text);
}

void TAppKesto::ListScreenStartDrag(int line) {
    DragIndexes.clear();
    DragTexts.clear();
    DragAnchor = 0;
    // While a nested loop holds lines of the list, lines stay where they are.
    if (line < 0 || player_->nestedLoops.inside())
        return;
    ListScreen->setFocusedIndex(line);
    ListScreen->setFocus();
    DragIndexes = ListScreen->selectedIndexes();
    const auto it = std::find(DragIndexes.begin(), DragIndexes.end(), line);
    if (it == DragIndexes.end()) {
        // A press that left the grabbed line unselected drags nothing.
        DragIndexes.clear();
        return;
    }
    DragAnchor = static_cast<int>(it - DragIndexes.begin());
    LastDragRow = -1;
    const auto& entries = player_->playlist.PlaylistEntries;
    for (const int i : DragIndexes) {
        if (i < 0 || static_cast<std::size_t>(i) >= entries.size()) {
            DragIndexes.clear();
            DragTexts.clear();
            return;
        }
        DragTexts.push_back(entries[static_cast<std::size_t>(i)]);
    }
}

bool TAppKesto::dragLinesHold() const {
    // A removal (Del, a cut, a hand-over) may come while the button is down:
    // the lines the drag holds must still be the entries it picked up.
    const auto& entries = player_->playlist.PlaylistEntries;
    for (std::size_t k = 0; k < DragIndexes.size(); ++k) {
        const auto i = static_cast<std::size_t>(DragIndexes[k]);
        if (i >= entries.size() || entries[i] != DragTexts[k])
            return false;
    }
    return true;
}

void TAppKesto::ListScreenDragOver(int y) {
    if (DragIndexes.empty())
        return;
    if (!dragLinesHold()) {
        // The list changed under the drag: it ends here, moving nothing more.
        DragIndexes.clear();
        DragTexts.clear();
        dragScrollTimer_.stop();
        return;
    }
    const int row = ListScreen->indexAt(y);
    const int top = ListScreen->topIndex();
    if (row == LastDragRow && top == LastDragTop)
        return;
    LastDragRow = row;
    LastDragTop = top;

    ListScreen->beginUpdate();
    const int h = ListScreen->itemHeight();
    const int clientHeight = ListScreen->viewport()->height();
    const int count = ListScreen->count();
    if (y < h / 2 && top > 0)
        ListScreen->setTopIndex(top - 1);
    else if (y >= clientHeight - h / 2 && count >= ListScreen->visibleRows() + top)
        ListScreen->setTopIndex(top + 1);

    const int target = ListScreen->indexAt(std::clamp(y, 0, std::max(0, clientHeight - 1)));
    if (target >= 0) {
        const int d = DragIndexes[static_cast<std::size_t>(DragAnchor)] - target;
        PlaylistState& list = player_->playlist;
        if (d != 0 && moveLinesBy(list.PlaylistEntries, DragIndexes, d, list.CurrentIndex)) {
            ListScreen->clearSelection();
            ListScreen->selectIndexes(DragIndexes);
            ListScreen->setFocusedIndex(target);
            playOrderChanged(*player_);
        }
    }
    ListScreen->endUpdate();
}

void TAppKesto::ListScreenEndDrag() {
    dragScrollTimer_.stop();
    LastDragRow = -1;
    const int focused = ListScreen->focusedIndex();
    if (ListScreen->count() > 0 && ListScreen->isSelected(focused))
        ListScreen->setSelected(focused, true);
    DragIndexes.clear();
    DragTexts.clear();
}

void TAppKesto::dragAutoScroll() {
    // Held above or below the list, the drag keeps scrolling: a line every
    // 7 ms upwards and every 14 ms downwards.
    const int clientHeight = ListScreen->viewport()->height();
    if (dragPointerY_ < 0) {
        LastDragRow = -2; // force the step even when the line under the pointer is the same
        ListScreenDragOver(0);
        dragScrollTimer_.start(7);
    } else if (dragPointerY_ >= clientHeight) {
        LastDragRow = -2;
        ListScreenDragOver(10000);
        dragScrollTimer_.start(14);
    } else {
        dragScrollTimer_.stop();
    }
}

} // namespace kesto
