// The engine's virtual-key codes, with their classic numeric values: what key messages carry in
// wParam, what GxGetKeyState takes and what the key map stores. The engine's one set of key codes.
#pragma once

#include <cstdint>

// Every virtual key the SDL layer produces.
namespace GxVK {
constexpr uint8_t Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D;
constexpr uint8_t Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13, Capital = 0x14;
constexpr uint8_t Kana = 0x15, Kanji = 0x19, Escape = 0x1B, Convert = 0x1C, NonConvert = 0x1D;
constexpr uint8_t Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
constexpr uint8_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
constexpr uint8_t Select = 0x29, Execute = 0x2B, Snapshot = 0x2C, Insert = 0x2D, Delete = 0x2E, Help = 0x2F;
constexpr uint8_t Key0 = 0x30;  // '0'..'9' are 0x30..0x39
constexpr uint8_t KeyA = 0x41;  // 'A'..'Z' are 0x41..0x5A
constexpr uint8_t LWin = 0x5B, RWin = 0x5C, Apps = 0x5D, Sleep = 0x5F;
constexpr uint8_t Numpad0 = 0x60;  // ..0x69
constexpr uint8_t Multiply = 0x6A, Add = 0x6B, Separator = 0x6C, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F;
constexpr uint8_t F1 = 0x70;  // F1..F24 are 0x70..0x87
constexpr uint8_t F4 = 0x73, F5 = 0x74, F6 = 0x75, F7 = 0x76, F10 = 0x79, F11 = 0x7A;
constexpr uint8_t NumLock = 0x90, Scroll = 0x91;
constexpr uint8_t LShift = 0xA0, RShift = 0xA1, LControl = 0xA2, RControl = 0xA3, LMenu = 0xA4, RMenu = 0xA5;
constexpr uint8_t BrowserBack = 0xA6, BrowserForward = 0xA7, BrowserRefresh = 0xA8, BrowserStop = 0xA9;
constexpr uint8_t BrowserSearch = 0xAA, BrowserHome = 0xAC;
constexpr uint8_t VolumeMute = 0xAD, VolumeDown = 0xAE, VolumeUp = 0xAF;
constexpr uint8_t MediaNext = 0xB0, MediaPrev = 0xB1, MediaStop = 0xB2, MediaPlayPause = 0xB3;
constexpr uint8_t Oem1 = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE;
constexpr uint8_t Oem2 = 0xBF, Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE, Oem102 = 0xE2;
}  // namespace GxVK
