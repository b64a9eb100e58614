// The global hotkeys: registered at start, held back while the preferences
// are open, and each one doing what its key does in the list.

#include "app/app_kesto.h"

#include "playback/output.h"
#include "playback/transport.h"
#include "player/key_codes.h"
#include "player/player.h"
#include "playlist/list_view.h"
#include "prefs/global_hotkeys.h"
#include "prefs/preferences_form.h"

#include <QAction>
#include <QGuiApplication>

namespace kesto {

void TAppKesto::startHotkeys() {
    // Only a window on X can grab the desktop's keys; offscreen or on
    // Wayland the bindings stay stored and nothing is grabbed.
    const bool onX = QGuiApplication::platformName() == QLatin1String("xcb");
    hotkeys_ = std::make_unique<GlobalHotkeys>([this](int id) { hotkeyFired(id); }, onX, this);
    RegisterAllHotkeys(*hotkeys_, player_->settings, nullptr);
}

void TAppKesto::registerHotkeys(bool reportFailures) {
    RegisterAllHotkeys(*hotkeys_, player_->settings, [this, reportFailures](int function) {
        if (reportFailures)
            ShowMessageKind(MessageKind::Error,
                            std::string("无法注册全局热键") +
                                kHotkeyCaptions[static_cast<std::size_t>(function)] +
                                ".\r禁止其他软件调用全局热键。");
    });
}

void TAppKesto::hotkeyFired(int id) {
    if (preferences_ && preferences_->isVisible())
        return;
    const Actions& a = actions();
    switch (id) {
    case 0:
        RunKeyCommand(*player_, vk::Return, vk::NoModifier);
        break;
    case 1:
        RunKeyCommand(*player_, vk::Space, vk::NoModifier);
        break;
    case 2:
        SelectEntry(*player_, player_->playlist.CurrentIndex);
        StopPlayback(*player_, true);
        break;
    case 3:
        RunKeyCommand(*player_, vk::Tab, vk::NoModifier);
        break;
    case 4:
        RunKeyCommand(*player_, vk::Tab, vk::ShiftModifier);
        break;
    case 5:
        RunKeyCommand(*player_, vk::Add, vk::NoModifier);
        break;
    case 6:
        RunKeyCommand(*player_, vk::Subtract, vk::NoModifier);
        break;
    case 7:
        RunKeyCommand(*player_, vk::Pause, vk::NoModifier);
        break;
    case 8:
        ForceForegroundWindow();
        break;
    case 9:
        close();
        break;
    case 10:
        ForceForegroundWindow();
        a.FindAc->trigger();
        break;
    case 11:
        ForceForegroundWindow();
        a.OpenDirAc->trigger();
        break;
    case 12:
        a.CopyPlAc->trigger();
        break;
    default:
        break;
    }
}

} // namespace kesto
