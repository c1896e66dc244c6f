#include "formats/DibFormat.h"

#include "ByteReader.h"

namespace Formats::Dib {

std::optional<Header> ReadHeader(std::span<const uint8_t> dib)
{
    const ByteReader in(dib);
    if (!in.Has(0, kInfoHeaderSize))
        return std::nullopt;
    Header h;
    h.headerSize = *in.U32(0);
    h.width = *in.I32(4);
    h.height = *in.I32(8);
    h.planes = *in.U16(12);
    h.bitCount = *in.U16(14);
    h.compression = *in.U32(16);
    h.coloursUsed = *in.U32(32);
    return h;
}

std::string WhyUndrawable(const Header& h, size_t size)
{
    if (h.headerSize < kInfoHeaderSize || h.headerSize > size)
        return "bitmap header size " + std::to_string(h.headerSize) + " is not supported";
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24)
        return "bitmap has " + std::to_string(h.bitCount) +
               " bits per pixel; pictures are drawn from 1, 4, 8 or 24 bits per pixel";
    if (h.compression != kBiRgb)
        return "bitmap compression " + std::to_string(h.compression) +
               " is not supported; pictures are drawn from uncompressed rows";
    if (h.width <= 0 || h.width > kMaxSide || h.height == 0 || h.Rows() > uint32_t(kMaxSide))
        return "bitmap size " + std::to_string(h.width) + " x " + std::to_string(h.height) +
               " is out of range; pictures are drawn up to " + std::to_string(kMaxSide) + " x " +
               std::to_string(kMaxSide);
    return {};
}

} // namespace Formats::Dib
