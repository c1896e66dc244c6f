#include "CImageDC.h"

#include <QRegion>

#include <cstring>

CImageDC::CImageDC(const QSize& size) : m_image(size, QImage::Format_RGB32)
{
    m_image.fill(Qt::white);
}

QRect CImageDC::ClientRect() const
{
    return m_image.rect();
}

bool CImageDC::GetClipBox(QRect* box) const
{
    if (!box || m_image.isNull())
        return false;
    *box = m_image.rect();
    return true;
}

void CImageDC::CopyFrom(const QImage& source, const QRect& rect, const QRegion& exclude)
{
    ++m_copyCount;
    if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32)
        return;
    const QRect area = rect & m_image.rect() & source.rect();
    if (area.isEmpty())
        return;
    const QRegion region = QRegion(area).subtracted(exclude);
    for (const QRect& r : region) {
        const size_t bytes = size_t(r.width()) * sizeof(QRgb);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            std::memcpy(reinterpret_cast<QRgb*>(m_image.scanLine(y)) + r.left(),
                        reinterpret_cast<const QRgb*>(source.constScanLine(y)) + r.left(), bytes);
        }
    }
}
