#pragma once
#include <QDialog>
#include <QTimer>

class QButtonGroup;

/// "Do you have time to Stretch?": five choices and OK, on top of every
/// window; closes itself after a minute with the result of Cancel (2).
class CNtfyDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kCancelled = 2;
    static constexpr int kCloseAfterMs = 60000;
    static constexpr int kFirstChoice = 1001;

    explicit CNtfyDialog(int closeAfterMs = kCloseAfterMs, QWidget* parent = nullptr);

    /// Shows the dialog modally, in front; the checked choice (1001-1005,
    /// 0 when none is checked), or 2.
    int Run();
    /// Closes the dialog with 2 (the controller's close request).
    void Cancel() { done(kCancelled); }
    /// Escape ends the dialog as Cancel does.
    void reject() override { done(kCancelled); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* m_choices;
    QTimer m_closeTimer;
};
