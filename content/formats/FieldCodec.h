#pragma once
// Field descriptions shared by every record table of the content module,
// read and written through ByteReader / ByteWriter. Qt-free: the content
// compiler and the script engine both build on this.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace Formats {

/// How a field is stored. All integers are little-endian.
enum class FieldKind : uint8_t {
    U8,
    I16,
    U16,
    I32,
    U32,
    Colour, ///< 32-bit COLORREF: low byte red, then green, blue, high byte 0
    Id,     ///< 16-bit unsigned resource id
    Rect,   ///< four signed 32-bit values: left, top, right, bottom
    Code4,  ///< four bytes of a four-character code, kept in stored order
};

/// What resource an Id field names (for consistency checks and tools).
enum class IdRef : uint8_t {
    None,
    Script,  ///< a `Scrp` resource
    Text,    ///< a `Styt` / `styl` pair
    Picture, ///< an RT_BITMAP resource
};

/// Bytes a field of this kind takes.
constexpr size_t FieldSize(FieldKind kind)
{
    switch (kind) {
    case FieldKind::U8: return 1;
    case FieldKind::I16:
    case FieldKind::U16:
    case FieldKind::Id: return 2;
    case FieldKind::I32:
    case FieldKind::U32:
    case FieldKind::Colour:
    case FieldKind::Code4: return 4;
    case FieldKind::Rect: return 16;
    }
    return 0;
}

/// One named field of a fixed-layout record.
struct FieldDesc {
    std::string_view name;
    uint16_t offset = 0;
    FieldKind kind = FieldKind::U16;
    IdRef ref = IdRef::None;
    /// Stored but never looked at by the programs; kept so that any module
    /// can be dumped and rebuilt byte for byte.
    bool unread = false;
};

/// A rectangle (or a line x1, y1, x2, y2) as stored.
struct Rect32 {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const Rect32&) const = default;
};

/// A four-character code as stored (routine codes, sequence entries).
using Code4Bytes = std::array<uint8_t, 4>;
/// Its integer form: the first stored byte most significant.
constexpr uint32_t CodeValue(const Code4Bytes& code)
{
    return (uint32_t(code[0]) << 24) | (uint32_t(code[1]) << 16) | (uint32_t(code[2]) << 8) | uint32_t(code[3]);
}
/// The stored bytes of a code's integer form.
constexpr Code4Bytes CodeBytes(uint32_t value)
{
    return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

/// True when `value` can be stored in a scalar field of this kind (Rect is
/// never a scalar). Signed and unsigned 16/32-bit kinds accept exactly
/// their own range.
bool ScalarFits(FieldKind kind, int64_t value);

/// A scalar field of a record: sign-extended for I16/I32, zero-extended for
/// the unsigned kinds; a Code4 field gives its integer form with the first
/// stored byte most significant. Nullopt when the field is a Rect or does
/// not fit in the record.
std::optional<int64_t> ReadScalar(std::span<const uint8_t> record, const FieldDesc& field);
/// A Rect field of a record; nullopt for other kinds or a short record.
std::optional<Rect32> ReadRect(std::span<const uint8_t> record, const FieldDesc& field);
/// Stores a scalar (Code4: integer form, first byte most significant).
/// False when the value does not fit the kind or the field lies outside
/// the record.
bool WriteScalar(std::span<uint8_t> record, const FieldDesc& field, int64_t value);
bool WriteRect(std::span<uint8_t> record, const FieldDesc& field, const Rect32& rect);

/// The field of this name (ASCII case ignored), or null.
const FieldDesc* FindField(std::span<const FieldDesc> fields, std::string_view name);
/// A field the code names itself: it is in the table.
const FieldDesc& Field(std::span<const FieldDesc> fields, std::string_view name);
/// The named scalar of a record that holds the whole field.
int64_t ScalarOf(std::span<const uint8_t> record, std::span<const FieldDesc> fields, std::string_view name);
/// Stores the named scalar (false as WriteScalar).
bool StoreScalar(std::span<uint8_t> record, std::span<const FieldDesc> fields, std::string_view name, int64_t value);

/// ASCII case-insensitive comparison used for every name in the tables.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

} // namespace Formats
