#pragma once
#include "ContentIds.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

/// The type or the name of a resource: either a 16-bit id or a string.
/// Names are UTF-16, as the module stores them, and compare as the
/// platform's resource lookups do: unit by unit, ASCII letters without
/// regard to case.
class ResName {
public:
    ResName(uint16_t id) : m_isId(true), m_id(id) {}                 // NOLINT: implicit on purpose
    ResName(int id) : m_isId(true), m_id(static_cast<uint16_t>(id)) {} // NOLINT
    /// A name from UTF-8 text (names written in code are ASCII).
    ResName(const char* utf8) : ResName(std::string_view(utf8)) {}     // NOLINT
    ResName(const std::string& utf8) : ResName(std::string_view(utf8)) {} // NOLINT
    ResName(std::string_view utf8);                                    // NOLINT
    explicit ResName(std::u16string name)
        : m_isId(false), m_name(std::make_shared<const std::u16string>(std::move(name)))
    {
    }
    /// A name stored as Windows-1252 bytes in other content (a sound list's
    /// wave names), as the platform's byte-string lookups convert it.
    static ResName FromWindows1252(std::string_view bytes);

    bool IsId() const { return m_isId; }
    uint16_t Id() const { return m_id; }
    /// The name's UTF-16 units; empty for an id.
    const std::u16string& Name() const;

    /// Decimal id, or the name as UTF-8.
    std::string ToString() const;

    /// Same id, or same name with ASCII letters compared without regard to
    /// case.
    bool Matches(const ResName& other) const;
    /// Same id, or exactly the same name.
    bool operator==(const ResName& other) const;

private:
    bool m_isId;
    uint16_t m_id = 0;
    // Shared between copies: every resource of a module holds its type and
    // name, and a long name must not be copied once per resource.
    std::shared_ptr<const std::u16string> m_name;
};

/// Standard resource types the system reads.
inline constexpr uint16_t kRtBitmap = ResType::kBitmap;
inline constexpr uint16_t kRtRcdata = ResType::kRcdata;
