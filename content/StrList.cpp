#include "StrList.h"

#include "ByteReader.h"
#include "CContentResource.h"

namespace {
const char* const kStrListType = "STR#";

enum class EntryRead { Whole, Cut, Missing };

/// Reads the entry at *position by the zero-byte rule. An entry whose text
/// runs past the end of the list is cut where the bytes end.
EntryRead ReadEntry(const ByteReader& reader, size_t* position, std::string* text)
{
    uint8_t length = 0;
    if (!reader.U8(*position, &length))
        return EntryRead::Missing;
    const size_t start = *position + 1;
    const bool whole = reader.Has(start, length);
    const size_t available = whole ? length : reader.Size() - start;
    size_t taken = 0;
    while (taken < available && reader.Bytes()[start + taken] != 0)
        ++taken;
    text->assign(reinterpret_cast<const char*>(reader.Bytes().data() + start), taken);
    *position = start + taken;
    // A zero byte inside the available bytes ends the text early and the
    // entry counts as whole: the next entry follows the text taken.
    return (whole || taken < available) ? EntryRead::Whole : EntryRead::Cut;
}

std::span<const uint8_t> LoadList(uint16_t id, CContentResource* resource)
{
    if (!resource->Load(id, kStrListType))
        return {};
    const uint8_t* bytes = resource->Lock();
    std::span<const uint8_t> span(bytes, resource->size);
    resource->Unlock();
    return span;
}
} // namespace

StrList StrList::FromBytes(std::span<const uint8_t> bytes)
{
    StrList list;
    ByteReader reader(bytes);
    if (!reader.U16(0, &list.m_headerCount)) {
        list.m_complete = false;
        return list;
    }
    size_t position = 2;
    for (uint16_t i = 0; i < list.m_headerCount; ++i) {
        std::string text;
        EntryRead read = ReadEntry(reader, &position, &text);
        if (read == EntryRead::Missing) {
            list.m_complete = false;
            break;
        }
        list.m_entries.push_back(std::move(text));
        if (read == EntryRead::Cut) {
            list.m_complete = false;
            break;
        }
    }
    return list;
}

bool StrList::Load(uint16_t id)
{
    CContentResource resource;
    if (!resource.Load(id, kStrListType))
        return false;
    const uint8_t* bytes = resource.Lock();
    *this = FromBytes(std::span<const uint8_t>(bytes, resource.size));
    resource.Unlock();
    return true;
}

bool GetStrListEntry(uint16_t id, int index, std::string* text)
{
    CContentResource resource;
    std::span<const uint8_t> bytes = LoadList(id, &resource);
    if (!resource.handle)
        return false;
    ByteReader reader(bytes);
    uint16_t count = 0;
    reader.U16(0, &count);
    size_t position = 2;
    std::string entry;
    for (int i = 0; i <= index; ++i) {
        EntryRead read = i < count ? ReadEntry(reader, &position, &entry) : EntryRead::Missing;
        if (read == EntryRead::Missing || (read == EntryRead::Cut && i < index)) {
            text->clear();
            return true;
        }
    }
    if (index < 0)
        entry.clear();
    *text = std::move(entry);
    return true;
}
