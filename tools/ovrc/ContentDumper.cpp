#include "ContentDumper.h"

#include "ContentChecks.h"
#include "ContentCompiler.h"
#include "ContentModule.h"
#include "MediaFiles.h"
#include "ModuleBuilder.h"
#include "SourceLine.h"
#include "Windows1252.h"
#include "formats/FieldText.h"
#include "formats/ScriptFormat.h"
#include "formats/SequenceFormat.h"
#include "formats/SoundListFormat.h"
#include "formats/StrListFormat.h"
#include "formats/StyledTextFormat.h"
#include "formats/TriggerFormat.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <set>

using namespace Formats;

namespace {

/// Content bytes (Windows-1252) as a quoted source string.
std::string Quote(const std::string& bytes) { return QuoteString(FromWindows1252(bytes).toStdString()); }

std::string KeyText(const ResName& key) { return key.IsId() ? key.ToString() : QuoteString(key.ToString()); }

std::string Hex32(uint32_t v)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", v);
    return buffer;
}

std::string CodeText(const std::array<uint8_t, 4>& code)
{
    bool printable = true;
    for (uint8_t b : code)
        printable = printable && b >= 0x20 && b < 0x7F;
    if (printable)
        return Quote(std::string(code.begin(), code.end()));
    return Hex32(Trigger::CodeValue(code));
}

std::string FaceText(uint16_t face)
{
    if (face == 0)
        return "plain";
    std::string out;
    uint16_t rest = face;
    for (const auto& bit : StyledText::kFaceBits)
        if (face & bit.bit) {
            out += (out.empty() ? "" : "+") + std::string(bit.name);
            rest &= uint16_t(~bit.bit);
        }
    return rest ? std::to_string(face) : out;
}

std::string RunText(const StyledText::StyleRun& run, bool withStart)
{
    std::string out;
    if (withStart)
        out += " start=" + std::to_string(run.start);
    out += " lineHeight=" + std::to_string(run.lineHeight) + " ascent=" + std::to_string(run.ascent) +
           " font=" + std::to_string(run.font) + " face=" + FaceText(run.face) + " size=" + std::to_string(run.size) +
           " colour=" + ColourText(run.colour);
    return out;
}

/// Text as quoted pieces, one per source line, each ending after a line break.
std::string TextLines(const std::string& text, const std::string& indent)
{
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size()) {
            const char c = text[end++];
            if (c == '\n' || (c == '\r' && (end >= text.size() || text[end] != '\n')))
                break;
        }
        out += indent + Quote(text.substr(start, end - start)) + "\n";
        start = end;
    }
    return out;
}

std::string LangText(uint16_t language) { return language == 1033 ? "" : " lang=" + std::to_string(language); }

std::string TopicText(const PeResources::Entry& e)
{
    auto view = Trigger::DecodeTrig(e.data);
    if (!view)
        return {};
    std::string out = "topic " + KeyText(e.name) + LangText(e.language) + "\n";
    if (view->reserved0)
        out += "  reserved0 " + std::to_string(view->reserved0) + "\n";
    out += "  flags " + std::to_string(view->flags) + "\n";
    if (view->reserved3)
        out += "  reserved3 " + std::to_string(view->reserved3) + "\n";
    if (view->reserved4)
        out += "  reserved4 " + std::to_string(view->reserved4) + "\n";
    out += "  code " + CodeText(view->code) + "\n";
    if (size_t(view->count < 0 ? 0 : view->count) != view->triggers.size() || view->count < 0)
        out += "  count " + std::to_string(view->count) + "\n";
    for (const auto& t : view->triggers) {
        const Trigger::KindDesc* kind = Trigger::FindKind(t.kind);
        out += "  trigger " + (kind ? std::string(kind->name) : std::to_string(t.kind)) +
               " script=" + std::to_string(t.script);
        for (const Rect32& r : t.rects)
            out += " rect=" + RectText(r);
        if (t.rectCount < 0)
            out += " rects=" + std::to_string(t.rectCount);
        out += "\n";
    }
    return out + "end\n";
}

std::string ScriptText(const PeResources::Entry& e)
{
    auto view = Script::DecodeScript(e.data);
    if (!view)
        return {};
    std::string out = "script " + KeyText(e.name) + LangText(e.language) + "\n";
    if (view->reserved)
        out += "  reserved " + std::to_string(view->reserved) + "\n";
    if (view->count != view->records.size())
        out += "  count " + std::to_string(view->count) + "\n";
    for (const auto& rec : view->records)
        out += "  " + std::string(rec.op->name) + FieldsText(rec.bytes, rec.op->fields) + "\n";
    return out + "end\n";
}

std::string StytText(const PeResources::Entry& e)
{
    return "styt " + KeyText(e.name) + LangText(e.language) + "\n" +
           TextLines(std::string(e.data.begin(), e.data.end()), "  ") + "end\n";
}

std::string StylText(const PeResources::Entry& e)
{
    auto view = StyledText::DecodeStyl(e.data);
    if (!view)
        return {};
    std::string out = "styl " + KeyText(e.name) + LangText(e.language) + "\n";
    if (view->count != int(view->runs.size()))
        out += "  count " + std::to_string(view->count) + "\n";
    for (const auto& run : view->runs)
        out += "  run" + RunText(run, true) + "\n";
    return out + "end\n";
}

/// Both halves of a styled text as one `text` block, or empty when the runs
/// do not cut the text in order from its start.
std::string TextText(const PeResources::Entry& styt, const PeResources::Entry& styl)
{
    auto view = StyledText::DecodeStyl(styl.data);
    if (!view || view->runs.empty() || view->count != int(view->runs.size()) || view->runs[0].start != 0)
        return {};
    const std::string text(styt.data.begin(), styt.data.end());
    for (size_t i = 0; i < view->runs.size(); ++i)
        if (view->runs[i].start > text.size() || (i > 0 && view->runs[i].start < view->runs[i - 1].start))
            return {};
    std::string out = "text " + KeyText(styt.name) + LangText(styt.language) + "\n";
    for (size_t i = 0; i < view->runs.size(); ++i) {
        const size_t end = i + 1 < view->runs.size() ? view->runs[i + 1].start : text.size();
        out += "  style" + RunText(view->runs[i], false) + "\n";
        out += TextLines(text.substr(view->runs[i].start, end - view->runs[i].start), "    ");
    }
    return out + "end\n";
}

std::string StrListText(const PeResources::Entry& e)
{
    auto view = StrList::DecodeStrList(e.data);
    if (!view)
        return {};
    std::string out = "strlist " + KeyText(e.name) + LangText(e.language) + "\n";
    for (const auto& entry : view->entries)
        out += "  " + Quote(entry) + "\n";
    return out + "end\n";
}

std::string SequenceText(const PeResources::Entry& e)
{
    auto view = Sequence::DecodeSequence(e.data);
    std::string out = "sequence " + KeyText(e.name) + LangText(e.language) + "\n";
    for (const auto& entry : view.entries)
        out += "  code " + CodeText(Sequence::CodeFromEntry(entry)) + "\n";
    return out + "end\n";
}

std::string SoundListText(const PeResources::Entry& e)
{
    auto view = SoundList::DecodeSoundList(e.data);
    std::string out = "soundlist" + LangText(e.language) + "\n";
    for (const auto& pair : view.pairs)
        out += "  sound " + Quote(pair.waveName) + " " + Quote(pair.displayName) + "\n";
    return out + "end\n";
}

/// A name usable in a file name: ASCII letters and digits kept, anything
/// else '_'. A long name is cut and given a suffix from all of it, so the
/// file name always fits and stays the same from dump to dump; the source
/// keeps the real name.
std::string FilePart(const ResName& key)
{
    constexpr size_t kMaxPart = 64, kKept = kMaxPart - 9;
    if (key.IsId())
        return key.ToString();
    std::string out;
    for (char16_t unit : key.Name())
        out.push_back(unit < 0x80 && std::isalnum(int(unit)) ? char(unit) : '_');
    if (out.size() > kMaxPart) {
        const QByteArray units(reinterpret_cast<const char*>(key.Name().data()), qsizetype(2 * key.Name().size()));
        const QByteArray hash = QCryptographicHash::hash(units, QCryptographicHash::Sha256).toHex().left(8);
        out = out.substr(0, kKept) + "-" + hash.toStdString();
    }
    return out.empty() ? "_" : out;
}

bool WriteFile(const QString& path, std::span<const uint8_t> bytes, std::string* error)
{
    return WriteFileAtomically(path.toStdString(), bytes, error);
}

} // namespace

bool ContentDumper::Dump(const ContentModule& module, const std::string& dirPath, std::string* error)
{
    QDir dir(QString::fromStdString(dirPath));
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        *error = dirPath + " is not empty";
        return false;
    }
    if (!QDir().mkpath(dir.path())) {
        *error = "cannot create " + dirPath;
        return false;
    }
    const std::string base = dir.path().toStdString();
    std::set<std::string> usedFiles;
    auto fileName = [&](const std::string& folder, const std::string& stem, const std::string& extension) {
        std::string name = folder + "/" + stem + extension;
        for (int n = 2; usedFiles.count(name); ++n)
            name = folder + "/" + stem + "-" + std::to_string(n) + extension;
        usedFiles.insert(name);
        return name;
    };

    const auto& entries = module.Resources().Entries();
    std::vector<bool> done(entries.size(), false);
    auto findPartner = [&](const PeResources::Entry& e, const char* type) -> std::optional<size_t> {
        for (size_t j = 0; j < entries.size(); ++j)
            if (!done[j] && entries[j].type == ResName(type) && entries[j].name == e.name &&
                entries[j].language == e.language)
                return j;
        return std::nullopt;
    };
    // Compiles a candidate text and tells whether it gives back exactly these
    // entries.
    auto reproduces = [&](const std::string& text, std::vector<const PeResources::Entry*> wanted) {
        ContentCompiler compiler;
        if (!compiler.CompileText(text, "dump", base) || !compiler.Finish())
            return false;
        const auto& built = compiler.Resources();
        if (built.size() != wanted.size())
            return false;
        for (const PeResources::Entry* w : wanted) {
            bool found = false;
            for (const BuiltResource& b : built)
                found = found || (b.type == w->type && b.name == w->name && b.language == w->language &&
                                  std::equal(b.data.begin(), b.data.end(), w->data.begin(), w->data.end()));
            if (!found)
                return false;
        }
        return true;
    };

    std::string body;
    std::set<std::tuple<bool, uint16_t, std::u16string, bool, uint16_t, std::u16string, uint16_t>> seen;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (done[i])
            continue;
        const PeResources::Entry& e = entries[i];
        done[i] = true;
        if (!seen.emplace(e.type.IsId(), e.type.Id(), e.type.Name(), e.name.IsId(), e.name.Id(), e.name.Name(),
                          e.language).second) {
            body += "# left out: a second resource type=" + QuoteString(e.type.ToString()) + " name=" +
                    QuoteString(e.name.ToString()) + " lang=" + std::to_string(e.language) + "\n\n";
            continue;
        }
        std::string text;
        std::vector<const PeResources::Entry*> wanted{&e};
        std::vector<std::pair<QString, std::vector<uint8_t>>> files;
        const std::string stem = FilePart(e.type) + "-" + FilePart(e.name) +
                                 (e.language == 1033 ? "" : "-" + std::to_string(e.language));
        if (e.type == ResName(ResType::kTopic)) {
            text = TopicText(e);
        } else if (e.type == ResName(ResType::kScript)) {
            text = ScriptText(e);
        } else if (e.type == ResName(ResType::kText) || e.type == ResName(ResType::kStyles)) {
            const bool isText = e.type == ResName(ResType::kText);
            if (auto j = findPartner(e, isText ? ResType::kStyles : ResType::kText)) {
                const PeResources::Entry& styt = isText ? e : entries[*j];
                const PeResources::Entry& styl = isText ? entries[*j] : e;
                std::string combined = TextText(styt, styl);
                if (!combined.empty() && reproduces(combined, {&styt, &styl})) {
                    done[*j] = true;
                    body += combined + "\n";
                    m_decoded += 2;
                    continue;
                }
            }
            text = isText ? StytText(e) : StylText(e);
        } else if (e.type == ResName(ResType::kStrList)) {
            text = StrListText(e);
        } else if (e.type == ResName(ResType::kSequence)) {
            text = SequenceText(e);
        } else if (e.type == ResName(kRtRcdata) &&
                   e.name == ResName(ResId::kSoundList)) {
            text = SoundListText(e);
        } else if (e.type == ResName(kRtBitmap)) {
            std::string ignored;
            if (auto info = InspectPackedDib(e.data, &ignored)) {
                const std::string file = fileName("pictures", stem, ".bmp");
                files.emplace_back(QString::fromStdString(base + "/" + file), BmpFileFromPackedDib(e.data, *info));
                text = "bitmap " + KeyText(e.name) + LangText(e.language) + " file=" + QuoteString(file) + "\n";
            }
        } else if (e.type == ResName(ResType::kWave) && CheckWaveImage(e.data).empty()) {
            const std::string file = fileName("sounds", stem, ".wav");
            files.emplace_back(QString::fromStdString(base + "/" + file),
                               std::vector<uint8_t>(e.data.begin(), e.data.end()));
            text = "wave " + KeyText(e.name) + LangText(e.language) + " file=" + QuoteString(file) + "\n";
        }
        for (const auto& [path, bytes] : files)
            if (!WriteFile(path, bytes, error))
                return false;
        if (!text.empty() && reproduces(text, wanted)) {
            body += text + "\n";
            ++m_decoded;
            continue;
        }
        for (const auto& [path, bytes] : files) {
            QFile::remove(path);
            usedFiles.erase(QDir(dir).relativeFilePath(path).toStdString());
        }
        const std::string file = fileName("raw", stem, ".bin");
        if (!WriteFile(QString::fromStdString(base + "/" + file), e.data, error))
            return false;
        body += "raw " + KeyText(e.type) + " " + KeyText(e.name) + LangText(e.language) +
                " file=" + QuoteString(file) + "\n\n";
        ++m_raw;
    }

    // A module that would fail the build's checks is rebuilt with them off.
    std::vector<BuiltResource> asBuilt;
    for (const PeResources::Entry& e : entries)
        asBuilt.push_back({e.type, e.name, e.language, std::vector<uint8_t>(e.data.begin(), e.data.end()), {}, {}});
    std::string head = "# Dumped by ovrc from " + module.Path() + "\n\n";
    const auto problems = CheckContent(asBuilt);
    if (!problems.empty()) {
        head += "# This module does not pass the build's checks:\n";
        for (std::string p : problems) {
            std::replace(p.begin(), p.end(), '\n', ' ');
            head += "#   " + p + "\n";
        }
        head += "option checks=off\n\n";
    }
    const std::string source = head + body;
    return WriteFile(QString::fromStdString(base + "/content.ovs"),
                     std::span(reinterpret_cast<const uint8_t*>(source.data()), source.size()), error);
}
