#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// An Exec argument: quoted, with the characters the format reserves
// inside quotes escaped; '%' doubled so it is not a field code.
QString QuotedExec(const QString& path)
{
    QString quoted;
    for (QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    // The desktop entry format then escapes backslashes once more.
    return u'"' + quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\")) + u'"';
}

} // namespace

namespace Autostart {

QString EntryPath(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/" + name
        + ".desktop";
}

bool Install(const QString& name, const QString& displayName, const QString& programPath, QString* error)
{
    const QString path = EntryPath(name);
    if (!QDir().mkpath(QFileInfo(path).path())) {
        *error = QStringLiteral("Cannot create the folder %1.").arg(QFileInfo(path).path());
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n"
                                        "X-GNOME-Autostart-enabled=true\nNoDisplay=true\n")
                             .arg(displayName, QuotedExec(programPath));
    file.write(text.toUtf8());
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool Remove(const QString& name, QString* error)
{
    QFile file(EntryPath(name));
    if (!file.exists() || file.remove())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace Autostart
