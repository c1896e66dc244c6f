#pragma once
#include "CSList.h"
#include "formats/StyledTextFormat.h"

#include <array>
#include <cstdint>

/// One piece of a style run on one line of a styled text.
class CStyleBlock {
public:
    /// The 18-byte `styl` run, copied; handed to DrawText as the style.
    std::array<uint8_t, 18> style{};
    /// True on the first block of each line.
    int lineStart = 0;
    /// Offset of the block's first character in the text.
    uint32_t start = 0;
    /// Characters to draw (blanks before a line break are left out).
    uint16_t drawLength = 0;
    /// On a line's first block: the largest run line height of that line.
    int16_t lineHeight = 0;
    /// Offset after the block, line break included.
    uint32_t end = 0;

    /// The run's ascent, read from the copied run.
    int16_t Ascent() const
    {
        static const Formats::FieldDesc* field = Formats::FindField(Formats::StyledText::kRunFields, "ascent");
        return static_cast<int16_t>(field ? Formats::ReadScalar(style, *field).value_or(0) : 0);
    }
};

class CStyleBlockList : public CSList<CStyleBlock> {};
