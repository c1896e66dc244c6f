#include "CTabButton.h"

#include "CStretchView.h"

#include <QKeyEvent>
#include <QMouseEvent>

CTabButton::CTabButton(const QString& text, int commandId, CStretchView* view)
    : QPushButton(text, view), m_commandId(commandId), m_view(view)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
}

bool CTabButton::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_view->ForwardKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QPushButton::event(event);
}

void CTabButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        m_view->NoteButtonPress();
    QPushButton::mousePressEvent(event);
}
