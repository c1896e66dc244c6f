#include "MediaFiles.h"

#include "formats/FieldCodec.h"

#include <cstring>

using Formats::ReadI32;
using Formats::ReadU16;
using Formats::ReadU32;

namespace {
constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;
} // namespace

std::optional<DibInfo> InspectPackedDib(std::span<const uint8_t> dib, std::string* error)
{
    auto fail = [&](const std::string& message) -> std::optional<DibInfo> {
        *error = message;
        return std::nullopt;
    };
    if (dib.size() < kInfoHeaderSize)
        return fail("shorter than a bitmap header");
    const uint32_t headerSize = *ReadU32(dib, 0);
    if (headerSize < kInfoHeaderSize || headerSize > dib.size())
        return fail("bitmap header size " + std::to_string(headerSize) + " is not supported");
    DibInfo info;
    info.width = *ReadI32(dib, 4);
    info.height = *ReadI32(dib, 8);
    const uint16_t planes = *ReadU16(dib, 12);
    info.bitCount = *ReadU16(dib, 14);
    info.compression = *ReadU32(dib, 16);
    const uint32_t sizeImage = *ReadU32(dib, 20);
    const uint32_t clrUsed = *ReadU32(dib, 32);
    if (info.width <= 0 || info.width > 32767 || info.height == 0 || info.height < -32767 ||
        info.height > 32767)
        return fail("bitmap size " + std::to_string(info.width) + " x " + std::to_string(info.height) +
                    " is out of range");
    if (planes != 1)
        return fail("bitmap has " + std::to_string(planes) + " planes");
    const uint16_t bits = info.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail("bitmap has " + std::to_string(bits) + " bits per pixel");
    const bool rle = info.compression == kBiRle8 || info.compression == kBiRle4;
    if (info.compression != kBiRgb && !rle && info.compression != kBiBitfields)
        return fail("bitmap compression " + std::to_string(info.compression) + " is not supported");
    if ((info.compression == kBiRle8 && bits != 8) || (info.compression == kBiRle4 && bits != 4) ||
        (info.compression == kBiBitfields && bits != 16 && bits != 32))
        return fail("bitmap compression does not match its bit depth");
    info.colours = bits <= 8 ? (1u << bits) : 0;
    if (clrUsed != 0)
        info.colours = clrUsed;
    if (info.colours > 256 || (bits <= 8 && info.colours > (1u << bits)))
        return fail("bitmap colour table of " + std::to_string(clrUsed) + " entries is too large");
    size_t offset = headerSize;
    if (info.compression == kBiBitfields && headerSize == kInfoHeaderSize)
        offset += 12;
    offset += 4 * size_t(info.colours);
    if (offset > dib.size())
        return fail("bitmap colour table runs past the end");
    info.bitsOffset = offset;
    const size_t rows = size_t(info.height < 0 ? -int64_t(info.height) : info.height);
    size_t needed = 0;
    if (rle) {
        needed = sizeImage;
    } else {
        const size_t stride = (size_t(info.width) * bits + 31) / 32 * 4;
        needed = stride * rows; // both factors are below 2^18, no overflow
    }
    if (needed > dib.size() - offset)
        return fail("bitmap pixels run past the end (" + std::to_string(needed) + " bytes needed, " +
                    std::to_string(dib.size() - offset) + " present)");
    return info;
}

std::optional<std::vector<uint8_t>> PackedDibFromBmpFile(std::span<const uint8_t> file,
                                                         std::string* error)
{
    if (file.size() < kBmpFileHeaderSize || file[0] != 'B' || file[1] != 'M') {
        *error = "not a BMP file";
        return std::nullopt;
    }
    std::span<const uint8_t> dib = file.subspan(kBmpFileHeaderSize);
    auto info = InspectPackedDib(dib, error);
    if (!info)
        return std::nullopt;
    const uint32_t bitsAt = *ReadU32(file, 10);
    if (bitsAt != kBmpFileHeaderSize + info->bitsOffset) {
        *error = "pixel data does not follow the colour table (offset " + std::to_string(bitsAt) +
                 ", expected " + std::to_string(kBmpFileHeaderSize + info->bitsOffset) + ")";
        return std::nullopt;
    }
    return std::vector<uint8_t>(dib.begin(), dib.end());
}

std::vector<uint8_t> BmpFileFromPackedDib(std::span<const uint8_t> dib, const DibInfo& info)
{
    std::vector<uint8_t> file(kBmpFileHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    Formats::WriteU32(file, 2, uint32_t(kBmpFileHeaderSize + dib.size()));
    Formats::WriteU32(file, 10, uint32_t(kBmpFileHeaderSize + info.bitsOffset));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

std::string CheckWaveImage(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0)
        return "not a RIFF file";
    if (std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return "RIFF file is not of form WAVE";
    const uint32_t riffSize = *ReadU32(bytes, 4);
    if (riffSize < 4 || riffSize > bytes.size() - 8)
        return "RIFF chunk size " + std::to_string(riffSize) + " does not match the file";
    const size_t end = 8 + size_t(riffSize);
    size_t pos = 12;
    bool haveFormat = false;
    while (pos < end) {
        if (8 > end - pos)
            return "chunk header at " + std::to_string(pos) + " runs past the RIFF chunk";
        const uint32_t size = *ReadU32(bytes, pos + 4);
        if (size > end - pos - 8)
            return "chunk at " + std::to_string(pos) + " runs past the RIFF chunk";
        const uint8_t* id = bytes.data() + pos;
        if (std::memcmp(id, "fmt ", 4) == 0 && !haveFormat) {
            if (size < 16)
                return "\"fmt \" chunk is shorter than 16 bytes";
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0 && haveFormat) {
            return {};
        }
        pos += 8 + size_t(size) + (size & 1);
    }
    return haveFormat ? "no \"data\" chunk after the \"fmt \" chunk" : "no \"fmt \" chunk";
}
