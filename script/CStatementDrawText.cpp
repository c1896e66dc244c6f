#include "CStatementDrawText.h"

#include "CDrawX.h"
#include "formats/StyledTextFormat.h"

#include <algorithm>
#include <cstring>

using namespace Formats::StyledText;

namespace {

/// Cuts one block from `s` up to the run end `e` (never past the text).
/// Returns true when the block ended a line.
bool CutBlock(std::span<const uint8_t> text, uint32_t s, uint32_t e, CStyleBlock& block)
{
    const uint32_t textEnd = static_cast<uint32_t>(text.size());
    uint32_t pos = s;
    uint32_t drawEnd = s;
    bool endedLine = false;
    while (pos < e) {
        const uint8_t c = text[pos];
        if (c == kCarriageReturn || c == kLineFeed) {
            ++pos;
            endedLine = true;
            break;
        }
        if (c == kEscape) {
            if (pos > s)
                break;
            // The backslash and the character after it form a block of
            // their own; a backslash that ends the text stands alone.
            pos = std::min(pos + 2, textEnd);
            break;
        }
        ++pos;
        if (c != kTab && c != kSpace)
            drawEnd = pos;
    }
    block.start = s;
    block.end = pos;
    const uint32_t length = endedLine ? drawEnd - s : pos - s;
    block.drawLength = static_cast<uint16_t>(std::min<uint32_t>(length, 0xFFFF));
    return endedLine;
}

} // namespace

std::vector<std::unique_ptr<CStyleBlock>> CStatementDrawText::Layout(std::span<const uint8_t> text,
                                                                      std::span<const uint8_t> styl)
{
    std::vector<std::unique_ptr<CStyleBlock>> blocks;
    const std::optional<StylView> view = DecodeStyl(styl);
    if (!view || view->runs.empty())
        return blocks;
    const std::vector<StyleRun>& runs = view->runs;
    const uint32_t textLength = static_cast<uint32_t>(text.size());

    int16_t maxHeight = runs.front().lineHeight;
    bool lineOpen = true;
    CStyleBlock* lineFirst = nullptr;
    for (size_t i = 0; i < runs.size(); ++i) {
        const StyleRun& run = runs[i];
        // Runs and their starts are cut at the end of the text.
        const uint32_t end = std::min(i + 1 < runs.size() ? runs[i + 1].start : textLength, textLength);
        const uint8_t* runBytes = styl.data() + kHeaderSize + i * kRunSize;
        uint32_t start = run.start;
        while (start < end) {
            CStyleBlock* block = blocks.emplace_back(std::make_unique<CStyleBlock>()).get();
            std::memcpy(block->style.data(), runBytes, kRunSize);
            if (lineOpen) {
                if (lineFirst) {
                    lineFirst->lineHeight = maxHeight;
                    lineFirst->lineStart = 1;
                }
                maxHeight = run.lineHeight;
                lineOpen = false;
                lineFirst = block;
            }
            lineOpen = CutBlock(text, start, end, *block);
            maxHeight = std::max(maxHeight, run.lineHeight);
            start = block->end;
        }
    }
    if (lineFirst) {
        lineFirst->lineHeight = maxHeight;
        lineFirst->lineStart = 1;
    }
    return blocks;
}

bool CStatementDrawText::Bind(CDrawX* draw)
{
    m_draw = draw;
    const bool haveText = m_text.Load(m_textId, ResName(ResType::kText)) != nullptr;
    const bool haveRuns = m_styles.Load(m_textId, ResName(ResType::kStyles)) != nullptr;
    if (!haveText || !haveRuns || m_text.size == 0) {
        if (haveText)
            m_text.Unlock();
        if (haveRuns)
            m_styles.Unlock();
        return false;
    }
    const uint8_t* text = m_text.Lock();
    const uint8_t* styl = m_styles.Lock();
    if (text && styl) {
        for (std::unique_ptr<CStyleBlock>& block : Layout({text, m_text.size}, {styl, m_styles.size})) {
            m_blocks.AddTail(block.get());
            m_ownedBlocks.push_back(std::move(block));
        }
    }
    m_text.Unlock();
    m_styles.Unlock();
    return true;
}

bool CStatementDrawText::Execute()
{
    if (!m_draw)
        return Next();
    if (!m_textBox.IsEmpty() && !m_draw->RectVisible(&m_textBox))
        return Next();
    // A text that has gone missing is passed over, so the script goes on.
    if (!m_text.Load(m_textId, ResName(ResType::kText)))
        return Next();
    const uint8_t* text = m_text.Lock();
    const uint32_t textSize = text ? m_text.size : 0;

    const int16_t left = static_cast<int16_t>(m_rect.left);
    int16_t x = left;
    int16_t y = static_cast<int16_t>(m_rect.top);
    const bool computing = m_textBox.IsEmpty();
    int16_t topBound = y;
    int16_t rightBound = 0;
    int16_t bottomBound = 0;

    for (CStyleBlock* block = m_blocks.GetFirst(); block; block = m_blocks.GetNext()) {
        if (block->lineStart) {
            x = left;
            y = static_cast<int16_t>(y + block->lineHeight);
        }
        POINT pen{x, y};
        if (block->drawLength != 0 && block->start < textSize) {
            const uint16_t length =
                static_cast<uint16_t>(std::min<uint32_t>(block->drawLength, textSize - block->start));
            m_draw->DrawText(&pen, reinterpret_cast<const char*>(text + block->start), block->style.data(),
                             length);
            x = static_cast<int16_t>(pen.x);
            y = static_cast<int16_t>(pen.y);
        }
        if (computing) {
            const int16_t ascent = block->Ascent();
            rightBound = std::max(rightBound, x);
            topBound = std::min(topBound, static_cast<int16_t>(y - ascent));
            bottomBound = std::max(bottomBound, static_cast<int16_t>(y + block->lineHeight - ascent));
        }
    }
    m_text.Unlock();
    if (computing)
        m_textBox = RECT{left, topBound, rightBound, bottomBound};
    m_draw->AddDirtyRect(&m_textBox);
    return Next();
}
