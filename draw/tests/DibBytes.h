#pragma once
// Packs a DIB resource the way a resource compiler stores it: a 40-byte
// BITMAPINFOHEADER, the colour table as blue, green, red, 0 quadruples, then
// the rows exactly as given (in stored order), each padded to four bytes.
// The pixel bytes themselves are written out by hand in every test.
#include <cstdint>
#include <vector>

namespace dib {

inline void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

/// `colours` are 0xRRGGBB values; `rows` are the stored rows, unpadded.
inline std::vector<uint8_t> Make(int32_t width, int32_t height, uint16_t bitCount,
                                 const std::vector<uint32_t>& colours,
                                 const std::vector<std::vector<uint8_t>>& rows,
                                 uint32_t coloursUsed = 0)
{
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));
    Put16(out, 1);
    Put16(out, bitCount);
    Put32(out, 0); // BI_RGB
    Put32(out, 0);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, coloursUsed);
    Put32(out, 0);
    for (uint32_t c : colours) {
        out.push_back(uint8_t(c));       // blue
        out.push_back(uint8_t(c >> 8));  // green
        out.push_back(uint8_t(c >> 16)); // red
        out.push_back(0);
    }
    for (const auto& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        while ((out.size() - 40 - 4 * colours.size()) % 4 != 0)
            out.push_back(0);
    }
    return out;
}

} // namespace dib
