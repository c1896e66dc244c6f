#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>

/// Where a help item's target leads: an address opens as it stands; a file
/// name is taken as it is when absolute, else looked for in each of
/// `searchDirs` in turn. `shellError` is 0 when `url` can be opened, else
/// the shell's error code for the message shown. The viewer opens what this
/// finds and `ovrc` checks the content's targets with it.
struct HelpTarget {
    QUrl url;
    int shellError = 0;
};
HelpTarget ResolveHelpTarget(const QString& target, const QStringList& searchDirs);

/// Shell error codes the help command reports.
namespace ShellError {
inline constexpr int kFileNotFound = 2;
inline constexpr int kNoAssociation = 31;
} // namespace ShellError
