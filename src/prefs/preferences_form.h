#pragma once

// The preferences window: six pages of settings, each written to Kesto.ini
// the moment the user changes it. Showing the window only reads: filling its
// controls runs none of their actions.

#include "player/modes.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kesto {

class HotkeysPage;
class Player;

// What the window needs of the main window and of parts built elsewhere.
// Any of these may be empty.
struct PreferencesHost {
    std::function<void(VUStyle)> setVUStyle; // lays out the meter and stores the style
    std::function<VUStyle()> vuStyle;
    std::function<bool()> autoUpdateAtStart;   // the value the start-up check uses
    std::function<void()> musicFoldersChanged; // rebuild the folder browser, if it exists
    // The DirBox keys the music folders are stored with.
    std::function<std::pair<std::string, std::string>()> dirBoxKeys;
    // Global hotkeys must not fire while the window is open.
    std::function<void()> unregisterHotkeys;
    std::function<void(bool reportFailures)> registerHotkeys;
    std::function<bool()> hotkeysWork; // the desktop takes global keys
};

class TPreferences_Form : public QDialog {
    Q_OBJECT
public:
    enum Page { Setup, Media, Display, Hotkeys, Record, Device, PageCount };

    TPreferences_Form(Player& player, PreferencesHost host, QWidget* parent = nullptr);

    // Fills every page from the settings and shows the window modally.
    void showPreferences();

    // The folder dialog; a test puts a script here.
    std::function<QString(const QString& caption, const QString& prompt)> browseForFolder;

    // ---- Controls, by their designer names ----
    QTreeWidget* PageList;
    QGroupBox* GroupSetup;
    QGroupBox* GroupMedia;
    QGroupBox* GroupDisplay;
    QGroupBox* GroupHotkeys;
    QGroupBox* GroupRecord;
    QGroupBox* GroupDevice;
    QPushButton* CloseButton;

    QLabel* LabelAss;
    QCheckBox* CheckBox1; // wav
    QCheckBox* CheckBox2; // mp3
    QCheckBox* CheckBox3; // ogg
    QCheckBox* CheckBox7; // pls
    QCheckBox* CheckBox8; // m3u
    QLabel* Label3;
    QRadioButton* RadioEnqueue1;
    QRadioButton* RadioEnqueue2;
    QRadioButton* RadioEnqueue3;
    QCheckBox* CheckBoxUpdate;
    QCheckBox* CheckMI;

    QListWidget* ListMusicFolders;
    QPushButton* Button4;
    QPushButton* Button5;
    QLabel* Label16;
    QRadioButton* RadioSort1;
    QRadioButton* RadioSort2;

    QRadioButton* RadioLed0;
    QRadioButton* RadioLed6;
    QRadioButton* RadioLed14;

    HotkeysPage* hotkeys;

    QLineEdit* Edit2;
    QPushButton* Button10;
    QCheckBox* CheckBox6;
    QLineEdit* Edit3;

    QComboBox* ComboDevice;
    QPushButton* Button6;
    QLabel* LabelBufferlength;
    QLabel* LabelVoldB;

protected:
    void done(int result) override;

private:
    void buildSetupPage();
    void buildMediaPage();
    void buildDisplayPage();
    void buildHotkeysPage();
    void buildRecordPage();
    void buildDevicePage();
    void fill();
    void showPage(int index);
    void associationClicked(const char* extension, bool checked);
    void storeMusicFolders(std::vector<std::string> folders);
    void sortClicked(SortingWay way);
    void deviceChosen(int index);
    void resetMixerClicked();

    Player& player_;
    PreferencesHost host_;
    bool filling_ = false;
    std::vector<QGroupBox*> pages_;
};

} // namespace kesto
