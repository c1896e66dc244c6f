#pragma once
// The `Trig` resource of a topic: a 14-byte header followed by trigger
// records of 6 + 16 x n bytes.
#include "formats/FieldCodec.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace Formats::Trigger {

/// The resource type of a topic's triggers.
inline constexpr const char* kResourceType = "Trig";

inline constexpr size_t kHeaderSize = 14;
/// Header fields. Only `flags` (reading topics), `code` (stretch routines)
/// and `count` are read by the programs.
inline constexpr FieldDesc kHeaderFields[] = {
    {"reserved0", 0, FieldKind::U16, IdRef::None, true},
    {"flags", 2, FieldKind::U8},
    {"reserved3", 3, FieldKind::U8, IdRef::None, true},
    {"reserved4", 4, FieldKind::U32, IdRef::None, true},
    {"code", 8, FieldKind::Code4},
    {"count", 12, FieldKind::I16},
};
/// Header flag bit: the reading topic is listed in the Topics menu.
inline constexpr uint8_t kFlagTopicsMenu = 0x01;

enum Kind : int16_t {
    kContinuous = 1,
    kBackground = 2,
    kMouseOver = 3,
    kMouseUp = 4,
    kMouseDown = 5,
    kMouseClick = 6,
};

/// The topic builds the trigger class of each row (CreateTrigger).
struct KindDesc {
    int16_t kind;
    std::string_view name; ///< name in the source notation
};

/// The six kinds, in kind order (kKinds[k - 1].kind == k).
inline constexpr KindDesc kKinds[] = {
    {kContinuous, "Continuous"},
    {kBackground, "Background"},
    {kMouseOver, "MouseOver"},
    {kMouseUp, "MouseUp"},
    {kMouseDown, "MouseDown"},
    {kMouseClick, "MouseClick"},
};

/// The kind's entry, or null for a kind outside 1-6.
const KindDesc* FindKind(int16_t kind);
/// The entry with this name (ASCII case ignored), or null.
const KindDesc* FindKind(std::string_view name);

inline constexpr size_t kRecordFixedSize = 6;
inline constexpr size_t kRectSize = 16;
/// Fixed part of a trigger record; `rectCount` rectangles follow at offset 6.
inline constexpr FieldDesc kRecordFields[] = {
    {"kind", 0, FieldKind::I16},
    {"script", 2, FieldKind::Id, IdRef::Script},
    {"rectCount", 4, FieldKind::I16},
};
/// Each of the rectangles, from its own start.
inline constexpr FieldDesc kRectField{"rect", 0, FieldKind::Rect};

/// Bytes a record with this stored rectangle count takes. A count of zero
/// or less means no rectangles: such a record is 6 bytes long (a negative
/// count never moves the reading position backwards).
constexpr size_t RecordSize(int16_t rectCount)
{
    return kRecordFixedSize + kRectSize * static_cast<size_t>(rectCount > 0 ? rectCount : 0);
}

struct TriggerView {
    int16_t kind = 0;
    uint16_t script = 0;
    int16_t rectCount = 0;      ///< as stored (may be negative)
    std::vector<Rect32> rects;  ///< max(rectCount, 0) rectangles
    size_t offset = 0;          ///< from the start of the resource
    size_t size = 0;            ///< RecordSize(rectCount)
};

struct TrigView {
    uint16_t reserved0 = 0;
    uint8_t flags = 0;
    uint8_t reserved3 = 0;
    uint32_t reserved4 = 0;
    Code4Bytes code{};             ///< bytes 8-11 as stored
    int16_t count = 0;             ///< record count of the header
    std::vector<TriggerView> triggers;
    /// Offset after the last record taken; bytes from here on are not read.
    size_t end = kHeaderSize;
    /// Reading stopped because a record ran past the end of the resource.
    bool truncated = false;
};

/// Decodes the header and up to `count` records (none when count <= 0).
/// Nullopt when the resource is shorter than its header. Records of any
/// kind are taken; whether the kind is known is the reader's business.
std::optional<TrigView> DecodeTrig(std::span<const uint8_t> bytes);

/// The integer form of a routine's code (first stored byte most
/// significant).
using Formats::CodeValue;

} // namespace Formats::Trigger
