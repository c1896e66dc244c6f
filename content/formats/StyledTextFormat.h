#pragma once
// Styled text: `Styt` holds the characters (one byte each, no terminator,
// length = resource size); `styl` of the same id holds the style runs.
#include "formats/FieldCodec.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace Formats::StyledText {

inline constexpr size_t kHeaderSize = 2;
/// `styl` header: run count, compared as signed 16-bit (0 or less: no runs).
inline constexpr FieldDesc kHeaderFields[] = {
    {"count", 0, FieldKind::I16},
};

inline constexpr size_t kRunSize = 18;
/// One 18-byte style run.
inline constexpr FieldDesc kRunFields[] = {
    {"start", 0, FieldKind::U32},
    {"lineHeight", 4, FieldKind::I16},
    {"ascent", 6, FieldKind::I16},
    {"font", 8, FieldKind::I16},
    {"face", 10, FieldKind::U16},
    {"size", 12, FieldKind::I16},
    {"colour", 14, FieldKind::Colour},
};

struct FaceBit {
    uint16_t bit;
    std::string_view name;
};
/// Face bits the text drawing honours; other bits are ignored.
inline constexpr FaceBit kFaceBits[] = {
    {0x100, "bold"},
    {0x200, "italic"},
    {0x400, "underline"},
};

/// Characters with a meaning for layout.
inline constexpr uint8_t kCarriageReturn = 13;
inline constexpr uint8_t kLineFeed = 10;
inline constexpr uint8_t kTab = 9;
inline constexpr uint8_t kSpace = 32;
inline constexpr uint8_t kEscape = '\\';

struct StyleRun {
    uint32_t start = 0;
    int16_t lineHeight = 0;
    int16_t ascent = 0;
    int16_t font = 0;
    uint16_t face = 0;
    int16_t size = 0;
    uint32_t colour = 0;
    bool operator==(const StyleRun&) const = default;
};

struct StylView {
    int16_t count = 0;           ///< as stored
    std::vector<StyleRun> runs;  ///< max(count, 0) runs, fewer when truncated
    size_t end = kHeaderSize;    ///< offset after the last run taken
    bool truncated = false;      ///< a run ran past the end of the bytes
};

/// Nullopt when the resource is shorter than its header.
std::optional<StylView> DecodeStyl(std::span<const uint8_t> bytes);
/// One run from 18 bytes (nullopt when fewer).
std::optional<StyleRun> DecodeRun(std::span<const uint8_t> bytes);
/// The `styl` resource for these runs. Nullopt for more than 32767 runs.
std::optional<std::vector<uint8_t>> EncodeStyl(std::span<const StyleRun> runs);

} // namespace Formats::StyledText
