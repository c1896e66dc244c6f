#include "CSingleApplication.h"

#include "SessionBus.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CSingleApplication::CSingleApplication(const QString& name)
    : m_name(name)
{
    const QByteArray path = QFile::encodeName(LockFilePath(name));
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    int result;
    do {
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    m_firstInstance = result == 0;
    if (!m_firstInstance) {
        ::close(m_fd);
        m_fd = -1;
    }
}

CSingleApplication::~CSingleApplication()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor drops the lock
}

QString CSingleApplication::LockFilePath(const QString& name)
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir + QLatin1Char('/') + name + QStringLiteral("SingleApplicationMutex");
}

bool CSingleApplication::FindInstanceWindow() const
{
    return SessionBus::WaitForWindow(m_name, m_firstInstance ? 0 : kStartingWindowWaitMs);
}

bool CSingleApplication::ActivateInstanceWindow() const
{
    return FindInstanceWindow() && SessionBus::ActivateWindow(m_name);
}

bool CSingleApplication::QuitInstanceWindow() const
{
    return FindInstanceWindow() && SessionBus::QuitWindow(m_name);
}
