#include "OvrcRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

RunResult Run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    RunResult result;
    if (!process.waitForStarted(10000)) {
        result.err = (program + " could not start").toUtf8();
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = (program + " did not finish").toUtf8();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

RunResult Ovrc(const QStringList& args)
{
    return Run(qEnvironmentVariable("OVANTIS_BINARY_DIR") + "/bin/ovrc", args);
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ReadWithLlvmReadobj(const QString& module, std::vector<ReadobjResource>* out, QString* log)
{
    const RunResult r = Run("llvm-readobj", {"--coff-resources", module});
    if (r.exitCode != 0) {
        *log = QString::fromUtf8(r.err);
        return false;
    }
    // Walks the nested listing: "Type: X [", "Name: X [", "Language: (ID n) [",
    // "DataSize: n" and the hex lines of "Data (".
    static const QRegularExpression key(R"(^\s*(Type|Name|Language): (.*) \[$)");
    // Ids show as "(ID 5)", "BITMAP (ID 2)" or "ID 300".
    static const QRegularExpression id(R"(^(?:[A-Z_]+ )?\(ID (\d+)\)$|^ID (\d+)$)");
    static const QRegularExpression hexLine(R"(^\s*[0-9A-F]{4}: ((?:[0-9A-F]{2,8} ?)+)\s*\|)");
    QString type, name;
    bool inData = false;
    for (const QString& line : QString::fromUtf8(r.out).split('\n')) {
        const auto m = key.match(line);
        if (m.hasMatch()) {
            QString value = m.captured(2);
            if (const auto i = id.match(value); i.hasMatch())
                value = i.captured(1).isEmpty() ? i.captured(2) : i.captured(1);
            if (m.captured(1) == "Type")
                type = value;
            else if (m.captured(1) == "Name")
                name = value;
            else
                out->push_back({type, name, value.toInt(), {}});
            continue;
        }
        if (line.trimmed() == "Data (") {
            inData = true;
            continue;
        }
        if (inData && line.trimmed() == ")") {
            inData = false;
            continue;
        }
        if (inData && !out->empty()) {
            const auto h = hexLine.match(line);
            if (h.hasMatch())
                out->back().data += QByteArray::fromHex(h.captured(1).remove(' ').toLatin1());
        }
    }
    if (out->empty())
        *log = "llvm-readobj listed no resources:\n" + QString::fromUtf8(r.out);
    return !out->empty();
}

namespace {
bool Step(const QString& program, const QStringList& args, const QString& workDir, QString* log)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.start(program, args);
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *log += program + " " + args.join(' ') + " failed:\n" + QString::fromUtf8(process.readAllStandardError()) +
                QString::fromUtf8(process.readAllStandardOutput());
        return false;
    }
    return true;
}
} // namespace

bool BuildWithWindresLd(const QString& rcPath, const QString& dllPath, QString* log)
{
    const QString dir = QFileInfo(rcPath).path();
    const QString object = dir + "/" + QFileInfo(rcPath).completeBaseName() + "-ld.o";
    return Step("x86_64-w64-mingw32-windres", {"--preprocessor=cpp", "-i", rcPath, "-o", object}, dir, log) &&
           Step("x86_64-w64-mingw32-ld", {"--dll", "-e", "0", "-o", dllPath, object}, dir, log);
}

bool BuildWithLldLink(const QString& rcPath, const QString& dllPath, QString* log)
{
    const QString dir = QFileInfo(rcPath).path();
    const QString res = dir + "/" + QFileInfo(rcPath).completeBaseName() + ".res";
    return Step("x86_64-w64-mingw32-windres", {"--preprocessor=cpp", "-i", rcPath, "-O", "res", "-o", res}, dir, log) &&
           Step("lld-link", {"/dll", "/noentry", "/machine:x64", res, "/out:" + dllPath}, dir, log);
}
