// The shared block on disk: where it lives, its layout, damaged files,
// sessions that must not share, and handles of processes that are gone.
#include "FakeClock.h"
#include "HookTesting.h"
#include "OvantisHook.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QtEndian>
#include <memory>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SharedFile(const TestHome& home)
{
    return home.RuntimeDir() + "/OvantisHook-v1.shm";
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Reads a 32-bit field of the file at a byte offset (the layout is fixed).
qint32 Field(const QByteArray& bytes, int offset)
{
    if (offset < 0 || bytes.size() < offset + 4)
        return -12345;
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Puts pid and start time into the handle fields of the file.
bool WriteHandles(const QString& path, qint32 pid, quint32 start)
{
    QByteArray bytes = ReadFile(path);
    if (bytes.size() != 64)
        return false;
    qToLittleEndian<qint32>(pid, bytes.data() + 12);
    qToLittleEndian<qint32>(pid, bytes.data() + 16);
    qToLittleEndian<quint32>(start, bytes.data() + 20);
    // Through the same file the mapping shares, not a new one.
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size();
}

quint32 StartTimeOf(qint64 pid)
{
    const QByteArray stat = ReadFile(QString("/proc/%1/stat").arg(pid));
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    // fields[0] is the state (field 3); starttime is field 22.
    return fields.size() > 19 ? quint32(fields[19].toULongLong()) : 0;
}

// Whether some other open file holds the flock of path.
bool IsLocked(const QString& path)
{
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return locked;
}

QStringList s_fallbackWarnings;
void CollectFallbackWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg && message.contains("for this process only"))
        s_fallbackWarnings.append(message);
}

} // namespace

class HookSharedStateTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        HookTesting::SetClock(nullptr, nullptr);
    }

    void CreatesAPrivateFileOfFixedLayout()
    {
        TestHome home;
        HookTesting::Attach();
        QVERIFY(HookTesting::IsShared());
        const QFileInfo info(SharedFile(home));
        QVERIFY(info.exists());
        QCOMPARE(info.size(), 64);
        struct stat status {};
        QCOMPARE(stat(QFile::encodeName(SharedFile(home)).constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), 0600);

        FakeClock clock(7'777'000);
        HookTesting::SetClock(&FakeClock::NowMsOf, &clock);
        SetKeyCount(-3);
        SetMouseCount(1234567);
        SetHotKey(1, 0, 9, 0x53);
        EnableHotKey(5);
        MouseProc(0, 0x0200, 0);
        KeyboardProc(0, 0x41, 38L << 16);
        KeyboardProc(0, 0x41, (38L << 16) | (3L << 30));

        const QByteArray bytes = ReadFile(SharedFile(home));
        QCOMPARE(bytes.size(), 64);
        QCOMPARE(bytes.left(4), QByteArray("OVHK"));
        QCOMPARE(Field(bytes, 4), 1);      // layout version
        QCOMPARE(Field(bytes, 8), 64);     // block size
        QCOMPARE(Field(bytes, 24), -2);    // key count
        QCOMPARE(Field(bytes, 28), 1234567);
        QCOMPARE(Field(bytes, 32), 7777);  // last keystroke time
        QCOMPARE(Field(bytes, 36), 7777);  // last mouse time
        QCOMPARE(Field(bytes, 40), 5);     // enabled, as given
        QCOMPARE(Field(bytes, 44), 0x53);
        QCOMPARE(Field(bytes, 48), 1);     // needs Alt
        QCOMPARE(Field(bytes, 52), 0);     // needs Ctrl
        QCOMPARE(Field(bytes, 56), 1);     // needs Shift (9 counts as set)
        QCOMPARE(Field(bytes, 60), 0);     // pressed
    }

    void SessionsWithDifferentRuntimeDirectoriesDoNotShare()
    {
        TestHome first;
        HookTesting::Attach();
        SetKeyCount(41);
        {
            TestHome second;
            HookTesting::Attach();
            QCOMPARE(GetKeyClicks(), 0);
            SetKeyCount(7);
        }
        HookTesting::Attach();
        QCOMPARE(GetKeyClicks(), 41);
    }

    void DamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty (creator died early)") << QByteArray();
        QTest::newRow("short") << QByteArray("OVHK\x01\0\0\0", 8);
        QTest::newRow("too long") << QByteArray(4096, 'x');
        QTest::newRow("right size, no header") << QByteArray(64, '\x7f');
    }
    void DamagedFiles()
    {
        QFETCH(QByteArray, contents);
        TestHome home;
        QVERIFY(WriteFile(SharedFile(home), contents));
        HookTesting::Attach();
        QVERIFY(HookTesting::IsShared());
        // A fresh, zeroed block: nothing of the damage reads as a count.
        QCOMPARE(GetKeyClicks(), 0);
        QCOMPARE(GetMouseClicks(), 0);
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        SetKeyCount(99);
        const QByteArray bytes = ReadFile(SharedFile(home));
        QCOMPARE(bytes.size(), 64);
        QCOMPARE(bytes.left(4), QByteArray("OVHK"));
        QCOMPARE(Field(bytes, 24), 99);
    }

    void UnusableLocationsFallBackToThisProcess_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory in the way") << "directory";
        QTest::newRow("symbolic link") << "symlink";
        QTest::newRow("no runtime directory") << "unset";
        QTest::newRow("relative runtime directory") << "relative";
    }
    void UnusableLocationsFallBackToThisProcess()
    {
        QFETCH(QString, kind);
        TestHome home;
        const QString path = SharedFile(home);
        const QString target = home.Root() + "/elsewhere";
        if (kind == "directory") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == "symlink") {
            QVERIFY(WriteFile(target, QByteArray(64, '\0')));
            QVERIFY(QFile::link(target, path));
        } else if (kind == "unset") {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", "relative/dir");
        }
        HookTesting::Attach();
        QVERIFY(!HookTesting::IsShared());
        // Counting still works, for this process alone.
        SetKeyCount(0);
        KeyboardProc(0, 0x41, 38L << 16);
        KeyboardProc(0, 0x41, (38L << 16) | (3L << 30));
        QCOMPARE(GetKeyClicks(), 1);
        if (kind == "symlink")
            QCOMPARE(ReadFile(target), QByteArray(64, '\0')); // never written through the link
    }

    void UntrustedLockOrDirectoryCountsForThisProcessOnly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("lock file of another user, held") << "foreign lock" << "not this user's own file";
        QTest::newRow("lock held by a process that does not let go") << "held lock" << "does not let go";
        QTest::newRow("lock held when installing") << "held at install" << "does not let go";
        QTest::newRow("runtime directory writable by others") << "open directory" << "others can write";
        QTest::newRow("runtime directory of another user") << "foreign directory" << "belongs to another user";
    }
    void UntrustedLockOrDirectoryCountsForThisProcessOnly()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        if (kind.startsWith("foreign") && geteuid() != 0)
            QSKIP("handing a file to another user takes root");
        TestHome home;
        const QString lock = home.RuntimeDir() + "/OvantisHook-v1.lock";
        const QByteArray dir = QFile::encodeName(home.RuntimeDir());
        QProcess holder;
        auto hold = [&] {
            holder.start("flock", {"--exclusive", lock, "sleep", "60"});
            return holder.waitForStarted(5000) && QTest::qWaitFor([&] { return IsLocked(lock); }, 5000);
        };
        if (kind == "foreign lock") {
            QVERIFY(WriteFile(lock, {}));
            QCOMPARE(chown(QFile::encodeName(lock).constData(), 65534, 65534), 0);
            QVERIFY(hold());
        } else if (kind == "held lock") {
            QVERIFY(hold());
        } else if (kind == "open directory") {
            QCOMPARE(chmod(dir.constData(), 01777), 0);
        } else if (kind == "foreign directory") {
            QCOMPARE(chown(dir.constData(), 65534, 65534), 0);
        }

        s_fallbackWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(&CollectFallbackWarnings);
        HookTesting::Attach();
        if (kind == "held at install") {
            QVERIFY(HookTesting::IsShared());
            QVERIFY(hold());
            qunsetenv("DISPLAY");
        }
        InstallHooks();
        RemoveHooks();
        qInstallMessageHandler(previous);
        QVERIFY(!HookTesting::IsShared());
        QCOMPARE(s_fallbackWarnings.size(), 1);
        QVERIFY2(s_fallbackWarnings.first().contains(reason), qPrintable(s_fallbackWarnings.first()));
        // Counting goes on, for this process alone.
        SetKeyCount(0);
        KeyboardProc(0, 0x41, (38L << 16) | (3L << 30));
        QCOMPARE(GetKeyClicks(), 1);
        if (kind != "held at install")
            QVERIFY(!QFile::exists(SharedFile(home)));
        holder.kill();
        holder.waitForFinished(5000);
    }

    void HandlesOfGoneProcessesCountAsZero()
    {
        TestHome home;
        HookTesting::Attach();
        QVERIFY(!HookTesting::HooksInstalled());

        // A process that has ended (and was reaped).
        QProcess gone;
        gone.start("sleep", {"0.2"});
        QVERIFY(gone.waitForStarted(5000));
        const qint64 gonePid = gone.processId();
        const quint32 goneStart = StartTimeOf(gonePid);
        QVERIFY(gone.waitForFinished(5000));
        QVERIFY(WriteHandles(SharedFile(home), qint32(gonePid), goneStart));
        QCOMPARE(HookTesting::KeyboardHandle(), qint32(gonePid));
        QVERIFY(!HookTesting::HooksInstalled());

        // This process, with its real start time: installed.
        QVERIFY(WriteHandles(SharedFile(home), qint32(getpid()), StartTimeOf(getpid())));
        QCOMPARE(HookTesting::KeyboardHandle(), qint32(getpid()));
        QVERIFY(HookTesting::HooksInstalled());

        // The same id with another start time: the id was reused.
        QVERIFY(WriteHandles(SharedFile(home), qint32(getpid()), StartTimeOf(getpid()) + 1));
        QVERIFY(!HookTesting::HooksInstalled());

        // A process that was killed but not yet reaped (a zombie).
        QProcess zombie;
        zombie.start("sleep", {"30"});
        QVERIFY(zombie.waitForStarted(5000));
        const qint64 zombiePid = zombie.processId();
        QVERIFY(WriteHandles(SharedFile(home), qint32(zombiePid), StartTimeOf(zombiePid)));
        QVERIFY(HookTesting::HooksInstalled());
        ::kill(pid_t(zombiePid), SIGKILL);
        QTRY_VERIFY(!HookTesting::HooksInstalled());
        zombie.waitForFinished(5000);

        // A process id nobody has.
        QVERIFY(WriteHandles(SharedFile(home), 0x3ffffffe, 0));
        QVERIFY(!HookTesting::HooksInstalled());
    }

    void InstallWithoutAnXServerInstallsNothing_data()
    {
        QTest::addColumn<QByteArray>("display");
        QTest::newRow("no DISPLAY") << QByteArray();
        QTest::newRow("a display nobody serves") << QByteArray(":197");
        QTest::newRow("garbage") << QByteArray("not a display");
    }
    void InstallWithoutAnXServerInstallsNothing()
    {
        QFETCH(QByteArray, display);
        TestHome home;
        HookTesting::Attach();
        if (display.isNull())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", display);
        FakeClock clock(12'345'678);
        HookTesting::SetClock(&FakeClock::NowMsOf, &clock);
        InstallHooks();
        QCOMPARE(GetLastKeystrokeTime(), 12345L); // set even when nothing installs
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        QCOMPARE(HookTesting::MouseHandle(), 0);
        QVERIFY(!HookTesting::MonitorRunning());
        clock.AdvanceSeconds(10);
        InstallHooks(); // tries again, still nothing
        QCOMPARE(GetLastKeystrokeTime(), 12355L);
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        RemoveHooks();
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        qunsetenv("DISPLAY");
    }

    void StaleHandlesAreClearedWhenInstallFindsNoServer()
    {
        TestHome home;
        HookTesting::Attach();
        QVERIFY(WriteHandles(SharedFile(home), 0x3ffffffe, 0));
        qunsetenv("DISPLAY");
        InstallHooks();
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        QCOMPARE(HookTesting::MouseHandle(), 0);
    }
};

QTEST_GUILESS_MAIN(HookSharedStateTest)
#include "HookSharedStateTest.moc"
