#pragma once
#include <QListWidget>
#include <QPointer>
#include <cstdint>

class QLabel;

/// A list box that drags its selected entry, with the mouse, to another
/// list box of its kind. A drop target accepts drops (inserting at the line
/// it draws under the mouse) and moves its own entries rather than copying
/// them; an entry dragged out of a drop target and released anywhere that
/// does not accept it is removed. A box that is only a source never changes
/// by a drag.
///
/// The drag image follows the mouse over the parent widget; the pointer is
/// not confined while dragging (the platform offers no way to).
class CDragDropListBox : public QListWidget {
    Q_OBJECT

public:
    explicit CDragDropListBox(QWidget* parent = nullptr);
    ~CDragDropListBox() override;

    void SetDropTarget(bool dropTarget) { m_dropTarget = dropTarget; }
    bool IsDropTarget() const { return m_dropTarget; }
    /// Keeps the entries in case-insensitive order: dropped and added
    /// entries go to their place rather than where they were put.
    void SetSorted(bool sorted) { m_sorted = sorted; }
    bool IsDragging() const { return m_dragging; }
    int InsertionIndex() const { return m_insertionIndex; }

    /// Inserts at `index` (at its sorted place in a sorted box) and returns
    /// where the entry went. No signal.
    int InsertEntry(int index, const QString& text, int data);
    /// Removes the entry at `row`, or every entry. No signal.
    void RemoveEntry(int row);
    void ClearEntries();
    /// The selected position, -1 when nothing is selected.
    int SelectedRow() const;
    /// Selects `row` (none for -1) without signalling.
    void SelectRow(int row);
    int EntryData(int row) const;
    /// Height of one entry in pixels (at least 1).
    int EntryHeight() const;

    /// The answer of a drop target to DragOver: the drop is accepted.
    static constexpr uint32_t kAcceptDrop = 0xDEADBEEF;
    /// A drag passes over this box at `globalPos`: a drop target works out
    /// the insertion index, draws its line and answers kAcceptDrop; any other
    /// box answers 0.
    uint32_t DragOver(QPoint globalPos);
    /// An entry dropped on this box: inserted at the insertion index,
    /// selected, the box focused and SelChange emitted. 1 when inserted, 0
    /// when this box takes no drops or has no insertion index.
    int Drop(int data, const QString& text);
    /// Stops drawing the insertion line (the drag left this box or ended).
    void ClearInsertionLine();

signals:
    /// The selection changed by the user: a click, a key, a drop, or an
    /// entry dragged out. Not emitted for changes made through the calls
    /// above.
    void SelChange();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool BuildDragImage(QPoint hotSpot);
    /// The list box at `globalPos` that may take the drop, asked whether it
    /// does; null when none accepts.
    CDragDropListBox* DropTest(QPoint globalPos);
    void MoveDragImage(QPoint viewportPos);
    void EndDrag();

    bool m_dragging = false;
    bool m_dropTarget = false;
    int m_insertionIndex = -1;
    QPointer<QLabel> m_dragImage; // only during a drag; a child of the parent widget
    QPoint m_hotSpot;
    int m_dragRow = -1;
    bool m_sorted = false;
    bool m_showLine = false;
    QPointer<CDragDropListBox> m_overBox; // whose insertion line is drawn
};
