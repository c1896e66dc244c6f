#include "formats/SequenceFormat.h"

namespace Formats::Sequence {

SequenceView DecodeSequence(std::span<const uint8_t> bytes)
{
    SequenceView view;
    const size_t whole = bytes.size() / kEntrySize;
    for (size_t i = 0; i < whole; ++i) {
        const uint8_t* p = bytes.data() + i * kEntrySize;
        view.entries.push_back({p[0], p[1], p[2], p[3]});
    }
    view.trailingBytes = bytes.size() - whole * kEntrySize;
    return view;
}

std::vector<uint8_t> EncodeSequence(std::span<const Entry> entries)
{
    std::vector<uint8_t> out;
    out.reserve(entries.size() * kEntrySize);
    for (const Entry& e : entries)
        out.insert(out.end(), e.begin(), e.end());
    return out;
}

} // namespace Formats::Sequence
