#pragma once
#include "DrawTypes.h"

#include <QRegion>

/// Region wrapper used for clip, dirty, trigger and Update regions. The
/// empty flag alone says whether the region is empty: while it is set the
/// region keeps stale content that the next addition overwrites, and every
/// query answers "outside".
class CXRGN {
public:
    CXRGN() = default;

    /// The region starts as (0, 0)-(620, 480); the flag stays empty.
    bool Create();
    void SetEmpty() { m_empty = true; }
    void AddRect(const RECT* rect);
    void AddRgn(const QRegion* region);
    bool IsEmpty() const { return m_empty; }
    bool RectIn(const RECT* rect) const;
    bool PtIn(const POINT* point) const;
    /// The region whatever the flag says.
    const QRegion* GetRgn() const { return m_created ? &m_region : nullptr; }

private:
    bool m_empty = true;
    bool m_created = false;
    QRegion m_region;
};
