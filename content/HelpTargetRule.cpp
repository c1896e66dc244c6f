#include "HelpTargetRule.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
// "https://...", "mailto:..." but not "C:\..." (a one-letter scheme is a drive).
bool IsAddress(const QString& target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}
} // namespace

HelpTarget ResolveHelpTarget(const QString& target, const QStringList& searchDirs)
{
    if (IsAddress(target)) {
        const QUrl url(target);
        if (!url.isLocalFile())
            return {url, url.isValid() ? 0 : ShellError::kFileNotFound};
        return ResolveHelpTarget(url.toLocalFile(), searchDirs);
    }
    // Content written on Windows may separate folders with backslashes.
    QString path = target;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty())
        return {{}, ShellError::kFileNotFound};
    if (QDir::isAbsolutePath(path))
        return QFileInfo::exists(path) ? HelpTarget{QUrl::fromLocalFile(path), 0}
                                       : HelpTarget{{}, ShellError::kFileNotFound};
    for (const QString& dir : searchDirs) {
        if (dir.isEmpty())
            continue;
        const QString candidate = QDir(dir).filePath(path);
        if (QFileInfo::exists(candidate))
            return {QUrl::fromLocalFile(QFileInfo(candidate).absoluteFilePath()), 0};
    }
    return {{}, ShellError::kFileNotFound};
}
