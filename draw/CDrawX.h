#pragma once
#include "CXRGN.h"
#include "DrawTypes.h"

#include <QRegion>
#include <cstdint>
#include <memory>

class CTargetDC;
class QImage;

/// The drawing context every script statement draws through: an off-screen
/// buffer with clip and dirty regions, the mouse state the triggers test and
/// the millisecond clock the script delays use.
class CDrawX {
public:
    explicit CDrawX(CTargetDC* target) : m_targetDC(target) {}
    virtual ~CDrawX() = default;
    CDrawX(const CDrawX&) = delete;
    CDrawX& operator=(const CDrawX&) = delete;

    virtual bool Create() = 0;
    virtual void SetDC(CTargetDC* dc) = 0;
    virtual void ClearDirty() = 0;
    virtual void AddDirtyRect(const RECT* rect) = 0;
    virtual bool IsDirty(const RECT* rect) = 0;
    virtual bool IsDirtyEmpty() = 0;
    virtual void ClearClip() = 0;
    virtual void AddClipRgn(const QRegion* region) = 0;
    virtual void AddClipRect(const RECT* rect) = 0;
    virtual bool RectVisible(const RECT* rect) = 0;
    virtual bool PtVisible(const POINT* point) = 0;
    virtual bool IsClipEmpty() = 0;
    virtual QImage* GetOffscreenDC() = 0;
    virtual RECT* GetBounds(RECT* bounds) = 0;
    virtual void SetOwnerRegion(CXRGN* region) = 0;
    virtual uint32_t GetTicks() = 0;
    virtual void SetMouse(uint16_t flags, int x, int y) = 0;
    virtual POINT* GetMousePos(POINT* point) = 0;
    virtual bool IsButtonDown() = 0;
    virtual bool IsButtonUp() = 0;
    virtual void ShowRegion(CXRGN* region) = 0;
    virtual void ShowRect(const RECT* rect) = 0;
    virtual void Flush() = 0;
    virtual bool DrawPicture(const RECT* rect, uint16_t pictureId, int16_t selector) = 0;
    virtual void FrameRect(const RECT* rect, const COLORREF* colour, uint16_t penWidth) = 0;
    virtual void DrawLine(const RECT* line, const COLORREF* colour, uint16_t penWidth) = 0;
    /// `style` points at an 18-byte `styl` run.
    virtual void DrawText(POINT* pen, const char* text, const uint8_t* style, uint16_t length) = 0;
    virtual void TilePicture(const RECT* rect, uint16_t pictureId) = 0;
    virtual void FillRect(const RECT* rect, const COLORREF* colour) = 0;
    /// A region to clip to, or null for the whole client area.
    virtual void SetClip(const QRegion* region) = 0;

protected:
    CTargetDC* m_targetDC;
    std::unique_ptr<CXRGN> m_clipRegion;
    CXRGN* m_ownerRegion = nullptr; // the running trigger's
    std::unique_ptr<CXRGN> m_dirtyRegion;
};
