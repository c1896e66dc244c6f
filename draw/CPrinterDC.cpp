#include "CPrinterDC.h"

#include <QImage>
#include <QLoggingCategory>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(lcDraw)

CPrinterDC::CPrinterDC(QPainter* painter, const QSize& logicalPage)
    : m_painter(painter), m_logicalPage(logicalPage.isEmpty() ? kViewSize : logicalPage)
{
    const QPaintDevice* device = m_painter ? m_painter->device() : nullptr;
    if (!device || device->width() <= 0 || device->height() <= 0) {
        qCDebug(lcDraw) << "printer page: no device to draw on";
        return;
    }
    const qreal scale = std::min(qreal(device->width()) / m_logicalPage.width(),
                                 qreal(device->height()) / m_logicalPage.height());
    const qreal dx = (device->width() - m_logicalPage.width() * scale) / 2;
    const qreal dy = (device->height() - m_logicalPage.height() * scale) / 2;
    m_pageTransform = QTransform(scale, 0, 0, scale, dx, dy);
}

QRect CPrinterDC::ClientRect() const
{
    return QRect(QPoint(0, 0), m_logicalPage);
}

bool CPrinterDC::GetClipBox(QRect* box) const
{
    if (!box)
        return false;
    *box = ClientRect();
    return true;
}

void CPrinterDC::CopyFrom(const QImage& source, const QRect& rect, const QRegion& exclude)
{
    if (!m_painter || !m_painter->isActive() || source.isNull())
        return;
    const QRect area = rect & ClientRect() & source.rect();
    if (area.isEmpty())
        return;
    const QRegion region = QRegion(area).subtracted(exclude);
    if (region.isEmpty())
        return;

    m_painter->save();
    m_painter->setWorldTransform(m_pageTransform, true);
    // Pixel art: each buffer pixel becomes a sharp block on paper.
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const QRect& r : region)
        m_painter->drawImage(r, source, r);
    m_painter->restore();
}
