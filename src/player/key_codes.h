#pragma once

// Key codes of the command dispatcher: the Windows virtual-key numbers that
// stored hotkeys have always used, so settings files stay compatible. The
// window translates its toolkit's keys to these.

namespace kesto::vk {

inline constexpr int Back = 0x08;
inline constexpr int Tab = 0x09;
inline constexpr int Return = 0x0D;
inline constexpr int Pause = 0x13;
inline constexpr int Escape = 0x1B;
inline constexpr int Space = 0x20;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Insert = 0x2D;
inline constexpr int Delete = 0x2E;
inline constexpr int Digit0 = 0x30;  // '0' .. '9' are 0x30 .. 0x39
inline constexpr int LetterA = 0x41; // 'A' .. 'Z' are 0x41 .. 0x5A
inline constexpr int Numpad0 = 0x60; // numeric pad 0 .. 9 are 0x60 .. 0x69
inline constexpr int Numpad1 = 0x61;
inline constexpr int Numpad3 = 0x63;
inline constexpr int Numpad7 = 0x67;
inline constexpr int Multiply = 0x6A;
inline constexpr int Add = 0x6B;
inline constexpr int Subtract = 0x6D;
inline constexpr int Decimal = 0x6E;
inline constexpr int F1 = 0x70; // F1 .. F12 are 0x70 .. 0x7B
inline constexpr int VolumeMute = 0xAD;
inline constexpr int VolumeDown = 0xAE;
inline constexpr int VolumeUp = 0xAF;
inline constexpr int MediaNext = 0xB0;
inline constexpr int MediaPrev = 0xB1;
inline constexpr int MediaStop = 0xB2;
inline constexpr int MediaPlayPause = 0xB3;
inline constexpr int OemPlus = 0xBB;  // the main keyboard's = / + key
inline constexpr int OemMinus = 0xBD; // the main keyboard's - key
inline constexpr int OemGrave = 0xC0; // ` and ~

// Modifier sets as the dispatcher receives them; any other combination
// counts as neither Shift nor Ctrl.
inline constexpr int NoModifier = 0;
inline constexpr int ShiftModifier = 1;
inline constexpr int CtrlModifier = 4;

} // namespace kesto::vk
