#pragma once
#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

/// The Qt side of the session bus contract: the process's one connection
/// and the calls one program makes on another program's main window,
/// which is found by its window class ("OvantisAppClass",
/// "OvantisCtrlClass"). Every call that waits for an answer gives up after
/// BusNames::kCallTimeoutMs.
namespace SessionBus {

/// The process's connection to the session bus. Connects on first use; when
/// there is no bus it stays unconnected (said once on stderr) and every
/// call below then finds no peer.
QDBusConnection Connection();

/// A call to the bus itself (org.freedesktop.DBus), such as NameHasOwner.
QDBusMessage BusDaemonCall(const QString& member);

/// org.halvornpress.<className>.
QString ServiceName(const QString& className);

/// "Is there a window of class X": does its service name have an owner.
bool HasWindow(const QString& className);
/// As HasWindow, waiting up to waitMs for a window that is still starting.
bool WaitForWindow(const QString& className, int waitMs);
/// IsActive() of that window; false when there is none or it does not answer.
bool IsWindowActive(const QString& className);
/// Activate(): brings that window (or its open dialog) to the front. True
/// when it answered.
bool ActivateWindow(const QString& className);
/// Quit(): ends that program's event loop at once. True when it answered.
bool QuitWindow(const QString& className);
/// Command(id) without waiting; false when there is no window to send to.
bool PostCommand(const QString& className, uint id);

} // namespace SessionBus
