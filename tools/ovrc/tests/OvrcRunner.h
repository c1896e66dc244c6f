#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

/// Result of running a program.
struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

/// Runs a program to its end (60 s at most).
RunResult Run(const QString& program, const QStringList& args);
/// Runs the ovrc program of this build.
RunResult Ovrc(const QStringList& args);

/// Writes a file, creating its folder.
bool WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);

/// One resource as llvm-readobj --coff-resources shows it, in its order.
struct ReadobjResource {
    QString type, name;
    int language = 0;
    QByteArray data;
    bool operator==(const ReadobjResource&) const = default;
};
/// Runs llvm-readobj on a module; false when it fails or shows nothing.
bool ReadWithLlvmReadobj(const QString& module, std::vector<ReadobjResource>* out, QString* log);

/// Builds a module from an .rc file with windres and the GNU linker
/// (`ld --dll -e 0`), or with windres to .res and lld-link. The resource
/// data files the .rc names lie beside it.
bool BuildWithWindresLd(const QString& rcPath, const QString& dllPath, QString* log);
bool BuildWithLldLink(const QString& rcPath, const QString& dllPath, QString* log);
