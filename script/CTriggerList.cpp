#include "CTriggerList.h"

#include "CDrawX.h"
#include "CTrigger.h"

using namespace Formats::Trigger;

namespace {
// MouseOver and MouseDown keep running (and keep their drawing) while their
// condition holds.
bool HeldWhileTrue(int kind)
{
    return kind == kMouseOver || kind == kMouseDown;
}
} // namespace

bool CTriggerList::Tick()
{
    // Finishing walk: give finished triggers' areas back to the background
    // and arm them again.
    for (CTrigger* t = GetFirst(); t; t = GetNext()) {
        if (t->GetState() != CTrigger::kFinishing)
            continue;
        const int kind = t->GetKind();
        if (kind == kBackground)
            continue;
        if (HeldWhileTrue(kind) && t->Test())
            continue;
        t->RepaintBackground(t->GetRgn());
        Find(t);
        t->Restart();
    }
    // Running walk.
    for (CTrigger* t = GetFirst(); t; t = GetNext()) {
        if (t->GetState() != CTrigger::kRunning)
            continue;
        const bool ran = t->Run();
        const bool test = t->Test();
        if (!ran || (HeldWhileTrue(t->GetKind()) && !test))
            t->Advance();
    }
    // Arming walk.
    for (CTrigger* t = GetFirst(); t; t = GetNext()) {
        if (t->GetState() != CTrigger::kArmed)
            continue;
        const int kind = t->GetKind();
        if (kind == kContinuous || kind == kBackground || t->Test())
            t->Advance();
    }
    return true;
}

void CTriggerList::RepaintBackground(const QRegion* region)
{
    if (!region || !m_draw || m_repainting)
        return;
    m_repainting = true;
    m_draw->SetClip(region);
    for (CTrigger* t = GetFirst(); t; t = GetNext()) {
        if (t->GetKind() == kBackground) {
            t->Restart();
            t->Run();
        }
    }
    m_draw->SetClip(nullptr);
    m_repainting = false;
}

void CTriggerList::RepaintFor(CTrigger* trigger, const QRegion* region)
{
    RepaintBackground(region);
    Find(trigger);
}
