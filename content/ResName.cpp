#include "ResName.h"

#include "Windows1252.h"

#include <QString>

namespace {
char16_t LowerAscii(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? char16_t(unit - u'A' + u'a') : unit; }

std::u16string Units(const QString& text) { return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())); }
} // namespace

ResName::ResName(std::string_view utf8)
    : ResName(Units(QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))))
{
}

ResName ResName::FromWindows1252(std::string_view bytes) { return ResName(Units(::FromWindows1252(bytes))); }

const std::u16string& ResName::Name() const
{
    static const std::u16string kNone;
    return m_isId ? kNone : *m_name;
}

std::string ResName::ToString() const
{
    if (m_isId)
        return std::to_string(m_id);
    return QString::fromUtf16(m_name->data(), qsizetype(m_name->size())).toStdString();
}

bool ResName::Matches(const ResName& other) const
{
    if (m_isId != other.m_isId)
        return false;
    if (m_isId)
        return m_id == other.m_id;
    const std::u16string& a = *m_name;
    const std::u16string& b = *other.m_name;
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool ResName::operator==(const ResName& other) const
{
    if (m_isId != other.m_isId)
        return false;
    return m_isId ? m_id == other.m_id : *m_name == *other.m_name;
}
