#pragma once
#include "CTargetDC.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <optional>

/// The view's window surface: an RGB32 image the size of the view's client
/// area (white at first) that the user-interface thread paints from.
///
/// Locking: CopyFrom, SetPaintClip and ClearPaintClip run with the drawing
/// lock held (the tick thread through Flush, the paint handler through
/// Paint), and the paint handler reads Image() under the same lock. Nothing
/// here touches a widget: a copy made outside a paint only calls the
/// repaint request, which must merely queue `update(rect)` to the
/// user-interface thread (it runs with the lock held, so it must not wait
/// for that thread).
class CWindowSurfaceDC : public CTargetDC {
public:
    /// Called with the rectangle (client coordinates) that changed.
    using RepaintRequest = std::function<void(const QRect&)>;

    /// `clientSize` is the view's client area, fixed while a page is open.
    CWindowSurfaceDC(const QSize& clientSize, RepaintRequest requestRepaint);

    QRect ClientRect() const override;
    /// The pending paint rectangle (inside the client area); false when no
    /// paint is being handled or it lies outside the view.
    bool GetClipBox(QRect* box) const override;
    /// Copies `rect` of `source` (clipped to the view, less `exclude`) into
    /// the surface. Outside a paint it then asks for a repaint of the copied
    /// rectangle; inside one the paint handler draws the surface itself,
    /// and asking again would repaint for ever.
    void CopyFrom(const QImage& source, const QRect& rect, const QRegion& exclude) override;

    /// Marks the start of handling a paint of `clip` (under the lock).
    void SetPaintClip(const QRect& clip) { m_paintClip = clip; }
    /// Marks its end (under the lock).
    void ClearPaintClip() { m_paintClip.reset(); }

    /// The surface; read it only with the drawing lock held.
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
    RepaintRequest m_requestRepaint;
    std::optional<QRect> m_paintClip;
};
