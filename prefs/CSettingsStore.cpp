#include "CSettingsStore.h"

#include "SettingsFileCheck.h"
#include "Windows1252.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSettings>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>

#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcPrefs, "ovantis.prefs", QtWarningMsg)

namespace {

// A write goes on for at most this long to give the file a newer
// modification time than the version it replaced (see FileStamp). A version
// dated further ahead of the clock (copied in, or left by a clock that was
// set back) cannot be overtaken by writing again: the value is written once,
// and the order mends itself when the clock catches up.
constexpr qint64 kMaxStampWaitMs = 100;

bool IsValidKeyPart(const QString& part)
{
    return CSettingsStore::NameProblem(part).isEmpty();
}

QByteArray UpToZero(QByteArrayView bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return (zero < 0 ? bytes : bytes.first(zero)).toByteArray();
}

// The stored text of a QSettings value as Windows-1252 bytes.
std::optional<QByteArray> StoredBytes(const QVariant& value)
{
    if (!value.isValid())
        return std::nullopt;
    switch (value.metaType().id()) {
    case QMetaType::QByteArray: // "@ByteArray(...)", written by hand
        return UpToZero(value.toByteArray());
    case QMetaType::QStringList: // an unquoted comma, written by hand
        return UpToZero(ToWindows1252(value.toStringList().join(QStringLiteral(", "))));
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant& part : value.toList())
            parts << part.toString();
        return UpToZero(ToWindows1252(parts.join(QStringLiteral(", "))));
    }
    default:
        if (!value.canConvert<QString>())
            return std::nullopt;
        return UpToZero(ToWindows1252(value.toString()));
    }
}

// QSettings decides that a file is unchanged when its size and its
// modification time in milliseconds are; two versions of the same size
// written within one millisecond (or one kernel clock tick) would hide the
// second from a reader that saw the first. Writers therefore make each
// version's time later than the one before.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 mtimeMs = 0;
    quint64 inode = 0;
    qint64 mtimeNs = 0;

    static FileStamp Of(const QString& path)
    {
        FileStamp stamp;
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return stamp;
        stamp.exists = true;
        stamp.size = st.st_size;
        stamp.inode = st.st_ino;
        stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        stamp.mtimeMs = QFileInfo(path).lastModified().toMSecsSinceEpoch();
        return stamp;
    }
    bool SameVersion(const FileStamp& other) const
    {
        return exists == other.exists && size == other.size && inode == other.inode && mtimeNs == other.mtimeNs;
    }
};

} // namespace

// The version of the file last checked for streamed values, and the private
// copy without them that QSettings reads while the file holds any.
struct CSettingsStore::ReadableCopy {
    FileStamp checked;
    std::unique_ptr<QTemporaryFile> copy;
};

CSettingsStore::CSettingsStore()
    : CSettingsStore(DefaultFilePath())
{
}

CSettingsStore::CSettingsStore(const QString& filePath)
    : m_filePath(QFileInfo(filePath).absoluteFilePath())
{
}

QString CSettingsStore::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Halvorn Press/Stretch.conf");
}

QString CSettingsStore::NameProblem(const QString& part)
{
    if (part.isEmpty())
        return QStringLiteral("it is empty");
    if (part.contains(u'/'))
        return QStringLiteral("it holds '/', which would make it a subsection");
    if (part.contains(u'\\'))
        return QStringLiteral("it holds '\\', which would make it a subsection");
    return {};
}

std::optional<QByteArray> CSettingsStore::ReadStored(const QString& section, const QString& name) const
{
    if (!IsValidKeyPart(section) || !IsValidKeyPart(name))
        return std::nullopt;
    const QString path = ReadablePath();
    if (path.isEmpty())
        return std::nullopt;
    // A new QSettings syncs as it opens, which picks up other writers.
    QSettings settings(path, QSettings::IniFormat);
    return StoredBytes(settings.value(section + u'/' + name));
}

std::optional<int> CSettingsStore::ParseInt(QStringView text)
{
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text.front() == u'-';
    if (negative)
        ++i;
    if (i == text.size())
        return std::nullopt;
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > qint64(1) << 31)
            return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

int CSettingsStore::ReadInt(const QString& section, const QString& name, int defaultValue) const
{
    const std::optional<QByteArray> stored = ReadStored(section, name);
    if (!stored)
        return defaultValue;
    return ParseInt(QString::fromLatin1(*stored)).value_or(defaultValue);
}

QByteArray CSettingsStore::ReadString(const QString& section, const QString& name,
                                      const QByteArray& defaultValue) const
{
    return ReadStored(section, name).value_or(defaultValue);
}

bool CSettingsStore::WriteInt(const QString& section, const QString& name, int value)
{
    return Write(section, name, QString::number(value));
}

bool CSettingsStore::WriteString(const QString& section, const QString& name, QByteArrayView value)
{
    const QByteArray bytes = UpToZero(value);
    return Write(section, name, FromWindows1252(std::string_view(bytes.constData(), size_t(bytes.size()))));
}

int CSettingsStore::ReadInt(const SettingValue& value, SettingReader reader) const
{
    return ReadInt(QString::fromLatin1(value.section), QString::fromLatin1(value.name), value.IntDefault(reader));
}

bool CSettingsStore::WriteInt(const SettingValue& value, int number)
{
    return WriteInt(QString::fromLatin1(value.section), QString::fromLatin1(value.name), number);
}

QByteArray CSettingsStore::ReadString(const SettingValue& value, SettingReader reader) const
{
    return ReadString(QString::fromLatin1(value.section), QString::fromLatin1(value.name),
                      QByteArray(value.TextDefault(reader)));
}

bool CSettingsStore::WriteString(const SettingValue& value, QByteArrayView bytes)
{
    return WriteString(QString::fromLatin1(value.section), QString::fromLatin1(value.name), bytes);
}

QList<CSettingsStore::Stored> CSettingsStore::ReadAll() const
{
    QList<Stored> all;
    const QString path = ReadablePath();
    if (path.isEmpty())
        return all;
    QSettings settings(path, QSettings::IniFormat);
    for (const QString& key : settings.allKeys()) {
        const std::optional<QByteArray> bytes = StoredBytes(settings.value(key));
        if (!bytes)
            continue;
        const qsizetype slash = key.indexOf(u'/');
        if (slash < 0)
            all.append({QString(), key, *bytes});
        else
            all.append({key.left(slash), key.mid(slash + 1), *bytes});
    }
    return all;
}

bool CSettingsStore::Write(const QString& section, const QString& name, const QString& text)
{
    if (!IsValidKeyPart(section) || !IsValidKeyPart(name))
        return false;
    if (!PrepareForRewrite())
        return false;

    const QString key = section + u'/' + name;
    const FileStamp before = FileStamp::Of(m_filePath);
    FileStamp previous = before;
    QElapsedTimer writing;
    writing.start();
    for (;;) {
        QSettings settings(m_filePath, QSettings::IniFormat);
        settings.setValue(key, text);
        settings.sync();
        const FileStamp now = FileStamp::Of(m_filePath);
        // QSettings always replaces the file on a write; when it did not, the
        // write failed (its status may still show an earlier parse error).
        if (settings.status() == QSettings::AccessError || !now.exists || now.SameVersion(previous))
            return false;
        if (!before.exists || now.mtimeMs > before.mtimeMs)
            return true;
        // Same millisecond as the version replaced: wait for the clock and
        // write again, unless another writer has replaced the file meanwhile.
        if (before.mtimeMs - QDateTime::currentMSecsSinceEpoch() >= kMaxStampWaitMs ||
            writing.elapsed() >= kMaxStampWaitMs)
            break;
        QThread::msleep(1);
        if (!FileStamp::Of(m_filePath).SameVersion(now))
            return true;
        previous = now;
    }
    qCDebug(lcPrefs) << "the file's time could not be moved past the version replaced while writing" << key;
    return true;
}

QString CSettingsStore::ReadablePath() const
{
    if (!m_readable)
        m_readable = std::make_shared<ReadableCopy>();
    ReadableCopy& readable = *m_readable;
    const FileStamp now = FileStamp::Of(m_filePath);
    if (!now.exists)
        return m_filePath;
    if (!now.SameVersion(readable.checked)) {
        readable.checked = now;
        readable.copy.reset();
        QFile file(m_filePath);
        if (!file.open(QIODevice::ReadOnly))
            return m_filePath; // QSettings cannot read it either
        const QByteArray bytes = file.readAll();
        int line = 0;
        if (!HoldsStreamedValue(bytes, &line))
            return m_filePath;
        auto copy = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/ovantis-settings-XXXXXX.conf"));
        const QByteArray safe = WithoutStreamedValues(bytes);
        if (!copy->open() || copy->write(safe) != safe.size() || !copy->flush()) {
            qCWarning(lcPrefs).noquote() << m_filePath << "holds serialised Qt data on line" << line
                                         << "and no private copy without it could be made: nothing is read from it";
            readable.checked = FileStamp(); // try again next time
            return {};
        }
        // Reported as damage by the next write, which keeps the file aside.
        qCDebug(lcPrefs).noquote() << m_filePath << "holds serialised Qt data on line" << line
                                   << "- that value is not read";
        readable.copy = std::move(copy);
    }
    return readable.copy ? readable.copy->fileName() : m_filePath;
}

// Before QSettings rewrites the file: a damaged file is copied aside as it
// is, and a value QSettings must not decode is replaced in the file itself,
// since QSettings parses the whole file before it writes.
bool CSettingsStore::PrepareForRewrite()
{
    QFile file(m_filePath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        // QSettings cannot read it either, and will not write over it.
        return true;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    const QString damage = FindSettingsFileDamage(m_filePath, bytes);
    if (damage.isEmpty())
        return true;

    if (bytes != m_lastDamagedCopy) {
        const QString stem = m_filePath + QStringLiteral(".damaged-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString copyPath = stem;
        for (int n = 2; QFileInfo::exists(copyPath); ++n)
            copyPath = stem + u'-' + QString::number(n);
        QSaveFile copy(copyPath);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.commit()) {
            qCWarning(lcPrefs).noquote() << m_filePath << "is damaged (" + damage + ") and could not be copied to"
                                         << copyPath << "- the setting is not written";
            return false;
        }
        m_lastDamagedCopy = bytes;
        qCWarning(lcPrefs).noquote() << m_filePath << "is damaged (" + damage
                + "); values that could not be read are dropped from it, and the file as it was is kept as"
                                     << copyPath;
    }
    if (!HoldsStreamedValue(bytes))
        return true;
    const QByteArray safe = WithoutStreamedValues(bytes);
    QSaveFile defused(m_filePath);
    if (!defused.open(QIODevice::WriteOnly) || defused.write(safe) != safe.size() || !defused.commit()) {
        qCWarning(lcPrefs).noquote() << m_filePath << "could not be rewritten without its serialised Qt data"
                                     << "- the setting is not written";
        return false;
    }
    return true;
}
