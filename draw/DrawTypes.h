#pragma once
#include <QRect>
#include <cstdint>

/// Rectangles cover left <= x < right, top <= y < bottom, in client pixels.
struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return left >= right || top >= bottom; }
    /// The same rectangle as a QRect. Coordinates are clamped to +-2^28 so
    /// that widths and region arithmetic never overflow.
    QRect ToQRect() const
    {
        const int l = Clamp(left), t = Clamp(top), r = Clamp(right), b = Clamp(bottom);
        return QRect(l, t, r - l, b - t);
    }
    static RECT FromQRect(const QRect& r)
    {
        return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    bool operator==(const RECT&) const = default;

private:
    static constexpr int32_t kCoordLimit = 1 << 28;
    static int32_t Clamp(int32_t v) { return v < -kCoordLimit ? -kCoordLimit : (v > kCoordLimit ? kCoordLimit : v); }
};

struct POINT {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const POINT&) const = default;
};

/// 0x00bbggrr: low byte red, then green, then blue.
using COLORREF = uint32_t;

inline constexpr int kRed(COLORREF c) { return static_cast<int>(c & 0xFF); }
inline constexpr int kGreen(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int kBlue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
