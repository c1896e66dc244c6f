#pragma once
#include <cstdint>
#include <span>
#include <string>

/// The notification sound settings as stored ("Notification Sound ON",
/// "Notification Sound", "SoundPath", "Notification Sound Volume",
/// "Notification Use System Volume").
struct NotificationSoundSettings {
    int soundOn = 1;
    std::string displayName = "Tibetan Bell"; ///< Windows-1252 bytes
    std::string soundPath;                    ///< Windows-1252 bytes
    int volume = 7;
    int useSystemVolume = 1;
};

/// What the notification sound plays.
struct SoundChoice {
    enum Source { kNone, kFile, kResource };
    Source source = kNone;
    std::string name;      ///< file path (UTF-8) or `WAVE` resource name
    bool setVolume = false;
    uint32_t level = 0;    ///< 0-65530 when setVolume
};

namespace NotificationSound {

inline constexpr int kMaxVolumeStep = 10;
inline constexpr uint32_t kVolumeStep = 6553;

/// The choice: nothing while the sound is off; a file path when one is set;
/// otherwise the wave of the sound list pair whose display name equals the
/// setting byte for byte, else of the last pair. The level is the volume
/// step x 6553, the step taken as 0-10; none when following the system.
SoundChoice Choose(const NotificationSoundSettings& settings, std::span<const uint8_t> soundList);

/// Plays the notification sound with the content library's sound list,
/// when the sound device can play at all.
void Play(const NotificationSoundSettings& settings);

} // namespace NotificationSound
