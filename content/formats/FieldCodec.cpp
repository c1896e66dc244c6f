#include "formats/FieldCodec.h"

#include <limits>

namespace Formats {

namespace {
bool Fits(std::span<const uint8_t> bytes, size_t offset, size_t len)
{
    return offset <= bytes.size() && len <= bytes.size() - offset;
}
} // namespace

std::optional<uint8_t> ReadU8(std::span<const uint8_t> bytes, size_t offset)
{
    if (!Fits(bytes, offset, 1))
        return std::nullopt;
    return bytes[offset];
}

std::optional<uint16_t> ReadU16(std::span<const uint8_t> bytes, size_t offset)
{
    if (!Fits(bytes, offset, 2))
        return std::nullopt;
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::optional<uint32_t> ReadU32(std::span<const uint8_t> bytes, size_t offset)
{
    if (!Fits(bytes, offset, 4))
        return std::nullopt;
    return uint32_t(bytes[offset]) | (uint32_t(bytes[offset + 1]) << 8) |
           (uint32_t(bytes[offset + 2]) << 16) | (uint32_t(bytes[offset + 3]) << 24);
}

std::optional<int16_t> ReadI16(std::span<const uint8_t> bytes, size_t offset)
{
    auto v = ReadU16(bytes, offset);
    if (!v)
        return std::nullopt;
    return static_cast<int16_t>(*v);
}

std::optional<int32_t> ReadI32(std::span<const uint8_t> bytes, size_t offset)
{
    auto v = ReadU32(bytes, offset);
    if (!v)
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

bool WriteU8(std::span<uint8_t> bytes, size_t offset, uint8_t value)
{
    if (offset >= bytes.size())
        return false;
    bytes[offset] = value;
    return true;
}

bool WriteU16(std::span<uint8_t> bytes, size_t offset, uint16_t value)
{
    if (offset > bytes.size() || 2 > bytes.size() - offset)
        return false;
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
    return true;
}

bool WriteU32(std::span<uint8_t> bytes, size_t offset, uint32_t value)
{
    if (offset > bytes.size() || 4 > bytes.size() - offset)
        return false;
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    return true;
}

bool ScalarFits(FieldKind kind, int64_t value)
{
    switch (kind) {
    case FieldKind::U8: return value >= 0 && value <= 0xFF;
    case FieldKind::I16: return value >= INT16_MIN && value <= INT16_MAX;
    case FieldKind::U16:
    case FieldKind::Id: return value >= 0 && value <= 0xFFFF;
    case FieldKind::I32: return value >= INT32_MIN && value <= INT32_MAX;
    case FieldKind::U32:
    case FieldKind::Colour:
    case FieldKind::Code4: return value >= 0 && value <= 0xFFFFFFFFLL;
    case FieldKind::Rect: return false;
    }
    return false;
}

std::optional<int64_t> ReadScalar(std::span<const uint8_t> record, const FieldDesc& field)
{
    switch (field.kind) {
    case FieldKind::U8:
        if (auto v = ReadU8(record, field.offset))
            return *v;
        break;
    case FieldKind::I16:
        if (auto v = ReadI16(record, field.offset))
            return *v;
        break;
    case FieldKind::U16:
    case FieldKind::Id:
        if (auto v = ReadU16(record, field.offset))
            return *v;
        break;
    case FieldKind::I32:
        if (auto v = ReadI32(record, field.offset))
            return *v;
        break;
    case FieldKind::U32:
    case FieldKind::Colour:
        if (auto v = ReadU32(record, field.offset))
            return *v;
        break;
    case FieldKind::Code4:
        if (Fits(record, field.offset, 4)) {
            const uint8_t* p = record.data() + field.offset;
            return (int64_t(p[0]) << 24) | (int64_t(p[1]) << 16) | (int64_t(p[2]) << 8) | p[3];
        }
        break;
    case FieldKind::Rect: break;
    }
    return std::nullopt;
}

std::optional<Rect32> ReadRect(std::span<const uint8_t> record, const FieldDesc& field)
{
    if (field.kind != FieldKind::Rect || !Fits(record, field.offset, 16))
        return std::nullopt;
    Rect32 r;
    r.left = *ReadI32(record, field.offset);
    r.top = *ReadI32(record, field.offset + 4);
    r.right = *ReadI32(record, field.offset + 8);
    r.bottom = *ReadI32(record, field.offset + 12);
    return r;
}

bool WriteScalar(std::span<uint8_t> record, const FieldDesc& field, int64_t value)
{
    if (!ScalarFits(field.kind, value))
        return false;
    if (field.offset > record.size() || FieldSize(field.kind) > record.size() - field.offset)
        return false;
    switch (field.kind) {
    case FieldKind::U8: return WriteU8(record, field.offset, static_cast<uint8_t>(value));
    case FieldKind::I16:
    case FieldKind::U16:
    case FieldKind::Id: return WriteU16(record, field.offset, static_cast<uint16_t>(value));
    case FieldKind::I32:
    case FieldKind::U32:
    case FieldKind::Colour: return WriteU32(record, field.offset, static_cast<uint32_t>(value));
    case FieldKind::Code4:
        for (size_t i = 0; i < 4; ++i)
            record[field.offset + i] = static_cast<uint8_t>(value >> (8 * (3 - i)));
        return true;
    case FieldKind::Rect: break;
    }
    return false;
}

bool WriteRect(std::span<uint8_t> record, const FieldDesc& field, const Rect32& rect)
{
    if (field.kind != FieldKind::Rect || field.offset > record.size() ||
        16 > record.size() - field.offset)
        return false;
    WriteU32(record, field.offset, static_cast<uint32_t>(rect.left));
    WriteU32(record, field.offset + 4, static_cast<uint32_t>(rect.top));
    WriteU32(record, field.offset + 8, static_cast<uint32_t>(rect.right));
    WriteU32(record, field.offset + 12, static_cast<uint32_t>(rect.bottom));
    return true;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

const FieldDesc* FindField(std::span<const FieldDesc> fields, std::string_view name)
{
    for (const FieldDesc& f : fields)
        if (EqualsIgnoreCase(f.name, name))
            return &f;
    return nullptr;
}

} // namespace Formats
