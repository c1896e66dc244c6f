#pragma once
#include "CTargetDC.h"

#include <QSize>
#include <QTransform>

class QPainter;

/// A printer page: the view's logical page (640 x 480 unless given)
/// scaled to fit the painter's device, keeping its aspect ratio, centred.
/// Works on any paged device drawn through QPainter (QPrinter, QPdfWriter).
class CPrinterDC : public CTargetDC {
public:
    /// The view's client area, the default logical page.
    static constexpr QSize kViewSize{640, 480};

    /// `painter` (borrowed) must be active on the page's device; its own
    /// transform, if any, is applied after the page mapping. An empty
    /// `logicalPage` means kViewSize.
    explicit CPrinterDC(QPainter* painter, const QSize& logicalPage = kViewSize);

    /// The logical page, origin (0, 0).
    QRect ClientRect() const override;
    /// The whole logical page: a printed page is always drawn in full.
    bool GetClipBox(QRect* box) const override;
    /// Draws `rect` of `source` (clipped to the logical page, less `exclude`)
    /// onto the page through the mapping.
    void CopyFrom(const QImage& source, const QRect& rect, const QRegion& exclude) override;

private:
    QPainter* m_painter;
    QSize m_logicalPage;
    // Logical page coordinates to device coordinates; identity when the
    // painter has no device.
    QTransform m_pageTransform;
};
