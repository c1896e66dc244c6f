#include "formats/FieldCodec.h"

#include "ByteReader.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace Formats {

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
    const ByteReader in(record);
    const size_t at = field.offset;
    auto widen = [](auto value) -> std::optional<int64_t> {
        if (value)
            return int64_t(*value);
        return std::nullopt;
    };
    switch (field.kind) {
    case FieldKind::U8: return widen(in.U8(at));
    case FieldKind::I16: return widen(in.I16(at));
    case FieldKind::U16:
    case FieldKind::Id: return widen(in.U16(at));
    case FieldKind::I32: return widen(in.I32(at));
    case FieldKind::U32:
    case FieldKind::Colour: return widen(in.U32(at));
    case FieldKind::Code4:
        if (const auto bytes = in.Sub(at, 4))
            return CodeValue({(*bytes)[0], (*bytes)[1], (*bytes)[2], (*bytes)[3]});
        return std::nullopt;
    case FieldKind::Rect: break;
    }
    return std::nullopt;
}

std::optional<Rect32> ReadRect(std::span<const uint8_t> record, const FieldDesc& field)
{
    const ByteReader in(record);
    if (field.kind != FieldKind::Rect || !in.Has(field.offset, FieldSize(FieldKind::Rect)))
        return std::nullopt;
    return Rect32{*in.I32(field.offset), *in.I32(field.offset + 4), *in.I32(field.offset + 8),
                  *in.I32(field.offset + 12)};
}

bool WriteScalar(std::span<uint8_t> record, const FieldDesc& field, int64_t value)
{
    if (!ScalarFits(field.kind, value))
        return false;
    if (field.offset > record.size() || FieldSize(field.kind) > record.size() - field.offset)
        return false;
    ByteWriter out(record);
    switch (field.kind) {
    case FieldKind::U8: return out.U8(field.offset, static_cast<uint8_t>(value));
    case FieldKind::I16:
    case FieldKind::U16:
    case FieldKind::Id: return out.U16(field.offset, static_cast<uint16_t>(value));
    case FieldKind::I32:
    case FieldKind::U32:
    case FieldKind::Colour: return out.U32(field.offset, static_cast<uint32_t>(value));
    case FieldKind::Code4: {
        const Code4Bytes bytes = CodeBytes(static_cast<uint32_t>(value));
        std::copy(bytes.begin(), bytes.end(), record.begin() + field.offset);
        return true;
    }
    case FieldKind::Rect: break;
    }
    return false;
}

bool WriteRect(std::span<uint8_t> record, const FieldDesc& field, const Rect32& rect)
{
    if (field.kind != FieldKind::Rect || field.offset > record.size() ||
        FieldSize(FieldKind::Rect) > record.size() - field.offset)
        return false;
    ByteWriter out(record);
    out.U32(field.offset, static_cast<uint32_t>(rect.left));
    out.U32(field.offset + 4, static_cast<uint32_t>(rect.top));
    out.U32(field.offset + 8, static_cast<uint32_t>(rect.right));
    out.U32(field.offset + 12, static_cast<uint32_t>(rect.bottom));
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

const FieldDesc& Field(std::span<const FieldDesc> fields, std::string_view name)
{
    const FieldDesc* field = FindField(fields, name);
    assert(field);
    return *field;
}

int64_t ScalarOf(std::span<const uint8_t> record, std::span<const FieldDesc> fields, std::string_view name)
{
    return ReadScalar(record, Field(fields, name)).value_or(0);
}

bool StoreScalar(std::span<uint8_t> record, std::span<const FieldDesc> fields, std::string_view name, int64_t value)
{
    return WriteScalar(record, Field(fields, name), value);
}

} // namespace Formats
