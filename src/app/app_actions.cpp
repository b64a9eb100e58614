#include "app/app_actions.h"

#include <QAction>
#include <QWidget>

namespace kesto {

namespace {

QKeySequence key(QKeyCombination k) {
    return QKeySequence(k);
}

} // namespace

const QList<ActionSpec>& actionTable() {
    using Qt::ALT;
    using Qt::CTRL;
    using Qt::SHIFT;
    const QKeySequence none;
    constexpr bool Plain = false;
    constexpr bool Checkable = true;
#define KESTO_ACTION_ROW(name, text, shortcut, secondary, kind)                                    \
    ActionSpec{#name, text, shortcut, secondary, kind, &Actions::name},
    static const QList<ActionSpec> table = {KESTO_ACTIONS(KESTO_ACTION_ROW)};
#undef KESTO_ACTION_ROW
    return table;
}

Actions::Actions(QWidget* owner) {
    for (const ActionSpec& row : actionTable()) {
        auto* a = new QAction(QString::fromUtf8(row.text), owner);
        a->setObjectName(QString::fromLatin1(row.name));
        QList<QKeySequence> keys;
        if (!row.shortcut.isEmpty())
            keys << row.shortcut;
        if (!row.secondary.isEmpty())
            keys << row.secondary;
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setCheckable(row.checkable);
        owner->addAction(a);
        this->*row.member = a;
    }
}

} // namespace kesto
