#pragma once
#include <QLoggingCategory>

/// Diagnostics of the script engine; debug output is off unless enabled
/// with QT_LOGGING_RULES="ovantis.script.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcScript)
