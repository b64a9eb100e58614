#include "app/key_map.h"

#include "player/key_codes.h"

namespace kesto {

namespace {

// Shifted digits of a US keyboard, so that Shift+1 is still the key "1".
int digitOfShiftedSymbol(int key) {
    switch (key) {
    case Qt::Key_Exclam:
        return 1;
    case Qt::Key_At:
        return 2;
    case Qt::Key_NumberSign:
        return 3;
    case Qt::Key_Dollar:
        return 4;
    case Qt::Key_Percent:
        return 5;
    case Qt::Key_AsciiCircum:
        return 6;
    case Qt::Key_Ampersand:
        return 7;
    case Qt::Key_Asterisk:
        return 8;
    case Qt::Key_ParenLeft:
        return 9;
    case Qt::Key_ParenRight:
        return 0;
    default:
        return -1;
    }
}

} // namespace

int vkFromQtKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return vk::Numpad0 + (key - Qt::Key_0);
        switch (key) {
        case Qt::Key_Asterisk:
            return vk::Multiply;
        case Qt::Key_Plus:
            return vk::Add;
        case Qt::Key_Minus:
            return vk::Subtract;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return vk::Decimal;
        case Qt::Key_Enter:
            return vk::Return;
        // Without Num Lock the pad's keys move the cursor; they are those keys.
        case Qt::Key_Insert:
            return vk::Insert;
        case Qt::Key_Delete:
            return vk::Delete;
        case Qt::Key_Left:
            return vk::Left;
        case Qt::Key_Right:
            return vk::Right;
        case Qt::Key_Up:
            return vk::Up;
        case Qt::Key_Down:
            return vk::Down;
        default:
            break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return vk::LetterA + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return vk::Digit0 + (key - Qt::Key_0);
    if (const int d = digitOfShiftedSymbol(key); d >= 0)
        return vk::Digit0 + d;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return vk::F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Pause:
        return vk::Pause;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_Space:
        return vk::Space;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_Insert:
        return vk::Insert;
    case Qt::Key_Delete:
        return vk::Delete;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return vk::OemPlus;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return vk::OemMinus;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return vk::OemGrave;
    case Qt::Key_Period:
        return 0xBE; // the main keyboard's "." (the queue's second key)
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPause:
        return vk::MediaPlayPause;
    case Qt::Key_MediaStop:
        return vk::MediaStop;
    case Qt::Key_MediaNext:
        return vk::MediaNext;
    case Qt::Key_MediaPrevious:
        return vk::MediaPrev;
    case Qt::Key_VolumeUp:
        return vk::VolumeUp;
    case Qt::Key_VolumeDown:
        return vk::VolumeDown;
    case Qt::Key_VolumeMute:
        return vk::VolumeMute;
    default:
        return 0;
    }
}

int shiftStateFromQt(Qt::KeyboardModifiers modifiers) {
    int s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= vk::ShiftModifier;
    if (modifiers & Qt::AltModifier)
        s |= 2;
    if (modifiers & Qt::ControlModifier)
        s |= vk::CtrlModifier;
    return s;
}

} // namespace kesto
