#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>

/// The 48 quarter-hour marks as stored in "Activation Clock0" ... "Activation
/// Clock5": mark s is bit 7 - (s mod 8) of byte s div 8.
using ClockMarks = std::array<uint8_t, 6>;

namespace ClockMarkBits {

inline constexpr int kMarkCount = 48;

/// False for a mark outside 0-47.
constexpr bool IsSet(const ClockMarks& marks, int mark)
{
    return mark >= 0 && mark < kMarkCount && (marks[size_t(mark / 8)] & (0x80 >> (mark % 8))) != 0;
}
/// Does nothing for a mark outside 0-47.
void Set(ClockMarks* marks, int mark, bool on);
constexpr bool Any(const ClockMarks& marks)
{
    for (uint8_t byte : marks)
        if (byte != 0)
            return true;
    return false;
}

} // namespace ClockMarkBits

/// Where things are on a clock face of a given size: the mark rectangles,
/// the clickable ring and the time text. Mark 0 is twelve o'clock and the
/// marks run clockwise, one every 7.5 degrees; every fourth is an hour.
class ClockFaceGeometry {
public:
    static constexpr int kMarkSize = 13;
    static constexpr int kRingRadius = 92;
    static constexpr int kInnerRadiusSquared = 900; // nothing is hit closer than 30 pixels

    explicit ClockFaceGeometry(QSize face = {269, 269});

    QPoint Centre() const { return m_centre; }
    int OuterRadiusSquared() const { return m_outerRadiusSquared; }
    /// Bottom centre of the time text (its baseline).
    QPoint TimeAnchor() const { return m_timeAnchor; }
    /// What is repainted when the time text changes.
    QRect TimeRect() const { return m_timeRect; }
    /// The 13 x 13 rectangle of mark 0-47.
    QRect MarkRect(int mark) const { return m_markRects[size_t(mark)]; }

    /// The mark whose 7.5 degree sector holds (x, y) within the ring, or -1.
    int HitTest(int x, int y) const;

    static bool IsHourMark(int mark) { return mark % 4 == 0; }
    /// Five characters: "12:00", " 3:15", "11:45"; five blanks for -1.
    static QString TimeText(int mark);

private:
    QPoint m_centre;
    int m_outerRadiusSquared;
    QPoint m_timeAnchor;
    QRect m_timeRect;
    std::array<QRect, ClockMarkBits::kMarkCount> m_markRects;
};
