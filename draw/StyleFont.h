#pragma once
#include "DrawTypes.h"
#include "formats/StyledTextFormat.h"

#include <QFont>
#include <cstdint>
#include <string_view>

/// The face bit of that name in the styled-text format's table (0 if none).
constexpr uint16_t FaceBit(std::string_view name)
{
    for (const Formats::StyledText::FaceBit& face : Formats::StyledText::kFaceBits) {
        if (face.name == name)
            return face.bit;
    }
    return 0;
}
inline constexpr uint16_t kFaceBold = FaceBit("bold");
inline constexpr uint16_t kFaceItalic = FaceBit("italic");
inline constexpr uint16_t kFaceUnderline = FaceBit("underline");

/// Concrete families the two content font names resolve to. Font number 0
/// names the old bitmap "MS Sans Serif", which no Linux desktop ships; we
/// draw it with DejaVu Sans. Every other font number names "Arial", which
/// fontconfig resolves to its metric twin Liberation Sans; we ask for that
/// family by name so layout is the same on every machine.
inline constexpr const char* kSansSerifFamily = "DejaVu Sans";
inline constexpr const char* kArialFamily = "Liberation Sans";

/// Pixel size used for font 0 when the run gives no positive size.
inline constexpr int kDefaultSansSerifSize = 11;
/// Largest pixel size we render; bigger sizes are drawn at this size.
inline constexpr int kMaxFontPixelSize = 1024;

/// The font a style run selects: font number != 0 is Arial with sizes of 10
/// or less raised to 11, font number 0 is MS Sans Serif at its own size;
/// pixel size = size; bold, italic and underline from the face bits. The
/// font is unhinted, without kerning and without fallback merging, so its
/// metrics are the same wherever the fonts from scripts/setup are installed.
/// Needs a QGuiApplication for metrics and drawing. `styleRun` points at
/// 18 readable bytes.
QFont StyleFont(const uint8_t* styleRun);

/// The run's text colour (offset 14).
COLORREF StyleColour(const uint8_t* styleRun);
