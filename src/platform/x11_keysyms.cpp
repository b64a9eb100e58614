#include "platform/x11_keysyms.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <utility>

namespace kesto {

namespace {

// Letters, digits, function keys and the keypad follow in runs and are
// computed; these are the rest.
constexpr std::pair<int, unsigned long> kSingles[] = {
    {8, XK_BackSpace},
    {9, XK_Tab},
    {13, XK_Return},
    {19, XK_Pause},
    {20, XK_Caps_Lock},
    {27, XK_Escape},
    {32, XK_space},
    {33, XK_Prior},
    {34, XK_Next},
    {35, XK_End},
    {36, XK_Home},
    {37, XK_Left},
    {38, XK_Up},
    {39, XK_Right},
    {40, XK_Down},
    {44, XK_Print},
    {45, XK_Insert},
    {46, XK_Delete},
    {106, XK_KP_Multiply},
    {107, XK_KP_Add},
    {109, XK_KP_Subtract},
    {110, XK_KP_Decimal},
    {111, XK_KP_Divide},
    {144, XK_Num_Lock},
    {145, XK_Scroll_Lock},
    {170, XF86XK_Search},
    {171, XF86XK_Favorites},
    {172, XF86XK_HomePage},
    {173, XF86XK_AudioMute},
    {174, XF86XK_AudioLowerVolume},
    {175, XF86XK_AudioRaiseVolume},
    {176, XF86XK_AudioNext},
    {177, XF86XK_AudioPrev},
    {178, XF86XK_AudioStop},
    {179, XF86XK_AudioPlay},
    {186, XK_semicolon},
    {187, XK_equal},
    {188, XK_comma},
    {189, XK_minus},
    {190, XK_period},
    {191, XK_slash},
    {192, XK_grave},
    {219, XK_bracketleft},
    {220, XK_backslash},
    {221, XK_bracketright},
    {222, XK_apostrophe},
};

} // namespace

unsigned long keysymForVk(int vk) {
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + static_cast<unsigned long>(vk - 'A');
    if (vk >= '0' && vk <= '9')
        return XK_0 + static_cast<unsigned long>(vk - '0');
    if (vk >= 112 && vk <= 135)
        return XK_F1 + static_cast<unsigned long>(vk - 112);
    if (vk >= 96 && vk <= 105)
        return XK_KP_0 + static_cast<unsigned long>(vk - 96);
    for (const auto& [key, sym] : kSingles)
        if (key == vk)
            return sym;
    return 0;
}

int vkForKeysym(unsigned long sym) {
    if (sym >= XK_a && sym <= XK_z)
        return 'A' + static_cast<int>(sym - XK_a);
    if (sym >= XK_A && sym <= XK_Z)
        return 'A' + static_cast<int>(sym - XK_A);
    if (sym >= XK_0 && sym <= XK_9)
        return '0' + static_cast<int>(sym - XK_0);
    if (sym >= XK_F1 && sym <= XK_F24)
        return 112 + static_cast<int>(sym - XK_F1);
    if (sym >= XK_KP_0 && sym <= XK_KP_9)
        return 96 + static_cast<int>(sym - XK_KP_0);
    for (const auto& [key, s] : kSingles)
        if (s == sym)
            return key;
    return 0;
}

} // namespace kesto
