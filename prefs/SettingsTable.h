#pragma once
#include <array>
#include <span>
#include <string_view>

/// Who reads a value. A value that is missing reads as the reader's own
/// default: the Preferences pages (and the sheet around them), the
/// controller's start-up load, or the viewer.
enum class SettingReader { Page = 0, Controller = 1, Viewer = 2 };

enum class SettingType { Int, String };

/// Values that one Preferences page loads and applies as a whole.
enum class SettingGroup { None, Activation, Notification, Sequence, HotKey };

/// One stored value: its section, exact name, type and per-reader defaults.
/// A reader that never reads the value gets the page's default.
struct SettingValue {
    const char* section;
    const char* name;
    SettingType type;
    SettingGroup group;
    std::array<int, 3> intDefaults;          ///< by SettingReader; ints only
    std::array<const char*, 3> textDefaults; ///< by SettingReader; strings only, Windows-1252

    constexpr int IntDefault(SettingReader reader) const { return intDefaults[static_cast<int>(reader)]; }
    constexpr const char* TextDefault(SettingReader reader) const { return textDefaults[static_cast<int>(reader)]; }
};

namespace Settings {

inline constexpr char kPreferences[] = "Preferences";
inline constexpr char kOvantis[] = "Ovantis";

/// The controller's default for "Sequence": a sequence never set.
inline constexpr char kNoSequence[] = "NoSequence";
/// "Installation" once the controller has taken note of an installation.
inline constexpr char kRelease[] = "Release";

constexpr SettingValue IntValue(const char* section, const char* name, SettingGroup group,
                                int page, int controller, int viewer)
{
    return {section, name, SettingType::Int, group, {page, controller, viewer}, {"", "", ""}};
}

constexpr SettingValue TextValue(const char* section, const char* name, SettingGroup group,
                                 const char* page, const char* controller, const char* viewer)
{
    return {section, name, SettingType::String, group, {0, 0, 0}, {page, controller, viewer}};
}

// Section "Preferences".
inline constexpr SettingValue kActivationMode =
    IntValue(kPreferences, "Activation Mode", SettingGroup::Activation, 0, 0, 0);
/// "Activation Clock0" ... "Activation Clock5": eight quarter-hour marks each.
inline constexpr std::array<SettingValue, 6> kActivationClock = {
    IntValue(kPreferences, "Activation Clock0", SettingGroup::Activation, 0, 0, 0),
    IntValue(kPreferences, "Activation Clock1", SettingGroup::Activation, 0, 0, 0),
    IntValue(kPreferences, "Activation Clock2", SettingGroup::Activation, 0, 0, 0),
    IntValue(kPreferences, "Activation Clock3", SettingGroup::Activation, 0, 0, 0),
    IntValue(kPreferences, "Activation Clock4", SettingGroup::Activation, 0, 0, 0),
    IntValue(kPreferences, "Activation Clock5", SettingGroup::Activation, 0, 0, 0),
};
inline constexpr SettingValue kActivationInterval =
    IntValue(kPreferences, "Activation Interval", SettingGroup::Activation, 0, 10, 0);
inline constexpr SettingValue kActivationKeysAndMice =
    IntValue(kPreferences, "Activation Keys&Mice", SettingGroup::Activation, 0, 0, 0);
inline constexpr SettingValue kActivationCustomKeys =
    IntValue(kPreferences, "Activation Custom Keys", SettingGroup::Activation, 50, 50, 50);
inline constexpr SettingValue kActivationCustomMice =
    IntValue(kPreferences, "Activation Custom Mice", SettingGroup::Activation, 50, 50, 50);
inline constexpr SettingValue kNotificationSoundOn =
    IntValue(kPreferences, "Notification Sound ON", SettingGroup::Notification, 1, 1, 1);
inline constexpr SettingValue kNotificationSound =
    TextValue(kPreferences, "Notification Sound", SettingGroup::Notification, "", "Tibetan Bell", "");
inline constexpr SettingValue kSoundPath =
    TextValue(kPreferences, "SoundPath", SettingGroup::Notification, "", "", "");
inline constexpr SettingValue kNotificationSoundVolume =
    IntValue(kPreferences, "Notification Sound Volume", SettingGroup::Notification, 7, 7, 7);
inline constexpr SettingValue kNotificationUseSystemVolume =
    IntValue(kPreferences, "Notification Use System Volume", SettingGroup::Notification, 1, 1, 1);
inline constexpr SettingValue kNotificationFlashIconOn =
    IntValue(kPreferences, "Notification Flash Icon ON", SettingGroup::Notification, 1, 1, 1);
inline constexpr SettingValue kNotificationFlashInterval =
    IntValue(kPreferences, "Notification Flash Interval", SettingGroup::Notification, 2, 4, 2);
inline constexpr SettingValue kNotificationDialogOn =
    IntValue(kPreferences, "Notification Dialog ON", SettingGroup::Notification, 1, 0, 1);
/// Missing reads as an empty sequence for the page; the controller's default
/// kNoSequence makes it store the default sequence.
inline constexpr SettingValue kSequence =
    TextValue(kPreferences, "Sequence", SettingGroup::Sequence, "", kNoSequence, "");
inline constexpr SettingValue kSequenceIndex =
    IntValue(kPreferences, "Sequence Index", SettingGroup::Sequence, 0, -1, 0);
inline constexpr SettingValue kHotKeyEnable =
    IntValue(kPreferences, "HotKey Enable", SettingGroup::HotKey, 1, 1, 1);
inline constexpr SettingValue kHotKeyKeycode =
    IntValue(kPreferences, "HotKey Keycode", SettingGroup::HotKey, 83, 83, 83);
inline constexpr SettingValue kHotKeyModifiers =
    IntValue(kPreferences, "HotKey Modifiers", SettingGroup::HotKey, 6, 6, 6);
inline constexpr SettingValue kLastPrefsX = IntValue(kPreferences, "LastPrefsX", SettingGroup::None, -1, -1, -1);
inline constexpr SettingValue kLastPrefsY = IntValue(kPreferences, "LastPrefsY", SettingGroup::None, -1, -1, -1);
inline constexpr SettingValue kLastAppX = IntValue(kPreferences, "LastAppX", SettingGroup::None, -1, -1, -1);
inline constexpr SettingValue kLastAppY = IntValue(kPreferences, "LastAppY", SettingGroup::None, -1, -1, -1);

// Section "Ovantis".
/// The viewer also treats any value outside 200-399 as 300.
inline constexpr SettingValue kLastStretchTopic =
    IntValue(kOvantis, "LastStretchTopic", SettingGroup::None, 300, -1, 300);
inline constexpr SettingValue kInstallation =
    TextValue(kOvantis, "Installation", SettingGroup::None, kRelease, kRelease, kRelease);

/// Every value of both sections, in table order.
std::span<const SettingValue* const> All();

/// The values of a group in the order a page writes them; empty for None.
std::span<const SettingValue* const> Group(SettingGroup group);

/// lParam of the "OvantisToCtrlMsg" code 14 broadcast that follows a
/// page's apply of the group; -1 when the group is not broadcast.
int GroupBroadcastParam(SettingGroup group);

/// The value with exactly this section and name (case included), or null.
const SettingValue* Find(std::string_view section, std::string_view name);

} // namespace Settings
