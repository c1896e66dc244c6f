#include "CXRGN.h"

namespace {

// Where a region starts before anything is added to it.
constexpr QRect kInitialRegionRect(0, 0, 620, 480);

} // namespace

bool CXRGN::Create()
{
    m_region = QRegion(kInitialRegionRect);
    m_created = true;
    return true;
}

void CXRGN::AddRect(const RECT* rect)
{
    if (!rect || rect->IsEmpty() || !m_created)
        return;
    if (m_empty) {
        m_region = QRegion(rect->ToQRect());
        m_empty = false;
    } else {
        m_region += rect->ToQRect();
    }
}

void CXRGN::AddRgn(const QRegion* region)
{
    if (!region || !m_created)
        return;
    if (m_empty) {
        m_region = *region;
        m_empty = false;
    } else {
        m_region += *region;
    }
}

bool CXRGN::RectIn(const RECT* rect) const
{
    if (m_empty || !m_created || !rect || rect->IsEmpty())
        return false;
    return m_region.intersects(rect->ToQRect());
}

bool CXRGN::PtIn(const POINT* point) const
{
    if (m_empty || !m_created || !point)
        return false;
    return m_region.contains(QPoint(point->x, point->y));
}
