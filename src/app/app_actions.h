#pragma once

// Every command of the main window as an action with its caption and
// shortcut. Menus, buttons, the tray and the keyboard all reach a command
// through its action; the window connects what each one does.

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QString>

class QAction;
class QWidget;

namespace kesto {

struct ActionSpec {
    const char* name;
    const char* text; // UTF-8
    QKeySequence shortcut;
    QKeySequence secondary;
    bool checkable = false;
};

// The whole command table, in the order of the designer's action list.
const QList<ActionSpec>& actionTable();

// The actions of one window, created from the table and added to `owner` so
// their shortcuts work wherever the focus is inside it.
class ActionList {
public:
    explicit ActionList(QWidget* owner);
    QAction* operator[](const char* name) const;
    QAction* find(const QString& name) const { return actions_.value(name); }
    const QHash<QString, QAction*>& all() const { return actions_; }

private:
    QHash<QString, QAction*> actions_;
};

} // namespace kesto
