#include "PeResourceWriter.h"

#include "ByteReader.h"

#include <QChar>

#include <algorithm>
#include <map>

namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kPeOffset = 0x80;
constexpr uint32_t kSectionRva = 0x1000;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kOptionalHeaderSize = 240; // PE32+ with 16 data directories
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint64_t kImageBase = 0x180000000ull;

uint32_t AlignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

std::u16string UpperCase(std::u16string text)
{
    for (char16_t& unit : text)
        unit = QChar(unit).toUpper().unicode();
    return text;
}

struct KeyLess {
    bool operator()(const ResName& a, const ResName& b) const { return PeResourceWriter::Before(a, b); }
};

// type -> name -> language -> resource index
using Tree = std::map<ResName, std::map<ResName, std::map<uint16_t, size_t>, KeyLess>, KeyLess>;

} // namespace

void PeResourceWriter::Add(Resource resource) { m_resources.push_back(std::move(resource)); }

bool PeResourceWriter::Before(const ResName& a, const ResName& b)
{
    if (a.IsId() != b.IsId())
        return !a.IsId();
    if (a.IsId())
        return a.Id() < b.Id();
    // Windows orders names by their upper-case form ("A_B" after "AAB",
    // "abc" before "ABD"); names that differ only in letter case keep a
    // fixed order among themselves.
    const std::u16string& textA = a.Name();
    const std::u16string& textB = b.Name();
    const std::u16string upperA = UpperCase(textA), upperB = UpperCase(textB);
    if (upperA != upperB)
        return upperA < upperB;
    return textA < textB;
}

bool PeResourceWriter::Write(std::vector<uint8_t>* image, std::string* error) const
{
    auto fail = [&](std::string message) {
        if (error)
            *error = std::move(message);
        return false;
    };

    Tree tree;
    for (size_t i = 0; i < m_resources.size(); ++i) {
        const Resource& r = m_resources[i];
        auto& languages = tree[r.type][r.name];
        if (!languages.emplace(r.language, i).second)
            return fail("resource type=" + r.type.ToString() + " name=" + r.name.ToString() +
                        " lang=" + std::to_string(r.language) + " is given twice");
    }

    // Layout of the section: every directory table (root, then the name
    // tables, then the language tables), the data entries, the strings, then
    // the data, each blob on an 8-byte boundary.
    auto tableSize = [](size_t entries) { return 16 + 8 * entries; };
    size_t directoriesSize = tableSize(tree.size());
    for (const auto& [type, names] : tree) {
        directoriesSize += tableSize(names.size());
        for (const auto& [name, languages] : names)
            directoriesSize += tableSize(languages.size());
    }
    const size_t dataEntriesOffset = directoriesSize;
    const size_t stringsOffset = dataEntriesOffset + 16 * m_resources.size();

    std::map<std::u16string, size_t> stringOffsets;
    size_t stringsSize = 0;
    auto addString = [&](const ResName& key) {
        if (key.IsId())
            return;
        stringOffsets.emplace(key.Name(), 0);
    };
    for (const auto& [type, names] : tree) {
        addString(type);
        for (const auto& [name, languages] : names)
            addString(name);
    }
    for (auto& [text, offset] : stringOffsets) {
        if (text.size() > 0xFFFF)
            return fail("a resource name is longer than 65535 characters");
        offset = stringsOffset + stringsSize;
        stringsSize += 2 + 2 * text.size();
    }
    size_t pos = (stringsOffset + stringsSize + 7) / 8 * 8;
    std::vector<size_t> dataOffsets(m_resources.size());
    // Data in directory order, so that the file reads like its directory.
    for (const auto& [type, names] : tree)
        for (const auto& [name, languages] : names)
            for (const auto& [language, index] : languages) {
                dataOffsets[index] = pos;
                pos += m_resources[index].data.size();
                pos = (pos + 7) / 8 * 8;
                if (pos > 0x7FFFFFFFu)
                    return fail("the resources do not fit in a module");
            }
    const uint32_t sectionSize = uint32_t(pos);
    const uint32_t rawSize = AlignUp(sectionSize, kFileAlignment);
    const uint32_t headersSize = AlignUp(kPeOffset + 24 + kOptionalHeaderSize + 40, kFileAlignment);
    const uint32_t imageSize = kSectionRva + AlignUp(std::max<uint32_t>(sectionSize, 1), kSectionAlignment);

    std::vector<uint8_t> out(headersSize + rawSize, 0);
    ByteWriter put(out);

    // DOS header: only the magic and the offset of the PE header matter.
    out[0] = 'M';
    out[1] = 'Z';
    put.U16(0x18, 0x40); // e_lfarlc
    put.U32(0x3C, kPeOffset);

    size_t at = kPeOffset;
    out[at] = 'P';
    out[at + 1] = 'E';
    at += 4;
    put.U16(at + 0, kMachineAmd64);
    put.U16(at + 2, 1);                    // sections
    put.U32(at + 4, 0);                    // TimeDateStamp: reproducible output
    put.U16(at + 16, kOptionalHeaderSize);
    put.U16(at + 18, 0x2022);              // executable image, large address aware, DLL
    at += 20;

    const size_t opt = at;
    put.U16(opt + 0, 0x20B);               // PE32+
    out[opt + 2] = 14;                        // linker version
    put.U32(opt + 8, rawSize);             // SizeOfInitializedData
    put.U32(opt + 20, kSectionRva);        // BaseOfCode (no code)
    put.U64(opt + 24, kImageBase);
    put.U32(opt + 32, kSectionAlignment);
    put.U32(opt + 36, kFileAlignment);
    put.U16(opt + 40, 6);                  // OS version 6.0
    put.U16(opt + 48, 6);                  // subsystem version 6.0
    put.U32(opt + 56, imageSize);
    put.U32(opt + 60, headersSize);
    put.U16(opt + 68, 2);                  // Windows GUI
    put.U16(opt + 70, 0x0500);             // NX compatible, no SEH
    put.U64(opt + 72, 0x100000);           // stack reserve
    put.U64(opt + 80, 0x1000);             // stack commit
    put.U64(opt + 88, 0x100000);           // heap reserve
    put.U64(opt + 96, 0x1000);             // heap commit
    put.U32(opt + 108, 16);                // data directories
    const size_t directories = opt + 112;
    put.U32(directories + 2 * 8, kSectionRva); // resource table
    put.U32(directories + 2 * 8 + 4, sectionSize);

    const size_t section = opt + kOptionalHeaderSize;
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    std::copy(name, name + 8, out.begin() + long(section));
    put.U32(section + 8, sectionSize);
    put.U32(section + 12, kSectionRva);
    put.U32(section + 16, rawSize);
    put.U32(section + 20, headersSize);
    put.U32(section + 36, 0x40000040);     // initialized data, readable

    // The resource section itself.
    const size_t base = headersSize;
    auto nameField = [&](const ResName& key) -> uint32_t {
        if (key.IsId())
            return key.Id();
        return kHighBit | uint32_t(stringOffsets.at(key.Name()));
    };
    auto writeTableHeader = [&](size_t offset, size_t named, size_t ids) {
        put.U16(base + offset + 12, uint16_t(named));
        put.U16(base + offset + 14, uint16_t(ids));
    };
    auto countNamed = [](const auto& map) {
        size_t n = 0;
        for (const auto& entry : map)
            n += entry.first.IsId() ? 0 : 1;
        return n;
    };
    if (tree.size() > 0xFFFF)
        return fail("too many resource types");

    size_t next = tableSize(tree.size());
    size_t dataEntry = dataEntriesOffset;
    writeTableHeader(0, countNamed(tree), tree.size() - countNamed(tree));
    // Name tables follow the root; language tables follow all name tables.
    std::vector<size_t> nameTables;
    for (const auto& [type, names] : tree) {
        nameTables.push_back(next);
        next += tableSize(names.size());
    }
    size_t typeIndex = 0;
    for (const auto& [type, names] : tree) {
        const size_t rootEntry = 16 + 8 * typeIndex;
        put.U32(base + rootEntry, nameField(type));
        put.U32(base + rootEntry + 4, kHighBit | uint32_t(nameTables[typeIndex]));
        const size_t nameTable = nameTables[typeIndex];
        if (names.size() > 0xFFFF)
            return fail("too many resources of type " + type.ToString());
        writeTableHeader(nameTable, countNamed(names), names.size() - countNamed(names));
        size_t nameIndex = 0;
        for (const auto& [name, languages] : names) {
            const size_t nameEntry = nameTable + 16 + 8 * nameIndex;
            const size_t languageTable = next;
            next += tableSize(languages.size());
            put.U32(base + nameEntry, nameField(name));
            put.U32(base + nameEntry + 4, kHighBit | uint32_t(languageTable));
            writeTableHeader(languageTable, 0, languages.size());
            size_t languageIndex = 0;
            for (const auto& [language, index] : languages) {
                const size_t languageEntry = languageTable + 16 + 8 * languageIndex;
                put.U32(base + languageEntry, language);
                put.U32(base + languageEntry + 4, uint32_t(dataEntry));
                put.U32(base + dataEntry, kSectionRva + uint32_t(dataOffsets[index]));
                put.U32(base + dataEntry + 4, uint32_t(m_resources[index].data.size()));
                dataEntry += 16;
                ++languageIndex;
            }
            ++nameIndex;
        }
        ++typeIndex;
    }
    for (const auto& [text, offset] : stringOffsets) {
        put.U16(base + offset, uint16_t(text.size()));
        for (size_t i = 0; i < text.size(); ++i)
            put.U16(base + offset + 2 + 2 * i, uint16_t(text[i]));
    }
    for (size_t i = 0; i < m_resources.size(); ++i)
        std::copy(m_resources[i].data.begin(), m_resources[i].data.end(),
                  out.begin() + long(base + dataOffsets[i]));

    *image = std::move(out);
    return true;
}
