#include "StyleFont.h"

#include <QStringList>

#include <algorithm>

namespace {

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

QFont StyleFont(const uint8_t* styleRun)
{
    const auto fontNumber = static_cast<int16_t>(ReadU16(styleRun + kStyleFontOffset));
    const uint16_t face = ReadU16(styleRun + kStyleFaceOffset);
    int size = static_cast<int16_t>(ReadU16(styleRun + kStyleSizeOffset));

    QFont font;
    if (fontNumber != 0) {
        font.setFamilies(QStringList{QString::fromLatin1(kArialFamily)});
        size = std::max(size, 11);
    } else {
        font.setFamilies(QStringList{QString::fromLatin1(kSansSerifFamily)});
        if (size <= 0)
            size = kDefaultSansSerifSize;
    }
    font.setPixelSize(std::min(size, kMaxFontPixelSize));
    font.setWeight((face & kFaceBold) ? QFont::Bold : QFont::Normal);
    font.setItalic((face & kFaceItalic) != 0);
    font.setUnderline((face & kFaceUnderline) != 0);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferAntialias));
    return font;
}

COLORREF StyleColour(const uint8_t* styleRun)
{
    const uint8_t* p = styleRun + kStyleColourOffset;
    return static_cast<COLORREF>(p[0]) | (static_cast<COLORREF>(p[1]) << 8)
        | (static_cast<COLORREF>(p[2]) << 16) | (static_cast<COLORREF>(p[3]) << 24);
}
