// The reminder as the user meets it, with the real ovctrl on a private X
// server with a window manager, an XEmbed tray (trayer) and a session bus,
// its clocks ten times as fast (faketime; the Qt timers keep real time) and its sound going to SDL's disk
// output: the icon in the tray, its flashing, the sound's samples at the
// chosen volume, the dialog and its answers, and the icon coming back when
// the tray restarts.
#include "CSettingsStore.h"
#include "DesktopSession.h"
#include "ProcessLog.h"
#include "SettingsTable.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kWaitMs = 15000;
constexpr int kSpeed = 10; // faketime's factor

// The samples of a wave file as the player sends them at `level`, worked
// out from the file here: 8-bit x is (x - 128) * 256, scaled by level / 65535.
std::vector<int16_t> ExpectedBell(const QString& path, int level)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data");
    if (data < 0 || bytes.mid(20, 2) != QByteArray("\1\0", 2) || bytes[34] != 8)
        return {}; // not the 8-bit PCM that make-sounds.sh writes
    std::vector<int16_t> out;
    const qsizetype size = qsizetype(uint8_t(bytes[data + 4]) | uint8_t(bytes[data + 5]) << 8
                                     | uint8_t(bytes[data + 6]) << 16);
    for (qsizetype i = data + 8; i < data + 8 + size && i < bytes.size(); ++i)
        out.push_back(int16_t((int32_t(uint8_t(bytes[i])) - 128) * 256 * level / 65535));
    return out;
}

} // namespace

class TrayEndToEndTest : public QObject {
    Q_OBJECT

private:
    DesktopSession m_desktop;
    QTemporaryDir m_appDir;
    std::unique_ptr<QProcess> m_tray;
    std::unique_ptr<QProcess> m_controller;
    ProcessLog m_log; // the controller's

    bool StartTray()
    {
        m_tray = std::make_unique<QProcess>();
        m_tray->start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                                 "--SetDockType", "true"});
        return m_tray->waitForStarted(5000);
    }
    void StopTray()
    {
        m_tray->terminate();
        if (!m_tray->waitForFinished(5000))
            m_tray->kill();
        m_tray->waitForFinished(2000);
    }

    // The controller's icon window inside the tray's panel, or empty.
    QString IconWindow() const
    {
        QByteArray tree;
        if (m_desktop.Run("xwininfo", {"-root", "-tree"}, &tree) != 0)
            return {};
        static const QRegularExpression window(QStringLiteral("^( +)(0x[0-9a-f]+) "));
        qsizetype panelIndent = -1;
        for (const QString& l : QString::fromUtf8(tree).split('\n')) {
            const auto match = window.match(l);
            if (!match.hasMatch())
                continue;
            const qsizetype indent = match.captured(1).size();
            if (panelIndent >= 0 && indent <= panelIndent)
                panelIndent = -1; // past the panel's windows
            if (l.contains(QStringLiteral("(\"panel\" \"trayer\")")))
                panelIndent = indent;
            else if (panelIndent >= 0 && l.contains(QStringLiteral("(\"ovctrl\" ")))
                return match.captured(2);
        }
        return {};
    }
    // What the tray shows: 'g' for the green normal icon, 'w' for a warm
    // flashing frame, '?' when the icon cannot be seen.
    char IconColour() const
    {
        const QString window = IconWindow();
        const QString png = m_appDir.filePath("icon.png");
        QFile::remove(png);
        if (window.isEmpty() || m_desktop.Run("import", {"-window", window, png}) != 0)
            return '?';
        const QImage image(png);
        if (image.isNull())
            return '?';
        qint64 red = 0, green = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                red += qRed(p);
                green += qGreen(p);
            }
        }
        return green > red * 11 / 10 ? 'g' : red > green * 11 / 10 ? 'w' : '?';
    }

    // The time the first log line from index `from` on containing `text`
    // arrived, waiting for it; -1 when it did not come.
    qint64 WaitForLog(const QString& text, qsizetype* from, int timeoutMs = kWaitMs)
    {
        const qsizetype line = m_log.WaitFor(text, from, timeoutMs);
        return line < 0 ? -1 : m_log[line].atMs;
    }
    QList<int> IconsShown(qsizetype from, qsizetype to) const
    {
        QList<int> icons;
        static const QRegularExpression icon(QStringLiteral("icon (\\d+)$"));
        for (qsizetype i = from; i < to && i < m_log.Size(); ++i) {
            const auto match = icon.match(m_log[i].text);
            if (match.hasMatch())
                icons << match.captured(1).toInt();
        }
        return icons;
    }
    QString DialogWindow() const
    {
        QByteArray window;
        if (m_desktop.Run("xdotool", {"search", "--onlyvisible", "--name", "^Ovantis$"}, &window) != 0)
            return {};
        return QString::fromUtf8(window.trimmed().split('\n').value(0));
    }

private slots:
    void initTestCase()
    {
        DesktopSession::Options options;
        options.windowManager = true;
        QVERIFY2(m_desktop.Start(options), qPrintable(m_desktop.Error()));
        QVERIFY(m_appDir.isValid());
        const QString bin = qEnvironmentVariable("OVANTIS_BINARY_DIR") + "/bin/";
        QVERIFY(QFile::copy(bin + "ovctrl", m_appDir.filePath("ovctrl")));
        QVERIFY(QFile::copy(bin + "OvantisRes.dll", m_appDir.filePath("OvantisRes.dll")));
        QFile viewer(m_appDir.filePath("stretch"));
        QVERIFY(viewer.open(QIODevice::WriteOnly));
        viewer.write(QStringLiteral("#!/bin/sh\necho \"start $*\" >> '%1'\n").arg(m_appDir.filePath("starts")).toUtf8());
        viewer.close();
        viewer.setPermissions(viewer.permissions() | QFile::ExeOwner);
        QVERIFY(StartTray());
    }

    void cleanup()
    {
        if (!QTest::currentTestFailed() || !m_controller)
            return;
        m_log.Read();
        for (const ProcessLog::Line& line : m_log.Lines())
            qWarning("%6lld ms  %s", line.atMs, qPrintable(line.text));
    }

    void cleanupTestCase()
    {
        if (m_controller) {
            m_controller->terminate();
            if (!m_controller->waitForFinished(5000))
                m_controller->kill();
        }
        if (m_tray)
            StopTray();
    }

    void reminder()
    {
        const std::vector<int16_t> bell =
            ExpectedBell(qEnvironmentVariable("OVANTIS_SOURCE_DIR") + "/contentsrc/sounds/tibetan-bell.wav", 5 * 6553);
        QVERIFY(bell.size() > 1000);

        CSettingsStore store;
        // Three clicks pass a click limit of 2; the keys never count here.
        QVERIFY(store.WriteInt(Settings::kActivationMode, 2));
        QVERIFY(store.WriteInt(Settings::kActivationKeysAndMice, 4));
        QVERIFY(store.WriteInt(Settings::kActivationCustomMice, 2));
        QVERIFY(store.WriteInt(Settings::kActivationCustomKeys, 100000));
        QVERIFY(store.WriteInt(Settings::kNotificationSoundOn, 1));
        QVERIFY(store.WriteInt(Settings::kNotificationUseSystemVolume, 0));
        QVERIFY(store.WriteInt(Settings::kNotificationSoundVolume, 5));
        QVERIFY(store.WriteInt(Settings::kNotificationFlashIconOn, 1));
        QVERIFY(store.WriteInt(Settings::kNotificationDialogOn, 1));

        const QString output = m_appDir.filePath("sound.raw");
        m_controller = std::make_unique<QProcess>();
        m_controller->setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_LOGGING_RULES", "ovantis.controller.debug=true;ovantis.controller.info=true");
        env.insert("SDL_AUDIODRIVER", "disk");
        env.insert("SDL_DISKAUDIOFILE", output);
        m_controller->setProcessEnvironment(env);
        m_controller->start("faketime", {"-f", QStringLiteral("+0 x%1").arg(kSpeed), m_appDir.filePath("ovctrl")});
        QVERIFY(m_controller->waitForStarted(5000));
        m_log.Follow(m_controller.get());
        connect(m_controller.get(), &QProcess::readyRead, this, [this] { m_log.Read(); });

        // The normal icon, in the tray.
        qsizetype at = 0;
        QVERIFY(WaitForLog("icon 142", &at) >= 0);
        QTRY_COMPARE_WITH_TIMEOUT(IconColour(), 'g', kWaitMs);

        // The clicks remind: the sound, the flashing and the dialog.
        const qsizetype flashFrom = at;
        QCOMPARE(m_desktop.Run("xdotool", {"mousemove", "200", "300", "click", "--repeat", "3", "--delay", "100", "1"}), 0);
        QVERIFY(WaitForLog("notification sound", &at) >= 0);
        QVERIFY(WaitForLog("flashing true", &at) >= 0);
        QTRY_COMPARE_WITH_TIMEOUT(IconColour(), 'w', kWaitMs);
        QString dialog;
        QTRY_VERIFY_WITH_TIMEOUT(!(dialog = DialogWindow()).isEmpty(), kWaitMs);
        QVERIFY(WaitForLog("reminder dialog shown", &at) >= 0);

        // The icon has run through its frames, in order, and goes on.
        const QList<int> round = {143, 144, 145, 146, 145, 144, 143, 144};
        QTRY_VERIFY_WITH_TIMEOUT(IconsShown(flashFrom, m_log.Size()).size() >= round.size(), kWaitMs);
        const QList<int> frames = IconsShown(flashFrom, m_log.Size());
        QVERIFY2(frames.size() >= round.size() && frames.mid(0, round.size()) == round,
                 qPrintable(QString("frames: %1").arg([&] {
                     QStringList ids;
                     for (int id : frames)
                         ids << QString::number(id);
                     return ids.join(' ');
                 }())));

        // "Delay Stretch 5 Min": two steps down the choices, then OK. The
        // icon is normal again, and clicks past the limit do not remind
        // until the delay ends (300 s, 30 s here).
        QCOMPARE(m_desktop.Run("xdotool", {"windowfocus", "--sync", dialog, "key", "--delay", "100", "Down", "Down",
                                           "Return"}),
                 0);
        const qint64 answered = WaitForLog("reminder dialog returned 1003", &at);
        QVERIFY(answered >= 0);
        // The bell's samples reached the output at volume 5 (32765 of 65535).
        auto played = [&] {
            QFile out(output);
            if (!out.open(QIODevice::ReadOnly))
                return false;
            const QByteArray raw = out.readAll();
            const auto* values = reinterpret_cast<const int16_t*>(raw.constData());
            const auto* end = values + raw.size() / 2;
            return std::search(values, end, bell.begin(), bell.end()) != end;
        };
        QTRY_VERIFY_WITH_TIMEOUT(played(), kWaitMs);

        QTRY_COMPARE_WITH_TIMEOUT(IconColour(), 'g', kWaitMs);
        QCOMPARE(m_desktop.Run("xdotool", {"mousemove", "220", "300", "click", "--repeat", "3", "--delay", "100", "1"}), 0);
        const qint64 again = WaitForLog("notification sound", &at, 300 * 1000 / kSpeed + kWaitMs);
        QVERIFY(again >= 0);
        QVERIFY2(again - answered >= 300 * 1000 / kSpeed * 9 / 10, qPrintable(QString::number(again - answered)));

        // Left alone, the second dialog closes itself after a minute (6 s
        // here) with the result of Cancel; nothing is launched.
        const qint64 shown = WaitForLog("reminder dialog shown", &at);
        QVERIFY(shown >= 0);
        const qint64 closed = WaitForLog("reminder dialog returned 2", &at, 60 * 1000 / kSpeed + kWaitMs);
        QVERIFY(closed >= 0);
        QVERIFY2(closed - shown >= 60 * 1000 / kSpeed * 9 / 10, qPrintable(QString::number(closed - shown)));
        QTRY_COMPARE_WITH_TIMEOUT(IconColour(), 'g', kWaitMs);
        QVERIFY(!QFile::exists(m_appDir.filePath("starts")));

        // The tray host goes and comes back: the icon is embedded again.
        StopTray();
        QTRY_VERIFY_WITH_TIMEOUT(IconWindow().isEmpty(), kWaitMs);
        QVERIFY(StartTray());
        QTRY_VERIFY_WITH_TIMEOUT(!IconWindow().isEmpty(), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(IconColour(), 'g', kWaitMs);

        // A double-click on the icon launches the next routine, once.
        const QString icon = IconWindow();
        QCOMPARE(m_desktop.Run("xdotool", {"mousemove", "--window", icon, "5", "5", "click", "--repeat", "2",
                                           "--delay", "80", "1"}),
                 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_appDir.filePath("starts")), kWaitMs);
        QVERIFY(m_controller->state() == QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TrayEndToEndTest)
#include "TrayEndToEndTest.moc"
