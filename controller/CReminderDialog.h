#pragma once
#include <QDialog>

class QButtonGroup;

/// "Do you have time to Stretch?": five choices and OK; closes itself after
/// a minute with the result of Cancel (2).
class CReminderDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kCancelled = 2;
    static constexpr int kCloseAfterMs = 60000;

    explicit CReminderDialog(QWidget* parent = nullptr);

    /// Shows the dialog modally; the checked choice (1001-1005), or 2.
    int Run();
    /// Closes the dialog with 2 (the controller's close request).
    void Cancel() { done(kCancelled); }
    /// Escape ends the dialog as Cancel does.
    void reject() override { done(kCancelled); }

private:
    QButtonGroup* m_choices;
};
