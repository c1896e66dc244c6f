#include "NotificationSound.h"

#include "CContentResource.h"
#include "CWaveAudio.h"
#include "ContentIds.h"
#include "Windows1252.h"
#include "formats/SoundListFormat.h"

#include <algorithm>

namespace NotificationSound {

SoundChoice Choose(const NotificationSoundSettings& settings, std::span<const uint8_t> soundList)
{
    SoundChoice choice;
    if (!settings.soundOn)
        return choice;
    if (!settings.soundPath.empty()) {
        choice.source = SoundChoice::kFile;
        choice.name = FromWindows1252(settings.soundPath).toStdString();
    } else {
        choice.name = Formats::SoundList::WaveNameOf(Formats::SoundList::DecodeSoundList(soundList),
                                                     settings.displayName);
        if (choice.name.empty())
            return SoundChoice{};
        choice.source = SoundChoice::kResource;
    }
    if (!settings.useSystemVolume) {
        choice.setVolume = true;
        // A step outside 0-10 would wrap round to some other level.
        choice.level = uint32_t(std::clamp(settings.volume, 0, kMaxVolumeStep)) * kVolumeStep;
    }
    return choice;
}

void Play(const NotificationSoundSettings& settings)
{
    if (!settings.soundOn || !CWaveAudio::CanPlay(CWaveAudio::kFormat2M08))
        return;
    std::span<const uint8_t> soundList;
    CContentResource resource;
    if (resource.LoadNamed(ResId::kSoundList, ResType::kRcdata) && resource.Lock())
        soundList = {resource.data, resource.size};
    const SoundChoice choice = Choose(settings, soundList);
    CWaveAudio* player = nullptr;
    if (choice.source == SoundChoice::kFile)
        player = CWaveAudio::PlayerFromFile(choice.name);
    else if (choice.source == SoundChoice::kResource)
        player = CWaveAudio::PlayerFromResource(choice.name);
    if (!player)
        return;
    if (choice.setVolume)
        player->SetVolume(choice.level);
    player->Play();
}

} // namespace NotificationSound
