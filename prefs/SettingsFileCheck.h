#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

/// Checks the bytes of a settings file for anything that rewriting the file
/// through QSettings would drop: bytes that are not UTF-8, a section header
/// without ']', a line that is neither a comment nor "key=value", a quote
/// left open at the end of a line (it would swallow the lines after it) and
/// a key given twice in one section (only the last one survives).
/// Also a value that QSettings would decode through QDataStream (see
/// HoldsStreamedValue). Returns what is wrong with the first such line, or
/// an empty string.
QString FindSettingsFileDamage(QByteArrayView data);

/// Whether some line holds "@Variant(" or "@DateTime(", spelt out or through
/// escapes: QSettings decodes such a value with QDataStream, where a few
/// bytes can claim gigabytes, so no such file is ever handed to QSettings.
/// A line holding the words elsewhere (inside a longer string, say) counts
/// too. *line (when given) gets the first one's number, from 1.
bool HoldsStreamedValue(QByteArrayView data, int* line = nullptr);

/// data with the value of every such line (the whole line when it has no
/// '=') replaced by "@Invalid()", which QSettings reads as nothing.
QByteArray WithoutStreamedValues(QByteArrayView data);

/// The same, and also a value that QSettings cannot decode (a "@Variant(...)"
/// written by hand, say): it reads as nothing and a rewrite stores it as
/// "@Invalid()". data are the bytes read from filePath.
QString FindSettingsFileDamage(const QString& filePath, QByteArrayView data);
