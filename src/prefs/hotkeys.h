#pragma once

// The player's global hotkeys as Kesto.ini keeps them: section "Global
// hotkeys", key "0".."12", value "WCAS-vk" (four "1"/"0" flags for the
// Windows key, Ctrl, Alt and Shift, a dash, the Windows virtual-key number).
// The numbers stay those of the files users already have; the window system
// layer maps them to its own keys.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

class Settings;

inline constexpr int kHotkeyCount = 13;
inline constexpr std::array<const char*, kHotkeyCount> kHotkeyCaptions{
    "播放", "播放/暂停",  "停止",       "下一首", "上一首",     "提高音量",          "降低音量",
    "静音", "调用 Kesto", "退出 Kesto", "查找框", "打开目录框", "复制播放歌曲的标题"};

struct Hotkey {
    bool win = false;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
    int vk = 0;
    bool operator==(const Hotkey&) const = default;
};

// A stored value; nothing for one of five characters or fewer (unassigned).
// A key part that is not a decimal number reads as key 0.
std::optional<Hotkey> parseHotkey(std::string_view value);
std::string hotkeyValue(const Hotkey& key);
std::optional<Hotkey> storedHotkey(Settings& settings, int function);

// "Winkey + Ctrl + A", "Media key: Play/Pause"; the modifiers alone for a
// bare modifier key, and nothing for a key without a name.
std::string HotkeyText(bool win, bool ctrl, bool alt, bool shift, int vk);
inline std::string HotkeyText(const Hotkey& k) {
    return HotkeyText(k.win, k.ctrl, k.alt, k.shift, k.vk);
}
// The line of the hotkeys list: the caption, and the binding after a tab.
std::string hotkeyLine(Settings& settings, int function);

bool isBareModifier(int vk);

// What a key pressed in the capture field captures: Backspace or Delete
// alone capture key 0, the removal.
Hotkey captureKey(bool win, bool ctrl, bool alt, bool shift, int vk);

// Gives the captured combination to `function`, taking it from any other
// function that had it; key 0 removes the binding, a bare modifier stores
// nothing. A function outside 0..12 (none selected) stores nothing.
void assignHotkey(Settings& settings, int function, const Hotkey& captured);

} // namespace kesto
