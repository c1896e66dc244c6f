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

namespace {
using StatementMaker = std::unique_ptr<CStatement> (*)(const RecordFields&, CStatementList*);
struct StatementKind {
    int16_t opcode;
    StatementMaker make;
};

uint16_t U16(const RecordFields& f, std::string_view name) { return static_cast<uint16_t>(f.Scalar(name)); }
COLORREF Colour(const RecordFields& f) { return static_cast<COLORREF>(f.Scalar("colour")); }

template <typename T, typename... Args>
std::unique_ptr<CStatement> Make(Args&&... args)
{
    return std::make_unique<T>(std::forward<Args>(args)...);
}

// The class of each row of the opcode table, in the table's order; the
// record's size and fields come from the table row.
constexpr StatementKind kStatementKinds[] = {
    {kDrawText, [](const RecordFields& f, CStatementList* l) {
         return Make<CStatementDrawText>(l, U16(f, "text"), f.Rect("rect"));
     }},
    {kDrawPict, [](const RecordFields& f, CStatementList* l) {
         return Make<CStatementDrawPict>(l, U16(f, "picture"), f.Rect("rect"), static_cast<int16_t>(f.Scalar("selector")));
     }},
    {kDrawRect, [](const RecordFields& f, CStatementList* l) {
         return Make<CStatementDrawRect>(l, f.Rect("rect"), Colour(f), U16(f, "width"));
     }},
    {kDrawLine, [](const RecordFields& f, CStatementList* l) {
         return Make<CStatementDrawLine>(l, f.Rect("line"), Colour(f), U16(f, "width"));
     }},
    {kDelay, [](const RecordFields& f, CStatementList* l) { return Make<CStatementDelay>(l, U16(f, "ms")); }},
    {kUpdate, [](const RecordFields& f, CStatementList* l) { return Make<CStatementUpdate>(l, f.Rect("rect")); }},
    {kCycle, [](const RecordFields& f, CStatementList* l) { return Make<CStatementCycle>(l, U16(f, "count")); }},
    {kNew, [](const RecordFields& f, CStatementList* l) { return Make<CStatementNew>(l, U16(f, "script")); }},
    {kNop, [](const RecordFields&, CStatementList* l) { return Make<CStatementNOP>(l); }},
    {kEnd, [](const RecordFields&, CStatementList* l) { return Make<CStatementEnd>(l); }},
    {kTile, [](const RecordFields& f, CStatementList* l) {
         return Make<CStatementTile>(l, U16(f, "picture"), f.Rect("rect"));
     }},
    {kRectFill, [](const RecordFields& f, CStatementList* l) {
         return Make<CStatementRectFill>(l, f.Rect("rect"), Colour(f));
     }},
};

constexpr bool FollowsOpcodeTable()
{
    if (std::size(kStatementKinds) != std::size(kOpcodes))
        return false;
    for (size_t i = 0; i < std::size(kOpcodes); ++i)
        if (kStatementKinds[i].opcode != kOpcodes[i].opcode)
            return false;
    return true;
}
static_assert(FollowsOpcodeTable());
} // namespace

std::unique_ptr<CStatement> CreateStatement(const RecordView& record, CStatementList* list)
{
    if (!record.op)
        return nullptr;
    const auto row = size_t(record.op - std::data(kOpcodes));
    if (row >= std::size(kStatementKinds))
        return nullptr;
    return kStatementKinds[row].make(RecordFields(record), list);
}
