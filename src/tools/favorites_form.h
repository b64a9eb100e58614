#pragma once

// The favourites organiser: the titles, with rename, delete, open the folder
// and reload. It works on the disk as it is at each step; the main window
// rebuilds its menu when this closes.

#include "tools/favorites_list.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace kesto {

class Player;
class TInput_Form;

class TFavorites_Form : public QDialog {
    Q_OBJECT
public:
    explicit TFavorites_Form(Player& player, QWidget* parent = nullptr);
    ~TFavorites_Form() override;

    QListWidget* ListBox1;
    QMenu* PopupMenu1;
    QAction* Action1; // rename, F2
    QAction* Action2; // delete, Delete
    QAction* Action3; // explore, Ctrl+E
    QAction* Action4; // refresh, F5
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QLabel* Label2;

    // Opens a folder in the desktop's file manager; the main window gives its
    // own opener, a test a recorder.
    std::function<void(const QString& folder)> openFolder;
    // The title question; by default the input dialog.
    AskFavoriteTitle askTitle;

    // The files behind the lines, in line order.
    const std::vector<std::string>& files() const { return files_; }
    // Reads the folder again; focuses and selects line `row` (clamped).
    void reload(int row);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rename();
    void remove();
    void explore();

    Player& player_;
    std::string folder_;
    std::vector<std::string> files_;
    TInput_Form* input_ = nullptr;
};

} // namespace kesto
