#pragma once
#include <QByteArray>
#include <array>
#include <cstdint>

class CSettingsStore;

/// The settings the controller caches, read with the controller's defaults.
/// The timer step reads only these copies; the store is asked again at
/// start-up and when a Preferences page reports a change.
struct ActivationSettings {
    int mode = 0;                      ///< low byte used: 0 interval, 1 clock times, 2 counts
    std::array<uint8_t, 6> clock{};    ///< 48 quarter-hour marks of a 12-hour face
    int intervalIndex = 10;
    int keysAndMicePreset = 0;
    int customKeys = 50;
    int customMice = 50;
};

struct NotificationSettings {
    int soundOn = 1;
    QByteArray sound = "Tibetan Bell"; ///< display name of a built-in sound
    QByteArray soundPath;              ///< a wave file used instead when not empty
    int soundVolume = 7;
    int useSystemVolume = 1;
    int flashIconOn = 1;
    int flashInterval = 4;
    int dialogOn = 0;
};

struct SequenceSettings {
    QByteArray sequence = "NoSequence";
    int index = -1;
};

struct HotKeySettings {
    int enable = 1;
    uint16_t keycode = 83;
    uint16_t modifiers = 6; ///< Shift 1, Ctrl 2, Alt 4
};

namespace ControllerSettings {

/// Each load reads its group with the controller's defaults. A value that is
/// missing is then stored with that default, so defaults become stored
/// values; a value that is present is left as it stands, even when it does
/// not read as a number.
ActivationSettings LoadActivation(CSettingsStore& store);
NotificationSettings LoadNotification(CSettingsStore& store);
SequenceSettings LoadSequence(const CSettingsStore& store);
HotKeySettings LoadHotKey(CSettingsStore& store);

} // namespace ControllerSettings
