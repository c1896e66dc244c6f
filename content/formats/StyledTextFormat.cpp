#include "formats/StyledTextFormat.h"

namespace Formats::StyledText {

std::optional<StyleRun> DecodeRun(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kRunSize)
        return std::nullopt;
    auto field = [&](std::string_view name) { return ScalarOf(bytes, kRunFields, name); };
    StyleRun run;
    run.start = uint32_t(field("start"));
    run.lineHeight = int16_t(field("lineHeight"));
    run.ascent = int16_t(field("ascent"));
    run.font = int16_t(field("font"));
    run.face = uint16_t(field("face"));
    run.size = int16_t(field("size"));
    run.colour = uint32_t(field("colour"));
    return run;
}

std::optional<StylView> DecodeStyl(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    StylView view;
    view.count = int16_t(ScalarOf(bytes, kHeaderFields, "count"));
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
    StoreScalar(out, kHeaderFields, "count", int64_t(runs.size()));
    size_t pos = kHeaderSize;
    for (const StyleRun& run : runs) {
        std::span<uint8_t> r(out.data() + pos, kRunSize);
        StoreScalar(r, kRunFields, "start", run.start);
        StoreScalar(r, kRunFields, "lineHeight", run.lineHeight);
        StoreScalar(r, kRunFields, "ascent", run.ascent);
        StoreScalar(r, kRunFields, "font", run.font);
        StoreScalar(r, kRunFields, "face", run.face);
        StoreScalar(r, kRunFields, "size", run.size);
        StoreScalar(r, kRunFields, "colour", run.colour);
        pos += kRunSize;
    }
    return out;
}

} // namespace Formats::StyledText
