#pragma once
#include <QObject>

class QSocketNotifier;

/// Tells when the wall clock is set (by the user, NTP stepping it, a
/// resume that corrects it), through a timerfd that the kernel cancels on
/// every such change. Quiet when the kernel cannot do this.
class CClockChangeWatch : public QObject {
    Q_OBJECT

public:
    explicit CClockChangeWatch(QObject* parent = nullptr);
    ~CClockChangeWatch() override;

signals:
    void Changed();

private:
    bool Arm();
    void OnReadable();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
