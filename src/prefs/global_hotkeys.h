#pragma once

// System-wide key combinations on X11: each binding is a passive grab on the
// root window of a connection of our own, so the keys reach the player
// whichever window has the focus. Where there is no X display (a Wayland
// session without XWayland) nothing can be grabbed and nothing complains.

#include "prefs/hotkeys.h"

#include <QObject>

#include <functional>
#include <memory>

namespace kesto {

class GlobalHotkeys : public QObject {
public:
    // `fired` runs on the UI thread with the binding's identifier. Without
    // `useX` (a window that is not on X) nothing is ever grabbed.
    GlobalHotkeys(std::function<void(int id)> fired, bool useX, QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    // An X display that takes grabs is there.
    bool available() const;
    // False when the combination is another client's already, or the
    // keyboard has no such key; the binding is not held then.
    bool registerHotkey(int id, const Hotkey& key);
    void unregisterHotkey(int id);

private:
    struct Impl;
    void readEvents();
    std::unique_ptr<Impl> impl_;
    std::function<void(int)> fired_;
};

// Registers every stored binding in order; `failed` hears each function whose
// combination could not be taken.
void RegisterAllHotkeys(GlobalHotkeys& hotkeys, Settings& settings,
                        const std::function<void(int function)>& failed);
void UnregisterAllHotkeys(GlobalHotkeys& hotkeys);

} // namespace kesto
