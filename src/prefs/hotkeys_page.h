#pragma once

// The hotkeys page of the preferences window: the thirteen functions with
// their bindings, a field that captures the next combination pressed in it,
// and "设置", which gives that combination to the selected function.

#include "prefs/hotkeys.h"

#include <QObject>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace kesto {

class Settings;

// The Windows key number for a key the toolkit reports; 0 for one the
// stored bindings cannot name.
int vkForKeyEvent(const QKeyEvent& event);

class HotkeysPage : public QObject {
public:
    HotkeysPage(QGroupBox* group, Settings& settings);

    // Lists the stored bindings; `grabsWork` false says in one line that this
    // desktop takes no global keys (the bindings stay stored).
    void fill(bool grabsWork);
    const Hotkey& captured() const { return capture_; }

    QLabel* Label1;
    QLabel* Label12;
    QTreeWidget* ListBox1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QPushButton* Button9;
    QLabel* LabelNoGrabs;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refill();
    void showSelected();

    Settings& settings_;
    Hotkey capture_;
};

} // namespace kesto
