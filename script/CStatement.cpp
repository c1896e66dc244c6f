#include "CStatement.h"

#include "CDrawX.h"
#include "CScript.h"
#include "CStatementDrawText.h"

using namespace Formats::Script;

bool CStatement::Bind(CDrawX* draw)
{
    m_draw = draw;
    return true;
}

bool CStatement::Next()
{
    if (m_list)
        m_list->GetNext();
    return m_continue;
}

int64_t RecordFields::Scalar(std::string_view name) const
{
    const Formats::FieldDesc* field = Formats::FindField(m_record.op->fields, name);
    if (!field)
        return 0;
    return Formats::ReadScalar(m_record.bytes, *field).value_or(0);
}

RECT RecordFields::Rect(std::string_view name) const
{
    RECT rect;
    const Formats::FieldDesc* field = Formats::FindField(m_record.op->fields, name);
    if (!field)
        return rect;
    if (auto r = Formats::ReadRect(m_record.bytes, *field)) {
        rect.left = r->left;
        rect.top = r->top;
        rect.right = r->right;
        rect.bottom = r->bottom;
    }
    return rect;
}

bool CStatementEnd::Execute()
{
    if (m_list)
        m_list->Finish();
    return Next();
}

bool CStatementDelay::Execute()
{
    if (m_delay != 0 && m_list)
        m_list->SetDelay(m_delay);
    return Next();
}

bool CStatementNew::Execute()
{
    if (m_list)
        m_list->StartScript(m_scriptId);
    return Next();
}

bool CStatementCycle::Execute()
{
    if (m_forever || m_remaining != 0) {
        if (m_remaining != 0)
            --m_remaining;
        if (m_list)
            m_list->Restart(0);
        return m_continue;
    }
    return Next();
}

CStatementUpdate::CStatementUpdate(CStatementList* list, const RECT& rect) : CStatement(list, false)
{
    m_region.Create();
    m_region.AddRect(&rect);
}

bool CStatementUpdate::Execute()
{
    // A rectangle with no area adds nothing, and the region stays as
    // created, (0, 0)-(620, 480): content uses such an Update to repaint
    // the whole background.
    if (m_list)
        m_list->RepaintBackground(m_region.GetRgn());
    return Next();
}

namespace {
bool LoadPicture(CContentResource& holder, uint16_t id)
{
    if (!holder.Load(id, ResName(kRtBitmap)))
        return false;
    holder.Unlock();
    return true;
}
} // namespace

bool CStatementDrawPict::Bind(CDrawX* draw)
{
    m_draw = draw;
    return LoadPicture(m_picture, m_pictureId);
}

bool CStatementDrawPict::Execute()
{
    if (m_draw)
        m_draw->DrawPicture(&m_rect, m_pictureId, m_selector);
    return Next();
}

bool CStatementDrawRect::Execute()
{
    if (m_draw)
        m_draw->FrameRect(&m_rect, &m_colour, m_width);
    return Next();
}

bool CStatementDrawLine::Execute()
{
    if (m_draw)
        m_draw->DrawLine(&m_rect, &m_colour, m_width);
    return Next();
}

bool CStatementTile::Bind(CDrawX* draw)
{
    m_draw = draw;
    return LoadPicture(m_picture, m_pictureId);
}

bool CStatementTile::Execute()
{
    if (m_draw)
        m_draw->TilePicture(&m_rect, m_pictureId);
    return Next();
}

bool CStatementRectFill::Execute()
{
    if (m_draw)
        m_draw->FillRect(&m_rect, &m_colour);
    return Next();
}

std::unique_ptr<CStatement> CreateStatement(const RecordView& record, CStatementList* list)
{
    if (!record.op)
        return nullptr;
    const RecordFields f(record);
    const auto u16 = [&](std::string_view name) { return static_cast<uint16_t>(f.Scalar(name)); };
    switch (record.op->opcode) {
    case kDrawText:
        return std::make_unique<CStatementDrawText>(list, u16("text"), f.Rect("rect"));
    case kDrawPict:
        return std::make_unique<CStatementDrawPict>(list, u16("picture"), f.Rect("rect"),
                                                    static_cast<int16_t>(f.Scalar("selector")));
    case kDrawRect:
        return std::make_unique<CStatementDrawRect>(list, f.Rect("rect"),
                                                    static_cast<COLORREF>(f.Scalar("colour")), u16("width"));
    case kDrawLine:
        return std::make_unique<CStatementDrawLine>(list, f.Rect("line"),
                                                    static_cast<COLORREF>(f.Scalar("colour")), u16("width"));
    case kDelay:
        return std::make_unique<CStatementDelay>(list, u16("ms"));
    case kUpdate:
        return std::make_unique<CStatementUpdate>(list, f.Rect("rect"));
    case kCycle:
        return std::make_unique<CStatementCycle>(list, u16("count"));
    case kNew:
        return std::make_unique<CStatementNew>(list, u16("script"));
    case kNop:
        return std::make_unique<CStatementNOP>(list);
    case kEnd:
        return std::make_unique<CStatementEnd>(list);
    case kTile:
        return std::make_unique<CStatementTile>(list, u16("picture"), f.Rect("rect"));
    case kRectFill:
        return std::make_unique<CStatementRectFill>(list, f.Rect("rect"),
                                                    static_cast<COLORREF>(f.Scalar("colour")));
    default:
        return nullptr;
    }
}
