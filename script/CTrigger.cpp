#include "CTrigger.h"

#include "CDrawX.h"
#include "CTriggerList.h"
#include "CXRGN.h"

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

CTrigger::~CTrigger()
{
    for (CXRECT* r = m_hotRects.GetFirst(); r; r = m_hotRects.GetNext())
        delete r;
    m_scripts.DeleteAll();
    if (m_region) {
        m_region->Destroy();
        delete m_region;
    }
}

bool CTrigger::Init(const TriggerView& record, CDrawX* draw)
{
    m_draw = draw;
    m_hotRects.SetLastResult(false);
    m_scripts.SetDraw(draw);
    m_region = new CXRGN;
    if (!m_region->Create())
        return false;
    m_mainScriptId = record.script;
    m_scripts.Start(m_mainScriptId);
    for (const Formats::Rect32& rect : record.rects)
        m_hotRects.AddTail(new CXRECT{rect.left, rect.top, rect.right, rect.bottom});
    return true;
}

bool CTrigger::Run()
{
    if (m_draw)
        m_draw->SetOwnerRegion(m_region);
    return m_scripts.RunAll();
}

const QRegion* CTrigger::GetRgn() const
{
    return m_region ? m_region->GetRgn() : nullptr;
}

void CTrigger::Reset()
{
    m_state = kArmed;
    m_scripts.DeleteAll();
    m_scripts.Start(m_mainScriptId);
    if (m_region)
        m_region->SetEmpty();
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

CTrigger* CreateTrigger(int16_t kind, CTriggerList* list)
{
    switch (kind) {
    case kContinuous: return new CTriggerContinuous(list);
    case kBackground: return new CTriggerBackground(list);
    case kMouseOver: return new CTriggerMouseOver(list);
    case kMouseUp: return new CTriggerMouseUp(list);
    case kMouseDown: return new CTriggerMouseDown(list);
    case kMouseClick: return new CTriggerMouseClick(list);
    default: return nullptr;
    }
}
