#pragma once
// Wave sounds: a RIFF image of form "WAVE" holding a "fmt " chunk and, after
// it, a "data" chunk. One reading for the wave player and the content
// compiler: what one accepts the other plays.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace Formats::Wave {

/// Largest wave image read at all (a notification sound is a few seconds).
inline constexpr size_t kMaxImageBytes = 16u << 20;
inline constexpr uint16_t kFormatPcm = 1;
/// The player's channel bound (what the sound output converts from).
inline constexpr uint16_t kMaxChannels = 8;
inline constexpr uint32_t kMaxSampleRate = 384000;

/// The waveform format: the first 16 bytes of "fmt " (the extra-size field
/// that may follow has no meaning for PCM and is not read).
struct Format {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

struct Image {
    Format format;
    std::span<const uint8_t> samples; ///< the whole "data" chunk, inside the image
};

/// Reads the RIFF structure: the image starts with a "RIFF" chunk of form
/// "WAVE" that lies inside the bytes; inside it, the first "fmt " chunk (at
/// least 16 bytes) is searched from the start, then "data" from the end of
/// that "fmt " chunk on, so a "data" chunk before "fmt " is not seen. Every
/// chunk must lie inside the RIFF chunk; chunks are padded to even sizes.
/// Nullopt, with *error saying why, otherwise or over kMaxImageBytes.
std::optional<Image> Read(std::span<const uint8_t> bytes, std::string* error = nullptr);

/// Why the player cannot play this format, or empty when it can: PCM, 8 or
/// 16 bits, 1 to kMaxChannels channels, 1 to kMaxSampleRate samples per
/// second, and a block alignment of channels x bytes per sample.
std::string WhyUnplayable(const Format& format);

} // namespace Formats::Wave
