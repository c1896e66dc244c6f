#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {
void Restore(const char* name, bool had, const QByteArray& value)
{
    if (had)
        qputenv(name, value);
    else
        qunsetenv(name);
}
} // namespace

TestHome::TestHome()
    : m_oldHome(qgetenv("HOME")), m_oldConfig(qgetenv("XDG_CONFIG_HOME")),
      m_oldRuntime(qgetenv("XDG_RUNTIME_DIR")), m_hadHome(qEnvironmentVariableIsSet("HOME")),
      m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
      m_hadRuntime(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
{
    if (!m_dir.isValid())
        return;
    QDir root(m_dir.path());
    root.mkpath("home");
    root.mkpath("config");
    root.mkpath("runtime");
    QFile::setPermissions(RuntimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", Home().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", ConfigDir().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", RuntimeDir().toLocal8Bit());
}

TestHome::~TestHome()
{
    Restore("HOME", m_hadHome, m_oldHome);
    Restore("XDG_CONFIG_HOME", m_hadConfig, m_oldConfig);
    Restore("XDG_RUNTIME_DIR", m_hadRuntime, m_oldRuntime);
}

QString SourcePath(const QString& relative)
{
    QString root = qEnvironmentVariable("OVANTIS_SOURCE_DIR", QStringLiteral(OVANTIS_SOURCE_DIR_DEFAULT));
    return root + "/" + relative;
}

QString BinaryPath(const QString& relative)
{
    QString root = qEnvironmentVariable("OVANTIS_BINARY_DIR", QStringLiteral(OVANTIS_BINARY_DIR_DEFAULT));
    return root + "/" + relative;
}
