#pragma once
#include <QString>
#include <string>
#include <string_view>

/// Text of the content module and of stored strings is Windows-1252: our own
/// table for 0x80-0x9F, Latin-1 elsewhere.
QString FromWindows1252(std::string_view bytes);
/// Characters with no Windows-1252 byte become '?'; *lossless says whether
/// that happened.
std::string ToWindows1252(const QString& text, bool* lossless = nullptr);
