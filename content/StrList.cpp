#include "StrList.h"

#include "CContentResource.h"
#include "ContentIds.h"
#include "formats/StrListFormat.h"

StrList StrList::FromBytes(std::span<const uint8_t> bytes)
{
    StrList list;
    auto view = Formats::StrList::DecodeStrList(bytes);
    if (!view) {
        list.m_complete = false;
        return list;
    }
    list.m_headerCount = view->count;
    list.m_entries = std::move(view->entries);
    list.m_complete = !view->truncated;
    return list;
}

bool StrList::Load(uint16_t id)
{
    CContentResource resource;
    if (!resource.Load(id, ResType::kStrList))
        return false;
    const uint8_t* bytes = resource.Lock();
    *this = FromBytes(std::span<const uint8_t>(bytes, resource.size));
    resource.Unlock();
    return true;
}

bool GetStrListEntry(uint16_t id, int index, std::string* text)
{
    StrList list;
    if (!list.Load(id))
        return false;
    // An index past the entries read (a cut entry is read as far as it
    // goes) gives the empty string.
    const auto& entries = list.Entries();
    if (index < 0 || size_t(index) >= entries.size())
        text->clear();
    else
        *text = entries[size_t(index)];
    return true;
}
