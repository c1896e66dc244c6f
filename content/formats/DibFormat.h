#pragma once
// Pictures: a packed DIB (BITMAPINFOHEADER, colour table, pixel rows). One
// reading of the header decides what a picture is and whether the drawing
// surface can draw it, for the programs and for the content compiler alike.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace Formats::Dib {

inline constexpr size_t kInfoHeaderSize = 40;
/// Largest picture width and height the drawing surface decodes.
inline constexpr int kMaxSide = 4096;
inline constexpr uint32_t kBiRgb = 0;

struct Header {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0; ///< negative for top-down rows
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;

    /// Rows, whichever way they run.
    uint32_t Rows() const { return height < 0 ? uint32_t(-int64_t(height)) : uint32_t(height); }
    /// Bytes of one row of pixels, padded to four bytes.
    size_t Stride() const { return (size_t(width > 0 ? width : 0) * bitCount + 31) / 32 * 4; }
    /// Colours the header announces: 1 << bits up to 8 bits, replaced by a
    /// non-zero biClrUsed (not yet cut to what the bytes hold).
    uint64_t AnnouncedColours() const
    {
        if (coloursUsed != 0)
            return coloursUsed;
        return bitCount <= 8 ? uint64_t{1} << bitCount : 0;
    }
};

/// The header fields, or nullopt when the bytes are shorter than a
/// BITMAPINFOHEADER.
std::optional<Header> ReadHeader(std::span<const uint8_t> dib);

/// Why the drawing surface cannot draw a picture with this header (held in
/// `size` bytes), or empty when it can: it takes a header of at least 40
/// bytes that lies inside the picture, 1, 4, 8 or 24 bits per pixel without
/// compression, and sides of 1 to 4096 pixels.
std::string WhyUndrawable(const Header& header, size_t size);

} // namespace Formats::Dib
