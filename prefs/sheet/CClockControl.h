#pragma once
#include "CMaskedBitmap.h"
#include "ClockFaceGeometry.h"

#include <QImage>
#include <QWidget>
#include <array>

/// The clock face of "How to Activate": the user clicks any of the 48
/// quarter-hour marks of a 12-hour dial to set or clear it. The mark under
/// the mouse is drawn highlighted (pressed while the left button is down)
/// and its time shows under the centre. From the keyboard the arrow keys
/// walk the marks and Space toggles one; each mark is a check box on the
/// accessibility bus, named by its time.
class CClockControl : public QWidget {
    Q_OBJECT

public:
    static constexpr int kControlId = 102;
    static constexpr int kFacePicture = 139, kSpritePicture = 140, kMaskPicture = 141;

    explicit CClockControl(QWidget* parent = nullptr);

    /// Loads the three pictures and lays out the face; false (and the
    /// control stays inert, showing nothing) when one is missing.
    bool Init();
    /// Init with pictures given by the caller (tests).
    bool Init(const QImage& face, const QImage& sprites, const QImage& masks);
    bool IsReady() const { return m_ready; }

    const ClockFaceGeometry& Geometry() const { return m_geometry; }
    int HitTest(int x, int y) const { return m_ready ? m_geometry.HitTest(x, y) : -1; }

    bool IsMarkSet(int mark) const { return ClockMarkBits::IsSet(m_marks, mark); }
    void SetMark(int mark, bool on);
    /// Clears every mark and repaints the ones that were set; the caller
    /// takes the marks over itself (no MarksChanged).
    void ClearMarks();
    bool HasMarks() const { return ClockMarkBits::Any(m_marks); }
    /// Takes the page's marks (no MarksChanged).
    void SetMarks(const ClockMarks& marks);
    const ClockMarks& Marks() const { return m_marks; }

    int HoverMark() const { return m_hoverMark; }
    /// The time text as drawn: five characters.
    QString TimeText() const { return ClockFaceGeometry::TimeText(m_hoverMark); }
    /// The mark the keyboard works on.
    int KeyboardMark() const { return m_keyboardMark; }

    /// Sets or clears `mark` as a click does.
    void ToggleMark(int mark);
    /// The update after every mouse event: repaints what changed, moves the
    /// highlight and reports changed marks.
    void SetHover(int mark, Qt::MouseButtons buttons);

    QSize sizeHint() const override { return m_faceSize; }

signals:
    /// The user changed the marks; `marks` is the new set.
    void MarksChanged(const ClockMarks& marks);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void MoveKeyboardMark(int mark);
    void InvalidateMark(int mark);

    QSize m_faceSize{269, 269};
    ClockFaceGeometry m_geometry;
    ClockMarks m_marks{};
    ClockMarks m_reported{}; // what the page last knew
    int m_hoverMark = -1;
    Qt::MouseButtons m_hoverButtons;
    int m_keyboardMark = 0;
    bool m_ready = false;
    CMaskedBitmap m_face;
    // Each sprite with its mask applied: [row][column], row 0 the hour marks.
    std::array<std::array<QImage, 6>, 2> m_sprites;
};
