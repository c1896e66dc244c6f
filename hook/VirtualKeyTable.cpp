#include "VirtualKeyTable.h"

#include <array>
#include <cstdio>

namespace {

// X keysym values (the X protocol's keysym encoding) for the keys with codes.
namespace Keysym {
constexpr uint32_t kSpace = 0x0020, kApostrophe = 0x0027, kComma = 0x002c, kMinus = 0x002d,
                   kPeriod = 0x002e, kSlash = 0x002f, k0 = 0x0030, k9 = 0x0039, kSemicolon = 0x003b,
                   kLess = 0x003c, kEqual = 0x003d, kUpperA = 0x0041, kUpperZ = 0x005a,
                   kBracketLeft = 0x005b, kBackslash = 0x005c, kBracketRight = 0x005d,
                   kGrave = 0x0060, kLowerA = 0x0061, kLowerZ = 0x007a;
constexpr uint32_t kIsoLevel3Shift = 0xfe03;
constexpr uint32_t kBackSpace = 0xff08, kTab = 0xff09, kClear = 0xff0b, kReturn = 0xff0d,
                   kPause = 0xff13, kScrollLock = 0xff14, kEscape = 0xff1b;
constexpr uint32_t kHome = 0xff50, kLeft = 0xff51, kUp = 0xff52, kRight = 0xff53, kDown = 0xff54,
                   kPrior = 0xff55, kNext = 0xff56, kEnd = 0xff57, kBegin = 0xff58;
constexpr uint32_t kPrint = 0xff61, kInsert = 0xff63, kMenu = 0xff67, kHelp = 0xff6a,
                   kModeSwitch = 0xff7e, kNumLock = 0xff7f;
constexpr uint32_t kKpEnter = 0xff8d, kKpHome = 0xff95, kKpLeft = 0xff96, kKpUp = 0xff97,
                   kKpRight = 0xff98, kKpDown = 0xff99, kKpPrior = 0xff9a, kKpNext = 0xff9b,
                   kKpEnd = 0xff9c, kKpBegin = 0xff9d, kKpInsert = 0xff9e, kKpDelete = 0xff9f,
                   kKpMultiply = 0xffaa, kKpAdd = 0xffab, kKpSeparator = 0xffac,
                   kKpSubtract = 0xffad, kKpDecimal = 0xffae, kKpDivide = 0xffaf, kKp0 = 0xffb0,
                   kKp9 = 0xffb9;
constexpr uint32_t kF1 = 0xffbe, kF24 = 0xffd5;
constexpr uint32_t kShiftL = 0xffe1, kShiftR = 0xffe2, kControlL = 0xffe3, kControlR = 0xffe4,
                   kCapsLock = 0xffe5, kMetaL = 0xffe7, kMetaR = 0xffe8, kAltL = 0xffe9,
                   kAltR = 0xffea, kSuperL = 0xffeb, kSuperR = 0xffec;
constexpr uint32_t kDelete = 0xffff;
} // namespace Keysym

struct KeysymCode {
    uint32_t keysym;
    uint8_t virtualKey;
};

// Everything outside the contiguous ranges handled in FromKeysym.
constexpr KeysymCode kSingles[] = {
    {Keysym::kSpace, VirtualKey::kSpace},
    {Keysym::kApostrophe, VirtualKey::kOem7},
    {Keysym::kComma, VirtualKey::kOemComma},
    {Keysym::kMinus, VirtualKey::kOemMinus},
    {Keysym::kPeriod, VirtualKey::kOemPeriod},
    {Keysym::kSlash, VirtualKey::kOem2},
    {Keysym::kSemicolon, VirtualKey::kOem1},
    {Keysym::kLess, VirtualKey::kOem102},
    {Keysym::kEqual, VirtualKey::kOemPlus},
    {Keysym::kBracketLeft, VirtualKey::kOem4},
    {Keysym::kBackslash, VirtualKey::kOem5},
    {Keysym::kBracketRight, VirtualKey::kOem6},
    {Keysym::kGrave, VirtualKey::kOem3},
    {Keysym::kIsoLevel3Shift, VirtualKey::kUnmapped},
    {Keysym::kModeSwitch, VirtualKey::kUnmapped},
    {Keysym::kBackSpace, VirtualKey::kBack},
    {Keysym::kTab, VirtualKey::kTab},
    {Keysym::kClear, VirtualKey::kClear},
    {Keysym::kReturn, VirtualKey::kReturn},
    {Keysym::kPause, VirtualKey::kPause},
    {Keysym::kScrollLock, VirtualKey::kScroll},
    {Keysym::kEscape, VirtualKey::kEscape},
    {Keysym::kHome, VirtualKey::kHome},
    {Keysym::kLeft, VirtualKey::kLeft},
    {Keysym::kUp, VirtualKey::kUp},
    {Keysym::kRight, VirtualKey::kRight},
    {Keysym::kDown, VirtualKey::kDown},
    {Keysym::kPrior, VirtualKey::kPrior},
    {Keysym::kNext, VirtualKey::kNext},
    {Keysym::kEnd, VirtualKey::kEnd},
    {Keysym::kBegin, VirtualKey::kClear},
    {Keysym::kPrint, VirtualKey::kSnapshot},
    {Keysym::kInsert, VirtualKey::kInsert},
    {Keysym::kMenu, VirtualKey::kApps},
    {Keysym::kHelp, VirtualKey::kHelp},
    {Keysym::kNumLock, VirtualKey::kNumLock},
    {Keysym::kKpEnter, VirtualKey::kReturn},
    {Keysym::kKpHome, VirtualKey::kHome},
    {Keysym::kKpLeft, VirtualKey::kLeft},
    {Keysym::kKpUp, VirtualKey::kUp},
    {Keysym::kKpRight, VirtualKey::kRight},
    {Keysym::kKpDown, VirtualKey::kDown},
    {Keysym::kKpPrior, VirtualKey::kPrior},
    {Keysym::kKpNext, VirtualKey::kNext},
    {Keysym::kKpEnd, VirtualKey::kEnd},
    {Keysym::kKpBegin, VirtualKey::kClear},
    {Keysym::kKpInsert, VirtualKey::kInsert},
    {Keysym::kKpDelete, VirtualKey::kDelete},
    {Keysym::kKpMultiply, VirtualKey::kMultiply},
    {Keysym::kKpAdd, VirtualKey::kAdd},
    {Keysym::kKpSeparator, VirtualKey::kSeparator},
    {Keysym::kKpSubtract, VirtualKey::kSubtract},
    {Keysym::kKpDecimal, VirtualKey::kDecimal},
    {Keysym::kKpDivide, VirtualKey::kDivide},
    {Keysym::kShiftL, VirtualKey::kShift},
    {Keysym::kShiftR, VirtualKey::kShift},
    {Keysym::kControlL, VirtualKey::kControl},
    {Keysym::kControlR, VirtualKey::kControl},
    {Keysym::kCapsLock, VirtualKey::kCapital},
    {Keysym::kMetaL, VirtualKey::kMenu},
    {Keysym::kMetaR, VirtualKey::kMenu},
    {Keysym::kAltL, VirtualKey::kMenu},
    {Keysym::kAltR, VirtualKey::kMenu},
    {Keysym::kSuperL, VirtualKey::kLeftWin},
    {Keysym::kSuperR, VirtualKey::kRightWin},
    {Keysym::kDelete, VirtualKey::kDelete},
};

using NameTable = std::array<std::array<char, 16>, 256>;

void SetName(NameTable& table, uint8_t code, const char* name)
{
    std::snprintf(table[code].data(), table[code].size(), "%s", name);
}

NameTable BuildNames()
{
    NameTable table{};
    for (int i = 0; i < 10; ++i) {
        table[VirtualKey::k0 + i][0] = static_cast<char>('0' + i);
        std::snprintf(table[VirtualKey::kNumpad0 + i].data(), 16, "Num %d", i);
    }
    for (int i = 0; i < 26; ++i)
        table[VirtualKey::kA + i][0] = static_cast<char>('A' + i);
    for (int i = 0; i < 24; ++i)
        std::snprintf(table[VirtualKey::kF1 + i].data(), 16, "F%d", i + 1);
    SetName(table, VirtualKey::kBack, "Backspace");
    SetName(table, VirtualKey::kTab, "Tab");
    SetName(table, VirtualKey::kClear, "Clear");
    SetName(table, VirtualKey::kReturn, "Enter");
    SetName(table, VirtualKey::kShift, "Shift");
    SetName(table, VirtualKey::kControl, "Ctrl");
    SetName(table, VirtualKey::kMenu, "Alt");
    SetName(table, VirtualKey::kPause, "Pause");
    SetName(table, VirtualKey::kCapital, "Caps Lock");
    SetName(table, VirtualKey::kEscape, "Esc");
    SetName(table, VirtualKey::kSpace, "Space");
    SetName(table, VirtualKey::kPrior, "Page Up");
    SetName(table, VirtualKey::kNext, "Page Down");
    SetName(table, VirtualKey::kEnd, "End");
    SetName(table, VirtualKey::kHome, "Home");
    SetName(table, VirtualKey::kLeft, "Left");
    SetName(table, VirtualKey::kUp, "Up");
    SetName(table, VirtualKey::kRight, "Right");
    SetName(table, VirtualKey::kDown, "Down");
    SetName(table, VirtualKey::kSnapshot, "Print Screen");
    SetName(table, VirtualKey::kInsert, "Insert");
    SetName(table, VirtualKey::kDelete, "Delete");
    SetName(table, VirtualKey::kHelp, "Help");
    SetName(table, VirtualKey::kLeftWin, "Left Windows");
    SetName(table, VirtualKey::kRightWin, "Right Windows");
    SetName(table, VirtualKey::kApps, "Menu");
    SetName(table, VirtualKey::kMultiply, "Num *");
    SetName(table, VirtualKey::kAdd, "Num +");
    SetName(table, VirtualKey::kSeparator, "Separator");
    SetName(table, VirtualKey::kSubtract, "Num -");
    SetName(table, VirtualKey::kDecimal, "Num Del");
    SetName(table, VirtualKey::kDivide, "Num /");
    SetName(table, VirtualKey::kNumLock, "Num Lock");
    SetName(table, VirtualKey::kScroll, "Scroll Lock");
    SetName(table, VirtualKey::kLeftShift, "Shift");
    SetName(table, VirtualKey::kRightShift, "Right Shift");
    SetName(table, VirtualKey::kLeftControl, "Ctrl");
    SetName(table, VirtualKey::kRightControl, "Right Ctrl");
    SetName(table, VirtualKey::kLeftMenu, "Alt");
    SetName(table, VirtualKey::kRightMenu, "Right Alt");
    SetName(table, VirtualKey::kOem1, ";");
    SetName(table, VirtualKey::kOemPlus, "=");
    SetName(table, VirtualKey::kOemComma, ",");
    SetName(table, VirtualKey::kOemMinus, "-");
    SetName(table, VirtualKey::kOemPeriod, ".");
    SetName(table, VirtualKey::kOem2, "/");
    SetName(table, VirtualKey::kOem3, "`");
    SetName(table, VirtualKey::kOem4, "[");
    SetName(table, VirtualKey::kOem5, "\\");
    SetName(table, VirtualKey::kOem6, "]");
    SetName(table, VirtualKey::kOem7, "'");
    SetName(table, VirtualKey::kOem102, "<");
    return table;
}

} // namespace

uint8_t VirtualKeyTable::FromKeysym(uint32_t keysym)
{
    if (keysym >= Keysym::kUpperA && keysym <= Keysym::kUpperZ)
        return static_cast<uint8_t>(VirtualKey::kA + (keysym - Keysym::kUpperA));
    if (keysym >= Keysym::kLowerA && keysym <= Keysym::kLowerZ)
        return static_cast<uint8_t>(VirtualKey::kA + (keysym - Keysym::kLowerA));
    if (keysym >= Keysym::k0 && keysym <= Keysym::k9)
        return static_cast<uint8_t>(VirtualKey::k0 + (keysym - Keysym::k0));
    if (keysym >= Keysym::kKp0 && keysym <= Keysym::kKp9)
        return static_cast<uint8_t>(VirtualKey::kNumpad0 + (keysym - Keysym::kKp0));
    if (keysym >= Keysym::kF1 && keysym <= Keysym::kF24)
        return static_cast<uint8_t>(VirtualKey::kF1 + (keysym - Keysym::kF1));
    for (const KeysymCode& entry : kSingles) {
        if (entry.keysym == keysym)
            return entry.virtualKey;
    }
    return VirtualKey::kUnmapped;
}

VirtualKeyTable::Modifier VirtualKeyTable::ModifierOf(uint8_t virtualKey)
{
    switch (virtualKey) {
    case VirtualKey::kShift:
    case VirtualKey::kLeftShift:
    case VirtualKey::kRightShift:
        return kShiftModifier;
    case VirtualKey::kControl:
    case VirtualKey::kLeftControl:
    case VirtualKey::kRightControl:
        return kControlModifier;
    case VirtualKey::kMenu:
    case VirtualKey::kLeftMenu:
    case VirtualKey::kRightMenu:
        return kAltModifier;
    default:
        return kNoModifier;
    }
}

const char* VirtualKeyTable::Name(uint8_t virtualKey)
{
    static const NameTable names = BuildNames();
    return names[virtualKey].data();
}
