#include "CMoreList.h"

#include "AppResources.h"
#include "StrList.h"
#include "ViewerIds.h"
#include "Windows1252.h"

#include <QAbstractItemView>
#include <QKeyEvent>

CMoreList::CMoreList(QWidget* parent, std::function<bool(QKeyEvent*)> keys)
    : QComboBox(parent), m_keys(std::move(keys))
{
    setFocusPolicy(Qt::StrongFocus);
}

bool CMoreList::Create()
{
    const bool stretches = ScanStretches() > 0;
    const bool topics = ScanTopics() > 0;
    return stretches && topics;
}

void CMoreList::ShowTopic(int topicId)
{
    const bool stretch = topicId < ViewerIds::kFirstReading;
    const int kind = stretch ? ViewerIds::kFirstStretch : ViewerIds::kFirstReading;
    if (m_kindShown != kind) {
        clear();
        StrList names;
        names.Load(stretch ? kStretchNameList : kTopicNameList);
        // Rows past the topics scanned would name no topic.
        const int rows = std::min<int>(int(names.Entries().size()), CountOfKind(kind));
        for (int i = 0; i < rows; ++i)
            addItem(FromWindows1252(names.Entries()[size_t(i)]), stretch ? m_stretches.Id(i) : m_topics.Id(i));
        m_kindShown = kind;
        // Screen readers name a drop-down list by its value; the label goes
        // in the description.
        setAccessibleDescription(AppResources::String(stretch ? ViewerIds::kStrMoreStretches : ViewerIds::kStrMoreTopics));
    }
    m_position = topicId - kind;
    m_selection = m_position;
    if (!stretch && m_selection >= count())
        m_selection = count() - 1;
    setCurrentIndex(m_selection >= 0 && m_selection < count() ? m_selection : -1);
}

int CMoreList::CountOfKind(int kind) const
{
    if (kind == ViewerIds::kFirstStretch)
        return m_stretches.Count();
    if (kind == ViewerIds::kFirstReading)
        return m_topics.Count();
    return 0;
}

int CMoreList::CountOfKind() const
{
    return CountOfKind(m_kindShown);
}

int CMoreList::IdAt(int position) const
{
    if (position < 0 || position >= CountOfKind())
        return 0;
    return m_kindShown == ViewerIds::kFirstStretch ? m_stretches.Id(position) : m_topics.Id(position);
}

bool CMoreList::HasNext() const
{
    return m_position + 1 < CountOfKind();
}

bool CMoreList::HasPrev() const
{
    return m_position > 0;
}

int CMoreList::Next()
{
    ++m_position;
    return IdAt(m_position);
}

int CMoreList::Prev()
{
    --m_position;
    return IdAt(m_position);
}

int CMoreList::GetSelectedTopic() const
{
    return currentIndex() < 0 ? 0 : currentData().toInt();
}

bool CMoreList::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_keys) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool passed = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab
            || ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !view()->isVisible());
        if (passed && m_keys(key))
            return true;
    }
    return QComboBox::event(event);
}

void CMoreList::showPopup()
{
    view()->setMinimumWidth(kDroppedWidth);
    QComboBox::showPopup();
}
