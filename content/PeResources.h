#pragma once
#include "ResName.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// The resource directory of a PE image (PE32 or PE32+), read from a byte
/// buffer. Parsing never reads outside the buffer: a malformed directory
/// entry is left out (it is then "not found") and hides nothing that is well
/// formed. The entries point into the caller's buffer, which must outlive
/// this object.
class PeResources {
public:
    struct Entry {
        ResName type;
        ResName name;
        uint16_t language = 0;
        std::span<const uint8_t> data;
    };

    /// Parses the headers and the resource tree. False, with a message in
    /// *error, when the bytes are not a PE image at all; an image without a
    /// resource directory parses with no entries.
    bool Parse(std::span<const uint8_t> image, std::string* error = nullptr);

    /// Every well-formed resource, in directory order (type, name, language).
    const std::vector<Entry>& Entries() const { return m_entries; }

    /// The first language of the resource with this type and name, or null.
    const Entry* Find(const ResName& type, const ResName& name) const;

    /// Problems met while reading the tree (entries left out), for tools.
    const std::vector<std::string>& Warnings() const { return m_warnings; }

private:
    friend class ContentModule;
    void Add(Entry entry) { m_entries.push_back(std::move(entry)); }

    std::vector<Entry> m_entries;
    std::vector<std::string> m_warnings;
};
