#include "HelpTarget.h"

#include <QDesktopServices>
#include <QMessageBox>

namespace {
struct ShellMessage {
    int code;
    const char* text;
};
constexpr ShellMessage kShellMessages[] = {
    {0, "The operating system is out of memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied access to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .exe file is invalid (non-Microsoft Win32 .exe or error in .exe image)."},
    {26, "A sharing violation occurred."},
    {27, "The file name association is incomplete or invalid."},
    {28, "The DDE transaction could not be completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The Dynamic Data Exchange (DDE) transaction could not be completed because other DDE transactions were "
         "being processed."},
    {31, "There is no application associated with the given file name extension. This error will also be returned "
         "if you attempt to print a file that is not printable."},
    {32, "The specified dynamic-link library (DLL) was not found."},
};
} // namespace

QString ShellErrorText(int code)
{
    for (const ShellMessage& m : kShellMessages) {
        if (m.code == code)
            return QString::fromLatin1(m.text);
    }
    return {};
}

QString InstalledDocDir()
{
    return QStringLiteral(OVANTIS_DOC_DIR);
}

void OpenHelpTarget(QWidget* parent, const QString& target, const QStringList& searchDirs)
{
    HelpTarget resolved = ResolveHelpTarget(target, searchDirs);
    if (resolved.shellError == 0 && !QDesktopServices::openUrl(resolved.url))
        resolved.shellError = ShellError::kNoAssociation;
    const QString text = ShellErrorText(resolved.shellError);
    if (resolved.shellError != 0 && !text.isEmpty())
        QMessageBox::information(parent, QStringLiteral("Stretch"), text);
}
