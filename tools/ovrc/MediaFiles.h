#pragma once
#include "formats/DibFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

/// What a packed DIB (BITMAPINFOHEADER, colour table, bits) holds.
struct DibInfo {
    Formats::Dib::Header header;
    uint32_t colours = 0;  ///< entries in the colour table
    size_t bitsOffset = 0; ///< where the pixel bits start in the DIB
};

/// Checks that the bytes are a whole packed DIB the drawing surface can
/// draw (Formats::Dib::WhyUndrawable), with one plane, and a colour table
/// and pixel bits that lie inside the bytes. Nullopt with *error set
/// otherwise.
std::optional<DibInfo> InspectPackedDib(std::span<const uint8_t> dib, std::string* error);

/// The packed DIB of a BMP file: the file without its 14-byte file header.
/// The file's pixel offset must point right behind the colour table, where
/// a packed DIB keeps its bits.
std::optional<std::vector<uint8_t>> PackedDibFromBmpFile(std::span<const uint8_t> file,
                                                         std::string* error);

/// The BMP file for a packed DIB (the inverse of PackedDibFromBmpFile).
std::vector<uint8_t> BmpFileFromPackedDib(std::span<const uint8_t> dib, const DibInfo& info);

/// Checks a RIFF WAVE image with the wave player's own reading
/// (Formats::Wave::Read and WhyUnplayable). Empty when good, else why not.
std::string CheckWaveImage(std::span<const uint8_t> bytes);
