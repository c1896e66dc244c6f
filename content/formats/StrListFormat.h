#pragma once
// `STR#` string list: an unsigned 16-bit count, then entries of one length
// byte and that many Windows-1252 text bytes, no terminator, no alignment.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Formats::StrList {

inline constexpr size_t kHeaderSize = 2;
inline constexpr size_t kMaxEntryLength = 255;
inline constexpr size_t kMaxEntries = 65535;

struct StrListView {
    uint16_t count = 0;                ///< as stored
    std::vector<std::string> entries;  ///< at most `count`
    size_t end = kHeaderSize;          ///< offset after the last entry taken
    /// An entry ran past the end of the bytes: it was cut where they end and
    /// no further entry was taken.
    bool truncated = false;
};

/// Reads the list the way the programs do: an entry's text ends early at a
/// zero byte and the next entry then starts right after the text taken.
/// Nullopt when the resource is shorter than its header.
std::optional<StrListView> DecodeStrList(std::span<const uint8_t> bytes);

/// The resource for these entries. Nullopt, with *error set, for an entry
/// longer than 255 bytes or holding a zero byte, or too many entries.
std::optional<std::vector<uint8_t>> EncodeStrList(const std::vector<std::string>& entries,
                                                  std::string* error = nullptr);

} // namespace Formats::StrList
