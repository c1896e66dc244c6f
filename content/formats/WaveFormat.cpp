#include "formats/WaveFormat.h"

#include "ByteReader.h"

#include <cstring>

namespace Formats::Wave {

namespace {

constexpr size_t kChunkHeader = 8;
constexpr uint32_t kFormatBytes = 16;

bool IdIs(std::span<const uint8_t> bytes, size_t pos, const char* id)
{
    return std::memcmp(bytes.data() + pos, id, 4) == 0;
}

std::optional<Image> Fail(std::string* error, std::string why)
{
    if (error)
        *error = std::move(why);
    return std::nullopt;
}

} // namespace

std::optional<Image> Read(std::span<const uint8_t> bytes, std::string* error)
{
    if (bytes.size() > kMaxImageBytes)
        return Fail(error, "wave image of " + std::to_string(bytes.size()) + " bytes is over the limit of "
                               + std::to_string(kMaxImageBytes));
    const ByteReader reader(bytes);
    if (!reader.Has(0, 12) || !IdIs(bytes, 0, "RIFF"))
        return Fail(error, "not a RIFF file");
    if (!IdIs(bytes, 8, "WAVE"))
        return Fail(error, "RIFF file is not of form WAVE");
    const uint32_t riffSize = *reader.U32(4);
    if (riffSize < 4 || riffSize > bytes.size() - kChunkHeader)
        return Fail(error, "RIFF chunk size " + std::to_string(riffSize) + " does not match the file");
    const size_t end = kChunkHeader + size_t(riffSize);

    Image image;
    bool haveFormat = false;
    size_t pos = 12;
    while (pos < end) {
        if (kChunkHeader > end - pos)
            return Fail(error, "chunk header at " + std::to_string(pos) + " runs past the RIFF chunk");
        const uint32_t size = *reader.U32(pos + 4);
        if (size > end - pos - kChunkHeader)
            return Fail(error, "chunk at " + std::to_string(pos) + " runs past the RIFF chunk");
        const size_t body = pos + kChunkHeader;
        if (!haveFormat && IdIs(bytes, pos, "fmt ")) {
            if (size < kFormatBytes)
                return Fail(error, "\"fmt \" chunk is shorter than 16 bytes");
            Format& f = image.format;
            f.formatTag = *reader.U16(body);
            f.channels = *reader.U16(body + 2);
            f.samplesPerSecond = *reader.U32(body + 4);
            f.averageBytesPerSecond = *reader.U32(body + 8);
            f.blockAlign = *reader.U16(body + 12);
            f.bitsPerSample = *reader.U16(body + 14);
            haveFormat = true;
        } else if (haveFormat && IdIs(bytes, pos, "data")) {
            image.samples = bytes.subspan(body, size);
            return image;
        }
        // The pad byte of an odd chunk may be missing at the very end.
        pos = body + size_t(size) + (size & 1);
    }
    return Fail(error, haveFormat ? "no \"data\" chunk after the \"fmt \" chunk" : "no \"fmt \" chunk");
}

std::string WhyUnplayable(const Format& f)
{
    if (f.formatTag != kFormatPcm)
        return "format " + std::to_string(f.formatTag) + " is not PCM";
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        return std::to_string(f.bitsPerSample) + " bits per sample (8 or 16 play)";
    if (f.channels < 1 || f.channels > kMaxChannels)
        return std::to_string(f.channels) + " channels (1 to " + std::to_string(kMaxChannels) + " play)";
    if (f.samplesPerSecond < 1 || f.samplesPerSecond > kMaxSampleRate)
        return "sample rate " + std::to_string(f.samplesPerSecond) + " is out of range";
    if (f.blockAlign != f.channels * (f.bitsPerSample / 8))
        return "block alignment " + std::to_string(f.blockAlign) + " does not fit the channels and bits";
    return {};
}

} // namespace Formats::Wave
