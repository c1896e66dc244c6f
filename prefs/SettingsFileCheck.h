#pragma once
#include <QByteArrayView>
#include <QString>

/// Checks the bytes of a settings file for anything that rewriting the file
/// through QSettings would drop: bytes that are not UTF-8, a section header
/// without ']', a line that is neither a comment nor "key=value", a quote
/// left open at the end of a line (it would swallow the lines after it) and
/// a key given twice in one section (only the last one survives).
/// Returns what is wrong with the first such line, or an empty string.
QString FindSettingsFileDamage(QByteArrayView data);

/// The same, and also a value that QSettings cannot decode (a "@Variant(...)"
/// written by hand, say): it reads as nothing and a rewrite stores it as
/// "@Invalid()". data are the bytes read from filePath.
QString FindSettingsFileDamage(const QString& filePath, QByteArrayView data);
