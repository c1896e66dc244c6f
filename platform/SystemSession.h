#pragma once
#include <QString>
#include <QStringList>

/// Process start and the system restart, for the programs.
namespace SystemSession {

/// Starts a program on its own (not a child we wait for), in our
/// environment and current directory. False when it could not be started.
bool StartDetached(const QString& program, const QStringList& arguments);
/// Asks logind on the system bus to restart the computer, without
/// waiting for an answer. False when the request could not be sent.
bool RequestRestart();

} // namespace SystemSession
