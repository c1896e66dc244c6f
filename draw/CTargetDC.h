#pragma once
#include <QRect>
#include <QRegion>

class QImage;

/// Where a drawing context copies what it drew: a window surface, a printer
/// page or a plain image. Copies happen under the drawing lock.
class CTargetDC {
public:
    virtual ~CTargetDC() = default;

    /// Client rectangle of the window (or page, or image) in pixels.
    virtual QRect ClientRect() const = 0;
    /// The area that needs painting now; false when there is none to give.
    virtual bool GetClipBox(QRect* box) const = 0;
    /// Copies `rect` of `source` to the same place, leaving out `exclude`.
    virtual void CopyFrom(const QImage& source, const QRect& rect, const QRegion& exclude) = 0;
};
