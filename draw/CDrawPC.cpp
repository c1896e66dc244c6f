#include "CDrawPC.h"

#include "CContentResource.h"
#include "CTargetDC.h"
#include "CXRGN.h"
#include "ContentModule.h"
#include "Picture.h"
#include "StyleFont.h"
#include "Windows1252.h"

#include <QFontMetrics>
#include <QLoggingCategory>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>

Q_LOGGING_CATEGORY(lcDraw, "ovantis.draw", QtWarningMsg)

namespace {

// Decoded pictures kept per context; the cache starts over beyond this.
constexpr qint64 kPictureCacheBytes = 64 * 1024 * 1024;
// Larger client areas are refused rather than allocated.
constexpr int kMaxBufferSide = 16384;
constexpr uint16_t kLeftButton = 0x0001;
constexpr int kMouseCoordBits = 24;
constexpr int kMouseCoordMax = (1 << (kMouseCoordBits - 1)) - 1;
// Positions further out than this are never inside the buffer; text and
// picture arithmetic stays well inside int (and Qt's fixed point) below it.
constexpr int64_t kFarCoord = 1 << 24;

QRgb ToRgb(COLORREF c)
{
    return qRgb(kRed(c), kGreen(c), kBlue(c));
}

int SignExtend24(uint64_t v)
{
    const auto u = static_cast<uint32_t>(v & 0xFFFFFF);
    return (u & 0x800000) ? static_cast<int>(u | 0xFF000000u) : static_cast<int>(u);
}

} // namespace

RECT OutlineBox(const RECT& rect, uint16_t penWidth)
{
    const auto x1 = static_cast<int16_t>(rect.left), x2 = static_cast<int16_t>(rect.right);
    const auto y1 = static_cast<int16_t>(rect.top), y2 = static_cast<int16_t>(rect.bottom);
    const auto w = static_cast<int16_t>(penWidth);
    const int16_t minX = std::min(x1, x2), maxX = std::max(x1, x2);
    const int16_t minY = std::min(y1, y2), maxY = std::max(y1, y2);
    RECT box;
    box.left = minX > w ? static_cast<int16_t>(minX - w) : 0;
    box.top = minY > w ? static_cast<int16_t>(minY - w) : 0;
    box.right = static_cast<int16_t>(maxX + w);
    box.bottom = static_cast<int16_t>(maxY + w);
    return box;
}

CDrawPC::CDrawPC(CTargetDC* target, const QRegion* controlsRegion, Clock clock)
    : CDrawX(target), m_controlsRegion(controlsRegion), m_clock(std::move(clock))
{
}

bool CDrawPC::Create()
{
    RECT bounds;
    GetBounds(&bounds);
    if (bounds.IsEmpty() || bounds.right > kMaxBufferSide || bounds.bottom > kMaxBufferSide
        || bounds.right <= 0 || bounds.bottom <= 0) {
        qCDebug(lcDraw) << "create: unusable client area";
        return false;
    }

    CContentResource paletteBitmap;
    if (!paletteBitmap.Load(ResId::kPaletteBitmap, ResName(kRtBitmap))) {
        qCDebug(lcDraw) << "create: no palette bitmap" << ResId::kPaletteBitmap;
        return false;
    }
    const uint8_t* bytes = paletteBitmap.Lock();
    m_palette = CreateDIBPalette(std::span<const uint8_t>(bytes, bytes ? paletteBitmap.size : 0));
    paletteBitmap.Unlock();

    m_offscreen = QImage(bounds.right, bounds.bottom, QImage::Format_RGB32);
    if (m_offscreen.isNull())
        return false;
    m_offscreen.fill(Qt::white);
    // A new buffer has no clip selected into it.
    m_dcClip.reset();

    m_clipRegion = std::make_unique<CXRGN>();
    m_dirtyRegion = std::make_unique<CXRGN>();
    if (!m_clipRegion->Create() || !m_dirtyRegion->Create())
        return false;
    AddClipRect(&bounds);
    return true;
}

void CDrawPC::SetDC(CTargetDC* dc)
{
    m_targetDC = dc;
}

void CDrawPC::ClearDirty()
{
    if (m_dirtyRegion)
        m_dirtyRegion->SetEmpty();
}

void CDrawPC::AddDirtyRect(const RECT* rect)
{
    if (m_ownerRegion)
        m_ownerRegion->AddRect(rect);
    if (m_dirtyRegion)
        m_dirtyRegion->AddRect(rect);
}

bool CDrawPC::IsDirty(const RECT* rect)
{
    return m_dirtyRegion && m_dirtyRegion->RectIn(rect);
}

bool CDrawPC::IsDirtyEmpty()
{
    return !m_dirtyRegion || m_dirtyRegion->IsEmpty();
}

void CDrawPC::ClearClip()
{
    if (m_clipRegion)
        m_clipRegion->SetEmpty();
}

void CDrawPC::AddClipRgn(const QRegion* region)
{
    if (m_clipRegion)
        m_clipRegion->AddRgn(region);
}

void CDrawPC::AddClipRect(const RECT* rect)
{
    if (m_clipRegion)
        m_clipRegion->AddRect(rect);
}

bool CDrawPC::RectVisible(const RECT* rect)
{
    return m_clipRegion && m_clipRegion->RectIn(rect);
}

bool CDrawPC::PtVisible(const POINT* point)
{
    return m_clipRegion && m_clipRegion->PtIn(point);
}

bool CDrawPC::IsClipEmpty()
{
    return !m_clipRegion || m_clipRegion->IsEmpty();
}

QImage* CDrawPC::GetOffscreenDC()
{
    return m_offscreen.isNull() ? nullptr : &m_offscreen;
}

RECT* CDrawPC::GetBounds(RECT* bounds)
{
    if (m_bounds.IsEmpty() && m_targetDC)
        m_bounds = RECT::FromQRect(m_targetDC->ClientRect());
    if (bounds)
        *bounds = m_bounds;
    return bounds;
}

void CDrawPC::SetOwnerRegion(CXRGN* region)
{
    m_ownerRegion = region;
}

uint32_t CDrawPC::GetTicks()
{
    return m_clock ? m_clock() : SystemTicks();
}

uint32_t CDrawPC::SystemTicks()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1'000'000;
    return static_cast<uint32_t>(ms);
}

uint64_t CDrawPC::PackMouse(uint16_t flags, int x, int y)
{
    const int cx = std::clamp(x, -kMouseCoordMax - 1, kMouseCoordMax);
    const int cy = std::clamp(y, -kMouseCoordMax - 1, kMouseCoordMax);
    return (uint64_t{flags} << 48) | ((uint64_t(uint32_t(cx)) & 0xFFFFFF) << 24)
        | (uint64_t(uint32_t(cy)) & 0xFFFFFF);
}

void CDrawPC::SetMouse(uint16_t flags, int x, int y)
{
    m_mouse.store(PackMouse(flags, x, y), std::memory_order_release);
}

uint16_t CDrawPC::GetMouseFlags() const
{
    return static_cast<uint16_t>(m_mouse.load(std::memory_order_acquire) >> 48);
}

POINT* CDrawPC::GetMousePos(POINT* point)
{
    const uint64_t v = m_mouse.load(std::memory_order_acquire);
    if (point) {
        point->x = SignExtend24(v >> 24);
        point->y = SignExtend24(v);
    }
    return point;
}

bool CDrawPC::IsButtonDown()
{
    return (GetMouseFlags() & kLeftButton) != 0;
}

bool CDrawPC::IsButtonUp()
{
    return (GetMouseFlags() & kLeftButton) == 0;
}

void CDrawPC::ShowRegion(CXRGN* region)
{
    if (!region || region->IsEmpty() || !region->GetRgn())
        return;
    const RECT box = RECT::FromQRect(region->GetRgn()->boundingRect());
    ShowRect(&box);
}

void CDrawPC::ShowRect(const RECT* rect)
{
    if (!rect || rect->IsEmpty() || !m_targetDC || m_offscreen.isNull())
        return;
    m_targetDC->CopyFrom(m_offscreen, rect->ToQRect(), m_controlsRegion ? *m_controlsRegion : QRegion());
}

void CDrawPC::Flush()
{
    ShowRegion(m_dirtyRegion.get());
    ClearDirty();
}

template <typename F> void CDrawPC::ForEachDrawable(const QRect& area, F&& fn)
{
    const QRect inside = area & m_offscreen.rect();
    if (inside.isEmpty())
        return;
    if (!m_dcClip) {
        fn(inside);
        return;
    }
    for (const QRect& part : *m_dcClip) {
        const QRect r = part & inside;
        if (!r.isEmpty())
            fn(r);
    }
}

QImage CDrawPC::Picture(uint16_t id)
{
    std::shared_ptr<const ContentModule> module = ContentLibrary::Get();
    if (module != m_cacheModule) {
        m_pictureCache.clear();
        m_cacheBytes = 0;
        m_cacheModule = module;
    }
    if (!module)
        return {};
    if (auto it = m_pictureCache.find(id); it != m_pictureCache.end())
        return it->second;
    const QImage picture = LoadPicture(module.get(), ResName(id));
    if (m_cacheBytes + picture.sizeInBytes() > kPictureCacheBytes) {
        m_pictureCache.clear();
        m_cacheBytes = 0;
    }
    m_cacheBytes += picture.sizeInBytes();
    m_pictureCache.emplace(id, picture);
    return picture;
}

void CDrawPC::Blit(const QImage& picture, QPoint at, const QRect& limit, std::optional<QRgb> key)
{
    const QRect target = QRect(at, picture.size()) & limit;
    ForEachDrawable(target, [&](const QRect& r) {
        const int sx = r.left() - at.x();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(y - at.y())) + sx;
            auto* dst = reinterpret_cast<QRgb*>(m_offscreen.scanLine(y)) + r.left();
            if (!key) {
                std::copy(src, src + r.width(), dst);
                continue;
            }
            for (int x = 0; x < r.width(); ++x) {
                if ((src[x] | 0xFF000000u) != *key)
                    dst[x] = src[x];
            }
        }
    });
}

bool CDrawPC::DrawPicture(const RECT* rect, uint16_t pictureId, int16_t selector)
{
    if (!rect || m_offscreen.isNull())
        return false;
    if ((rect->right != 0 || rect->bottom != 0) && !RectVisible(rect))
        return false;
    const QImage picture = Picture(pictureId);
    if (picture.isNull())
        return false;
    // Far beyond any client area: nothing could show, and the picture
    // rectangle must not overflow.
    if (std::abs(int64_t{rect->left}) > kFarCoord || std::abs(int64_t{rect->top}) > kFarCoord)
        return false;
    // One pixel wider and taller than the picture, as the window has always
    // been refreshed.
    const RECT box{rect->left, rect->top, rect->left + picture.width() + 1, rect->top + picture.height() + 1};
    if (!RectVisible(&box))
        return false;
    // Pictures are loaded into the display's format whatever their bit
    // count (a one-bit picture only stays one bit on a one-bit display), so
    // every selector that names a corner makes its colour transparent.
    std::optional<QRgb> key;
    if (selector != -1)
        key = GetKeyColor(picture, selector);
    Blit(picture, QPoint(rect->left, rect->top), m_offscreen.rect(), key);
    AddDirtyRect(&box);
    return true;
}

void CDrawPC::FillArea(const QRect& area, QRgb colour)
{
    ForEachDrawable(area, [&](const QRect& r) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* dst = reinterpret_cast<QRgb*>(m_offscreen.scanLine(y)) + r.left();
            std::fill(dst, dst + r.width(), colour);
        }
    });
}

void CDrawPC::ThinLine(QPoint from, QPoint to, QRgb colour)
{
    // Steps along the longer axis, rounding the other to the nearest pixel;
    // the end point itself is left out. Only steps that can land in the
    // buffer are walked, so far-away end points cost nothing.
    const int64_t dx = int64_t(to.x()) - from.x(), dy = int64_t(to.y()) - from.y();
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t steps = xMajor ? std::llabs(dx) : std::llabs(dy);
    if (steps == 0)
        return;
    const int64_t major0 = xMajor ? from.x() : from.y();
    const int64_t minor0 = xMajor ? from.y() : from.x();
    const int64_t majorDir = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t minorDelta = xMajor ? dy : dx;
    const int64_t majorLimit = xMajor ? m_offscreen.width() : m_offscreen.height();

    // Steps i in [first, last) with major0 + majorDir * i inside [0, majorLimit).
    int64_t first = 0, last = steps;
    if (majorDir > 0) {
        first = std::max<int64_t>(first, -major0);
        last = std::min<int64_t>(last, majorLimit - major0);
    } else {
        first = std::max<int64_t>(first, major0 - (majorLimit - 1));
        last = std::min<int64_t>(last, major0 + 1);
    }
    // i and minorDelta each reach 2^32 across the 32-bit plane, so their
    // product needs more than 64 bits.
    using Wide = __int128;
    const Wide twoSteps = Wide{2} * steps;
    for (int64_t i = first; i < last; ++i) {
        const Wide num = Wide{2} * i * minorDelta + steps;
        const auto offset = static_cast<int64_t>(num >= 0 ? num / twoSteps : -((-num + twoSteps - 1) / twoSteps));
        const int64_t major = major0 + majorDir * i;
        const int64_t minor = minor0 + offset;
        const int64_t x = xMajor ? major : minor, y = xMajor ? minor : major;
        if (x < 0 || y < 0 || x >= m_offscreen.width() || y >= m_offscreen.height())
            continue;
        const QPoint p{static_cast<int>(x), static_cast<int>(y)};
        if (m_dcClip && !m_dcClip->contains(p))
            continue;
        reinterpret_cast<QRgb*>(m_offscreen.scanLine(p.y()))[p.x()] = colour;
    }
}

void CDrawPC::WideLine(QPoint from, QPoint to, int width, QRgb colour)
{
    // A round-capped stroke: pixels whose centre lies within half the width
    // of the segment. Even widths sample half a pixel further, so the
    // stroke covers exactly `width` pixels across.
    const double half = width / 2.0;
    const double shift = (width % 2 == 0) ? 0.5 : 0.0;
    const double ax = from.x(), ay = from.y(), bx = to.x(), by = to.y();
    const double vx = bx - ax, vy = by - ay;
    const double length2 = vx * vx + vy * vy;
    // The stroke's box, in 64 bits and cut to the buffer before it becomes
    // a QRect, so far-away end points cannot overflow.
    const int64_t reach = width / 2 + 1;
    const int64_t left = std::max<int64_t>(std::min(from.x(), to.x()) - reach, 0);
    const int64_t top = std::max<int64_t>(std::min(from.y(), to.y()) - reach, 0);
    const int64_t right = std::min<int64_t>(std::max(from.x(), to.x()) + reach, m_offscreen.width() - 1);
    const int64_t bottom = std::min<int64_t>(std::max(from.y(), to.y()) + reach, m_offscreen.height() - 1);
    if (left > right || top > bottom)
        return;
    const QRect box{QPoint(int(left), int(top)), QPoint(int(right), int(bottom))};
    ForEachDrawable(box, [&](const QRect& r) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* dst = reinterpret_cast<QRgb*>(m_offscreen.scanLine(y));
            const double py = y + shift;
            for (int x = r.left(); x <= r.right(); ++x) {
                const double px = x + shift;
                double t = length2 > 0 ? ((px - ax) * vx + (py - ay) * vy) / length2 : 0.0;
                t = std::clamp(t, 0.0, 1.0);
                const double ex = ax + t * vx - px, ey = ay + t * vy - py;
                if (ex * ex + ey * ey <= half * half)
                    dst[x] = colour;
            }
        }
    });
}

void CDrawPC::Stroke(QPoint from, QPoint to, int width, QRgb colour)
{
    if (width <= 1)
        ThinLine(from, to, colour);
    else
        WideLine(from, to, width, colour);
}

void CDrawPC::FrameRect(const RECT* rect, const COLORREF* colour, uint16_t penWidth)
{
    if (!rect || !colour || m_offscreen.isNull() || !RectVisible(rect))
        return;
    const QRgb rgb = ToRgb(*colour);
    const int width = penWidth == 0 ? 1 : penWidth;
    const QPoint corners[5] = {{rect->left, rect->top}, {rect->right, rect->top},
                               {rect->right, rect->bottom}, {rect->left, rect->bottom},
                               {rect->left, rect->top}};
    for (int i = 0; i < 4; ++i)
        Stroke(corners[i], corners[i + 1], width, rgb);
    const RECT box = OutlineBox(*rect, penWidth);
    AddDirtyRect(&box);
}

void CDrawPC::DrawLine(const RECT* line, const COLORREF* colour, uint16_t penWidth)
{
    if (!line || !colour || m_offscreen.isNull())
        return;
    RECT box = OutlineBox(*line, penWidth);
    // A thin horizontal or vertical line has a box with no area, which no
    // region test would ever find visible; give it the row or column the
    // line covers.
    if (box.left == box.right)
        box.right = box.left + 1;
    if (box.top == box.bottom)
        box.bottom = box.top + 1;
    if (!RectVisible(&box))
        return;
    Stroke(QPoint(line->left, line->top), QPoint(line->right, line->bottom), penWidth, ToRgb(*colour));
    AddDirtyRect(&box);
}

QString CDrawPC::ProductVersion()
{
    return QStringLiteral(OVANTIS_PRODUCT_VERSION);
}

void CDrawPC::DrawText(POINT* pen, const char* text, const uint8_t* style, uint16_t length)
{
    if (!pen || !text || !style || length == 0 || m_offscreen.isNull())
        return;
    QString string;
    if (length >= 2 && text[0] == '\\' && (text[1] == 'V' || text[1] == 'v'))
        string = ProductVersion();
    else
        string = FromWindows1252(std::string_view(text, length));

    const QFont font = StyleFont(style);
    if (std::abs(int64_t{pen->x}) <= kFarCoord && std::abs(int64_t{pen->y}) <= kFarCoord) {
        QPainter painter(&m_offscreen);
        if (m_dcClip)
            painter.setClipRegion(*m_dcClip);
        painter.setFont(font);
        painter.setPen(QColor(ToRgb(StyleColour(style))));
        painter.drawText(QPoint(pen->x, pen->y), string);
    }
    const int64_t x = int64_t{pen->x} + QFontMetrics(font).horizontalAdvance(string);
    pen->x = static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
}

void CDrawPC::TilePicture(const RECT* rect, uint16_t pictureId)
{
    if (!rect || m_offscreen.isNull())
        return;
    RECT area = *rect;
    if (area.IsEmpty())
        area = RECT::FromQRect(m_dcClip ? m_dcClip->boundingRect() : m_offscreen.rect());
    if (!RectVisible(&area))
        return;
    const QRect clipBox = m_clipRegion->GetRgn() ? m_clipRegion->GetRgn()->boundingRect() : QRect();
    const QRect c = area.ToQRect() & clipBox;
    const QImage picture = Picture(pictureId);
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return;

    // Only tiles that meet the buffer are walked.
    const QRect walk = c & m_offscreen.rect();
    if (!walk.isEmpty()) {
        const int64_t w = picture.width(), h = picture.height();
        const int64_t left = area.left, top = area.top;
        const int64_t firstX = left + std::max<int64_t>(0, (walk.left() - left) / w) * w;
        const int64_t firstY = top + std::max<int64_t>(0, (walk.top() - top) / h) * h;
        const int64_t endX = std::min<int64_t>(area.right, int64_t(walk.right()) + 1);
        const int64_t endY = std::min<int64_t>(area.bottom, int64_t(walk.bottom()) + 1);
        for (int64_t x = firstX; x < endX; x += w) {
            for (int64_t y = firstY; y < endY; y += h)
                Blit(picture, QPoint(int(x), int(y)), walk, std::nullopt);
        }
    }
    const RECT dirty = RECT::FromQRect(c);
    AddDirtyRect(&dirty);
}

void CDrawPC::FillRect(const RECT* rect, const COLORREF* colour)
{
    if (!rect || !colour || m_offscreen.isNull() || rect->IsEmpty())
        return;
    FillArea(rect->ToQRect(), ToRgb(*colour));
    AddDirtyRect(rect);
}

void CDrawPC::SetClip(const QRegion* region)
{
    ClearClip();
    m_dcClip.reset();
    if (region) {
        AddClipRgn(region);
        if (m_clipRegion && m_clipRegion->GetRgn())
            m_dcClip = *m_clipRegion->GetRgn();
    } else {
        RECT bounds;
        GetBounds(&bounds);
        AddClipRect(&bounds);
    }
}
