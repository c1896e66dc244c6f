// Settings files as a user, an editor or a crash may leave them, read and
// then written through the store. Beyond not crashing: a file the damage
// check passes must keep every value it held across the write, and a file it
// fails must be copied aside byte for byte before the write.
#include "CSettingsStore.h"
#include "SettingsFileCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "fuzz_settings: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

QTemporaryDir& WorkDir()
{
    // tmpfs where there is one: every write syncs the file to disk.
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/fuzz_settings-XXXXXX")
                                                       : QDir::tempPath() + "/fuzz_settings-XXXXXX");
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("ovantis.prefs.warning=false"));
        return true;
    }();
    (void)quiet;
    // One file for every input. QSettings reads a file again only when its
    // size or time changed, so each input gets a time of its own, long ago
    // (which also spares the store's write any wait for a later time).
    static qint64 counter = 0;
    const QString dir = WorkDir().path();
    const QString path = dir + "/Stretch.conf";
    for (const QString& old : QDir(dir).entryList({"Stretch.conf.damaged-*"}, QDir::Files))
        QFile::remove(dir + "/" + old);
    const QDateTime stamp = QDateTime::fromMSecsSinceEpoch(1000000000000LL + counter++);
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
            Fail("cannot write", path);
        file.flush();
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
    }

    const QString damage = FindSettingsFileDamage(path, input);
    CSettingsStore store(path);
    for (const SettingValue* value : Settings::All()) {
        for (SettingReader reader : {SettingReader::Page, SettingReader::Controller, SettingReader::Viewer}) {
            if (value->type == SettingType::Int)
                store.ReadInt(*value, reader);
            else
                store.ReadString(*value, reader);
        }
    }
    const QList<CSettingsStore::Stored> before = store.ReadAll();

    if (!store.WriteInt(QStringLiteral("Ovantis"), QStringLiteral("FuzzProbe"), 1))
        Fail("write failed", path);
    if (store.ReadInt(QStringLiteral("Ovantis"), QStringLiteral("FuzzProbe"), 0) != 1)
        Fail("written value not read back", path);

    const QStringList copies = QDir(dir).entryList({"Stretch.conf.damaged-*"}, QDir::Files);
    if (damage.isEmpty() != copies.isEmpty())
        Fail("damaged copy", damage.isEmpty() ? QStringLiteral("made for a sound file") : damage);
    if (!copies.isEmpty()) {
        QFile copy(dir + "/" + copies.first());
        if (!copy.open(QIODevice::ReadOnly) || copy.readAll() != input)
            Fail("damaged copy differs from the file", copies.first());
    } else {
        const QList<CSettingsStore::Stored> after = store.ReadAll();
        for (const CSettingsStore::Stored& old : before) {
            if (old.section == u"Ovantis" && old.name == u"FuzzProbe")
                continue;
            bool found = false;
            for (const CSettingsStore::Stored& now : after)
                found = found || (now.section == old.section && now.name == old.name && now.bytes == old.bytes);
            if (!found)
                Fail("value lost from a sound file", old.section + "/" + old.name + "=" + old.bytes.toHex());
        }
    }
    return 0;
}
