#include "ControllerLog.h"

Q_LOGGING_CATEGORY(lcController, "ovantis.controller", QtWarningMsg)
