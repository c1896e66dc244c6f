#include "CTrigger.h"

#include "CDrawX.h"
#include "CTriggerList.h"

using namespace Formats::Trigger;

// ---- CRectList ------------------------------------------------------------

bool CRectList::PtInList(const POINT* point)
{
    if (IsEmpty() || !point)
        return false;
    if (point->x == m_lastX && point->y == m_lastY)
        return m_lastResult;
    bool inside = false;
    for (CXRECT* r = GetFirst(); r; r = GetNext()) {
        if (r->left <= point->x && point->x < r->right && r->top <= point->y && point->y < r->bottom) {
            inside = true;
            break;
        }
    }
    m_lastX = point->x;
    m_lastY = point->y;
    m_lastResult = inside;
    return inside;
}

// ---- CTrigger -------------------------------------------------------------

CTrigger::~CTrigger() = default;

bool CTrigger::Init(const TriggerView& record, CDrawX* draw)
{
    m_draw = draw;
    m_scripts.SetDraw(draw);
    m_region = std::make_unique<CXRGN>();
    if (!m_region->Create())
        return false;
    m_mainScriptId = record.script;
    m_scripts.Start(m_mainScriptId);
    for (const Formats::Rect32& rect : record.rects) {
        m_ownedHotRects.push_back(std::make_unique<CXRECT>(CXRECT{rect.left, rect.top, rect.right, rect.bottom}));
        m_hotRects.AddTail(m_ownedHotRects.back().get());
    }
    return true;
}

CScript* CTrigger::KeepScript(std::unique_ptr<CScript> script)
{
    return m_ownedScripts.emplace_back(std::move(script)).get();
}

bool CTrigger::Run()
{
    if (m_draw)
        m_draw->SetOwnerRegion(m_region.get());
    return m_scripts.RunAll();
}

const QRegion* CTrigger::GetRgn() const
{
    return m_region ? m_region->GetRgn() : nullptr;
}

void CTrigger::Restart()
{
    if (GetKind() != kBackground)
        m_state = kArmed;
    if (CScript* main = m_scripts.GetFirst())
        main->Restart(0);
}

void CTrigger::RepaintBackground(const QRegion* region)
{
    if (m_triggerList)
        m_triggerList->RepaintFor(this, region);
}

void CTrigger::Advance()
{
    m_state = static_cast<uint16_t>((m_state + 1) % 3);
}

bool CTrigger::HitTest()
{
    if (!m_draw)
        return false;
    POINT point;
    m_draw->GetMousePos(&point);
    return m_hotRects.PtInList(&point);
}

bool CTrigger::IsMouseUp()
{
    return m_draw && m_draw->IsButtonUp();
}

bool CTrigger::IsMouseDown()
{
    return m_draw && m_draw->IsButtonDown();
}

// ---- the button kinds -----------------------------------------------------

bool CTriggerMouseDown::Test()
{
    if (!HitTest()) {
        m_seenUp = false;
        return false;
    }
    if (IsMouseUp())
        m_seenUp = true;
    if (m_seenUp && IsMouseDown()) {
        m_seenUp = false;
        return true;
    }
    return false;
}

bool CTriggerMouseUp::Test()
{
    if (!HitTest()) {
        m_seenDown = false;
        return false;
    }
    if (IsMouseDown())
        m_seenDown = true;
    if (m_seenDown && IsMouseUp()) {
        m_seenDown = false;
        return true;
    }
    return false;
}

bool CTriggerMouseClick::Test()
{
    if (!HitTest()) {
        m_seenUp = m_seenDown = false;
        return false;
    }
    if (IsMouseUp())
        m_seenUp = true;
    if (!m_seenUp)
        return false;
    if (IsMouseDown())
        m_seenDown = true;
    if (!m_seenDown)
        return false;
    if (IsMouseUp()) {
        m_seenUp = m_seenDown = false;
        return true;
    }
    return false;
}

namespace {
struct TriggerClass {
    int16_t kind;
    std::unique_ptr<CTrigger> (*make)(CTriggerList*);
};

template <typename T>
std::unique_ptr<CTrigger> Make(CTriggerList* list)
{
    return std::make_unique<T>(list);
}

// The class of each row of the kind table, in the table's order.
constexpr TriggerClass kTriggerClasses[] = {
    {kContinuous, Make<CTriggerContinuous>}, {kBackground, Make<CTriggerBackground>},
    {kMouseOver, Make<CTriggerMouseOver>},   {kMouseUp, Make<CTriggerMouseUp>},
    {kMouseDown, Make<CTriggerMouseDown>},   {kMouseClick, Make<CTriggerMouseClick>},
};

constexpr bool FollowsKindTable()
{
    if (std::size(kTriggerClasses) != std::size(kKinds))
        return false;
    for (size_t i = 0; i < std::size(kKinds); ++i)
        if (kTriggerClasses[i].kind != kKinds[i].kind)
            return false;
    return true;
}
static_assert(FollowsKindTable());
} // namespace

std::unique_ptr<CTrigger> CreateTrigger(int16_t kind, CTriggerList* list)
{
    const KindDesc* row = FindKind(kind);
    if (!row)
        return nullptr;
    return kTriggerClasses[size_t(row - std::data(kKinds))].make(list);
}
