#pragma once
#include "CTargetDC.h"

#include <QImage>

/// A target that is a plain image (tests, the headless renderer): copies
/// land in an RGB32 image of the given size, which starts white.
class CImageDC : public CTargetDC {
public:
    explicit CImageDC(const QSize& size);

    QRect ClientRect() const override;
    /// The whole image: an image always accepts a full repaint.
    bool GetClipBox(QRect* box) const override;
    void CopyFrom(const QImage& source, const QRect& rect, const QRegion& exclude) override;

    const QImage& Image() const { return m_image; }
    /// How many copies reached this target (each CopyFrom call counts once).
    int CopyCount() const { return m_copyCount; }

private:
    QImage m_image;
    int m_copyCount = 0;
};
