#include "CClockChangeWatch.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

CClockChangeWatch::CClockChangeWatch(QObject* parent) : QObject(parent)
{
    m_fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0 || !Arm())
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CClockChangeWatch::OnReadable);
}

CClockChangeWatch::~CClockChangeWatch()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool CClockChangeWatch::Arm()
{
    // A deadline that never comes; only a change of the clock wakes us.
    itimerspec farFuture{};
    farFuture.it_value.tv_sec = INT32_MAX;
    return timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &farFuture, nullptr) == 0;
}

void CClockChangeWatch::OnReadable()
{
    uint64_t expirations = 0;
    const ssize_t n = read(m_fd, &expirations, sizeof expirations);
    if (n < 0 && errno == ECANCELED) {
        Arm();
        emit Changed();
    }
}
