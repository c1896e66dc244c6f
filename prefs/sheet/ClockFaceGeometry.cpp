#include "ClockFaceGeometry.h"

#include <cmath>

namespace {

constexpr double kTurn = 6.2831853;
constexpr double kRadiansPerMark = 0.13089969375; // 7.5 degrees

} // namespace

void ClockMarkBits::Set(ClockMarks* marks, int mark, bool on)
{
    if (mark < 0 || mark >= kMarkCount)
        return;
    const auto bit = uint8_t(0x80 >> (mark % 8));
    uint8_t& byte = (*marks)[size_t(mark / 8)];
    byte = on ? uint8_t(byte | bit) : uint8_t(byte & ~bit);
}

ClockFaceGeometry::ClockFaceGeometry(QSize face)
    : m_centre((face.width() + 1) / 2, (face.height() + 1) / 2),
      m_outerRadiusSquared(((m_centre.x() + kRingRadius) / 2) * ((m_centre.x() + kRingRadius) / 2)),
      m_timeAnchor(m_centre.x(), m_centre.y() + 42),
      m_timeRect(m_centre.x() - 25, m_centre.y() + 32, 50, 20)
{
    const int half = kMarkSize / 2;
    for (int s = 0; s < ClockMarkBits::kMarkCount; ++s) {
        const double theta = s * kTurn / ClockMarkBits::kMarkCount;
        const int left = int(kRingRadius * std::sin(theta) + 0.5 + (m_centre.x() - half));
        const int top = int((m_centre.y() - half) - (kRingRadius * std::cos(theta) + 0.5));
        m_markRects[size_t(s)] = QRect(left, top, kMarkSize, kMarkSize);
    }
}

int ClockFaceGeometry::HitTest(int x, int y) const
{
    const int dx = m_centre.x() - x;
    const int dy = y - m_centre.y();
    const long long d = (long long)dx * dx + (long long)dy * dy;
    if (d > m_outerRadiusSquared || d < kInnerRadiusSquared)
        return -1;
    // atan2 is 0 straight down and +-pi at twelve o'clock; the half-mark
    // offset gives each mark the sector on either side of its direction.
    const auto s = int16_t(std::atan2(double(dx), double(dy)) / kRadiansPerMark + 0.5 + 24);
    return s >= ClockMarkBits::kMarkCount ? 0 : s;
}

QString ClockFaceGeometry::TimeText(int mark)
{
    if (mark < 0 || mark >= ClockMarkBits::kMarkCount)
        return QStringLiteral("     ");
    const int hour = mark / 4;
    const int minutes = (mark % 4) * 15;
    return QStringLiteral("%1:%2").arg(hour == 0 ? 12 : hour, 2).arg(minutes, 2, 10, QLatin1Char('0'));
}
