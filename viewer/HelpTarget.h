#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

/// Where a help item's target leads: an address opens as it stands; a file
/// name is taken as it is when absolute, else looked for in each of
/// `searchDirs` in turn. `shellError` is 0 when `url` can be opened, else
/// the shell's error code for the message shown.
struct HelpTarget {
    QUrl url;
    int shellError = 0;
};
HelpTarget ResolveHelpTarget(const QString& target, const QStringList& searchDirs);

/// The message for a shell error code (empty for codes without one).
QString ShellErrorText(int code);

/// The installed documentation directory.
QString InstalledDocDir();

/// Opens the target with the desktop's default handler; a failure is shown
/// in a message box over `parent`.
void OpenHelpTarget(QWidget* parent, const QString& target, const QStringList& searchDirs);

/// Shell error codes the help command reports.
namespace ShellError {
inline constexpr int kFileNotFound = 2;
inline constexpr int kNoAssociation = 31;
} // namespace ShellError
