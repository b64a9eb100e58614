#include "prefs/hotkeys.h"

#include "player/settings.h"

#include <charconv>

namespace kesto {

namespace {

constexpr std::string_view kSection = "Global hotkeys";

std::string keyOf(int function) {
    return std::to_string(function);
}

// The names Windows keyboards give the keys people bind; the rest are
// rarely bound and have no name here.
std::string keyName(int vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return std::string(1, static_cast<char>(vk));
    if (vk >= 112 && vk <= 135)
        return "F" + std::to_string(vk - 111);
    if (vk >= 96 && vk <= 105)
        return "Num " + std::to_string(vk - 96);
    switch (vk) {
    case 8:
        return "Backspace";
    case 9:
        return "Tab";
    case 13:
        return "Enter";
    case 20:
        return "Caps Lock";
    case 27:
        return "Esc";
    case 32:
        return "Space";
    case 37:
        return "Left";
    case 38:
        return "Up";
    case 39:
        return "Right";
    case 40:
        return "Down";
    case 44:
        return "Prnt Scrn";
    case 106:
        return "Num *";
    case 107:
        return "Num +";
    case 109:
        return "Num -";
    case 110:
        return "Num Del";
    case 111:
        return "Num /";
    case 145:
        return "Scroll Lock";
    case 186:
        return ";";
    case 187:
        return "=";
    case 188:
        return ",";
    case 189:
        return "-";
    case 190:
        return ".";
    case 191:
        return "/";
    case 192:
        return "`";
    case 219:
        return "[";
    case 220:
        return "\\";
    case 221:
        return "]";
    case 222:
        return "'";
    default:
        return {};
    }
}

} // namespace

std::optional<Hotkey> parseHotkey(std::string_view value) {
    if (value.size() <= 5)
        return std::nullopt;
    Hotkey k;
    k.win = value[0] == '1';
    k.ctrl = value[1] == '1';
    k.alt = value[2] == '1';
    k.shift = value[3] == '1';
    const std::string_view digits = value.substr(5);
    int vk = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), vk);
    k.vk = error == std::errc() && end == digits.data() + digits.size() && vk > 0 ? vk : 0;
    return k;
}

std::string hotkeyValue(const Hotkey& k) {
    std::string v;
    for (const bool flag : {k.win, k.ctrl, k.alt, k.shift})
        v += flag ? '1' : '0';
    return v + "-" + std::to_string(k.vk);
}

std::optional<Hotkey> storedHotkey(Settings& settings, int function) {
    return parseHotkey(settings.readString(kSection, keyOf(function), ""));
}

bool isBareModifier(int vk) {
    return vk == 16 || vk == 17 || vk == 18 || vk == 91 || vk == 92;
}

std::string HotkeyText(bool win, bool ctrl, bool alt, bool shift, int vk) {
    std::string text;
    if (win)
        text += "Winkey + ";
    if (ctrl)
        text += "Ctrl + ";
    if (alt)
        text += "Alt + ";
    if (shift)
        text += "Shift + ";
    static constexpr const char* kMedia[] = {"BrowserSearch", "BrowserFavorites", "BrowserHome",
                                             "Mute/Unmute",   "Volume Down",      "Volume Up",
                                             "Next",          "Previous",         "Stop",
                                             "Play/Pause"};
    if (isBareModifier(vk))
        return text;
    if (vk >= 170 && vk <= 179)
        return text + "Media key: " + kMedia[vk - 170];
    switch (vk) {
    case 19:
        return text + "Pause";
    case 33:
        return text + "Page Up";
    case 34:
        return text + "Page Down";
    case 35:
        return text + "End";
    case 36:
        return text + "Home";
    case 45:
        return text + "Insert";
    case 46:
        return text + "Delete";
    case 144:
        return text + "Num Lock";
    case 255:
        return text + "Key 255";
    default:
        return text + keyName(vk);
    }
}

std::string hotkeyLine(Settings& settings, int function) {
    std::string line = kHotkeyCaptions[static_cast<std::size_t>(function)];
    const std::optional<Hotkey> k = storedHotkey(settings, function);
    if (k && k->vk != 0)
        line += "\t " + HotkeyText(*k);
    return line;
}

Hotkey captureKey(bool win, bool ctrl, bool alt, bool shift, int vk) {
    if ((vk == 8 || vk == 46) && !shift && !ctrl && !alt)
        return {};
    return Hotkey{win, ctrl, alt, shift, vk};
}

void assignHotkey(Settings& settings, int function, const Hotkey& captured) {
    if (function < 0 || function >= kHotkeyCount || isBareModifier(captured.vk))
        return;
    if (captured.vk == 0) {
        settings.deleteKey(kSection, keyOf(function));
        return;
    }
    const std::string value = hotkeyValue(captured);
    for (int n = 0; n < kHotkeyCount; ++n)
        if (settings.readString(kSection, keyOf(n), "") == value)
            settings.writeString(kSection, keyOf(n), "");
    settings.writeString(kSection, keyOf(function), value);
}

} // namespace kesto
