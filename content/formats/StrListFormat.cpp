#include "formats/StrListFormat.h"

#include "ByteReader.h"

#include <cstring>

namespace Formats::StrList {

std::optional<StrListView> DecodeStrList(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    StrListView view;
    view.count = *ByteReader(bytes).U16(0);
    size_t pos = kHeaderSize;
    for (uint32_t i = 0; i < view.count; ++i) {
        if (pos >= bytes.size()) {
            view.truncated = true;
            break;
        }
        const size_t length = bytes[pos];
        const size_t available = bytes.size() - pos - 1;
        const size_t take = length < available ? length : available;
        const uint8_t* text = bytes.data() + pos + 1;
        const void* zero = std::memchr(text, 0, take);
        const size_t textLength = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - text) : take;
        view.entries.emplace_back(reinterpret_cast<const char*>(text), textLength);
        pos += 1 + textLength;
        if (!zero && take < length) {
            view.truncated = true;
            break;
        }
    }
    view.end = pos;
    return view;
}

std::optional<std::vector<uint8_t>> EncodeStrList(const std::vector<std::string>& entries,
                                                  std::string* error)
{
    auto fail = [&](std::string message) -> std::optional<std::vector<uint8_t>> {
        if (error)
            *error = std::move(message);
        return std::nullopt;
    };
    if (entries.size() > kMaxEntries)
        return fail("more than 65535 entries");
    std::vector<uint8_t> out(kHeaderSize);
    ByteWriter(out).U16(0, static_cast<uint16_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& e = entries[i];
        if (e.size() > kMaxEntryLength)
            return fail("entry " + std::to_string(i) + " is longer than 255 bytes");
        if (e.find('\0') != std::string::npos)
            return fail("entry " + std::to_string(i) + " holds a zero byte");
        out.push_back(static_cast<uint8_t>(e.size()));
        out.insert(out.end(), e.begin(), e.end());
    }
    return out;
}

} // namespace Formats::StrList
