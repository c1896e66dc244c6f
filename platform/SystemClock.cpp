#include "SystemClock.h"

#include <ctime>

namespace SystemClock {

int64_t BootMilliseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

int64_t BootSeconds() { return BootMilliseconds() / 1000; }

int64_t LocalSeconds()
{
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return int64_t(now) + local.tm_gmtoff;
}

} // namespace SystemClock
