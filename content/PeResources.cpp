#include "PeResources.h"

#include "ByteReader.h"

#include <map>
#include <unordered_map>

namespace {

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;

struct Section {
    uint32_t virtualAddress;
    uint32_t size; // bytes backed by the file
    uint32_t fileOffset;
};

/// Maps RVAs to file bytes through the section table.
class ImageMap {
public:
    explicit ImageMap(ByteReader image) : m_image(image) {}
    void Add(const Section& s) { m_sections.push_back(s); }

    /// The bytes of [rva, rva + length), all inside one section and the file.
    bool Bytes(uint32_t rva, uint32_t length, std::span<const uint8_t>* out) const
    {
        for (const Section& s : m_sections) {
            if (rva < s.virtualAddress)
                continue;
            uint64_t delta = uint64_t(rva) - s.virtualAddress;
            if (delta >= s.size && !(delta == s.size && length == 0))
                continue;
            if (uint64_t(length) > s.size - delta)
                return false;
            return Take(m_image.Sub(size_t(s.fileOffset) + size_t(delta), length), out);
        }
        return false;
    }
    /// From rva to the end of its section.
    bool Rest(uint32_t rva, std::span<const uint8_t>* out) const
    {
        for (const Section& s : m_sections) {
            if (rva < s.virtualAddress || uint64_t(rva) - s.virtualAddress >= s.size)
                continue;
            uint32_t delta = rva - s.virtualAddress;
            uint32_t length = s.size - delta;
            // Cut at the end of the file as well.
            size_t offset = size_t(s.fileOffset) + delta;
            if (offset > m_image.Size())
                return false;
            size_t available = m_image.Size() - offset;
            return Take(m_image.Sub(offset, std::min<size_t>(length, available)), out);
        }
        return false;
    }

private:
    static bool Take(std::optional<std::span<const uint8_t>> bytes, std::span<const uint8_t>* out)
    {
        if (bytes)
            *out = *bytes;
        return bytes.has_value();
    }

    ByteReader m_image;
    std::vector<Section> m_sections;
};

class TreeReader {
public:
    TreeReader(const ImageMap& map, ByteReader tree, std::vector<PeResources::Entry>* entries,
               std::vector<std::string>* warnings)
        : m_map(map), m_tree(tree), m_entries(entries), m_warnings(warnings)
    {
    }

    void ReadTypes()
    {
        ForEachEntry(0, "type directory", [&](const ResName& type, uint32_t target, bool isDir) {
            if (!isDir) {
                Warn("type " + Shown(type) + " is not a directory");
                return;
            }
            ForEachEntry(target, "name directory", [&](const ResName& name, uint32_t nameTarget, bool nameIsDir) {
                if (!nameIsDir) {
                    Warn("resource " + Shown(type) + "/" + Shown(name) + " is not a directory");
                    return;
                }
                ForEachEntry(nameTarget, "language directory",
                             [&](const ResName& lang, uint32_t dataOffset, bool langIsDir) {
                                 if (langIsDir || !lang.IsId()) {
                                     Warn("resource " + Shown(type) + "/" + Shown(name) + "/" + Shown(lang) +
                                          " nests too deep");
                                     return;
                                 }
                                 AddData(type, name, lang.Id(), dataOffset);
                             });
            });
        });
    }

private:
    template <typename Visit>
    void ForEachEntry(uint32_t offset, const char* what, Visit visit)
    {
        const auto named = m_tree.U16(size_t(offset) + 12), ids = m_tree.U16(size_t(offset) + 14);
        if (!named || !ids) {
            Warn(std::string(what) + " at " + std::to_string(offset) + " runs past the resource section");
            return;
        }
        size_t count = size_t(*named) + *ids;
        const size_t first = size_t(offset) + kDirectoryHeaderSize;
        if (!m_tree.Has(first, count * kDirectoryEntrySize)) {
            Warn(std::string(what) + " at " + std::to_string(offset) + " has entries past the resource section");
            // Read the entries that are whole (the header read shows that
            // `first` lies inside the tree).
            count = (m_tree.Size() - first) / kDirectoryEntrySize;
        }
        // A tree reaches each directory once and no two directories share
        // bytes. A directory reached again, or one whose table overlaps
        // another's (which would multiply the entries with every level), is
        // left out: so every entry is read once at most and the work stays
        // in proportion to the bytes.
        if (!Claim(offset, kDirectoryHeaderSize + count * kDirectoryEntrySize)) {
            Warn(std::string(what) + " at " + std::to_string(offset) + " overlaps another directory");
            return;
        }
        for (size_t i = 0; i < count; ++i) {
            const size_t at = first + i * kDirectoryEntrySize;
            const uint32_t nameField = *m_tree.U32(at), target = *m_tree.U32(at + 4);
            ResName name(uint16_t(0));
            if (nameField & kHighBit) {
                if (!ReadName(nameField & ~kHighBit, &name)) {
                    Warn(std::string(what) + " entry " + std::to_string(i) + " has a bad name");
                    continue;
                }
            } else {
                if (nameField > 0xFFFF) {
                    Warn(std::string(what) + " entry " + std::to_string(i) + " has an id above 65535");
                    continue;
                }
                name = ResName(uint16_t(nameField));
            }
            visit(name, target & ~kHighBit, (target & kHighBit) != 0);
        }
    }

    /// Takes [offset, offset + length) of the tree for one directory table
    /// or one name; false when any of it is taken already.
    bool Claim(size_t offset, size_t length)
    {
        const size_t end = offset + length;
        auto next = m_claimed.upper_bound(offset);
        if (next != m_claimed.end() && next->first < end)
            return false;
        if (next != m_claimed.begin() && std::prev(next)->second > offset)
            return false;
        m_claimed.emplace_hint(next, offset, end);
        return true;
    }

    /// A name string; the same string named by several entries is read once
    /// and shared, strings that overlap each other are refused.
    bool ReadName(uint32_t offset, ResName* out)
    {
        if (auto it = m_names.find(offset); it != m_names.end()) {
            *out = it->second;
            return true;
        }
        const auto count = m_tree.U16(offset);
        if (!count || !m_tree.Has(size_t(offset) + 2, size_t(*count) * 2) || !Claim(offset, 2 + size_t(*count) * 2))
            return false;
        const uint16_t length = *count;
        std::u16string text;
        text.reserve(length);
        for (uint16_t i = 0; i < length; ++i) {
            text.push_back(static_cast<char16_t>(*m_tree.U16(size_t(offset) + 2 + size_t(i) * 2)));
        }
        *out = ResName(std::move(text));
        m_names.emplace(offset, *out);
        return true;
    }

    void AddData(const ResName& type, const ResName& name, uint16_t language, uint32_t offset)
    {
        if (!m_tree.Has(offset, kDataEntrySize)) {
            Warn("resource " + Shown(type) + "/" + Shown(name) + "/" + std::to_string(language) +
                 " has its data entry past the resource section");
            return;
        }
        const uint32_t rva = *m_tree.U32(offset), size = *m_tree.U32(size_t(offset) + 4);
        std::span<const uint8_t> bytes;
        if (!m_map.Bytes(rva, size, &bytes)) {
            Warn("resource " + Shown(type) + "/" + Shown(name) + "/" + std::to_string(language) +
                 " has data outside the file");
            return;
        }
        m_entries->push_back({type, name, language, bytes});
    }

    /// A type or name for a warning, cut short: a message per entry must
    /// not copy a long name each time.
    static std::string Shown(const ResName& key)
    {
        constexpr size_t kShown = 40;
        if (key.IsId() || key.Name().size() <= kShown)
            return key.ToString();
        return ResName(key.Name().substr(0, kShown)).ToString() + "...";
    }

    void Warn(std::string text) { m_warnings->push_back(std::move(text)); }

    const ImageMap& m_map;
    ByteReader m_tree;
    std::vector<PeResources::Entry>* m_entries;
    std::vector<std::string>* m_warnings;
    std::map<size_t, size_t> m_claimed; // start -> end of each table and name read
    std::unordered_map<uint32_t, ResName> m_names;
};

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool PeResources::Parse(std::span<const uint8_t> bytes, std::string* error)
{
    m_entries.clear();
    m_warnings.clear();
    ByteReader image(bytes);

    const auto mz = image.U16(0);
    const auto peOffset = image.U32(0x3C);
    if (mz != 0x5A4D || !peOffset)
        return Fail(error, "not a PE module: no DOS header");
    if (image.U32(*peOffset) != 0x00004550)
        return Fail(error, "not a PE module: no PE signature");

    const size_t coff = size_t(*peOffset) + 4;
    const auto sections = image.U16(coff + 2), optionalBytes = image.U16(coff + 16);
    if (!sections || !optionalBytes)
        return Fail(error, "not a PE module: COFF header cut short");
    const uint16_t sectionCount = *sections, optionalSize = *optionalBytes;
    const size_t optional = coff + 20;
    const uint16_t magic = image.U16(optional).value_or(0);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus)
        return Fail(error, "not a PE module: unknown optional header");
    if (!image.Has(optional, optionalSize))
        return Fail(error, "not a PE module: optional header cut short");

    const size_t countField = magic == kMagicPe32 ? 92 : 108;
    const size_t directories = magic == kMagicPe32 ? 96 : 112;
    uint32_t resourceRva = 0, resourceSize = 0;
    bool hasResources = false;
    // The optional header lies inside the image (checked above).
    if (countField + 4 <= optionalSize && *image.U32(optional + countField) > kResourceDirectoryIndex
        && directories + (kResourceDirectoryIndex + 1) * 8 <= optionalSize) {
        resourceRva = *image.U32(optional + directories + kResourceDirectoryIndex * 8);
        resourceSize = *image.U32(optional + directories + kResourceDirectoryIndex * 8 + 4);
        hasResources = resourceRva != 0 && resourceSize != 0;
    }

    ImageMap map(image);
    const size_t sectionTable = optional + optionalSize;
    for (size_t i = 0; i < sectionCount; ++i) {
        size_t at = sectionTable + i * kSectionHeaderSize;
        if (!image.Has(at + 8, 16)) {
            m_warnings.push_back("section table cut short after " + std::to_string(i) + " sections");
            break;
        }
        const uint32_t virtualSize = *image.U32(at + 8), virtualAddress = *image.U32(at + 12);
        const uint32_t rawSize = *image.U32(at + 16), rawOffset = *image.U32(at + 20);
        // Bytes past the virtual size are not part of the section.
        uint32_t size = virtualSize != 0 ? std::min(virtualSize, rawSize) : rawSize;
        map.Add({virtualAddress, size, rawOffset});
    }

    if (!hasResources)
        return true;
    std::span<const uint8_t> tree;
    if (!map.Rest(resourceRva, &tree)) {
        m_warnings.push_back("resource directory lies outside the file");
        return true;
    }
    TreeReader(map, ByteReader(tree), &m_entries, &m_warnings).ReadTypes();
    return true;
}

const PeResources::Entry* PeResources::Find(const ResName& type, const ResName& name) const
{
    for (const Entry& entry : m_entries) {
        if (entry.type.Matches(type) && entry.name.Matches(name))
            return &entry;
    }
    return nullptr;
}
