#pragma once
// The `Scrp` resource: a 4-byte header and statement records, one table
// entry per opcode with its record size and named fields.
#include "formats/FieldCodec.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace Formats::Script {

inline constexpr size_t kHeaderSize = 4;
/// Header: two bytes nobody reads, then the statement count.
inline constexpr FieldDesc kHeaderFields[] = {
    {"reserved", 0, FieldKind::U16, IdRef::None, true},
    {"count", 2, FieldKind::U16},
};

enum Opcode : int16_t {
    kDrawText = 1,
    kDrawPict = 2,
    kDrawRect = 3,
    kDrawLine = 4,
    kDelay = 5,
    kUpdate = 6,
    kCycle = 7,
    kNew = 8,
    kNop = 9,
    kEnd = 10,
    kTile = 11,
    kRectFill = 12,
};

/// One statement kind. Every record starts with its signed 16-bit opcode at
/// offset 0; the fields follow.
/// The loader builds the statement class of each row (CreateStatement).
struct OpcodeDesc {
    int16_t opcode;
    std::string_view name; ///< name in the source notation
    uint16_t recordSize;
    std::span<const FieldDesc> fields;
};

namespace Detail {
using K = FieldKind;
using R = IdRef;
inline constexpr FieldDesc kDrawText[] = {{"text", 2, K::Id, R::Text}, {"rect", 4, K::Rect}};
inline constexpr FieldDesc kDrawPict[] = {
    {"picture", 2, K::Id, R::Picture}, {"rect", 4, K::Rect}, {"selector", 20, K::I16}};
inline constexpr FieldDesc kDrawRect[] = {{"rect", 2, K::Rect},
                                          {"colour", 18, K::Colour},
                                          {"width", 22, K::U16},
                                          {"pad", 24, K::U16, R::None, true}};
inline constexpr FieldDesc kDrawLine[] = {
    {"line", 2, K::Rect}, {"colour", 18, K::Colour}, {"width", 22, K::U16}};
inline constexpr FieldDesc kDelay[] = {{"ms", 2, K::U16}};
inline constexpr FieldDesc kUpdate[] = {{"rect", 2, K::Rect}};
inline constexpr FieldDesc kCycle[] = {{"count", 2, K::U16}};
inline constexpr FieldDesc kNew[] = {{"script", 2, K::Id, R::Script}};
inline constexpr FieldDesc kPadOnly[] = {{"pad", 2, K::U16, R::None, true}};
inline constexpr FieldDesc kTile[] = {{"picture", 2, K::Id, R::Picture}, {"rect", 4, K::Rect}};
inline constexpr FieldDesc kRectFill[] = {{"rect", 2, K::Rect}, {"colour", 18, K::Colour}};
} // namespace Detail

/// The twelve opcodes, in opcode order (kOpcodes[op - 1].opcode == op).
inline constexpr OpcodeDesc kOpcodes[] = {
    {kDrawText, "DrawText", 20, Detail::kDrawText},
    {kDrawPict, "DrawPict", 22, Detail::kDrawPict},
    {kDrawRect, "DrawRect", 26, Detail::kDrawRect},
    {kDrawLine, "DrawLine", 24, Detail::kDrawLine},
    {kDelay, "Delay", 4, Detail::kDelay},
    {kUpdate, "Update", 18, Detail::kUpdate},
    {kCycle, "Cycle", 4, Detail::kCycle},
    {kNew, "New", 4, Detail::kNew},
    {kNop, "NOP", 4, Detail::kPadOnly},
    {kEnd, "End", 4, Detail::kPadOnly},
    {kTile, "Tile", 20, Detail::kTile},
    {kRectFill, "RectFill", 22, Detail::kRectFill},
};

/// The opcode's entry, or null for an opcode outside 1-12.
const OpcodeDesc* FindOpcode(int16_t opcode);
/// The entry with this name (ASCII case ignored), or null.
const OpcodeDesc* FindOpcode(std::string_view name);

/// One statement record inside a script's bytes.
struct RecordView {
    const OpcodeDesc* op = nullptr;
    size_t offset = 0;              ///< from the start of the resource
    std::span<const uint8_t> bytes; ///< exactly op->recordSize bytes
};

/// A script decoded the way the loader reads it.
struct ScriptView {
    uint16_t reserved = 0;
    uint16_t count = 0;              ///< statement count of the header
    std::vector<RecordView> records; ///< at most `count`
    /// Offset after the last record taken; bytes from here on are not read.
    size_t end = kHeaderSize;
    /// Reading stopped at an opcode outside 1-12 (the loader drops the rest).
    bool stoppedAtUnknownOpcode = false;
    /// Reading stopped because a record ran past the end of the resource.
    bool truncated = false;
};

/// Decodes the header and up to `count` records. Nullopt when the resource
/// is shorter than its header. A record that would run past the end of the
/// bytes is not taken and ends the reading.
std::optional<ScriptView> DecodeScript(std::span<const uint8_t> bytes);

/// A record of this opcode: zero-filled, opcode written.
std::vector<uint8_t> NewRecord(const OpcodeDesc& op);

} // namespace Formats::Script
