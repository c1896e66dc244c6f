#include "SettingsTable.h"

namespace Settings {
namespace {
using namespace std::string_view_literals;

constexpr const SettingValue* kAll[] = {
    &kActivationMode,
    &kActivationClock[0], &kActivationClock[1], &kActivationClock[2],
    &kActivationClock[3], &kActivationClock[4], &kActivationClock[5],
    &kActivationInterval, &kActivationKeysAndMice, &kActivationCustomKeys, &kActivationCustomMice,
    &kNotificationSoundOn, &kNotificationSound, &kSoundPath, &kNotificationSoundVolume,
    &kNotificationUseSystemVolume, &kNotificationFlashIconOn, &kNotificationFlashInterval,
    &kNotificationDialogOn,
    &kSequence, &kSequenceIndex,
    &kHotKeyEnable, &kHotKeyKeycode, &kHotKeyModifiers,
    &kLastPrefsX, &kLastPrefsY, &kLastAppX, &kLastAppY,
    &kLastStretchTopic, &kInstallation,
};

constexpr const SettingValue* kActivation[] = {
    &kActivationMode,
    &kActivationClock[0], &kActivationClock[1], &kActivationClock[2],
    &kActivationClock[3], &kActivationClock[4], &kActivationClock[5],
    &kActivationInterval, &kActivationKeysAndMice, &kActivationCustomKeys, &kActivationCustomMice,
};

// "SoundPath" goes last: the group is written in this order and the
// broadcast follows the last write.
constexpr const SettingValue* kNotification[] = {
    &kNotificationSoundOn, &kNotificationSound, &kNotificationSoundVolume,
    &kNotificationUseSystemVolume, &kNotificationFlashIconOn, &kNotificationFlashInterval,
    &kNotificationDialogOn, &kSoundPath,
};

constexpr const SettingValue* kSequenceGroup[] = {&kSequence, &kSequenceIndex};

constexpr const SettingValue* kHotKey[] = {&kHotKeyEnable, &kHotKeyKeycode, &kHotKeyModifiers};
} // namespace

std::span<const SettingValue* const> All()
{
    return kAll;
}

std::span<const SettingValue* const> Group(SettingGroup group)
{
    switch (group) {
    case SettingGroup::Activation:
        return kActivation;
    case SettingGroup::Notification:
        return kNotification;
    case SettingGroup::Sequence:
        return kSequenceGroup;
    case SettingGroup::HotKey:
        return kHotKey;
    case SettingGroup::None:
        break;
    }
    return {};
}

int GroupBroadcastParam(SettingGroup group)
{
    switch (group) {
    case SettingGroup::Activation:
        return 0;
    case SettingGroup::Notification:
        return 1;
    case SettingGroup::Sequence:
        return 2;
    case SettingGroup::HotKey: // the page hands the key to the hook library itself
    case SettingGroup::None:
        break;
    }
    return -1;
}

const SettingValue* Find(std::string_view section, std::string_view name)
{
    for (const SettingValue* value : kAll) {
        if (section == value->section && name == value->name)
            return value;
    }
    return nullptr;
}

} // namespace Settings
