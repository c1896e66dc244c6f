#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

/// The type or the name of a resource: either a 16-bit id or a string.
/// Names are Windows-1252 bytes and compare without regard to letter case,
/// as resource lookups do.
class ResName {
public:
    ResName(uint16_t id) : m_isId(true), m_id(id) {}                 // NOLINT: implicit on purpose
    ResName(int id) : m_isId(true), m_id(static_cast<uint16_t>(id)) {} // NOLINT
    ResName(const char* name) : ResName(std::string(name)) {}           // NOLINT
    ResName(std::string_view name) : ResName(std::string(name)) {}      // NOLINT
    ResName(std::string name)                                           // NOLINT
        : m_isId(false), m_name(std::make_shared<const std::string>(std::move(name)))
    {
    }

    bool IsId() const { return m_isId; }
    uint16_t Id() const { return m_id; }
    const std::string& Name() const;

    /// Decimal id, or the name as stored.
    std::string ToString() const { return m_isId ? std::to_string(m_id) : *m_name; }

    /// Same id, or same name ignoring letter case.
    bool Matches(const ResName& other) const;

private:
    bool m_isId;
    uint16_t m_id = 0;
    // Shared between copies: every resource of a module holds its type and
    // name, and a long name must not be copied once per resource.
    std::shared_ptr<const std::string> m_name;
};

/// Standard resource types the system reads.
inline constexpr uint16_t kRtBitmap = 2;
inline constexpr uint16_t kRtRcdata = 10;
