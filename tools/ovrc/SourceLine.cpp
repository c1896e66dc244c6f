#include "SourceLine.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted string starting at text[*pos] == '"'.
bool ReadQuoted(const std::string& text, size_t* pos, std::string* out, std::string* error)
{
    size_t i = *pos + 1;
    out->clear();
    while (i < text.size()) {
        char c = text[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c != '\\') {
            out->push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            break;
        char e = text[i + 1];
        i += 2;
        switch (e) {
        case '\\': out->push_back('\\'); break;
        case '"': out->push_back('"'); break;
        case 'n': out->push_back('\n'); break;
        case 'r': out->push_back('\r'); break;
        case 't': out->push_back('\t'); break;
        case 'x': {
            int hi = i < text.size() ? HexValue(text[i]) : -1;
            int lo = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
            if (hi < 0 || lo < 0) {
                *error = "\\x needs two hex digits";
                return false;
            }
            if (hi >= 8) {
                *error = "\\x escapes are for bytes below 0x80; write the character itself";
                return false;
            }
            out->push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
            break;
        }
        default: *error = std::string("unknown escape \\") + e; return false;
        }
    }
    *error = "string is not closed";
    return false;
}
} // namespace

bool TokenizeLine(const std::string& text, std::vector<SourceToken>* tokens, std::string* error)
{
    tokens->clear();
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        if (i >= text.size() || text[i] == '#')
            return true;
        SourceToken token;
        if (text[i] == '"') {
            if (!ReadQuoted(text, &i, &token.text, error))
                return false;
            token.quoted = true;
        } else {
            size_t start = i;
            while (i < text.size() && !IsSpace(text[i]) && text[i] != '=' && text[i] != '"')
                ++i;
            std::string word = text.substr(start, i - start);
            if (i < text.size() && text[i] == '=') {
                token.key = word;
                ++i;
                if (i < text.size() && text[i] == '"') {
                    if (!ReadQuoted(text, &i, &token.text, error))
                        return false;
                    token.quoted = true;
                } else {
                    size_t valueStart = i;
                    while (i < text.size() && !IsSpace(text[i]) && text[i] != '"')
                        ++i;
                    token.text = text.substr(valueStart, i - valueStart);
                    if (token.text.empty()) {
                        *error = "no value after '" + word + "='";
                        return false;
                    }
                }
            } else if (i < text.size() && text[i] == '"') {
                *error = "a string must stand apart from '" + word + "'";
                return false;
            } else {
                token.text = word;
            }
        }
        if (i < text.size() && !IsSpace(text[i]) && text[i] != '#') {
            *error = "unexpected '" + std::string(1, text[i]) + "' after '" + token.text + "'";
            return false;
        }
        tokens->push_back(std::move(token));
    }
}

std::vector<SourceLine> TokenizeText(const std::string& text, const std::string& file,
                                     std::vector<std::string>* errors)
{
    std::vector<SourceLine> lines;
    size_t start = 0;
    int number = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++number;
        SourceLine line;
        line.where = {file, number};
        std::string error;
        if (!TokenizeLine(text.substr(start, end - start), &line.tokens, &error))
            errors->push_back(line.where.ToString() + ": " + error);
        else if (!line.tokens.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string QuoteString(const std::string& utf8)
{
    static const char* kHex = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\x";
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 15]);
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    out += "\"";
    return out;
}

std::optional<int64_t> ParseInteger(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    int base = 10;
    if (text.size() > i + 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        int d = base == 16 ? HexValue(text[i]) : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
        if (d < 0)
            return std::nullopt;
        value = value * base + uint64_t(d);
        if (value > (1ull << 40))
            return std::nullopt;
    }
    return negative ? -int64_t(value) : int64_t(value);
}
