#include "formats/StyledTextFormat.h"

namespace Formats::StyledText {

std::optional<StyleRun> DecodeRun(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kRunSize)
        return std::nullopt;
    StyleRun run;
    run.start = *ReadU32(bytes, 0);
    run.lineHeight = *ReadI16(bytes, 4);
    run.ascent = *ReadI16(bytes, 6);
    run.font = *ReadI16(bytes, 8);
    run.face = *ReadU16(bytes, 10);
    run.size = *ReadI16(bytes, 12);
    run.colour = *ReadU32(bytes, 14);
    return run;
}

std::optional<StylView> DecodeStyl(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    StylView view;
    view.count = *ReadI16(bytes, 0);
    size_t pos = kHeaderSize;
    for (int i = 0; i < view.count; ++i) {
        auto run = DecodeRun(bytes.subspan(pos));
        if (!run) {
            view.truncated = true;
            break;
        }
        view.runs.push_back(*run);
        pos += kRunSize;
    }
    view.end = pos;
    return view;
}

std::optional<std::vector<uint8_t>> EncodeStyl(std::span<const StyleRun> runs)
{
    if (runs.size() > 32767)
        return std::nullopt;
    std::vector<uint8_t> out(kHeaderSize + kRunSize * runs.size(), 0);
    WriteU16(out, 0, static_cast<uint16_t>(runs.size()));
    size_t pos = kHeaderSize;
    for (const StyleRun& run : runs) {
        std::span<uint8_t> r(out.data() + pos, kRunSize);
        WriteU32(r, 0, run.start);
        WriteU16(r, 4, static_cast<uint16_t>(run.lineHeight));
        WriteU16(r, 6, static_cast<uint16_t>(run.ascent));
        WriteU16(r, 8, static_cast<uint16_t>(run.font));
        WriteU16(r, 10, run.face);
        WriteU16(r, 12, static_cast<uint16_t>(run.size));
        WriteU32(r, 14, run.colour);
        pos += kRunSize;
    }
    return out;
}

} // namespace Formats::StyledText
