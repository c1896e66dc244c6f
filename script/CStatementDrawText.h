#pragma once
#include "CStatement.h"
#include "CStyleBlock.h"

#include <memory>
#include <span>
#include <vector>

/// Draws a styled text (the `Styt`/`styl` pair of its text id) with its
/// first line's top at the record's left/top. The text is cut into blocks
/// when the statement is bound; lines break only at line breaks.
class CStatementDrawText : public CStatement {
public:
    CStatementDrawText(CStatementList* list, uint16_t textId, const RECT& rect)
        : CStatement(list, true), m_textId(textId), m_rect(rect)
    {
    }
    /// Lays the text out; false when the text or its runs are missing, or the
    /// text is empty.
    bool Bind(CDrawX* draw) override;
    bool Execute() override;
    bool Draws() const override { return true; }

    /// The laid-out blocks (for tools and tests).
    CStyleBlockList& Blocks() { return m_blocks; }
    /// Empty until the first execution computes it.
    const RECT& TextBox() const { return m_textBox; }

    /// Cuts `text` with the `styl` bytes into blocks, in drawing order.
    static std::vector<std::unique_ptr<CStyleBlock>> Layout(std::span<const uint8_t> text,
                                                             std::span<const uint8_t> styl);

private:
    uint16_t m_textId;
    RECT m_rect;
    RECT m_textBox;
    CContentResource m_text;
    CContentResource m_styles;
    std::vector<std::unique_ptr<CStyleBlock>> m_ownedBlocks;
    CStyleBlockList m_blocks;
};
