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
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const RECT&) const = default;
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
