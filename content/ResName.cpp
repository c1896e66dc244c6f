#include "ResName.h"

namespace {
// Names are Windows-1252 bytes; ASCII and Latin-1 letters fold to upper case.
unsigned char Upper(char c)
{
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
        return static_cast<unsigned char>(u - 0x20);
    return u;
}
} // namespace

const std::string& ResName::Name() const
{
    static const std::string kNone;
    return m_isId ? kNone : *m_name;
}

bool ResName::Matches(const ResName& other) const
{
    if (m_isId != other.m_isId)
        return false;
    if (m_isId)
        return m_id == other.m_id;
    const std::string& a = *m_name;
    const std::string& b = *other.m_name;
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}
