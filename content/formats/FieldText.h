#pragma once
// Record fields as the content source notation writes them; shared by the
// content compiler's dump and the script engine's dump.
#include "FieldCodec.h"

#include <span>
#include <string>

namespace Formats {

/// "left,top,right,bottom".
std::string RectText(const Rect32& rect);
/// "#rrggbb", or "0xXXXXXXXX" when the high byte is set.
std::string ColourText(uint32_t colour);
/// " name=value" for each field of the record; unread fields only when they
/// hold something. A field the record is too short for reads as 0.
std::string FieldsText(std::span<const uint8_t> record, std::span<const FieldDesc> fields);

} // namespace Formats
