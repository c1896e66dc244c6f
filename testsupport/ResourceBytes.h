#pragma once
// Content records written byte by byte, little-endian, straight from the
// record layouts: independent of the engine's own format tables.
#include <cstdint>
#include <climits>
#include <initializer_list>
#include <string>
#include <vector>

struct Bytes {
    std::vector<uint8_t> b;

    Bytes& U8(uint8_t v)
    {
        b.push_back(v);
        return *this;
    }
    Bytes& U16(uint16_t v) { return U8(uint8_t(v & 0xFF)).U8(uint8_t(v >> 8)); }
    Bytes& I16(int16_t v) { return U16(uint16_t(v)); }
    Bytes& U32(uint32_t v) { return U16(uint16_t(v & 0xFFFF)).U16(uint16_t(v >> 16)); }
    Bytes& I32(int32_t v) { return U32(uint32_t(v)); }
    Bytes& Rect(int32_t l, int32_t t, int32_t r, int32_t bo) { return I32(l).I32(t).I32(r).I32(bo); }
    Bytes& Text(const std::string& s)
    {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& Add(const Bytes& other)
    {
        b.insert(b.end(), other.b.begin(), other.b.end());
        return *this;
    }
    size_t size() const { return b.size(); }
};

/// `Scrp` statement records.
namespace Rec {
inline Bytes DrawText(uint16_t id, int32_t x, int32_t y) { return Bytes().I16(1).U16(id).Rect(x, y, 0, 0); }
inline Bytes DrawPict(uint16_t id, int32_t x, int32_t y, int16_t selector = -1, int32_t r = 0, int32_t bo = 0)
{
    return Bytes().I16(2).U16(id).Rect(x, y, r, bo).I16(selector);
}
inline Bytes DrawRect(int32_t l, int32_t t, int32_t r, int32_t bo, uint32_t colour, uint16_t width)
{
    return Bytes().I16(3).Rect(l, t, r, bo).U32(colour).U16(width).U16(0xEEEE);
}
inline Bytes DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, uint16_t width)
{
    return Bytes().I16(4).Rect(x1, y1, x2, y2).U32(colour).U16(width);
}
inline Bytes Delay(uint16_t ms) { return Bytes().I16(5).U16(ms); }
inline Bytes Update(int32_t l, int32_t t, int32_t r, int32_t bo) { return Bytes().I16(6).Rect(l, t, r, bo); }
inline Bytes Cycle(uint16_t count) { return Bytes().I16(7).U16(count); }
inline Bytes New(uint16_t id) { return Bytes().I16(8).U16(id); }
inline Bytes Nop() { return Bytes().I16(9).U16(0); }
inline Bytes End() { return Bytes().I16(10).U16(0); }
inline Bytes Tile(uint16_t id, int32_t l, int32_t t, int32_t r, int32_t bo) { return Bytes().I16(11).U16(id).Rect(l, t, r, bo); }
inline Bytes RectFill(int32_t l, int32_t t, int32_t r, int32_t bo, uint32_t colour)
{
    return Bytes().I16(12).Rect(l, t, r, bo).U32(colour);
}
} // namespace Rec

/// A `Scrp` resource: two unread bytes, the count, the records.
inline std::vector<uint8_t> Scrp(std::initializer_list<Bytes> records, int count = INT_MIN)
{
    Bytes out;
    out.U16(0x5A5A).U16(uint16_t(count == INT_MIN ? int(records.size()) : count));
    for (const Bytes& r : records)
        out.Add(r);
    return out.b;
}

struct HotRect {
    int32_t l, t, r, b;
};

/// One `Trig` record: kind, script id, rectangle count, rectangles.
inline Bytes TrigRecord(int16_t kind, uint16_t script, std::initializer_list<HotRect> rects = {})
{
    Bytes out;
    out.I16(kind).U16(script).I16(int16_t(rects.size()));
    for (const HotRect& r : rects)
        out.Rect(r.l, r.t, r.r, r.b);
    return out;
}

/// A `Trig` resource: 14-byte header then the records.
inline std::vector<uint8_t> Trig(std::initializer_list<Bytes> records, int count = INT_MIN)
{
    Bytes out;
    out.U16(0).U8(0).U8(0).U32(0).Text("ABCD").I16(int16_t(count == INT_MIN ? int(records.size()) : count));
    for (const Bytes& r : records)
        out.Add(r);
    return out.b;
}

struct Run {
    uint32_t start;
    int16_t lineHeight;
    int16_t ascent;
    int16_t font;
    uint16_t face;
    int16_t size;
    uint32_t colour;
};

/// A `styl` resource: count then 18-byte runs.
inline std::vector<uint8_t> Styl(std::initializer_list<Run> runs)
{
    Bytes out;
    out.I16(int16_t(runs.size()));
    for (const Run& r : runs)
        out.U32(r.start).I16(r.lineHeight).I16(r.ascent).I16(r.font).U16(r.face).I16(r.size).U32(r.colour);
    return out.b;
}

/// An 8-bit bottom-up packed DIB: 40-byte header, `colours` table entries
/// (given as 0xRRGGBB), then rows of palette indices (top row first in
/// `rows`; stored bottom-up, each row padded to 4 bytes).
inline std::vector<uint8_t> Dib8(int width, int height, std::initializer_list<uint32_t> colours,
                                 const std::vector<std::vector<uint8_t>>& rows)
{
    Bytes out;
    const int stride = (width + 3) & ~3;
    out.U32(40).I32(width).I32(height).U16(1).U16(8).U32(0).U32(uint32_t(stride * height)).I32(2835).I32(2835)
        .U32(uint32_t(colours.size())).U32(0);
    for (uint32_t c : colours)
        out.U8(uint8_t(c & 0xFF)).U8(uint8_t((c >> 8) & 0xFF)).U8(uint8_t((c >> 16) & 0xFF)).U8(0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < stride; ++x)
            out.U8(x < width && size_t(y) < rows.size() && size_t(x) < rows[size_t(y)].size() ? rows[size_t(y)][size_t(x)] : 0);
    }
    return out.b;
}
