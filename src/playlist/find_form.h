#pragma once

// The find window: type a few letters, see the matching playlist entries by
// file name, and play, queue or jump to one. The result list is the player's
// own virtual list over the index map: a playlist of 100,000 entries costs
// one pass of the filter per keystroke and the rows on screen, never a
// widget or a string per row.

#include "playlist/find_results.h"

#include <QDialog>

#include <string>
#include <vector>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

namespace kesto {

class Player;
class TGorseListbox;

class TFind_Form : public QDialog {
    Q_OBJECT
public:
    explicit TFind_Form(Player& player, QWidget* parent = nullptr);

    // Fewer than two entries: nothing happens. Otherwise the window opens
    // modally, with `text` typed in already; returns when it closes.
    void OpenFind(const std::string& text);
    // The rows for `text` (what every change of the field runs).
    void FilterResults(const QString& text);
    // The playlist view's font and colours, for the field and the list.
    void setListLook(const QFont& font, const QColor& background, const QColor& ink);

    // ---- Controls, by their designer names ----
    QLineEdit* Edit1;
    TGorseListbox* ListBox1;
    QPushButton* Button1;
    QPushButton* Button2;
    QMenu* PopupMenu1;
    QAction* PlayItem; // "播放对象(&P)", Enter
    QAction* QueueAc;  // Insert
    QAction* JumpItem; // the ` key
    QAction* Action1;  // the view switch, F8

    // The rows: row r shows entry resultMap()[r] in the view chosen.
    const std::vector<int>& resultMap() const { return map_; }
    int rowCount() const { return static_cast<int>(map_.size()); }
    QString rowText(int row) const;
    FindView view() const { return view_; }
    int focusedRow() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeControls();
    bool editKey(QKeyEvent* event);
    void focusRow(int row);
    // The entry of the focused row; -1 without one.
    int chosenEntry() const;
    void play(int closeWith);
    void queue();
    void jump();
    void switchView();
    void setRows(std::vector<int> map);
    void drawRow(QPainter& painter, int row, const QRect& rect, bool selected);

    Player& player_;
    std::vector<int> map_;
    FindView view_ = FindView::FileName;
    std::string lastText_; // the text of the rows shown
    QColor ink_;
};

} // namespace kesto
