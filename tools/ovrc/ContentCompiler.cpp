#include "ContentCompiler.h"

#include "MediaFiles.h"
#include "Windows1252.h"
#include "formats/ScriptFormat.h"
#include "formats/SequenceFormat.h"
#include "formats/SoundListFormat.h"
#include "formats/StrListFormat.h"
#include "formats/StyledTextFormat.h"
#include "formats/TriggerFormat.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <optional>

using namespace Formats;

namespace {

constexpr uint16_t kDefaultLanguage = 1033;
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

std::string Join(std::span<const FieldDesc> fields)
{
    std::string out;
    for (const FieldDesc& f : fields) {
        if (!out.empty())
            out += ", ";
        out += f.name;
    }
    return out;
}

/// UTF-8 source text to the Windows-1252 bytes stored in the module.
bool ToContentBytes(const std::string& utf8, std::string* bytes, std::string* error)
{
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    bool lossless = false;
    *bytes = ToWindows1252(text, &lossless);
    if (!lossless) {
        *error = "text " + QuoteString(utf8) + " has characters that Windows-1252 cannot store";
        return false;
    }
    return true;
}

std::optional<Rect32> ParseRect(const std::string& text)
{
    int64_t v[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t comma = text.find(',', start);
        if ((i < 3) != (comma != std::string::npos))
            return std::nullopt;
        auto value = ParseInteger(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!value || *value < INT32_MIN || *value > INT32_MAX)
            return std::nullopt;
        v[i] = *value;
        start = comma + 1;
    }
    return Rect32{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
}

std::optional<int64_t> ParseColour(const std::string& text)
{
    if (!text.empty() && text[0] == '#') {
        if (text.size() != 7)
            return std::nullopt;
        auto rgb = ParseInteger("0x" + text.substr(1));
        if (!rgb)
            return std::nullopt;
        const int64_t r = (*rgb >> 16) & 0xFF, g = (*rgb >> 8) & 0xFF, b = *rgb & 0xFF;
        return r | (g << 8) | (b << 16);
    }
    return ParseInteger(text);
}

/// A scalar or rect value of a table field from its token.
bool ParseFieldValue(const FieldDesc& field, const SourceToken& token, int64_t* scalar, Rect32* rect,
                     std::string* error)
{
    const std::string what = "'" + std::string(field.name) + "'";
    switch (field.kind) {
    case FieldKind::Rect: {
        auto r = ParseRect(token.text);
        if (!r || token.quoted) {
            *error = what + " needs four integers: left,top,right,bottom";
            return false;
        }
        *rect = *r;
        return true;
    }
    case FieldKind::Colour: {
        auto c = token.quoted ? std::nullopt : ParseColour(token.text);
        if (!c || !ScalarFits(field.kind, *c)) {
            *error = what + " needs a colour: #rrggbb or a 32-bit number";
            return false;
        }
        *scalar = *c;
        return true;
    }
    case FieldKind::Code4: {
        if (token.quoted) {
            std::string bytes;
            if (!ToContentBytes(token.text, &bytes, error))
                return false;
            if (bytes.size() != 4) {
                *error = what + " needs exactly four characters";
                return false;
            }
            *scalar = CodeValue({uint8_t(bytes[0]), uint8_t(bytes[1]), uint8_t(bytes[2]), uint8_t(bytes[3])});
            return true;
        }
        [[fallthrough]];
    }
    default: {
        auto v = token.quoted ? std::nullopt : ParseInteger(token.text);
        if (!v || !ScalarFits(field.kind, *v)) {
            *error = what + " needs an integer that fits its field, not '" + token.text + "'";
            return false;
        }
        *scalar = *v;
        return true;
    }
    }
}

/// Fills a fixed-layout record from key=value tokens (tokens[first...]).
bool FillRecord(std::span<const FieldDesc> fields, const std::vector<SourceToken>& tokens, size_t first,
                std::span<uint8_t> record, const std::string& recordName, std::string* error)
{
    std::vector<const FieldDesc*> seen;
    for (size_t i = first; i < tokens.size(); ++i) {
        const SourceToken& t = tokens[i];
        if (t.key.empty()) {
            *error = "expected name=value after " + recordName + ", found '" + t.text + "'";
            return false;
        }
        const FieldDesc* field = FindField(fields, t.key);
        if (!field) {
            *error = recordName + " has no field '" + t.key + "' (fields: " + Join(fields) + ")";
            return false;
        }
        if (std::find(seen.begin(), seen.end(), field) != seen.end()) {
            *error = "field '" + t.key + "' is given twice";
            return false;
        }
        seen.push_back(field);
        int64_t scalar = 0;
        Rect32 rect;
        if (!ParseFieldValue(*field, t, &scalar, &rect, error))
            return false;
        if (field->kind == FieldKind::Rect)
            WriteRect(record, *field, rect);
        else
            WriteScalar(record, *field, scalar);
    }
    return true;
}

/// A header field of a topic or script body ("name value"). The record count
/// is kept in *count for HeaderAndRecords; any other field is stored at once.
bool SetHeaderField(const FieldDesc& field, const SourceToken& token, std::span<uint8_t> header,
                    std::optional<int64_t>* count, std::string* error)
{
    int64_t value = 0;
    Rect32 unused;
    if (!ParseFieldValue(field, token, &value, &unused, error))
        return false;
    if (field.name == "count")
        *count = value;
    else
        WriteScalar(header, field, value);
    return true;
}

/// The header with its count field set (the given count, or the number of
/// records), followed by the records.
std::vector<uint8_t> HeaderAndRecords(std::vector<uint8_t> header, const FieldDesc& countField,
                                      std::optional<int64_t> count, size_t recordCount,
                                      const std::vector<uint8_t>& records)
{
    WriteScalar(header, countField, count ? *count : int64_t(recordCount));
    header.insert(header.end(), records.begin(), records.end());
    return header;
}

bool IsWord(const SourceToken& t, std::string_view word)
{
    return t.key.empty() && !t.quoted && EqualsIgnoreCase(t.text, word);
}

std::optional<int64_t> ParseFace(const std::string& text)
{
    if (auto v = ParseInteger(text))
        return v;
    int64_t face = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t plus = text.find('+', start);
        std::string name = text.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        bool known = false;
        for (const StyledText::FaceBit& bit : StyledText::kFaceBits)
            if (EqualsIgnoreCase(bit.name, name)) {
                face |= bit.bit;
                known = true;
            }
        if (!known && !EqualsIgnoreCase(name, "plain"))
            return std::nullopt;
        if (plus == std::string::npos)
            break;
        start = plus + 1;
    }
    return face;
}

/// A style run from "name=value" tokens; `start` only when allowStart.
bool ParseRun(const std::vector<SourceToken>& tokens, size_t first, bool allowStart, StyledText::StyleRun* run,
              std::string* error)
{
    std::vector<uint8_t> record(StyledText::kRunSize, 0);
    std::vector<SourceToken> rest;
    int64_t face = 0;
    bool haveFace = false;
    for (size_t i = first; i < tokens.size(); ++i) {
        const SourceToken& t = tokens[i];
        if (EqualsIgnoreCase(t.key, "face")) {
            auto f = ParseFace(t.text);
            if (!f || !ScalarFits(FieldKind::U16, *f) || haveFace) {
                *error = "'face' needs bold, italic, underline joined by '+', or a number (once)";
                return false;
            }
            face = *f;
            haveFace = true;
        } else if (EqualsIgnoreCase(t.key, "start") && !allowStart) {
            *error = "a style in a text block starts where it stands; 'start' is for styl blocks";
            return false;
        } else {
            rest.push_back(t);
        }
    }
    if (!FillRecord(StyledText::kRunFields, rest, 0, record, "a style run", error))
        return false;
    *run = *StyledText::DecodeRun(record);
    run->face = uint16_t(face);
    return true;
}

} // namespace

std::string UpperCaseName(const std::string& name)
{
    std::string out = name;
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

void ContentCompiler::Error(const SourceLocation& where, const std::string& message)
{
    m_errors.push_back(where.ToString() + ": " + message);
}

bool ContentCompiler::CompileDirectory(const std::string& dir)
{
    QDir root(QString::fromStdString(dir));
    if (!root.exists()) {
        m_errors.push_back(dir + ": no such directory");
        return false;
    }
    QStringList files;
    QDirIterator it(root.path(), {"*.ovs"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    if (files.isEmpty()) {
        m_errors.push_back(dir + ": no .ovs source files");
        return false;
    }
    bool ok = true;
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_errors.push_back(path.toStdString() + ": cannot read: " + file.errorString().toStdString());
            ok = false;
            continue;
        }
        const QByteArray text = file.readAll();
        ok = CompileText(text.toStdString(), path.toStdString(), QFileInfo(path).path().toStdString()) && ok;
    }
    return ok;
}

bool ContentCompiler::CompileText(const std::string& text, const std::string& file, const std::string& baseDir)
{
    const size_t errorsBefore = m_errors.size();
    const std::vector<SourceLine> lines = TokenizeText(text, file, &m_errors);
    size_t index = 0;
    while (index < lines.size())
        ParseBlock(lines, &index, baseDir);
    return m_errors.size() == errorsBefore;
}

// ---- Blocks ----------------------------------------------------------------

/// One block of the sources (or a one-line statement such as `bitmap`): its
/// first line, the lines up to its "end", and the resource it makes.
struct ContentCompiler::Block {
    const SourceLine& head;
    std::string kind; ///< the keyword as written
    std::vector<const SourceLine*> body;
    BuiltResource res;
    std::optional<SourceToken> file;
    std::string baseDir;
};

/// What follows the keyword on a block's first line.
enum class ContentCompiler::Key {
    None,         ///< its own tokens (option)
    Name,         ///< an id or a name (stored upper-case)
    TypeAndName,  ///< a type, then an id or a name, both as written (raw)
    OptionalName, ///< an id or a name, else the sound list's name
};

struct ContentCompiler::BlockKind {
    std::string_view keyword;
    bool hasBody; ///< the lines up to "end" belong to it
    Key key;
    bool takesFile;
    bool (ContentCompiler::*build)(Block&);
};

const ContentCompiler::BlockKind ContentCompiler::kBlockKinds[] = {
    {"topic", true, Key::Name, false, &ContentCompiler::BuildTopic},
    {"script", true, Key::Name, false, &ContentCompiler::BuildScript},
    {"text", true, Key::Name, false, &ContentCompiler::BuildText},
    {"styt", true, Key::Name, false, &ContentCompiler::BuildStyt},
    {"styl", true, Key::Name, false, &ContentCompiler::BuildStyl},
    {"strlist", true, Key::Name, false, &ContentCompiler::BuildStrList},
    {"sequence", true, Key::Name, false, &ContentCompiler::BuildSequence},
    {"soundlist", true, Key::OptionalName, false, &ContentCompiler::BuildSoundList},
    {"bitmap", false, Key::Name, true, &ContentCompiler::BuildBitmap},
    {"wave", false, Key::Name, true, &ContentCompiler::BuildWave},
    {"raw", false, Key::TypeAndName, true, &ContentCompiler::BuildRaw},
    {"option", false, Key::None, false, &ContentCompiler::BuildOption},
};

bool ContentCompiler::LineError(const SourceLine& line, const std::string& message)
{
    Error(line.where, message);
    return false;
}

bool ContentCompiler::ParseBlock(const std::vector<SourceLine>& lines, size_t* index, const std::string& baseDir)
{
    const SourceLine& head = lines[*index];
    ++*index;
    const SourceToken& first = head.tokens[0];
    const BlockKind* kind = nullptr;
    std::string keywords;
    for (const BlockKind& k : kBlockKinds) {
        keywords += (keywords.empty() ? "" : ", ") + std::string(k.keyword);
        if (first.key.empty() && !first.quoted && EqualsIgnoreCase(first.text, k.keyword))
            kind = &k;
    }
    if (!first.key.empty() || first.quoted)
        return LineError(head, "expected a keyword (" + keywords + ")");
    if (!kind)
        return LineError(head, "unknown keyword '" + first.text + "'");

    Block block{head, first.text, {}, {}, {}, baseDir};
    if (kind->hasBody) {
        bool closed = false;
        while (*index < lines.size()) {
            const SourceLine& l = lines[*index];
            ++*index;
            // Lower-case only: the End statement of a script is written "End".
            if (l.tokens.size() == 1 && l.tokens[0].key.empty() && !l.tokens[0].quoted && l.tokens[0].text == "end") {
                closed = true;
                break;
            }
            block.body.push_back(&l);
        }
        if (!closed)
            return LineError(head, "'" + block.kind + "' block has no 'end'");
    }
    if (kind->key == Key::None)
        return (this->*kind->build)(block);
    if (!ReadHeader(*kind, block))
        return false;
    if (!(this->*kind->build)(block))
        return false;
    m_resources.push_back(std::move(block.res));
    return true;
}

std::optional<ResName> ContentCompiler::ReadKey(const Block& block, size_t* pos, const char* what, bool upper)
{
    const auto& tokens = block.head.tokens;
    if (*pos >= tokens.size() || !tokens[*pos].key.empty()) {
        LineError(block.head, "'" + block.kind + "' needs " + what);
        return std::nullopt;
    }
    const SourceToken& t = tokens[(*pos)++];
    if (!t.quoted) {
        if (auto id = ParseInteger(t.text)) {
            if (*id < 0 || *id > 0xFFFF) {
                LineError(block.head, std::string(what) + " " + t.text + " is not a 16-bit id");
                return std::nullopt;
            }
            return ResName(uint16_t(*id));
        }
    }
    // Names are stored as UTF-16: any character can be part of one.
    if (t.text.empty()) {
        LineError(block.head, std::string(what) + " is empty");
        return std::nullopt;
    }
    return ResName(upper ? UpperCaseName(t.text) : t.text);
}

bool ContentCompiler::ReadHeader(const BlockKind& kind, Block& block)
{
    // The keyword, the type (raw only) and the id or name, then key=value
    // attributes.
    const auto& tokens = block.head.tokens;
    BuiltResource& res = block.res;
    res.where = block.head.where;
    res.language = kDefaultLanguage;
    size_t pos = 1;
    if (kind.key == Key::TypeAndName) {
        auto type = ReadKey(block, &pos, "a type", false);
        if (!type)
            return false;
        res.type = *type;
    }
    if (kind.key == Key::OptionalName && (pos >= tokens.size() || !tokens[pos].key.empty())) {
        res.name = ResName(ResId::kSoundList);
    } else {
        auto name = ReadKey(block, &pos, "an id or a name", kind.key != Key::TypeAndName);
        if (!name)
            return false;
        res.name = *name;
    }
    std::map<std::string, SourceToken> attributes;
    for (; pos < tokens.size(); ++pos) {
        if (tokens[pos].key.empty())
            return LineError(block.head, "unexpected '" + tokens[pos].text + "' in the '" + block.kind + "' line");
        std::string key = tokens[pos].key;
        for (char& c : key)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (attributes.count(key))
            return LineError(block.head, "'" + key + "' is given twice");
        attributes[key] = tokens[pos];
    }
    if (auto lang = attributes.extract("lang")) {
        auto v = ParseInteger(lang.mapped().text);
        if (!v || *v < 0 || *v > 0xFFFF)
            return LineError(block.head, "'lang' needs a 16-bit number");
        res.language = uint16_t(*v);
    }
    if (auto file = attributes.extract("file"))
        block.file = file.mapped();
    if (!attributes.empty())
        return LineError(block.head, "'" + block.kind + "' has no attribute '" + attributes.begin()->first + "'");
    if (block.file && !kind.takesFile)
        return LineError(block.head, "'" + block.kind + "' takes no file");
    return true;
}

bool ContentCompiler::ReadFile(const Block& block, std::vector<uint8_t>* bytes)
{
    if (!block.file)
        return LineError(block.head, "'" + block.kind + "' needs file=PATH");
    QString path = QString::fromStdString(block.file->text);
    if (QFileInfo(path).isRelative())
        path = QDir(QString::fromStdString(block.baseDir)).filePath(path);
    // Only plain files of a sane size: a device or a pipe named here must
    // not hang the build.
    const QFileInfo info(path);
    if (!info.isFile())
        return LineError(block.head, "cannot read " + path.toStdString() + ": not a file");
    if (info.size() > kMaxFileSize)
        return LineError(block.head, path.toStdString() + " is larger than a resource may be");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LineError(block.head, "cannot read " + path.toStdString() + ": " + file.errorString().toStdString());
    const QByteArray data = file.read(kMaxFileSize);
    bytes->assign(data.begin(), data.end());
    return true;
}

bool ContentCompiler::ReadStrings(const SourceLine& line, std::string* out)
{
    for (const SourceToken& t : line.tokens) {
        if (!t.quoted || !t.key.empty())
            return LineError(line, "expected a quoted string, found '" + t.text + "'");
        std::string bytes, error;
        if (!ToContentBytes(t.text, &bytes, &error))
            return LineError(line, error);
        *out += bytes;
    }
    return true;
}

bool ContentCompiler::BuildOption(Block& block)
{
    const auto& tokens = block.head.tokens;
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (EqualsIgnoreCase(tokens[i].key, "checks") && (tokens[i].text == "on" || tokens[i].text == "off"))
            m_checks = tokens[i].text == "on";
        else
            return LineError(block.head, "unknown option '" + (tokens[i].key.empty() ? tokens[i].text : tokens[i].key) +
                                             "' (known: checks=on|off)");
    }
    return true;
}

bool ContentCompiler::BuildBitmap(Block& block)
{
    block.res.type = ResName(ResType::kBitmap);
    std::vector<uint8_t> file;
    if (!ReadFile(block, &file))
        return false;
    std::string error;
    auto dib = PackedDibFromBmpFile(file, &error);
    if (!dib)
        return LineError(block.head, block.file->text + ": " + error);
    block.res.data = std::move(*dib);
    return true;
}

bool ContentCompiler::BuildWave(Block& block)
{
    block.res.type = ResName(ResType::kWave);
    if (!ReadFile(block, &block.res.data))
        return false;
    const std::string error = CheckWaveImage(block.res.data);
    if (!error.empty())
        return LineError(block.head, block.file->text + ": " + error);
    return true;
}

bool ContentCompiler::BuildRaw(Block& block) { return ReadFile(block, &block.res.data); }

bool ContentCompiler::BuildTopic(Block& block)
{
    using namespace Trigger;
    BuiltResource& res = block.res;
    res.type = ResName(ResType::kTopic);
    std::vector<uint8_t> header(kHeaderSize, 0);
    std::vector<uint8_t> records;
    std::optional<int64_t> count;
    std::string error;
    for (const SourceLine* line : block.body) {
        const auto& t = line->tokens;
        if (IsWord(t[0], "trigger")) {
            if (t.size() < 2 || !t[1].key.empty() || t[1].quoted)
                return LineError(*line, "'trigger' needs a kind (Continuous, Background, MouseOver, MouseUp, "
                                        "MouseDown, MouseClick)");
            int64_t triggerKind = 0;
            if (const KindDesc* k = FindKind(t[1].text))
                triggerKind = k->kind;
            else if (auto n = ParseInteger(t[1].text); n && ScalarFits(FieldKind::I16, *n))
                triggerKind = *n;
            else
                return LineError(*line, "unknown trigger kind '" + t[1].text + "'");
            std::vector<uint8_t> record(kRecordFixedSize, 0);
            StoreScalar(record, kRecordFields, "kind", triggerKind);
            std::optional<int64_t> rectsOverride;
            bool haveScript = false;
            for (size_t i = 2; i < t.size(); ++i) {
                if (EqualsIgnoreCase(t[i].key, "rect")) {
                    auto r = ParseRect(t[i].text);
                    if (!r || t[i].quoted)
                        return LineError(*line, "'rect' needs four integers: left,top,right,bottom");
                    record.resize(record.size() + kRectSize);
                    WriteRect(std::span(record).subspan(record.size() - kRectSize), kRectField, *r);
                } else if (EqualsIgnoreCase(t[i].key, "script") && !haveScript) {
                    int64_t id = 0;
                    Rect32 unused;
                    const FieldDesc& script = Field(kRecordFields, "script");
                    if (!ParseFieldValue(script, t[i], &id, &unused, &error))
                        return LineError(*line, error);
                    WriteScalar(record, script, id);
                    haveScript = true;
                } else if (EqualsIgnoreCase(t[i].key, "rects") && !rectsOverride) {
                    rectsOverride = ParseInteger(t[i].text);
                    if (!rectsOverride || *rectsOverride > 0 || *rectsOverride < INT16_MIN)
                        return LineError(*line, "'rects' only stores a count of zero or less");
                } else {
                    return LineError(*line, "unexpected '" + (t[i].key.empty() ? t[i].text : t[i].key) +
                                                "' in a trigger (script=ID, rect=l,t,r,b ...)");
                }
            }
            if (!haveScript)
                return LineError(*line, "trigger needs script=ID");
            const size_t rects = (record.size() - kRecordFixedSize) / kRectSize;
            if (rectsOverride && rects > 0)
                return LineError(*line, "'rects' cannot be given with rect=");
            if (rects > 32767)
                return LineError(*line, "too many rectangles");
            StoreScalar(record, kRecordFields, "rectCount", rectsOverride ? *rectsOverride : int64_t(rects));
            records.insert(records.end(), record.begin(), record.end());
            res.recordLines.push_back(line->where);
            continue;
        }
        if (t.size() != 2 || !t[0].key.empty() || !t[1].key.empty())
            return LineError(*line, "expected 'trigger ...' or a header field and its value (" + Join(kHeaderFields) + ")");
        const FieldDesc* field = FindField(kHeaderFields, t[0].text);
        if (!field)
            return LineError(*line, "topic has no field '" + t[0].text + "' (" + Join(kHeaderFields) + ", trigger)");
        if (!SetHeaderField(*field, t[1], header, &count, &error))
            return LineError(*line, error);
    }
    if (res.recordLines.size() > 32767)
        return LineError(*block.body.back(), "too many triggers");
    res.data = HeaderAndRecords(header, Field(kHeaderFields, "count"), count, res.recordLines.size(), records);
    return true;
}

bool ContentCompiler::BuildScript(Block& block)
{
    BuiltResource& res = block.res;
    res.type = ResName(ResType::kScript);
    std::vector<uint8_t> header(Script::kHeaderSize, 0);
    std::vector<uint8_t> records;
    std::optional<int64_t> count;
    std::string error;
    for (const SourceLine* line : block.body) {
        const auto& t = line->tokens;
        if (!t[0].key.empty() || t[0].quoted)
            return LineError(*line, "expected a statement name");
        if (const Script::OpcodeDesc* op = Script::FindOpcode(t[0].text)) {
            std::vector<uint8_t> record = Script::NewRecord(*op);
            if (!FillRecord(op->fields, t, 1, record, std::string(op->name), &error))
                return LineError(*line, error);
            records.insert(records.end(), record.begin(), record.end());
            res.recordLines.push_back(line->where);
            continue;
        }
        const FieldDesc* field = FindField(Script::kHeaderFields, t[0].text);
        if (!field || t.size() != 2) {
            std::string names;
            for (const auto& op : Script::kOpcodes)
                names += std::string(names.empty() ? "" : ", ") + std::string(op.name);
            return LineError(*line, "unknown statement '" + t[0].text + "' (statements: " + names + ")");
        }
        if (!SetHeaderField(*field, t[1], header, &count, &error))
            return LineError(*line, error);
    }
    if (res.recordLines.size() > 0xFFFF)
        return LineError(*block.body.back(), "too many statements");
    res.data = HeaderAndRecords(header, Field(Script::kHeaderFields, "count"), count, res.recordLines.size(), records);
    return true;
}

bool ContentCompiler::BuildText(Block& block)
{
    std::string text, error;
    std::vector<StyledText::StyleRun> runs;
    for (const SourceLine* line : block.body) {
        const auto& t = line->tokens;
        if (IsWord(t[0], "style")) {
            StyledText::StyleRun run;
            if (!ParseRun(t, 1, false, &run, &error))
                return LineError(*line, error);
            run.start = uint32_t(text.size());
            runs.push_back(run);
            continue;
        }
        if (runs.empty())
            return LineError(*line, "text needs a 'style' line before its first string");
        if (!ReadStrings(*line, &text))
            return false;
    }
    auto styl = StyledText::EncodeStyl(runs);
    if (!styl)
        return LineError(block.head, "too many styles");
    BuiltResource styt = block.res;
    styt.type = ResName(ResType::kText);
    styt.data.assign(text.begin(), text.end());
    m_resources.push_back(std::move(styt));
    block.res.type = ResName(ResType::kStyles);
    block.res.data = std::move(*styl);
    return true;
}

bool ContentCompiler::BuildStyt(Block& block)
{
    block.res.type = ResName(ResType::kText);
    std::string text;
    for (const SourceLine* line : block.body)
        if (!ReadStrings(*line, &text))
            return false;
    block.res.data.assign(text.begin(), text.end());
    return true;
}

bool ContentCompiler::BuildStyl(Block& block)
{
    block.res.type = ResName(ResType::kStyles);
    std::vector<StyledText::StyleRun> runs;
    std::optional<int64_t> count;
    std::string error;
    for (const SourceLine* line : block.body) {
        const auto& t = line->tokens;
        if (IsWord(t[0], "run")) {
            StyledText::StyleRun run;
            if (!ParseRun(t, 1, true, &run, &error))
                return LineError(*line, error);
            runs.push_back(run);
        } else if (IsWord(t[0], "count") && t.size() == 2) {
            Rect32 unused;
            int64_t v = 0;
            if (!ParseFieldValue(Field(StyledText::kHeaderFields, "count"), t[1], &v, &unused, &error))
                return LineError(*line, error);
            count = v;
        } else {
            return LineError(*line, "expected 'run name=value ...' or 'count N'");
        }
    }
    auto styl = StyledText::EncodeStyl(runs);
    if (!styl)
        return LineError(block.head, "too many runs");
    block.res.data = std::move(*styl);
    if (count)
        StoreScalar(block.res.data, StyledText::kHeaderFields, "count", *count);
    return true;
}

bool ContentCompiler::BuildStrList(Block& block)
{
    block.res.type = ResName(ResType::kStrList);
    std::vector<std::string> entries;
    for (const SourceLine* line : block.body) {
        if (line->tokens.size() != 1)
            return LineError(*line, "one quoted string per entry");
        std::string entry;
        if (!ReadStrings(*line, &entry))
            return false;
        entries.push_back(entry);
        block.res.recordLines.push_back(line->where);
    }
    std::string error;
    auto data = StrList::EncodeStrList(entries, &error);
    if (!data)
        return LineError(block.head, error);
    block.res.data = std::move(*data);
    return true;
}

bool ContentCompiler::BuildSequence(Block& block)
{
    block.res.type = ResName(ResType::kSequence);
    PendingSequence pending;
    std::string error;
    for (const SourceLine* line : block.body) {
        const auto& t = line->tokens;
        if (t.size() != 2 || !t[0].key.empty() || !t[1].key.empty())
            return LineError(*line, "expected 'routine TOPIC_ID' or 'code \"ABCD\"'");
        if (IsWord(t[0], "routine")) {
            auto id = ParseInteger(t[1].text);
            if (!id || t[1].quoted || *id < ResId::kStretchTopics || *id >= ResId::kReadingTopics)
                return LineError(*line, "'routine' needs a stretch routine topic id (" +
                                            std::to_string(ResId::kStretchTopics) + "-" +
                                            std::to_string(ResId::kReadingTopics - 1) + ")");
            pending.routines.push_back(uint16_t(*id));
            pending.codes.emplace_back();
        } else if (IsWord(t[0], "code")) {
            int64_t code = 0;
            Rect32 unused;
            if (!ParseFieldValue(Field(Trigger::kHeaderFields, "code"), t[1], &code, &unused, &error))
                return LineError(*line, error);
            pending.routines.push_back(0);
            const Code4Bytes bytes = CodeBytes(uint32_t(code));
            pending.codes.emplace_back(bytes.begin(), bytes.end());
        } else {
            return LineError(*line, "expected 'routine TOPIC_ID' or 'code \"ABCD\"'");
        }
        pending.lines.push_back(line->where);
    }
    pending.resource = m_resources.size();
    m_sequences.push_back(std::move(pending));
    return true;
}

bool ContentCompiler::BuildSoundList(Block& block)
{
    block.res.type = ResName(ResType::kRcdata);
    std::vector<SoundList::SoundPair> pairs;
    std::string error;
    for (const SourceLine* line : block.body) {
        const auto& t = line->tokens;
        if (t.size() != 3 || !IsWord(t[0], "sound") || !t[1].key.empty() || !t[2].key.empty() || !t[2].quoted)
            return LineError(*line, "expected 'sound WAVE_NAME \"Display name\"'");
        SoundList::SoundPair pair;
        if (!ToContentBytes(t[1].text, &pair.waveName, &error) || !ToContentBytes(t[2].text, &pair.displayName, &error))
            return LineError(*line, error);
        pair.waveName = UpperCaseName(pair.waveName);
        pairs.push_back(pair);
    }
    auto data = SoundList::EncodeSoundList(pairs, &error);
    if (!data)
        return LineError(block.head, error);
    block.res.data = std::move(*data);
    return true;
}

bool ContentCompiler::Finish()
{
    const size_t errorsBefore = m_errors.size();
    for (PendingSequence& pending : m_sequences) {
        std::vector<Sequence::Entry> entries;
        for (size_t i = 0; i < pending.routines.size(); ++i) {
            Sequence::Code code{};
            if (pending.routines[i] == 0) {
                std::copy(pending.codes[i].begin(), pending.codes[i].end(), code.begin());
            } else {
                // The programs read a topic in its first language in directory
                // order, the lowest language id.
                const BuiltResource* trig = nullptr;
                for (const BuiltResource& r : m_resources)
                    if (r.type.Matches(ResType::kTopic) && r.name.IsId() && r.name.Id() == pending.routines[i] &&
                        (!trig || r.language < trig->language))
                        trig = &r;
                if (!trig) {
                    Error(pending.lines[i], "routine " + std::to_string(pending.routines[i]) + " has no topic");
                    continue;
                }
                // A raw topic may be shorter than the header that holds the code.
                const auto view = Trigger::DecodeTrig(trig->data);
                if (!view) {
                    Error(pending.lines[i], "routine " + std::to_string(pending.routines[i]) +
                                                " has no code: its topic is shorter than a topic header");
                    continue;
                }
                code = view->code;
            }
            entries.push_back(Sequence::EntryFromCode(code));
        }
        m_resources[pending.resource].data = Sequence::EncodeSequence(entries);
        m_resources[pending.resource].recordLines = pending.lines;
    }
    m_sequences.clear();
    return m_errors.size() == errorsBefore;
}
