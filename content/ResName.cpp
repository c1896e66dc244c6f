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

bool ResName::Matches(const ResName& other) const
{
    if (m_isId != other.m_isId)
        return false;
    if (m_isId)
        return m_id == other.m_id;
    if (m_name.size() != other.m_name.size())
        return false;
    for (size_t i = 0; i < m_name.size(); ++i) {
        if (Upper(m_name[i]) != Upper(other.m_name[i]))
            return false;
    }
    return true;
}
