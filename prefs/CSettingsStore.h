#pragma once
#include "SettingsTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <memory>
#include <optional>

/// The settings both programs share: an INI file written through QSettings,
/// by default $XDG_CONFIG_HOME/Halvorn Press/Stretch.conf, with the sections
/// "Preferences" and "Ovantis".
///
/// Every read first picks up what another process wrote; every write goes
/// to disk at once. Ints are stored as decimal text. Strings are Windows-1252
/// bytes, kept in the file as the text those bytes stand for, so every byte
/// 1-255 survives. A file that a rewrite would damage is first copied aside
/// as "<file>.damaged-<time>" and reported once on stderr. Stored values are
/// never repaired here; range checks belong to the code that uses a value.
///
/// Use one store from one thread; stores in other threads or processes may
/// work on the same file at the same time (the last writer of a value wins).
class CSettingsStore {
public:
    /// The user's settings file.
    CSettingsStore();
    /// A store on another file (tests, tools).
    explicit CSettingsStore(const QString& filePath);

    /// $XDG_CONFIG_HOME/Halvorn Press/Stretch.conf (~/.config when unset).
    static QString DefaultFilePath();

    /// A plain decimal number in the signed 32-bit range: an optional '-'
    /// and digits, nothing else.
    static std::optional<int> ParseInt(QStringView text);
    /// What makes text unusable as a section or value name, or an empty
    /// string when it is usable: names are not empty and hold neither '/'
    /// nor '\' (either would nest the value in a subsection).
    static QString NameProblem(const QString& part);
    const QString& FilePath() const { return m_filePath; }

    /// The stored int, or defaultValue when the value is missing or is not a
    /// plain decimal number in the signed 32-bit range ("-1" is -1; "0x10",
    /// "12abc", "+5" and "4294967295" are not).
    int ReadInt(const QString& section, const QString& name, int defaultValue) const;
    /// Returns false when the value could not be written (the old one stays).
    bool WriteInt(const QString& section, const QString& name, int value);
    /// The stored bytes (Windows-1252, up to the first zero byte), or
    /// defaultValue when the value is missing.
    QByteArray ReadString(const QString& section, const QString& name, const QByteArray& defaultValue) const;
    /// Stores value up to its first zero byte.
    bool WriteString(const QString& section, const QString& name, QByteArrayView value);

    /// The same operations on a value of the table, with the reader's default.
    int ReadInt(const SettingValue& value, SettingReader reader) const;
    bool WriteInt(const SettingValue& value, int number);
    QByteArray ReadString(const SettingValue& value, SettingReader reader) const;
    bool WriteString(const SettingValue& value, QByteArrayView bytes);

    /// The stored text of a value as bytes, whatever its type; nullopt when
    /// the value is missing.
    std::optional<QByteArray> ReadStored(const QString& section, const QString& name) const;

    struct Stored {
        QString section; ///< empty for a value outside any section
        QString name;    ///< may hold '/' for a value in a subsection, written by hand
        QByteArray bytes;
    };
    /// Every stored value, sorted by section and name.
    QList<Stored> ReadAll() const;

private:
    bool Write(const QString& section, const QString& name, const QString& text);
    bool PrepareForRewrite();
    QString ReadablePath() const;

    QString m_filePath;
    QByteArray m_lastDamagedCopy; // the bytes last copied aside, so each damage is reported once
    struct ReadableCopy;
    mutable std::shared_ptr<ReadableCopy> m_readable; // see ReadablePath
};
