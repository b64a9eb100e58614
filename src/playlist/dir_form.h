#pragma once

// The player's own folder chooser for the open-folder and add-folder
// commands: a lazily filled tree of folders under all mounted drives or one
// music folder. It remembers the root and the folder it showed last (in the
// settings, so also across a restart) and can add the selected folder to the
// playlist without closing.

#include "platform/mounts.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kesto {

class Player;

inline constexpr const char* kAllDrives = "所有驱动器";

enum class DirFormMode {
    OpenFolder, // F4: the chosen folder replaces the playlist
    AddFolder,  // F3: the chosen folder is appended
};

struct FolderChoice {
    std::string folder; // ends in "/"
    bool recursive = true;
};

class TDir_Form : public QDialog {
    Q_OBJECT
public:
    // Sized for the screen it opens on (width 395, four fifths of the screen
    // height); the music folders and the DirBox keys come from the settings.
    explicit TDir_Form(Player& player, QWidget* parent = nullptr);

    // Shows the window modally, titled for the command. OK gives the selected
    // folder and the sub-folder box. After a quick add OK closes as Cancel, so
    // the caller does not add that folder a second time.
    std::optional<FolderChoice> chooseFolder(DirFormMode mode);

    // True once a quick add of this showing put a folder into the playlist.
    bool quickAdded() const { return quickAdded_; }
    // The values the exit save writes as DirBox/LastOpenedDir and LastOpenedDrive.
    const std::string& browserFolder() const { return browserFolder_; }
    const std::string& rootChoice() const { return rootChoice_; }

    // Re-reads the music folders and the root choice from the settings and
    // rebuilds the tree; for when the preferences or "-setrootpath" changed them.
    void reloadRootMedia();

    // Opens a folder in the desktop's file manager; a test puts a recorder here.
    std::function<void(const QString& folder)> openFolder;
    // The mounted file systems; a test may script a network mount here.
    std::function<std::vector<MountPoint>()> readMounts = currentMounts;

    // ---- Controls and actions, by their designer names ----
    QComboBox* ComboBox1;
    QTreeWidget* TreeView1;
    QCheckBox* CheckSubDirs;
    QToolButton* QuickButton;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QMenu* PopupMenu1;
    QAction* OpenItem; // the pop-up's default item: the same as OK
    QAction* F5Ac;
    QAction* DroplistAc;
    QAction* ExplorerAc;
    QAction* QuickAc;
    QAction* maxac;

    // The path of a node, ending in "/"; empty for placeholders and null.
    std::string nodePath(const QTreeWidgetItem* node) const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillRootList();
    // The root list's item for `folder`; 0 (all drives) when it has none.
    int rootListIndex(const std::string& folder) const;
    void prepare();
    void buildRoots();
    void listChildren(QTreeWidgetItem* node);
    // By value: selecting nodes on the way changes browserFolder_, which is often the argument.
    void selectFolder(std::string path);
    void changeRoot();
    void okClicked();
    void refresh();
    void quickAdd();
    void explore();

    Player& player_;
    DirFormMode mode_ = DirFormMode::OpenFolder;
    std::string rootChoice_;
    std::string browserFolder_;
    std::vector<MountPoint> mounts_;
    bool busy_ = false;       // the refresh is not re-entered
    bool quickAdded_ = false; // reset on every showing
    bool okCancels_ = false;  // after a quick add
};

} // namespace kesto
