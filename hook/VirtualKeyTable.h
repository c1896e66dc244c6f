#pragma once
#include <cstdint>

/// Windows virtual-key codes as the hook library reports them and as the
/// settings store them ("HotKey Keycode"). Only the codes this system uses
/// are named; the table below maps X keysyms onto them.
namespace VirtualKey {
inline constexpr uint8_t kNone = 0x00;
inline constexpr uint8_t kBack = 0x08;
inline constexpr uint8_t kTab = 0x09;
inline constexpr uint8_t kClear = 0x0C;
inline constexpr uint8_t kReturn = 0x0D;
inline constexpr uint8_t kShift = 0x10;
inline constexpr uint8_t kControl = 0x11;
inline constexpr uint8_t kMenu = 0x12; // Alt
inline constexpr uint8_t kPause = 0x13;
inline constexpr uint8_t kCapital = 0x14;
inline constexpr uint8_t kEscape = 0x1B;
inline constexpr uint8_t kSpace = 0x20;
inline constexpr uint8_t kPrior = 0x21; // Page Up
inline constexpr uint8_t kNext = 0x22;  // Page Down
inline constexpr uint8_t kEnd = 0x23;
inline constexpr uint8_t kHome = 0x24;
inline constexpr uint8_t kLeft = 0x25;
inline constexpr uint8_t kUp = 0x26;
inline constexpr uint8_t kRight = 0x27;
inline constexpr uint8_t kDown = 0x28;
inline constexpr uint8_t kSnapshot = 0x2C;
inline constexpr uint8_t kInsert = 0x2D;
inline constexpr uint8_t kDelete = 0x2E;
inline constexpr uint8_t kHelp = 0x2F;
inline constexpr uint8_t k0 = 0x30; // '0'..'9' are 0x30..0x39
inline constexpr uint8_t kA = 0x41; // 'A'..'Z' are 0x41..0x5A
inline constexpr uint8_t kLeftWin = 0x5B;
inline constexpr uint8_t kRightWin = 0x5C;
inline constexpr uint8_t kApps = 0x5D;
inline constexpr uint8_t kNumpad0 = 0x60; // ..0x69
inline constexpr uint8_t kMultiply = 0x6A;
inline constexpr uint8_t kAdd = 0x6B;
inline constexpr uint8_t kSeparator = 0x6C;
inline constexpr uint8_t kSubtract = 0x6D;
inline constexpr uint8_t kDecimal = 0x6E;
inline constexpr uint8_t kDivide = 0x6F;
inline constexpr uint8_t kF1 = 0x70; // F1..F24 are 0x70..0x87
inline constexpr uint8_t kNumLock = 0x90;
inline constexpr uint8_t kScroll = 0x91;
inline constexpr uint8_t kLeftShift = 0xA0;
inline constexpr uint8_t kRightShift = 0xA1;
inline constexpr uint8_t kLeftControl = 0xA2;
inline constexpr uint8_t kRightControl = 0xA3;
inline constexpr uint8_t kLeftMenu = 0xA4;
inline constexpr uint8_t kRightMenu = 0xA5;
inline constexpr uint8_t kOem1 = 0xBA;      // ;:
inline constexpr uint8_t kOemPlus = 0xBB;   // =+
inline constexpr uint8_t kOemComma = 0xBC;  // ,<
inline constexpr uint8_t kOemMinus = 0xBD;  // -_
inline constexpr uint8_t kOemPeriod = 0xBE; // .>
inline constexpr uint8_t kOem2 = 0xBF;      // /?
inline constexpr uint8_t kOem3 = 0xC0;      // `~
inline constexpr uint8_t kOem4 = 0xDB;      // [{
inline constexpr uint8_t kOem5 = 0xDC;      // \|
inline constexpr uint8_t kOem6 = 0xDD;      // ]}
inline constexpr uint8_t kOem7 = 0xDE;      // '"
inline constexpr uint8_t kOem102 = 0xE2;    // the extra <> key of ISO keyboards
/// A key with no code of its own (AltGr, dead keys, media keys...): it still
/// counts as a keystroke but never matches a hot key or a modifier.
inline constexpr uint8_t kUnmapped = 0xFF;
} // namespace VirtualKey

/// The one keysym -> virtual-key table of the system, shared by the hook
/// library's monitor and the Hot Key page. Pure: knows keysym values, not X.
class VirtualKeyTable {
public:
    /// Which hot key modifier a virtual key is, if any.
    enum Modifier : uint8_t { kNoModifier = 0, kShiftModifier = 1, kControlModifier = 2, kAltModifier = 4 };

    /// The virtual-key code for an X keysym, taken as the unshifted keysym of
    /// the key's first group. Letters of either case give 'A'..'Z'; the
    /// modifiers give the generic VK_SHIFT / VK_CONTROL / VK_MENU (the hook
    /// sees those, not the left/right codes); AltGr (ISO_Level3_Shift) and
    /// Mode_switch are not Alt and give kUnmapped, as does any other keysym
    /// without a code.
    static uint8_t FromKeysym(uint32_t keysym);

    /// The modifier a virtual key stands for (generic or left/right code).
    static Modifier ModifierOf(uint8_t virtualKey);

    /// A short English name for a virtual key ("S", "F5", "Page Up", "Num 3");
    /// an empty string for codes without a name. Never null.
    static const char* Name(uint8_t virtualKey);
};
