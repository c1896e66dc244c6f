#pragma once
#include "HelpTargetRule.h"

#include <QString>
#include <QStringList>

class QWidget;

/// The message for a shell error code (empty for codes without one).
QString ShellErrorText(int code);

/// The installed documentation directory.
QString InstalledDocDir();

/// Opens the target with the desktop's default handler; a failure is shown
/// in a message box over `parent`.
void OpenHelpTarget(QWidget* parent, const QString& target, const QStringList& searchDirs);
