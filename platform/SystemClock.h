#pragma once
#include <cstdint>

/// The clocks of the controller and the hook library.
namespace SystemClock {

/// Whole seconds of CLOCK_BOOTTIME: monotonic, counts suspend, never wraps.
int64_t BootSeconds();
/// Milliseconds of the same clock.
int64_t BootMilliseconds();
/// Seconds since 1970-01-01 00:00 of the local wall clock (UTC plus the
/// zone's offset in effect now, daylight saving included).
int64_t LocalSeconds();

} // namespace SystemClock
