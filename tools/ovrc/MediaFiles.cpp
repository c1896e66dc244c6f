#include "MediaFiles.h"

#include "ByteReader.h"
#include "formats/WaveFormat.h"

namespace {
constexpr size_t kBmpFileHeaderSize = 14;
} // namespace

std::optional<DibInfo> InspectPackedDib(std::span<const uint8_t> dib, std::string* error)
{
    auto fail = [&](const std::string& message) -> std::optional<DibInfo> {
        *error = message;
        return std::nullopt;
    };
    const auto header = Formats::Dib::ReadHeader(dib);
    if (!header)
        return fail("shorter than a bitmap header");
    if (std::string why = Formats::Dib::WhyUndrawable(*header, dib.size()); !why.empty())
        return fail(why);
    DibInfo info;
    info.header = *header;
    if (header->planes != 1)
        return fail("bitmap has " + std::to_string(header->planes) + " planes");
    const uint64_t colours = header->AnnouncedColours();
    if (header->bitCount <= 8 ? colours > (1u << header->bitCount) : colours > 256)
        return fail("bitmap colour table of " + std::to_string(header->coloursUsed) + " entries is too large");
    info.colours = uint32_t(colours);
    const size_t offset = header->headerSize + 4 * size_t(info.colours);
    if (offset > dib.size())
        return fail("bitmap colour table runs past the end");
    info.bitsOffset = offset;
    const size_t needed = header->Stride() * header->Rows(); // both below 2^17, no overflow
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
    const uint32_t bitsAt = *ByteReader(file).U32(10);
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
    ByteWriter out(file);
    out.U32(2, uint32_t(kBmpFileHeaderSize + dib.size()));
    out.U32(10, uint32_t(kBmpFileHeaderSize + info.bitsOffset));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

std::string CheckWaveImage(std::span<const uint8_t> bytes)
{
    std::string error;
    const auto image = Formats::Wave::Read(bytes, &error);
    return image ? Formats::Wave::WhyUnplayable(image->format) : error;
}
