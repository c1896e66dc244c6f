#include "CDragDropListBox.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>

namespace {

constexpr int kDataRole = Qt::UserRole;
// Where the drag image sits against the entry it was taken from.
constexpr QPoint kImageOffset{4, 2};

} // namespace

CDragDropListBox::CDragDropListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    // The selection, not the current row: a press moves the current row
    // before it selects.
    connect(this, &QListWidget::itemSelectionChanged, this, &CDragDropListBox::SelChange);
}

CDragDropListBox::~CDragDropListBox()
{
    delete m_dragImage;
    if (m_overBox && m_overBox != this)
        m_overBox->ClearInsertionLine();
}

int CDragDropListBox::InsertEntry(int index, const QString& text, int data)
{
    const QSignalBlocker block(this);
    if (m_sorted) {
        index = 0;
        while (index < count() && QString::compare(item(index)->text(), text, Qt::CaseInsensitive) <= 0)
            ++index;
    } else {
        index = std::clamp(index, 0, count());
    }
    auto* entry = new QListWidgetItem(text);
    entry->setData(kDataRole, data);
    insertItem(index, entry);
    return index;
}

void CDragDropListBox::RemoveEntry(int row)
{
    if (row < 0 || row >= count())
        return;
    const QSignalBlocker block(this);
    delete takeItem(row);
}

void CDragDropListBox::ClearEntries()
{
    const QSignalBlocker block(this);
    clear();
}

int CDragDropListBox::SelectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void CDragDropListBox::SelectRow(int row)
{
    const QSignalBlocker block(this);
    if (row < 0 || row >= count()) {
        setCurrentItem(nullptr);
        clearSelection();
        return;
    }
    setCurrentRow(row);
}

int CDragDropListBox::EntryData(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(kDataRole).toInt() : 0;
}

int CDragDropListBox::EntryHeight() const
{
    const int height = count() ? sizeHintForRow(0) : fontMetrics().height();
    return std::max(height, 1);
}

void CDragDropListBox::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !indexAt(pos).isValid()) {
        // A press below the entries keeps the selection and starts nothing.
        setFocus(Qt::MouseFocusReason);
        return;
    }
    QListWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || m_dragging)
        return;
    const int row = SelectedRow();
    if (row < 0)
        return;
    const QPoint hotSpot(pos.x() - kImageOffset.x(), pos.y() - visualItemRect(item(row)).top() - kImageOffset.y());
    if (!BuildDragImage(hotSpot))
        return;
    // The press has the pointer grabbed for this box until the release.
    m_dragging = true;
    m_dragRow = row;
    MoveDragImage(pos);
    m_dragImage->show();
}

bool CDragDropListBox::BuildDragImage(QPoint hotSpot)
{
    const int row = SelectedRow();
    QWidget* parent = parentWidget();
    const int width = viewport()->width();
    const int height = EntryHeight();
    if (row < 0 || !parent || width <= 0)
        return false;
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(0, 0, width, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         item(row)->text());
    }
    // White is the transparent colour.
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            if (line[x] == qRgb(255, 255, 255))
                line[x] = qRgba(0, 0, 0, 0);
    }
    m_dragImage = new QLabel(parent);
    m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dragImage->setPixmap(QPixmap::fromImage(image));
    m_dragImage->resize(width, height);
    m_dragImage->raise();
    m_hotSpot = hotSpot;
    return true;
}

void CDragDropListBox::MoveDragImage(QPoint viewportPos)
{
    if (m_dragImage)
        m_dragImage->move(viewport()->mapTo(parentWidget(), viewportPos) - m_hotSpot);
}

void CDragDropListBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    // While dragging the entry taken stays selected: no selection tracking.
    DropTest(event->globalPosition().toPoint());
    MoveDragImage(event->position().toPoint());
}

CDragDropListBox* CDragDropListBox::DropTest(QPoint globalPos)
{
    // The list box under the pointer: its viewport, frame or scroll bars.
    QListWidget* list = nullptr;
    for (QWidget* widget = QApplication::widgetAt(globalPos); widget && !list;
         widget = widget->isWindow() ? nullptr : widget->parentWidget())
        list = qobject_cast<QListWidget*>(widget);
    CDragDropListBox* accepting = nullptr;
    if (list && (list != this || m_dropTarget)) {
        auto* box = qobject_cast<CDragDropListBox*>(list);
        // A list box of another kind takes no drops.
        if (box && box->DragOver(globalPos) == kAcceptDrop)
            accepting = box;
    }
    if (m_overBox && m_overBox != accepting)
        m_overBox->ClearInsertionLine();
    m_overBox = accepting;
    return accepting;
}

uint32_t CDragDropListBox::DragOver(QPoint globalPos)
{
    if (!m_dropTarget)
        return 0;
    const QPoint pos = viewport()->mapFromGlobal(globalPos);
    const int y = std::clamp(pos.y(), 0, std::max(viewport()->height() - 1, 0));
    // The line goes above the entry under the pointer, below the last entry
    // when the pointer is past the end; scrolled entries count.
    const QModelIndex under = indexAt(QPoint(std::max(viewport()->width() / 2, 0), y));
    const int index = under.isValid() ? under.row() : count();
    if (index != m_insertionIndex || !m_showLine) {
        m_insertionIndex = index;
        m_showLine = true;
        viewport()->update();
    }
    return kAcceptDrop;
}

int CDragDropListBox::Drop(int data, const QString& text)
{
    if (!m_dropTarget || m_insertionIndex == -1)
        return 0;
    const int row = InsertEntry(std::min(m_insertionIndex, count()), text, data);
    SelectRow(row);
    setFocus(Qt::OtherFocusReason);
    emit SelChange();
    return 1;
}

void CDragDropListBox::ClearInsertionLine()
{
    m_insertionIndex = -1;
    if (m_showLine) {
        m_showLine = false;
        viewport()->update();
    }
}

void CDragDropListBox::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (!m_showLine || m_insertionIndex < 0)
        return;
    int y = 0;
    if (m_insertionIndex < count())
        y = visualItemRect(item(m_insertionIndex)).top();
    else if (count() > 0)
        y = visualItemRect(item(count() - 1)).bottom() + 1;
    y = std::clamp(y, 0, std::max(viewport()->height() - 1, 0));
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
    painter.drawLine(0, y, viewport()->width(), y);
}

void CDragDropListBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    {
        // The view would select the entry under the release point; the
        // entry dragged stays the one taken.
        const QSignalBlocker block(this);
        QListWidget::mouseReleaseEvent(event);
        SelectRow(m_dragRow);
    }
    CDragDropListBox* target = DropTest(event->globalPosition().toPoint());
    const int row = SelectedRow();
    if (row >= 0 && target) {
        const QString text = item(row)->text();
        const int data = EntryData(row);
        if (m_dropTarget) {
            RemoveEntry(row);
            // Within this box the entry lands where the line was drawn.
            if (target == this && row < m_insertionIndex)
                --m_insertionIndex;
        }
        target->Drop(data, text);
    } else if (row >= 0 && m_dropTarget) {
        // Dragged out of a drop target: the entry is removed, and the
        // selection moves as "Remove" moves it.
        RemoveEntry(row);
        SelectRow(count() == 0 ? -1 : std::min(row, count() - 1));
        emit SelChange();
    }
    EndDrag();
}

void CDragDropListBox::hideEvent(QHideEvent* event)
{
    // A drag cut short (the dialog closed under it) drops nothing.
    if (m_dragging)
        EndDrag();
    QListWidget::hideEvent(event);
}

void CDragDropListBox::EndDrag()
{
    m_dragging = false;
    delete m_dragImage;
    if (m_overBox)
        m_overBox->ClearInsertionLine();
    m_overBox = nullptr;
}
