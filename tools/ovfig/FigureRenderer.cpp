#include "FigureRenderer.h"

#include "ByteReader.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>
#include <unordered_map>

namespace Figure {

namespace {

using namespace Style;

constexpr double kOutlinePx = 1.6; ///< outline width, whatever the scale
constexpr double kShadePx = 2.6;   ///< width of the shaded rim
constexpr double kLightPx = 1.2;   ///< width of the lit rim
constexpr int kMinCoverage = 24;   ///< of 255: less is background

struct Tone {
    QRgb base;
    QRgb shade;
    QRgb light;
};
constexpr Tone kSkinTone{kSkin, kSkinShade, kSkinLight};
constexpr Tone kShirtTone{kShirt, kShirtShade, kShirtLight};
constexpr Tone kTrousersTone{kTrousers, kTrousersShade, kTrousersLight};
constexpr Tone kShoeTone{kShoe, kShoeShade, kChairShade};
constexpr Tone kHairTone{kHair, kHairShade, kHairLight};
constexpr Tone kWoodTone{kWood, kWoodShade, kWoodLight};
constexpr Tone kChairTone{kChair, kChairShade, kChairLight};
// The far side of the body in the side view lies in its own shadow.
constexpr Tone kFarSkinTone{kSkinShade, kWoodShade, kSkinShade};
constexpr Tone kFarShirtTone{kShirtShade, kTrousersShade, kShirtShade};
constexpr Tone kFarTrousersTone{kTrousersShade, 0xFF000033, kTrousersShade};
constexpr Tone kFarShoeTone{kShoeShade, kShoeShade, kShoe};

QPointF Q(Point p) { return {p.x, p.y}; }
QPointF Lerp(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// The hull of two circles: a limb segment thicker at one end.
QPainterPath Capsule(QPointF a, double ra, QPointF b, double rb)
{
    QPainterPath ends;
    ends.addEllipse(a, ra, ra);
    QPainterPath other;
    other.addEllipse(b, rb, rb);
    ends = ends.united(other);
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    if (length <= std::abs(ra - rb) + 1e-6)
        return ends;
    const QPointF u = d / length, n(-u.y(), u.x());
    const double c = (ra - rb) / length, s = std::sqrt(1 - c * c);
    const QPointF e1 = u * c + n * s, e2 = u * c - n * s;
    QPainterPath hull;
    hull.addPolygon(QPolygonF({a + e1 * ra, b + e1 * rb, b + e2 * rb, a + e2 * ra}));
    hull.closeSubpath();
    return ends.united(hull);
}

QPainterPath Ellipse(QPointF c, double rx, double ry)
{
    QPainterPath path;
    path.addEllipse(c, rx, ry);
    return path;
}

QPainterPath RoundRect(double x, double y, double w, double h, double r)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

class Painter {
public:
    Painter(QPainter* p, double scale) : m_p(p), m_px(1.0 / scale) {}

    void Outline(const QPainterPath& silhouette) const
    {
        QPen pen(QColor::fromRgb(kOutline), 2 * kOutlinePx * m_px, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        m_p->strokePath(silhouette, pen);
    }

    // Flat colour, then the rim away from the light (upper left) in the
    // shade colour and a thin rim towards it in the light colour.
    void Fill(const QPainterPath& path, const Tone& tone) const
    {
        m_p->fillPath(path, QColor::fromRgb(tone.base));
        const double s = kShadePx * m_px, l = kLightPx * m_px;
        m_p->fillPath(path.subtracted(path.translated(-s, -s)), QColor::fromRgb(tone.shade));
        m_p->fillPath(path.subtracted(path.translated(l, l)), QColor::fromRgb(tone.light));
    }

    void Seam(const QPainterPath& path, const QPainterPath& within) const
    {
        m_p->save();
        m_p->setClipPath(within);
        m_p->strokePath(path, QPen(QColor::fromRgb(kOutline), kOutlinePx * m_px));
        m_p->restore();
    }

    void Part(const QPainterPath& path, const Tone& tone) const
    {
        Outline(path);
        Fill(path, tone);
    }

    void Line(QPointF a, QPointF b, QRgb colour, double widthPx) const
    {
        m_p->setPen(QPen(QColor::fromRgb(colour), widthPx * m_px, Qt::SolidLine, Qt::RoundCap));
        m_p->drawLine(a, b);
        m_p->setPen(Qt::NoPen);
    }

    QPainter* Raw() const { return m_p; }
    double Px() const { return m_px; }

private:
    QPainter* m_p;
    double m_px; ///< one pixel in model units
};

void DrawArm(const Painter& p, const Skeleton::Arm& a, bool far)
{
    const QPainterPath upper = Capsule(Q(a.shoulder), 6.5, Q(a.elbow), 5.5);
    const QPainterPath lower = Capsule(Q(a.elbow), 5.5, Q(a.wrist), 4.5);
    const Point handDir = Direction(a.handDir);
    const QPointF palm = Q(a.wrist) + QPointF(handDir.x, handDir.y) * 2.5;
    const QPainterPath hand = Capsule(palm, 4.6, Q(a.handTip) - QPointF(handDir.x, handDir.y) * 3, 4.9);
    const QPainterPath sleeve = Capsule(Q(a.shoulder), 7.5, Lerp(a.shoulder, a.elbow, 0.5), 6.9);
    const QPainterPath arm = upper.united(lower).united(hand).united(sleeve);
    p.Outline(arm);
    p.Fill(upper.united(lower), far ? kFarSkinTone : kSkinTone);
    p.Fill(hand, far ? kFarSkinTone : kSkinTone);
    p.Fill(sleeve, far ? kFarShirtTone : kShirtTone);
    p.Seam(sleeve, arm);
}

QPainterPath Leg(const Skeleton::Leg& l)
{
    return Capsule(Q(l.hip), 9.5, Q(l.knee), 7.5).united(Capsule(Q(l.knee), 7.5, Q(l.ankle), 5.5));
}

QPainterPath Shoe(const Skeleton::Leg& l, bool front)
{
    if (front)
        return Capsule(Q(l.ankle), 5, Q(l.toe), 5.5);
    return Capsule(Q(l.heel), 4.5, Q(l.toe), 3.8).united(Ellipse(Q(l.ankle), 5, 5));
}

void DrawHead(const Painter& p, const Skeleton& s, bool front)
{
    QPainter* raw = p.Raw();
    raw->save();
    raw->translate(Q(s.headCentre));
    raw->rotate(180 - s.headDir);
    if (front) {
        // Bowed towards the viewer, the face slides down the head and the
        // hair comes forward over it; the ears stay back, so rise.
        const double look = std::sin(s.nod * std::numbers::pi / 180);
        const double face = 6 * look, hairDrop = 4.5 * look, ears = -3 * look;
        p.Part(Ellipse({-14, 1.5 + ears}, 3.2, 4.2), kSkinTone);
        p.Part(Ellipse({14, 1.5 + ears}, 3.2, 4.2), kSkinTone);
        const QPainterPath head = Ellipse({0, 0}, 14.5, 17);
        p.Part(head, kSkinTone);
        raw->save();
        raw->setClipPath(head);
        raw->fillPath(Ellipse({-8.3, 6.5 + face}, 2.6, 1.7), QColor::fromRgb(kCheek));
        raw->fillPath(Ellipse({8.3, 6.5 + face}, 2.6, 1.7), QColor::fromRgb(kCheek));
        raw->fillPath(Ellipse({-5.2, 0.5 + face}, 1.7, 2.2 * (1 - 0.3 * look)), QColor::fromRgb(kEye));
        raw->fillPath(Ellipse({5.2, 0.5 + face}, 1.7, 2.2 * (1 - 0.3 * look)), QColor::fromRgb(kEye));
        QPainterPath smile;
        smile.moveTo(-4, 7.8 + face);
        smile.quadTo(0, 11 + face, 4, 7.8 + face);
        raw->strokePath(smile, QPen(QColor::fromRgb(kMouth), 1.3 * p.Px(), Qt::SolidLine, Qt::RoundCap));
        raw->restore();
        const QPainterPath hair = Ellipse({0, -3.5}, 15.8, 16)
                                      .subtracted(Ellipse({0, 5 + hairDrop}, 14, 14.8))
                                      .united(Ellipse({-7.5, -10 + hairDrop}, 7, 5))
                                      .intersected(Ellipse({0, -1}, 16, 18.6));
        p.Part(hair, kHairTone);
    } else {
        const QPainterPath head = Ellipse({0, 0}, 15, 17).united(Ellipse({14, 2.5}, 2.6, 3));
        p.Part(head, kSkinTone);
        raw->fillPath(Ellipse({9, 7}, 2.4, 1.6), QColor::fromRgb(kCheek));
        raw->fillPath(Ellipse({8.5, 0}, 1.5, 2.1), QColor::fromRgb(kEye));
        p.Line({9.5, 10}, {12.8, 9.2}, kMouth, 1.3);
        const QPainterPath hair = Ellipse({-1.5, -2.8}, 16.4, 16.4)
                                      .subtracted(Ellipse({7.5, 6.5}, 14.5, 15))
                                      .intersected(Ellipse({-0.5, 0}, 16.5, 18.6));
        p.Part(hair, kHairTone);
        p.Part(Ellipse({-1, 3}, 1.9, 2.7), kSkinTone);
    }
    raw->restore();
}

void DrawProp(const Painter& p, Prop prop, bool front, bool behind)
{
    if (prop == Prop::Chair && behind) {
        if (front) {
            p.Part(RoundRect(-3, 14, 6, 30, 2), kChairTone);
            p.Part(RoundRect(-30, 40, 60, 6, 3), kChairTone);
            p.Part(RoundRect(-33, 2, 66, 11, 5), kChairTone);
            p.Part(RoundRect(-30, -74, 60, 62, 10), kChairTone);
        } else {
            p.Part(RoundRect(-3, 14, 6, 30, 2), kChairTone);
            p.Part(RoundRect(-24, 40, 48, 5, 2.5), kChairTone);
            p.Part(Ellipse({-20, 48}, 3.5, 3.5), kChairTone);
            p.Part(Ellipse({20, 48}, 3.5, 3.5), kChairTone);
            p.Part(RoundRect(-24, -58, 9, 64, 4), kChairTone);
            p.Part(RoundRect(-22, 7, 42, 8, 4), kChairTone);
        }
    } else if (prop == Prop::Desk && !behind) {
        if (front) {
            p.Part(RoundRect(-84, -8, 168, 130, 2), kWoodTone);
            p.Part(RoundRect(-96, -18, 192, 11, 3), kWoodTone);
        } else {
            p.Part(RoundRect(118, -16, 7, 70, 2), kWoodTone);
            p.Part(RoundRect(34, -24, 110, 8, 3), kWoodTone);
        }
    } else if (prop == Prop::Screen && !behind) {
        if (front) {
            // The back of a monitor standing on the desk.
            p.Part(RoundRect(56, -24, 22, 7, 2), kChairTone);
            p.Part(RoundRect(63, -36, 8, 14, 2), kChairTone);
            p.Part(RoundRect(40, -72, 54, 40, 4), kChairTone);
        } else {
            p.Part(RoundRect(76, -28, 22, 4, 2), kChairTone);
            p.Part(RoundRect(84, -40, 6, 14, 2), kChairTone);
            p.Part(RoundRect(74, -80, 9, 44, 3), kChairTone);
            QPainter* raw = p.Raw();
            raw->fillRect(QRectF(74.8, -76, 2.2, 36), QColor::fromRgb(kGlass));
        }
    }
}

} // namespace

FigureRenderer::FigureRenderer(const FigureDefinition& definition, const QList<QRgb>& palette)
    : m_spec(definition), m_palette(palette)
{
    const QRgb key = 0xFF000000u | definition.key;
    m_keyIndex = int(m_palette.indexOf(key));
    if (m_palette.isEmpty() || m_palette.size() > 256)
        m_problem = "the palette has " + std::to_string(m_palette.size()) + " colours, not 1 to 256";
    else if (m_keyIndex < 0)
        m_problem = "key colour is not in the palette";
}

double FigureRenderer::Scale() const
{
    return m_spec.figureHeight / Measure::kModelHeight;
}

QImage FigureRenderer::Draw(const Pose& pose) const
{
    QImage image(m_spec.width, m_spec.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter raw(&image);
    raw.setRenderHint(QPainter::Antialiasing);
    raw.setPen(Qt::NoPen);
    raw.translate(m_spec.originX, m_spec.originY);
    raw.scale(Scale(), Scale());
    const Painter p(&raw, Scale());
    const bool front = m_spec.view == View::Front;
    const Skeleton s = Solve(m_spec.view, pose);

    auto props = [&](bool behind) {
        for (const PropPlacement& prop : m_spec.props) {
            raw.save();
            raw.translate(prop.dx / Scale(), prop.dy / Scale());
            DrawProp(p, prop.prop, front, behind);
            raw.restore();
        }
    };
    props(true);
    // A figure on its own stands on a soft shadow.
    if (m_spec.props.empty()) {
        const double ground = std::max(s.leg[0].ankle.y, s.leg[1].ankle.y) + 5.5;
        raw.fillPath(Ellipse({(s.leg[0].ankle.x + s.leg[1].ankle.x) / 2, ground}, 36, 4.5), QColor::fromRgb(kFloorShadow));
    }

    const QPainterPath neck = Capsule(Q(s.neckBase), 5.5, Q(s.neckTop), 5);
    if (front) {
        const QPainterPath pelvis = Capsule({-9, 1}, 10, {9, 1}, 10);
        const QPainterPath legs = pelvis.united(Leg(s.leg[0])).united(Leg(s.leg[1]));
        p.Part(Shoe(s.leg[0], true), kShoeTone);
        p.Part(Shoe(s.leg[1], true), kShoeTone);
        p.Part(legs, kTrousersTone);
        p.Part(neck, kSkinTone);
        const Point chest = {s.clavicle.x + (s.waist.x - s.clavicle.x) * 0.2,
                             s.clavicle.y + (s.waist.y - s.clavicle.y) * 0.2};
        const QPainterPath torso = Capsule(Q(chest), 17, Q(s.waist), 15)
                                       .united(Capsule(Q(s.arm[0].shoulder), 7.5, Q(s.clavicle), 8.5))
                                       .united(Capsule(Q(s.arm[1].shoulder), 7.5, Q(s.clavicle), 8.5));
        p.Part(torso, kShirtTone);
        // The open collar.
        raw.save();
        raw.setClipPath(torso);
        raw.translate(Q(s.neckBase));
        raw.rotate(180 - s.torsoDir);
        QPainterPath collar;
        collar.moveTo(-5, -2);
        collar.lineTo(0, 7);
        collar.lineTo(5, -2);
        raw.fillPath(collar, QColor::fromRgb(kSkin));
        raw.strokePath(collar, QPen(QColor::fromRgb(kOutline), kOutlinePx * p.Px(), Qt::SolidLine, Qt::RoundCap,
                                    Qt::RoundJoin));
        raw.restore();
        DrawArm(p, s.arm[1], false);
        DrawArm(p, s.arm[0], false);
        DrawHead(p, s, true);
    } else {
        DrawArm(p, s.arm[1], true);
        p.Part(Shoe(s.leg[1], false), kFarShoeTone);
        p.Part(Leg(s.leg[1]), kFarTrousersTone);
        const QPainterPath pelvis = Capsule({-2, -1}, 11, {3, 0}, 10);
        p.Part(Shoe(s.leg[0], false), kShoeTone);
        p.Part(pelvis.united(Leg(s.leg[0])), kTrousersTone);
        p.Part(neck, kSkinTone);
        const QPointF forward = QPointF(Direction(s.torsoDir - 90).x, Direction(s.torsoDir - 90).y);
        const QPainterPath torso = Capsule(Q(s.clavicle) + forward * 2.5, 12.5, Q(s.waist) + forward * 1.5, 11);
        p.Part(torso, kShirtTone);
        DrawHead(p, s, false);
    }
    props(false);
    if (!front)
        DrawArm(p, s.arm[0], false);
    return image;
}

std::vector<uint8_t> FigureRenderer::Quantize(const QImage& drawing) const
{
    const QImage argb = drawing.convertToFormat(QImage::Format_ARGB32);
    const QRgb matte = m_spec.matte;
    std::vector<uint8_t> indices(size_t(argb.width()) * size_t(argb.height()), uint8_t(m_keyIndex));
    std::unordered_map<QRgb, uint8_t> nearest;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const int a = qAlpha(line[x]);
            if (a < kMinCoverage)
                continue;
            auto over = [&](int c, int m) { return (c * a + m * (255 - a) + 127) / 255; };
            const QRgb colour = qRgb(over(qRed(line[x]), qRed(matte)), over(qGreen(line[x]), qGreen(matte)),
                                     over(qBlue(line[x]), qBlue(matte)));
            auto found = nearest.find(colour);
            if (found == nearest.end()) {
                int best = -1;
                long bestDistance = 0;
                for (int i = 0; i < m_palette.size(); ++i) {
                    if (i == m_keyIndex)
                        continue;
                    const long dr = qRed(colour) - qRed(m_palette[i]);
                    const long dg = qGreen(colour) - qGreen(m_palette[i]);
                    const long db = qBlue(colour) - qBlue(m_palette[i]);
                    const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                    if (best < 0 || distance < bestDistance) {
                        best = i;
                        bestDistance = distance;
                    }
                }
                found = nearest.emplace(colour, uint8_t(best < 0 ? m_keyIndex : best)).first;
            }
            indices[size_t(y) * size_t(argb.width()) + size_t(x)] = found->second;
        }
    }
    return indices;
}

std::vector<uint8_t> PackedDib8(int width, int height, const QList<QRgb>& palette,
                                const std::vector<uint8_t>& indices)
{
    constexpr size_t kHeader = 40;
    const size_t stride = (size_t(width) + 3) / 4 * 4;
    const size_t table = 4 * size_t(palette.size());
    std::vector<uint8_t> dib(kHeader + table + stride * size_t(height), 0);
    ByteWriter out(dib);
    out.U32(0, kHeader);
    out.U32(4, uint32_t(width));
    out.U32(8, uint32_t(height)); // rows bottom-up
    out.U16(12, 1);
    out.U16(14, 8);
    out.U32(16, 0); // uncompressed
    out.U32(20, uint32_t(stride * size_t(height)));
    out.U32(24, 2835); // 72 dpi
    out.U32(28, 2835);
    out.U32(32, uint32_t(palette.size()));
    for (qsizetype i = 0; i < palette.size(); ++i) {
        uint8_t* quad = dib.data() + kHeader + 4 * size_t(i);
        quad[0] = uint8_t(qBlue(palette[i]));
        quad[1] = uint8_t(qGreen(palette[i]));
        quad[2] = uint8_t(qRed(palette[i]));
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = indices.data() + size_t(y) * size_t(width);
        uint8_t* dst = dib.data() + kHeader + table + size_t(height - 1 - y) * stride;
        std::copy(src, src + width, dst);
    }
    return dib;
}

} // namespace Figure
