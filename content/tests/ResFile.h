#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

/// Writes a compiled resource (.res) file by hand, the input format of the
/// linkers, so modules can be built by tools that share no code with ours.
struct ResEntry {
    QVariant type; // int id or QString name
    QVariant name;
    QByteArray data;
    quint16 language = 1033;
};
QByteArray MakeResFile(const std::vector<ResEntry>& entries);

/// Runs a program; true on exit code 0. Output and errors in *log.
bool RunTool(const QString& program, const QStringList& args, QString* log);

/// Builds a DLL from entries with lld-link (true) or windres + ld (false).
bool LinkModule(const std::vector<ResEntry>& entries, const QString& dir, bool useLld, QString* dllPath,
                QString* log);

/// One resource as llvm-readobj --coff-resources reports it.
struct ListedResource {
    QString type, name;
    int language = 0;
    QByteArray data;
    bool operator==(const ListedResource&) const = default;
};
bool ReadWithLlvm(const QString& dllPath, std::vector<ListedResource>* out, QString* log);
