#pragma once
#include "CSList.h"

#include <QRegion>

class CDrawX;
class CTrigger;

/// A topic's triggers in run order (Background triggers first). The list
/// does not own its triggers; the topic keeps them.
class CTriggerList : public CSList<CTrigger> {
public:
    /// One engine tick: the finishing, running and arming walks.
    bool Tick();
    /// Background triggers redraw once, clipped to the region.
    void RepaintBackground(const QRegion* region);
    /// RepaintBackground, then the cursor back on `trigger`.
    void RepaintFor(CTrigger* trigger, const QRegion* region);

    void SetDraw(CDrawX* draw) { m_draw = draw; }

private:
    CDrawX* m_draw = nullptr;
    // A background script's Update reaches RepaintBackground again while it
    // runs; the nested call is dropped so the repaint cannot recurse.
    bool m_repainting = false;
};
