#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// A `STR#` string list: a 16-bit count, then entries of one length byte and
/// that many text bytes. Text ends early at a zero byte, and the next entry
/// then starts right after the text taken. Entries that would run past the
/// end of the resource are cut where the bytes end.
class StrList {
public:
    /// Decodes a list from its bytes.
    static StrList FromBytes(std::span<const uint8_t> bytes);
    /// Reads list `id` from the loaded content library; false when missing.
    bool Load(uint16_t id);

    /// The count the list's header claims.
    uint16_t HeaderCount() const { return m_headerCount; }
    /// The entries actually present (at most HeaderCount()), as raw
    /// Windows-1252 bytes.
    const std::vector<std::string>& Entries() const { return m_entries; }
    /// True when every entry the header counts was read whole.
    bool IsComplete() const { return m_complete; }

private:
    uint16_t m_headerCount = 0;
    std::vector<std::string> m_entries;
    bool m_complete = true;
};

/// The entry-by-index reader: entry `index` of list `id` into *text. An index
/// beyond the list's entries gives the empty string; a missing list (or no
/// loaded module) leaves *text unchanged and returns false.
bool GetStrListEntry(uint16_t id, int index, std::string* text);
