#include "CWindowSurfaceDC.h"

#include <QRegion>

#include <cstring>

CWindowSurfaceDC::CWindowSurfaceDC(const QSize& clientSize, RepaintRequest requestRepaint)
    : m_requestRepaint(std::move(requestRepaint))
{
    if (clientSize.isValid() && !clientSize.isEmpty()) {
        m_image = QImage(clientSize, QImage::Format_RGB32);
        // A failed allocation leaves a null image: an empty client area.
        if (!m_image.isNull())
            m_image.fill(Qt::white);
    }
}

QRect CWindowSurfaceDC::ClientRect() const
{
    return m_image.rect();
}

bool CWindowSurfaceDC::GetClipBox(QRect* box) const
{
    if (!box || !m_paintClip)
        return false;
    const QRect clip = *m_paintClip & m_image.rect();
    if (clip.isEmpty())
        return false;
    *box = clip;
    return true;
}

void CWindowSurfaceDC::CopyFrom(const QImage& source, const QRect& rect, const QRegion& exclude)
{
    const QRect area = rect & m_image.rect() & source.rect();
    if (area.isEmpty())
        return;
    // The drawing context's buffer is RGB32; anything else is converted
    // (only the copied part) so that rows can be copied as they stand.
    const bool direct = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32;
    const QImage converted = direct ? QImage() : source.copy(area).convertToFormat(QImage::Format_RGB32);
    const QImage& from = direct ? source : converted;
    const QPoint origin = direct ? QPoint(0, 0) : area.topLeft();

    const QRegion region = QRegion(area).subtracted(exclude);
    for (const QRect& r : region) {
        const size_t bytes = size_t(r.width()) * sizeof(QRgb);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(from.constScanLine(y - origin.y())) + (r.left() - origin.x());
            std::memcpy(reinterpret_cast<QRgb*>(m_image.scanLine(y)) + r.left(), src, bytes);
        }
    }
    if (!m_paintClip && m_requestRepaint && !region.isEmpty())
        m_requestRepaint(area);
}
