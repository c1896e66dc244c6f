#pragma once
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTest>

/// The lines a program under test writes, each with the time it was read
/// (milliseconds since the log began): end-to-end tests wait for a line
/// and count lines between two places.
class ProcessLog {
public:
    struct Line {
        qint64 atMs;
        QString text;
    };

    ProcessLog() { m_clock.start(); }

    /// Reads from `process`; Read() or a wait takes in what it wrote.
    void Follow(QProcess* process) { m_process = process; }
    void Read()
    {
        while (m_process && m_process->canReadLine())
            m_lines.append({m_clock.elapsed(), QString::fromUtf8(m_process->readLine()).trimmed()});
    }
    qint64 Elapsed() const { return m_clock.elapsed(); }

    qsizetype Size() const { return m_lines.size(); }
    const Line& operator[](qsizetype i) const { return m_lines[i]; }
    const QList<Line>& Lines() const { return m_lines; }

    /// The index of the first line from `*from` on containing `text`,
    /// waiting for it at most timeoutMs; -1 when it did not come. *from
    /// moves past it.
    qsizetype WaitFor(const QString& text, qsizetype* from, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            Read();
            for (qsizetype i = *from; i < m_lines.size(); ++i) {
                if (m_lines[i].text.contains(text)) {
                    *from = i + 1;
                    return i;
                }
            }
            if (deadline.hasExpired())
                return -1;
            QTest::qWait(20);
        }
    }
    /// The lines containing `text` in [from, to).
    qsizetype Count(const QString& text, qsizetype from, qsizetype to) const
    {
        qsizetype n = 0;
        for (qsizetype i = from; i < to && i < m_lines.size(); ++i)
            n += m_lines[i].text.contains(text);
        return n;
    }

private:
    QProcess* m_process = nullptr;
    QList<Line> m_lines;
    QElapsedTimer m_clock;
};
