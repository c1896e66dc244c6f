#include "AppResources.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <cstdio>

namespace {

QHash<int, QString> ReadStringTables()
{
    QHash<int, QString> table;
    QDirIterator files(QStringLiteral(":/ovantis/strings"), {QStringLiteral("*.txt")}, QDir::Files);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        int lineNumber = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n'));
            ++lineNumber;
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            bool ok = false;
            const int id = tab > 0 ? line.left(tab).toInt(&ok) : 0;
            if (!ok || table.contains(id)) {
                std::fprintf(stderr, "ovantis: %s:%d: %s string entry\n", qPrintable(file.fileName()), lineNumber,
                             ok ? "repeated" : "unreadable");
                continue;
            }
            table.insert(id, line.mid(tab + 1));
        }
    }
    return table;
}

} // namespace

namespace AppResources {

QString String(int id)
{
    static QMutex mutex;
    static QHash<int, QString> table;
    static bool read = false;
    QMutexLocker lock(&mutex);
    if (!read) {
        table = ReadStringTables();
        read = true;
    }
    return table.value(id);
}

QIcon Icon(int id)
{
    const QString path = QStringLiteral(":/ovantis/icons/icon-%1.png").arg(id);
    if (!QFile::exists(path))
        return QIcon();
    QIcon icon(path);
    // Drawings made for the sizes trays ask for, where an icon has them.
    for (int size : {16, 22, 24, 32, 48}) {
        const QString sized = QStringLiteral(":/ovantis/icons/icon-%1-%2.png").arg(id).arg(size);
        if (QFile::exists(sized))
            icon.addFile(sized, QSize(size, size));
    }
    return icon;
}

QImage Picture(int id)
{
    return QImage(QStringLiteral(":/ovantis/pictures/bitmap-%1.png").arg(id));
}

} // namespace AppResources
