#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// Where something was written in the content sources.
struct SourceLocation {
    std::string file;
    int line = 0;
    std::string ToString() const { return file + ":" + std::to_string(line); }
};

/// One token of a source line: a bare word, a quoted string (escapes
/// resolved, bytes as written in UTF-8) or a key=value pair.
struct SourceToken {
    std::string key;  ///< empty unless written as key=value
    std::string text; ///< the value
    bool quoted = false;
};

/// A source line split into tokens. Comments (from a '#' that starts a
/// token) and blank lines yield no tokens.
struct SourceLine {
    SourceLocation where;
    std::vector<SourceToken> tokens;
};

/// Splits one line. False, with *error set, for an unterminated string or a
/// bad escape. Escapes in quoted strings: \\ \" \n \r \t \xHH.
bool TokenizeLine(const std::string& text, std::vector<SourceToken>* tokens, std::string* error);

/// Splits a whole source text into its lines with tokens (numbered from 1
/// in `file`); a line that does not split adds "file:line: why" to *errors.
std::vector<SourceLine> TokenizeText(const std::string& text, const std::string& file,
                                     std::vector<std::string>* errors);

/// Writes bytes as a quoted source string that TokenizeLine reads back to
/// the same bytes. The bytes are UTF-8 text except where escaped.
std::string QuoteString(const std::string& utf8);

/// Integers as written in the sources: decimal, optionally negative, or
/// 0x hexadecimal.
std::optional<int64_t> ParseInteger(const std::string& text);
