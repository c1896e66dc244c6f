#include "SettingsFileCheck.h"

#include <QDir>
#include <QList>
#include <QSet>
#include <QSettings>
#include <QVariant>
#include <QStringDecoder>
#include <QTemporaryFile>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// pos is at a backslash: returns the position after the escaped character.
// An escaped line end (with its partner of a "\r\n" pair) continues the
// line and counts as one.
qsizetype SkipEscape(QByteArrayView data, qsizetype pos, int& lineNumber)
{
    const qsizetype size = data.size();
    ++pos;
    if (pos < size) {
        const char escaped = data[pos++];
        if (IsLineEnd(escaped)) {
            if (pos < size && IsLineEnd(data[pos]) && data[pos] != escaped)
                ++pos;
            ++lineNumber;
        }
    }
    return pos;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Key and section names as QSettings reads them back: "%XX" and "%UXXXX"
// are characters, a backslash is a group separator.
QString UnescapeKey(QByteArrayView raw)
{
    const QString text = QString::fromUtf8(raw.trimmed());
    QString key;
    key.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            key += u'/';
            ++i;
            continue;
        }
        if (c == u'%' && i + 1 < text.size()) {
            const bool wide = text.at(i + 1) == u'U';
            const qsizetype first = i + (wide ? 2 : 1);
            const qsizetype digits = wide ? 4 : 2;
            if (first + digits <= text.size()) {
                int value = 0;
                bool ok = true;
                for (qsizetype k = 0; k < digits && ok; ++k) {
                    const int d = HexDigit(text.at(first + k));
                    ok = d >= 0;
                    value = value * 16 + d;
                }
                if (ok) {
                    key += QChar(char16_t(value));
                    i = first + digits;
                    continue;
                }
            }
        }
        key += c;
        ++i;
    }
    return key;
}

// A "name=value" line as the scan meets it: the key as QSettings names it
// ("Section/Name") and the value's text as it stands in the file.
struct ValueLine {
    int lineNumber;
    QString key;
    QByteArrayView text;
};

// Walks the lines of a UTF-8 file; returns what is wrong with the first
// damaged line, or an empty string. Each value line goes to onValue first.
template <typename OnValue>
QString ScanLines(QByteArrayView data, OnValue onValue)
{
    if (data.startsWith("\xef\xbb\xbf"))
        data = data.sliced(3);

    QString section;
    QSet<QString> seen;
    qsizetype pos = 0;
    const qsizetype size = data.size();
    int lineNumber = 1;
    auto countLines = [&](qsizetype from, qsizetype to) {
        for (qsizetype k = from; k < to; ++k) {
            // "\r\n" counts once
            if (data[k] == '\n' || (data[k] == '\r' && (k + 1 >= size || data[k + 1] != '\n')))
                ++lineNumber;
        }
    };

    while (pos < size) {
        const qsizetype skipFrom = pos;
        while (pos < size && IsSpace(data[pos]))
            ++pos;
        countLines(skipFrom, pos);
        if (pos >= size)
            break;

        const qsizetype lineStart = pos;
        if (data[pos] == ';') { // a comment line
            while (pos < size && !IsLineEnd(data[pos]))
                ++pos;
            continue;
        }

        bool inQuotes = false;
        qsizetype equals = -1;
        qsizetype lineEnd = -1;
        while (pos < size && lineEnd < 0) {
            const char c = data[pos];
            if (IsLineEnd(c)) {
                if (inQuotes)
                    return QStringLiteral("line %1: a quote is not closed").arg(lineNumber);
                lineEnd = pos;
                break;
            } else if (c == '\\') {
                pos = SkipEscape(data, pos, lineNumber);
                continue;
            } else if (c == '"') {
                inQuotes = !inQuotes;
            } else if (c == '=' && !inQuotes && equals < 0) {
                equals = pos;
            } else if (c == ';' && !inQuotes) {
                lineEnd = pos; // the rest of the line is a comment
                while (pos < size && !IsLineEnd(data[pos]))
                    ++pos;
                break;
            }
            ++pos;
        }
        if (lineEnd < 0) {
            if (inQuotes)
                return QStringLiteral("line %1: a quote is not closed").arg(lineNumber);
            lineEnd = pos;
        }

        const QByteArrayView line = data.sliced(lineStart, lineEnd - lineStart);
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close < 0)
                return QStringLiteral("line %1: a section header has no ']'").arg(lineNumber);
            const QByteArrayView name = line.sliced(1, close - 1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0)
                section.clear();
            else if (name.compare("%general", Qt::CaseInsensitive) == 0)
                section = QString::fromUtf8(name.sliced(1)) + u'/';
            else
                section = UnescapeKey(name) + u'/';
            continue;
        }
        if (equals < 0)
            return QStringLiteral("line %1: not a \"name=value\" line").arg(lineNumber);
        const QString key = section + UnescapeKey(data.sliced(lineStart, equals - lineStart));
        if (seen.contains(key))
            return QStringLiteral("line %1: \"%2\" is given twice").arg(lineNumber).arg(key);
        seen.insert(key);
        onValue(ValueLine{lineNumber, key, data.sliced(equals + 1, lineEnd - equals - 1)});
    }
    return {};
}

// How many parts of a value QSettings read as nothing: the value itself,
// or the items of a list.
qsizetype InvalidParts(const QVariant& value)
{
    if (!value.isValid())
        return 1;
    if (value.metaType().id() != QMetaType::QVariantList)
        return 0;
    qsizetype invalid = 0;
    for (const QVariant& part : value.toList())
        invalid += part.isValid() ? 0 : 1;
    return invalid;
}

// The characters QSettings decodes a value from, as far as they can spell an
// ASCII word: quotes go, "\x" takes any number of hex digits and "\0".."\7"
// any number of octal ones (both kept to 16 bits, as QSettings keeps them),
// the one-letter escapes give their character and any other escaped
// character (an escaped line end with its partner) goes. Bytes from 0x80 stay single characters above ASCII.
QString UnescapedText(QByteArrayView raw)
{
    static constexpr char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
                                           {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'},
                                           {'?', '?'},   {'\'', '\''}, {'\\', '\\'}};
    QString text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size();) {
        const char c = raw[i++];
        if (c == '"')
            continue;
        if (c != '\\') {
            text += QChar(char16_t(uchar(c)));
            continue;
        }
        if (i >= raw.size())
            break;
        const char escaped = raw[i++];
        bool known = false;
        for (const auto& escape : kEscapes) {
            if (escaped == escape[0]) {
                text += QChar(char16_t(uchar(escape[1])));
                known = true;
            }
        }
        if (known)
            continue;
        if (escaped == 'x') {
            if (i < raw.size() && HexDigit(QChar(char16_t(uchar(raw[i])))) >= 0) {
                char16_t value = 0;
                for (int d; i < raw.size() && (d = HexDigit(QChar(char16_t(uchar(raw[i]))))) >= 0; ++i)
                    value = char16_t((value << 4) + d);
                text += QChar(value);
            }
        } else if (escaped >= '0' && escaped <= '7') {
            char16_t value = char16_t(escaped - '0');
            for (; i < raw.size() && raw[i] >= '0' && raw[i] <= '7'; ++i)
                value = char16_t((value << 3) + (raw[i] - '0'));
            text += QChar(value);
        } else if (IsLineEnd(escaped) && i < raw.size() && IsLineEnd(raw[i]) && raw[i] != escaped) {
            ++i; // "\r\n" after a backslash goes as one
        }
    }
    return text;
}

bool SpellsStreamedValue(QByteArrayView segment)
{
    static const QString kWords[] = {QStringLiteral("@Variant("), QStringLiteral("@DateTime(")};
    const QString text = UnescapedText(segment);
    const QString bare = QString::fromLatin1(segment);
    for (const QString& word : kWords) {
        if (text.contains(word, Qt::CaseInsensitive) || bare.contains(word, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Calls onLine(start, end, lineNumber) for each line that spells a streamed
// value; a line goes on past an escaped line end. Returns false when onLine
// does.
template <typename OnLine>
bool ForEachStreamedLine(QByteArrayView data, OnLine onLine)
{
    const qsizetype size = data.size();
    int lineNumber = 1;
    qsizetype start = 0;
    int startLine = 1;
    for (qsizetype pos = 0;;) {
        if (pos < size && data[pos] == '\\') {
            pos = SkipEscape(data, pos, lineNumber);
            continue;
        }
        if (pos < size && !IsLineEnd(data[pos])) {
            ++pos;
            continue;
        }
        if (pos > start && SpellsStreamedValue(data.sliced(start, pos - start)) && !onLine(start, pos, startLine))
            return false;
        if (pos >= size)
            break;
        if (data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n')
            ++pos;
        ++pos;
        ++lineNumber;
        start = pos;
        startLine = lineNumber;
    }
    return true;
}

} // namespace

bool HoldsStreamedValue(QByteArrayView data, int* line)
{
    return !ForEachStreamedLine(data, [&](qsizetype, qsizetype, int number) {
        if (line)
            *line = number;
        return false;
    });
}

QByteArray WithoutStreamedValues(QByteArrayView data)
{
    QByteArray result;
    qsizetype copied = 0;
    ForEachStreamedLine(data, [&](qsizetype start, qsizetype end, int) {
        const qsizetype equals = data.sliced(start, end - start).indexOf('=');
        const qsizetype from = equals < 0 ? start : start + equals + 1;
        result += data.sliced(copied, from - copied);
        result += "@Invalid()";
        copied = end;
        return true;
    });
    result += data.sliced(copied);
    return result;
}

QString FindSettingsFileDamage(QByteArrayView data)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(data);
    if (decoder.hasError())
        return QStringLiteral("the file is not UTF-8 text");
    const QString damage = ScanLines(data, [](const ValueLine&) {});
    int line = 0;
    if (damage.isEmpty() && HoldsStreamedValue(data, &line))
        return QStringLiteral("line %1: a value is stored as serialised Qt data, which is not read").arg(line);
    return damage;
}

QString FindSettingsFileDamage(const QString& filePath, QByteArrayView data)
{
    const QString damage = FindSettingsFileDamage(data);
    if (!damage.isEmpty() || !data.contains('@'))
        return damage;
    // Only "@Type(...)" values can be beyond QSettings: one it cannot
    // decode reads as nothing and is written back as "@Invalid()".
    QList<ValueLine> typed;
    ScanLines(data, [&](const ValueLine& line) {
        if (line.text.contains('@'))
            typed.append(line);
    });
    if (typed.isEmpty())
        return {};
    // QSettings keeps one parsed copy per path and may read a key of an odd
    // file differently once another QSettings on that path has read it, so
    // the check reads a private copy of the bytes that nothing else has seen.
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/ovantis-settings-check-XXXXXX.conf"));
    const bool copied = copy.open() && copy.write(data.data(), data.size()) == data.size() && copy.flush();
    const QSettings settings(copied ? copy.fileName() : filePath, QSettings::IniFormat);
    for (const ValueLine& line : typed) {
        if (InvalidParts(settings.value(line.key)) > line.text.count("@Invalid()"))
            return QStringLiteral("line %1: the value of \"%2\" cannot be read").arg(line.lineNumber).arg(line.key);
    }
    return {};
}
