#include "StyleFont.h"

#include "formats/StyledTextFormat.h"

#include <QStringList>

#include <algorithm>

static_assert(kFaceBold != 0 && kFaceItalic != 0 && kFaceUnderline != 0, "face names of the styled-text table");

namespace {

Formats::StyledText::StyleRun DecodeRun(const uint8_t* styleRun)
{
    return *Formats::StyledText::DecodeRun(std::span<const uint8_t>(styleRun, Formats::StyledText::kRunSize));
}

} // namespace

QFont StyleFont(const uint8_t* styleRun)
{
    const Formats::StyledText::StyleRun run = DecodeRun(styleRun);
    const int fontNumber = run.font;
    const uint16_t face = run.face;
    int size = run.size;

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
    return DecodeRun(styleRun).colour;
}
