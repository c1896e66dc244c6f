#include "ResFile.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {
void PutU16(QByteArray* out, quint16 v)
{
    out->append(char(v & 0xFF));
    out->append(char(v >> 8));
}
void PutU32(QByteArray* out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out->append(char((v >> (8 * i)) & 0xFF));
}
void PutNameOrId(QByteArray* out, const QVariant& value)
{
    if (value.typeId() == QMetaType::Int) {
        PutU16(out, 0xFFFF);
        PutU16(out, quint16(value.toInt()));
        return;
    }
    for (QChar c : value.toString())
        PutU16(out, c.unicode());
    PutU16(out, 0);
}
void PadTo4(QByteArray* out)
{
    while (out->size() % 4)
        out->append('\0');
}
QByteArray Resource(const ResEntry& e)
{
    QByteArray header;
    PutNameOrId(&header, e.type);
    PutNameOrId(&header, e.name);
    PadTo4(&header);
    PutU32(&header, 0);          // data version
    PutU16(&header, 0x30);       // memory flags
    PutU16(&header, e.language);
    PutU32(&header, 0);          // version
    PutU32(&header, 0);          // characteristics
    QByteArray out;
    PutU32(&out, quint32(e.data.size()));
    PutU32(&out, quint32(header.size() + 8));
    out += header;
    out += e.data;
    PadTo4(&out);
    return out;
}
} // namespace

QByteArray MakeResFile(const std::vector<ResEntry>& entries)
{
    QByteArray out = Resource({0, 0, {}, 0}); // the empty leading entry of every .res file
    for (const ResEntry& e : entries)
        out += Resource(e);
    return out;
}

bool RunTool(const QString& program, const QStringList& args, QString* log)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        *log = program + " could not start (is it installed? scripts/setup installs it)";
        return false;
    }
    p.waitForFinished(60000);
    *log = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool LinkModule(const std::vector<ResEntry>& entries, const QString& dir, bool useLld, QString* dllPath,
                QString* log)
{
    const QString res = dir + (useLld ? "/lld.res" : "/ld.res");
    QFile f(res);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(MakeResFile(entries));
    f.close();
    if (useLld) {
        *dllPath = dir + "/lld.dll";
        return RunTool("lld-link", {"/dll", "/noentry", "/machine:x64", res, "/out:" + *dllPath}, log);
    }
    const QString obj = dir + "/ld.o";
    *dllPath = dir + "/ld.dll";
    return RunTool("x86_64-w64-mingw32-windres", {"-i", res, "-o", obj}, log)
        && RunTool("x86_64-w64-mingw32-ld", {"--dll", "-e", "0", "-o", *dllPath, obj}, log);
}

bool ReadWithLlvm(const QString& dllPath, std::vector<ListedResource>* out, QString* log)
{
    if (!RunTool("llvm-readobj", {"--coff-resources", dllPath}, log))
        return false;
    // Walks the nested "Type: / Name: / Language:" blocks and the hex dump.
    static const QRegularExpression typeRe(R"(^\s*Type: (.*) \[$)");
    static const QRegularExpression nameRe(R"(^\s*Name: (.*) \[$)");
    static const QRegularExpression langRe(R"(^\s*Language: \(ID (\d+)\) \[$)");
    static const QRegularExpression hexRe(R"(^\s*[0-9A-F]{4}: ((?:[0-9A-F]{2,8} ?)+)\s+\|)");
    auto idOrName = [](QString s) {
        // "BITMAP (ID 2)" and "(ID 200)" are ids; anything else is a name.
        static const QRegularExpression idRe(R"(\(ID (\d+)\)$)");
        auto m = idRe.match(s);
        return m.hasMatch() ? m.captured(1) : s;
    };
    ListedResource current;
    bool inData = false;
    for (const QString& line : log->split('\n')) {
        QRegularExpressionMatch m;
        if ((m = typeRe.match(line)).hasMatch()) {
            current.type = idOrName(m.captured(1));
        } else if ((m = nameRe.match(line)).hasMatch()) {
            current.name = idOrName(m.captured(1));
        } else if ((m = langRe.match(line)).hasMatch()) {
            current.language = m.captured(1).toInt();
            current.data.clear();
            out->push_back(current);
        } else if (line.trimmed() == "Data (") {
            inData = true;
        } else if (inData && line.trimmed() == ")") {
            inData = false;
        } else if (inData && (m = hexRe.match(line)).hasMatch()) {
            out->back().data += QByteArray::fromHex(m.captured(1).remove(' ').toLatin1());
        }
    }
    return true;
}
