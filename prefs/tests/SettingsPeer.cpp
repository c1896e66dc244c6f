// A second process on the user's settings file, driven line by line on
// stdin, for tests of what one process sees of another's writes:
//   get          prints Ovantis/LastStretchTopic (or "missing")
//   set N        writes N to it and prints "ok" (or "failed")
//   hex NAME     prints the hex bytes of Preferences/NAME (or "missing")
//   count N      writes 1..N to Ovantis/PeerCount and prints "ok" (or "failed")
#include "CSettingsStore.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CSettingsStore store;
    std::string line;
    while (std::getline(std::cin, line)) {
        const QString command = QString::fromStdString(line);
        QString reply;
        if (command == u"get") {
            const auto stored = store.ReadStored(QStringLiteral("Ovantis"), QStringLiteral("LastStretchTopic"));
            reply = stored ? QString::fromLatin1(*stored) : QStringLiteral("missing");
        } else if (command.startsWith(u"set ")) {
            const bool ok = store.WriteInt(QStringLiteral("Ovantis"), QStringLiteral("LastStretchTopic"),
                                           command.mid(4).toInt());
            reply = ok ? QStringLiteral("ok") : QStringLiteral("failed");
        } else if (command.startsWith(u"hex ")) {
            const auto stored = store.ReadStored(QStringLiteral("Preferences"), command.mid(4));
            reply = stored ? QString::fromLatin1(stored->toHex()) : QStringLiteral("missing");
        } else if (command.startsWith(u"count ")) {
            bool ok = true;
            for (int i = 1, n = command.mid(6).toInt(); i <= n; ++i)
                ok = store.WriteInt(QStringLiteral("Ovantis"), QStringLiteral("PeerCount"), i) && ok;
            reply = ok ? QStringLiteral("ok") : QStringLiteral("failed");
        } else {
            reply = QStringLiteral("unknown command");
        }
        std::printf("%s\n", reply.toUtf8().constData());
        std::fflush(stdout);
    }
    return 0;
}
