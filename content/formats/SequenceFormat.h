#pragma once
// Routine sequences (`Stsq` 200 and the stored "Sequence" text): 4-byte
// routine entries back to back, no count, no terminator. An entry is the
// routine's four-character code bytes in reverse order.
#include "ContentIds.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace Formats::Sequence {

inline constexpr size_t kEntrySize = 4;
inline constexpr uint16_t kDefaultSequenceId = ResId::kDefaultSequence;
inline constexpr const char* kResourceType = ResType::kSequence;

using Entry = std::array<uint8_t, 4>;
using Code = std::array<uint8_t, 4>; ///< bytes 8-11 of a `Trig` header, as stored

/// Entry byte k = code byte 3 - k.
constexpr Entry EntryFromCode(const Code& code) { return {code[3], code[2], code[1], code[0]}; }
constexpr Code CodeFromEntry(const Entry& entry) { return {entry[3], entry[2], entry[1], entry[0]}; }

struct SequenceView {
    std::vector<Entry> entries; ///< length div 4 entries
    size_t trailingBytes = 0;   ///< bytes after the last whole entry (name nothing)
};

SequenceView DecodeSequence(std::span<const uint8_t> bytes);
std::vector<uint8_t> EncodeSequence(std::span<const Entry> entries);

} // namespace Formats::Sequence
