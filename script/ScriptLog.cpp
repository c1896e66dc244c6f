#include "ScriptLog.h"

Q_LOGGING_CATEGORY(lcScript, "ovantis.script", QtWarningMsg)
