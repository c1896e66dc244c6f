#pragma once
#include "formats/WaveFormat.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// Plays one wave sound, a `WAVE` resource of the content library or a wave
/// file, fire and forget: create it with a factory, optionally SetVolume,
/// then Play, and forget it. From Play on the player owns itself: it plays
/// on a thread of its own, with the sound device open only while it plays,
/// and deletes itself when the sound has ended or cannot start.
///
/// The volume is the sound's own (its samples are scaled); the system's
/// volume is never touched. Without SetVolume the sound plays at full level,
/// so the system volume alone decides how loud it is.
class CWaveAudio {
public:
    /// The standard format 22.05 kHz, mono, 8-bit, as the callers ask for it.
    static constexpr uint32_t kFormat2M08 = 16;
    /// Every standard format: the sound output converts any PCM wave to what
    /// the device takes, so a device that exists plays them all.
    static constexpr uint32_t kAllStandardFormats = 0xFFFFF;

    /// Nonzero when a sound output device exists: the first call asks SDL for
    /// its output devices and keeps kAllStandardFormats & mask, or 0 (said
    /// once on stderr) when there is none. Every call returns that value.
    static uint32_t CanPlay(uint32_t mask);
    /// A player over the `WAVE` resource `waveName` of the loaded content
    /// library (a player that cannot play when it has none); null while
    /// CanPlay says no.
    static CWaveAudio* PlayerFromResource(const std::string& waveName);
    /// A player over a wave file; null while CanPlay says no.
    static CWaveAudio* PlayerFromFile(const std::string& path);

    /// Both channels at `level` (0-0xFFFF); returns 1.
    int SetVolume(uint32_t level);
    /// 1 when the sound is under way; 0 when the image is no playable wave.
    /// Either way the caller must not touch the player afterwards.
    virtual int Play();
    virtual ~CWaveAudio();

    /// Ends the sounds still playing and waits for their threads, at most
    /// `timeoutMs` (the program is about to end).
    static void StopAll(int timeoutMs);

    /// The samples as they go to the device: signed 16-bit, interleaved,
    /// each channel scaled by its level (channel 0 the left, channel 1 the
    /// right level, others the left). Frames cut short at the end are dropped.
    static std::vector<int16_t> OutputSamples(const Formats::Wave::Image& image, uint32_t volume);

    CWaveAudio(const CWaveAudio&) = delete;
    CWaveAudio& operator=(const CWaveAudio&) = delete;

private:
    CWaveAudio() = default;
    void Run(Formats::Wave::Format format, std::vector<int16_t> samples);

    uint32_t m_volume = 0xFFFFFFFF;
    bool m_valid = false;
    std::span<const uint8_t> m_image;  ///< a resource of the content library or m_file
    std::vector<uint8_t> m_file;
};
