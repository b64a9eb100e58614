// Stored bindings, their texts, the capture and assignment rules, and the
// way each stored key reaches X.

#include "prefs/hotkeys.h"

#include "platform/x11_keysyms.h"
#include "player/settings.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(Hotkeys, StoredValuesAndTheirTexts) {
    EXPECT_EQ(parseHotkey("0000-179"), (Hotkey{false, false, false, false, 179}));
    EXPECT_EQ(HotkeyText(*parseHotkey("0000-179")), "Media key: Play/Pause");
    EXPECT_EQ(HotkeyText(*parseHotkey("1100-65")), "Winkey + Ctrl + A");
    EXPECT_EQ(HotkeyText(*parseHotkey("0111-46")), "Ctrl + Alt + Shift + Delete");
    EXPECT_EQ(HotkeyText(*parseHotkey("0x1y-17")), "Alt + "); // a bare modifier names nothing
    EXPECT_EQ(HotkeyText(false, false, false, false, 115), "F4");
    EXPECT_EQ(HotkeyText(false, false, false, false, 107), "Num +");
    EXPECT_EQ(HotkeyText(false, true, false, false, 255), "Ctrl + Key 255");
    EXPECT_EQ(HotkeyText(false, false, false, false, 7), "");
    // Five characters or fewer is no binding; a key that is no number is key 0.
    EXPECT_EQ(parseHotkey("0000-"), std::nullopt);
    EXPECT_EQ(parseHotkey(""), std::nullopt);
    EXPECT_EQ(parseHotkey("0100-x1")->vk, 0);
    EXPECT_EQ(hotkeyValue(Hotkey{true, false, true, false, 112}), "1010-112");
}

TEST(Hotkeys, CaptureAndAssignment) {
    test::TempDir dir;
    Settings s(dir.file("Kesto.ini"));
    s.writeString("Global hotkeys", "3", "0110-75");
    s.writeString("Global hotkeys", "7", "0000-19");

    // Ctrl alone stores nothing.
    assignHotkey(s, 7, captureKey(false, true, false, false, 17));
    EXPECT_EQ(s.readString("Global hotkeys", "7", ""), "0000-19");
    // A combination belongs to one function only.
    assignHotkey(s, 5, captureKey(false, true, true, false, 75));
    EXPECT_EQ(s.readString("Global hotkeys", "5", ""), "0110-75");
    EXPECT_EQ(s.readString("Global hotkeys", "3", "gone"), "");
    EXPECT_EQ(hotkeyLine(s, 3), "下一首");
    EXPECT_EQ(hotkeyLine(s, 5), "提高音量\t Ctrl + Alt + K");
    // Delete alone removes; Shift+Delete is a combination of its own.
    EXPECT_EQ(captureKey(true, false, false, false, 46).vk, 0);
    EXPECT_EQ(captureKey(false, false, false, true, 46).vk, 46);
    assignHotkey(s, 7, captureKey(false, false, false, false, 46));
    EXPECT_EQ(s.readString("Global hotkeys", "7", "deleted"), "deleted");
    // No function selected: nothing stored.
    assignHotkey(s, -1, captureKey(false, true, false, false, 65));
    EXPECT_EQ(s.readString("Global hotkeys", "0", "none"), "none");
}

TEST(Hotkeys, EveryNamedKeyReachesXAndComesBack) {
    int mapped = 0;
    for (int vk = 1; vk < 256; ++vk) {
        const unsigned long sym = keysymForVk(vk);
        if (sym == 0)
            continue;
        ++mapped;
        EXPECT_EQ(vkForKeysym(sym), vk) << vk;
    }
    // Letters, digits, 24 function keys, the keypad, the media keys and the rest.
    EXPECT_GE(mapped, 26 + 10 + 24 + 10 + 10 + 30);
    for (int vk = 170; vk <= 179; ++vk)
        EXPECT_NE(keysymForVk(vk), 0u) << vk;
    EXPECT_EQ(vkForKeysym(0x41 /* XK_A */), 'A'); // upper case, as Shift gives it
}

} // namespace
} // namespace kesto
