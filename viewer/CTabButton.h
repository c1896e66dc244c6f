#pragma once
#include <QPushButton>

class CStretchView;

/// A push button of the view: a press tells the controller of a click on a
/// stretch routine, and the view's keys (Tab, Enter, the paging keys) go
/// to the view, which owns focus order and navigation.
class CTabButton : public QPushButton {
    Q_OBJECT

public:
    CTabButton(const QString& text, int commandId, CStretchView* view);
    int CommandId() const { return m_commandId; }

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_commandId;
    CStretchView* m_view;
};
