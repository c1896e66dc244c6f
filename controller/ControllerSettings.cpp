#include "ControllerSettings.h"

#include "CSettingsStore.h"
#include "SettingsTable.h"

namespace {

QString Text(const char* latin1) { return QString::fromLatin1(latin1); }

bool IsStored(const CSettingsStore& store, const SettingValue& value)
{
    return store.ReadStored(Text(value.section), Text(value.name)).has_value();
}

int LoadInt(CSettingsStore& store, const SettingValue& value)
{
    const int number = store.ReadInt(value, SettingReader::Controller);
    if (!IsStored(store, value))
        store.WriteInt(value, number);
    return number;
}

QByteArray LoadString(CSettingsStore& store, const SettingValue& value)
{
    const QByteArray bytes = store.ReadString(value, SettingReader::Controller);
    if (!IsStored(store, value))
        store.WriteString(value, bytes);
    return bytes;
}

} // namespace

namespace ControllerSettings {

ActivationSettings LoadActivation(CSettingsStore& store)
{
    ActivationSettings s;
    s.mode = LoadInt(store, Settings::kActivationMode);
    for (size_t i = 0; i < s.clock.size(); ++i)
        s.clock[i] = static_cast<uint8_t>(LoadInt(store, Settings::kActivationClock[i]) & 0xFF);
    s.intervalIndex = LoadInt(store, Settings::kActivationInterval);
    s.keysAndMicePreset = LoadInt(store, Settings::kActivationKeysAndMice);
    s.customKeys = LoadInt(store, Settings::kActivationCustomKeys);
    s.customMice = LoadInt(store, Settings::kActivationCustomMice);
    return s;
}

NotificationSettings LoadNotification(CSettingsStore& store)
{
    NotificationSettings s;
    s.soundOn = LoadInt(store, Settings::kNotificationSoundOn);
    s.sound = LoadString(store, Settings::kNotificationSound);
    s.soundPath = LoadString(store, Settings::kSoundPath);
    s.soundVolume = LoadInt(store, Settings::kNotificationSoundVolume);
    s.useSystemVolume = LoadInt(store, Settings::kNotificationUseSystemVolume);
    s.flashIconOn = LoadInt(store, Settings::kNotificationFlashIconOn);
    s.flashInterval = LoadInt(store, Settings::kNotificationFlashInterval);
    s.dialogOn = LoadInt(store, Settings::kNotificationDialogOn);
    return s;
}

SequenceSettings LoadSequence(const CSettingsStore& store)
{
    // Not written back: a missing "Sequence" must stay missing, so that the
    // next launch stores the default sequence.
    SequenceSettings s;
    s.sequence = store.ReadString(Settings::kSequence, SettingReader::Controller);
    s.index = store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller);
    return s;
}

HotKeySettings LoadHotKey(CSettingsStore& store)
{
    HotKeySettings s;
    s.enable = LoadInt(store, Settings::kHotKeyEnable);
    s.keycode = static_cast<uint16_t>(LoadInt(store, Settings::kHotKeyKeycode));
    s.modifiers = static_cast<uint16_t>(LoadInt(store, Settings::kHotKeyModifiers));
    return s;
}

} // namespace ControllerSettings
