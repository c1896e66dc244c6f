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
    TrigView view;
    view.reserved0 = *ReadU16(bytes, 0);
    view.flags = bytes[2];
    view.reserved3 = bytes[3];
    view.reserved4 = *ReadU32(bytes, 4);
    for (size_t i = 0; i < 4; ++i)
        view.code[i] = bytes[8 + i];
    view.count = *ReadI16(bytes, 12);
    size_t pos = kHeaderSize;
    for (int i = 0; i < view.count; ++i) {
        if (kRecordFixedSize > bytes.size() - pos) {
            view.truncated = true;
            break;
        }
        TriggerView t;
        t.kind = *ReadI16(bytes, pos);
        t.script = *ReadU16(bytes, pos + 2);
        t.rectCount = *ReadI16(bytes, pos + 4);
        t.offset = pos;
        t.size = RecordSize(t.rectCount);
        if (t.size > bytes.size() - pos) {
            view.truncated = true;
            break;
        }
        const FieldDesc rectField{"rect", 0, FieldKind::Rect};
        for (size_t r = 0; r < (t.size - kRecordFixedSize) / kRectSize; ++r)
            t.rects.push_back(*ReadRect(bytes.subspan(pos + kRecordFixedSize + r * kRectSize), rectField));
        pos += t.size;
        view.triggers.push_back(std::move(t));
    }
    view.end = pos;
    return view;
}

} // namespace Formats::Trigger
