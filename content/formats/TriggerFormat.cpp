#include "formats/TriggerFormat.h"

namespace Formats::Trigger {

static_assert(std::size(kKinds) == 6);

const KindDesc* FindKind(int16_t kind)
{
    if (kind < 1 || kind > static_cast<int16_t>(std::size(kKinds)))
        return nullptr;
    return &kKinds[kind - 1];
}

const KindDesc* FindKind(std::string_view name)
{
    for (const KindDesc& k : kKinds)
        if (EqualsIgnoreCase(k.name, name))
            return &k;
    return nullptr;
}

std::optional<TrigView> DecodeTrig(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    auto header = [&](std::string_view name) { return ScalarOf(bytes, kHeaderFields, name); };
    TrigView view;
    view.reserved0 = uint16_t(header("reserved0"));
    view.flags = uint8_t(header("flags"));
    view.reserved3 = uint8_t(header("reserved3"));
    view.reserved4 = uint32_t(header("reserved4"));
    view.code = CodeBytes(uint32_t(header("code")));
    view.count = int16_t(header("count"));
    size_t pos = kHeaderSize;
    for (int i = 0; i < view.count; ++i) {
        if (kRecordFixedSize > bytes.size() - pos) {
            view.truncated = true;
            break;
        }
        const std::span<const uint8_t> record = bytes.subspan(pos);
        TriggerView t;
        t.kind = int16_t(ScalarOf(record, kRecordFields, "kind"));
        t.script = uint16_t(ScalarOf(record, kRecordFields, "script"));
        t.rectCount = int16_t(ScalarOf(record, kRecordFields, "rectCount"));
        t.offset = pos;
        t.size = RecordSize(t.rectCount);
        if (t.size > bytes.size() - pos) {
            view.truncated = true;
            break;
        }
        for (size_t r = 0; r < (t.size - kRecordFixedSize) / kRectSize; ++r)
            t.rects.push_back(*ReadRect(record.subspan(kRecordFixedSize + r * kRectSize), kRectField));
        pos += t.size;
        view.triggers.push_back(std::move(t));
    }
    view.end = pos;
    return view;
}

} // namespace Formats::Trigger
