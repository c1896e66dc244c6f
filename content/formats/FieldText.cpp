#include "FieldText.h"

#include <cstdio>

namespace Formats {

std::string RectText(const Rect32& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string ColourText(uint32_t colour)
{
    char buffer[16];
    if (colour > 0xFFFFFF)
        std::snprintf(buffer, sizeof buffer, "0x%08X", colour);
    else
        std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                      (colour >> 16) & 0xFF);
    return buffer;
}

std::string FieldsText(std::span<const uint8_t> record, std::span<const FieldDesc> fields)
{
    std::string out;
    for (const FieldDesc& field : fields) {
        if (field.kind == FieldKind::Rect) {
            out += " " + std::string(field.name) + "=" + RectText(ReadRect(record, field).value_or(Rect32{}));
            continue;
        }
        const int64_t value = ReadScalar(record, field).value_or(0);
        if (field.unread && value == 0)
            continue;
        out += " " + std::string(field.name) + "=" +
               (field.kind == FieldKind::Colour ? ColourText(static_cast<uint32_t>(value)) : std::to_string(value));
    }
    return out;
}

} // namespace Formats
