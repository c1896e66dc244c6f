#pragma once
#include "CDrawX.h"

#include <QImage>
#include <QList>
#include <QRegion>
#include <QRgb>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

class ContentModule;

/// The drawing context of one played topic: an RGB32 off-screen buffer the
/// size of the target's client area (white when created), clip and dirty
/// regions, the palette of bitmap 253, the latest mouse state and the
/// millisecond clock. Drawing happens under the caller's drawing lock;
/// SetMouse may be called from another thread at any time.
class CDrawPC : public CDrawX {
public:
    /// Milliseconds, like the system tick count.
    using Clock = std::function<uint32_t()>;

    /// `controlsRegion` (borrowed, may be null) covers the view's child
    /// controls and is left out of every copy to the target. An empty
    /// `clock` means the system clock (CLOCK_BOOTTIME milliseconds).
    explicit CDrawPC(CTargetDC* target, const QRegion* controlsRegion = nullptr, Clock clock = {});

    bool Create() override;
    void SetDC(CTargetDC* dc) override;
    void ClearDirty() override;
    void AddDirtyRect(const RECT* rect) override;
    bool IsDirty(const RECT* rect) override;
    bool IsDirtyEmpty() override;
    void ClearClip() override;
    void AddClipRgn(const QRegion* region) override;
    void AddClipRect(const RECT* rect) override;
    bool RectVisible(const RECT* rect) override;
    bool PtVisible(const POINT* point) override;
    bool IsClipEmpty() override;
    QImage* GetOffscreenDC() override;
    RECT* GetBounds(RECT* bounds) override;
    void SetOwnerRegion(CXRGN* region) override;
    uint32_t GetTicks() override;
    void SetMouse(uint16_t flags, int x, int y) override;
    POINT* GetMousePos(POINT* point) override;
    bool IsButtonDown() override;
    bool IsButtonUp() override;
    void ShowRegion(CXRGN* region) override;
    void ShowRect(const RECT* rect) override;
    void Flush() override;
    bool DrawPicture(const RECT* rect, uint16_t pictureId, int16_t selector) override;
    void FrameRect(const RECT* rect, const COLORREF* colour, uint16_t penWidth) override;
    void DrawLine(const RECT* line, const COLORREF* colour, uint16_t penWidth) override;
    void DrawText(POINT* pen, const char* text, const uint8_t* style, uint16_t length) override;
    void TilePicture(const RECT* rect, uint16_t pictureId) override;
    void FillRect(const RECT* rect, const COLORREF* colour) override;
    void SetClip(const QRegion* region) override;

    /// The topic's palette (colour table of bitmap 253); empty before Create.
    const QList<QRgb>& GetPalette() const { return m_palette; }
    /// The mouse flag word as last stored.
    uint16_t GetMouseFlags() const;

    /// What "\V" draws: the program's version as three numbers.
    static QString ProductVersion();
    /// CLOCK_BOOTTIME in milliseconds, cut to 32 bits like a tick count.
    static uint32_t SystemTicks();

private:
    // Mouse flags (16 bits), x and y (24 bits each, two's complement) in one
    // word, so a reader never mixes two events.
    static uint64_t PackMouse(uint16_t flags, int x, int y);

    // The picture `id` of the loaded content library, decoded once per
    // context; null when there is no such picture.
    QImage Picture(uint16_t id);
    // Calls fn(part) for each part of `area` that drawing may touch: inside
    // the buffer and inside the clip selected into it, if any.
    template <typename F> void ForEachDrawable(const QRect& area, F&& fn);
    void Blit(const QImage& picture, QPoint at, const QRect& limit, std::optional<QRgb> key);
    void FillArea(const QRect& area, QRgb colour);
    void ThinLine(QPoint from, QPoint to, QRgb colour);
    void WideLine(QPoint from, QPoint to, int width, QRgb colour);
    void Stroke(QPoint from, QPoint to, int width, QRgb colour);

    const QRegion* m_controlsRegion;
    Clock m_clock;
    QImage m_offscreen;
    QList<QRgb> m_palette;
    RECT m_bounds;
    std::optional<QRegion> m_dcClip; // the clip selected into the buffer
    std::atomic<uint64_t> m_mouse{0};

    std::shared_ptr<const ContentModule> m_cacheModule;
    std::unordered_map<uint16_t, QImage> m_pictureCache;
    qint64 m_cacheBytes = 0;
};

/// The outline box of a frame or line: the box of the two corners widened
/// by the pen width, its left and top kept at 0 when they would reach it,
/// in 16-bit signed arithmetic.
RECT OutlineBox(const RECT& rect, uint16_t penWidth);
