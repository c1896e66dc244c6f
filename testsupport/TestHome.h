#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

/// A fresh HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR for one test case.
/// The previous values come back when it goes out of scope.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    bool IsValid() const { return m_dir.isValid(); }
    QString Root() const { return m_dir.path(); }
    QString Home() const { return m_dir.path() + "/home"; }
    QString ConfigDir() const { return m_dir.path() + "/config"; }
    QString RuntimeDir() const { return m_dir.path() + "/runtime"; }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome, m_oldConfig, m_oldRuntime;
    bool m_hadHome, m_hadConfig, m_hadRuntime;
};

/// Path of a file in the source tree (tests run from the build tree).
QString SourcePath(const QString& relative);
/// Path of a file in the build tree.
QString BinaryPath(const QString& relative);
