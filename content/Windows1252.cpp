#include "Windows1252.h"

namespace {
// 0x80-0x9F; 0 marks the five bytes the code page leaves undefined, which
// we map to the C1 control of the same value so that every byte survives.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t Decode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F && kHigh[byte - 0x80] != 0)
        return kHigh[byte - 0x80];
    return byte;
}
} // namespace

QString FromWindows1252(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes)
        text.append(QChar(Decode(static_cast<unsigned char>(c))));
    return text;
}

std::string ToWindows1252(const QString& text, bool* lossless)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    bool ok = true;
    for (QChar ch : text) {
        char16_t u = ch.unicode();
        int found = -1;
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            found = u;
        } else {
            for (int i = 0; i < 32; ++i) {
                char16_t mapped = kHigh[i] != 0 ? kHigh[i] : char16_t(0x80 + i);
                if (mapped == u) {
                    found = 0x80 + i;
                    break;
                }
            }
        }
        if (found < 0) {
            ok = false;
            found = '?';
        }
        bytes.push_back(static_cast<char>(found));
    }
    if (lossless)
        *lossless = ok;
    return bytes;
}
