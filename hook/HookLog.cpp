#include "HookLog.h"

Q_LOGGING_CATEGORY(lcHook, "ovantis.hook", QtWarningMsg)
