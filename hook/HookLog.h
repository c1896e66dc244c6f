#pragma once
#include <QLoggingCategory>

/// Diagnostics of the hook library ("ovantis.hook"): warnings only by
/// default. Keycodes and typed keys are never logged.
Q_DECLARE_LOGGING_CATEGORY(lcHook)
