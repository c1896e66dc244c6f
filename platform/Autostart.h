#pragma once
#include <QString>

/// The XDG autostart entry that starts a program at log-in:
/// $XDG_CONFIG_HOME/autostart/<name>.desktop (~/.config when unset).
namespace Autostart {

QString EntryPath(const QString& name);
/// Writes the entry with Exec set to the program's full path (quoted as
/// the desktop entry format asks). False, with *error, when it cannot.
bool Install(const QString& name, const QString& displayName, const QString& programPath, QString* error);
/// Removes the entry; an entry that is not there counts as removed.
bool Remove(const QString& name, QString* error);

} // namespace Autostart
