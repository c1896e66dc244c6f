#include "MediaFiles.h"

#include "ByteReader.h"

#include <cstring>

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
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0)
        return "not a RIFF file";
    if (std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return "RIFF file is not of form WAVE";
    const ByteReader in(bytes);
    const uint32_t riffSize = *in.U32(4);
    if (riffSize < 4 || riffSize > bytes.size() - 8)
        return "RIFF chunk size " + std::to_string(riffSize) + " does not match the file";
    const size_t end = 8 + size_t(riffSize);
    size_t pos = 12;
    bool haveFormat = false;
    while (pos < end) {
        if (8 > end - pos)
            return "chunk header at " + std::to_string(pos) + " runs past the RIFF chunk";
        const uint32_t size = *in.U32(pos + 4);
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
