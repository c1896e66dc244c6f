#pragma once
// The RT_RCDATA resource named "soundlist": pairs of zero-terminated
// Windows-1252 strings (wave name, display name), back to back, up to the
// end of the resource; no count, no padding.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Formats::SoundList {

/// The controller's default "Notification Sound": one display name must be
/// this for the default to play the intended sound.
inline constexpr std::string_view kDefaultDisplayName = "Tibetan Bell";

struct SoundPair {
    std::string waveName;    ///< a `WAVE` resource name
    std::string displayName; ///< shown to the user; stored in the settings
    bool operator==(const SoundPair&) const = default;
};

struct SoundListView {
    std::vector<SoundPair> pairs;
    /// The bytes did not end with a complete pair: the last string had no
    /// zero byte, or a wave name had no display name. Such a tail is given
    /// as a last pair (missing parts empty), as the readers take it.
    bool incomplete = false;
};

SoundListView DecodeSoundList(std::span<const uint8_t> bytes);
/// Nullopt, with *error set, when a name holds a zero byte.
std::optional<std::vector<uint8_t>> EncodeSoundList(std::span<const SoundPair> pairs,
                                                    std::string* error = nullptr);

/// The controller's look-up: the wave name of the first pair whose display
/// name equals `displayName` byte for byte, else the last pair's wave name,
/// else empty.
std::string WaveNameOf(const SoundListView& list, std::string_view displayName);

} // namespace Formats::SoundList
