#include "FigureModel.h"

#include <cmath>
#include <numbers>

namespace Figure {

namespace {

constexpr std::string_view kJointNames[kJointCount] = {
    "waist",         "neck",           "head",        "nod",         "left-collar", "right-collar", "left-shoulder",
    "right-shoulder", "left-elbow",    "right-elbow", "left-wrist",  "right-wrist",  "left-hip",
    "right-hip",     "left-knee",      "right-knee",  "left-ankle",  "right-ankle", "left-cross",
    "right-cross",
};

// Ranges by joint; the side view bends limbs forward and back, the front
// view turns them in the picture plane, so some ranges differ.
struct RangePair {
    AngleRange front;
    AngleRange side;
};
constexpr RangePair kRanges[kJointCount] = {
    {{-60, 60}, {-30, 90}},    // waist: bend to the left / forward
    {{-50, 50}, {-50, 60}},    // neck
    {{-40, 40}, {-40, 40}},    // head
    {{-30, 60}, {-30, 60}},    // nod: chin towards the chest
    {{-10, 30}, {-10, 30}},    // left collar: shoulder lift
    {{-10, 30}, {-10, 30}},    // right collar
    {{-30, 180}, {-60, 180}},  // left shoulder: out / forward
    {{-30, 180}, {-60, 180}},  // right shoulder
    {{-150, 150}, {0, 150}},   // left elbow
    {{-150, 150}, {0, 150}},   // right elbow
    {{-80, 80}, {-80, 80}},    // left wrist
    {{-80, 80}, {-80, 80}},    // right wrist
    {{-20, 90}, {-40, 120}},   // left hip: out / forward
    {{-20, 90}, {-40, 120}},   // right hip
    {{-90, 90}, {0, 150}},     // left knee
    {{-90, 90}, {0, 150}},     // right knee
    {{-40, 40}, {-40, 40}},    // left ankle
    {{-40, 40}, {-40, 40}},    // right ankle
    {{0, 0}, {0, 90}},         // left cross: the leg turned out, shin across
    {{0, 0}, {0, 90}},         // right cross
};

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

Point Add(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point Scale(Point a, double k) { return {a.x * k, a.y * k}; }

// Turns a torso-local vector by the waist angle: positive angles carry the
// torso's top towards +x.
Point Turn(Point v, double degrees)
{
    const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

// Turns a side-view leg out at the hip by `degrees`: the shin and foot turn
// about the thigh, so a bent shin swings across in front of the other leg,
// and the whole leg then falls out towards the viewer by a third of that.
// The picture shows what is left of each part once its depth is dropped.
void CrossLeg(Skeleton::Leg* l, double degrees)
{
    if (degrees == 0)
        return;
    const Point thigh{l->knee.x - l->hip.x, l->knee.y - l->hip.y};
    const double length = std::hypot(thigh.x, thigh.y);
    const Point u = Scale(thigh, 1 / length);
    const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
    const double ct = std::cos(Radians(degrees / 3)), st = std::sin(Radians(degrees / 3));
    // Rodrigues' rotation of a picture-plane vector about u, the shin going
    // away from the viewer (depth z < 0), then the turn about the vertical.
    auto turn = [&](Point v, bool aboutThigh) {
        double x = v.x, y = v.y, z = 0;
        if (aboutThigh) {
            const double along = (u.x * v.x + u.y * v.y) * (1 - c);
            x = v.x * c + u.x * along;
            y = v.y * c + u.y * along;
            z = -(u.x * v.y - u.y * v.x) * s;
        }
        return Point{x * ct - z * st, y};
    };
    const Point shin{l->ankle.x - l->knee.x, l->ankle.y - l->knee.y};
    const Point toe{l->toe.x - l->ankle.x, l->toe.y - l->ankle.y};
    const Point heel{l->heel.x - l->ankle.x, l->heel.y - l->ankle.y};
    l->knee = Add(l->hip, turn(thigh, false));
    l->ankle = Add(l->knee, turn(shin, true));
    l->toe = Add(l->ankle, turn(toe, true));
    l->heel = Add(l->ankle, turn(heel, true));
}

} // namespace

std::string_view JointName(int joint)
{
    return joint >= 0 && joint < kJointCount ? kJointNames[joint] : std::string_view();
}

std::optional<int> FindJoint(std::string_view name)
{
    for (int j = 0; j < kJointCount; ++j)
        if (kJointNames[j] == name)
            return j;
    return std::nullopt;
}

AngleRange JointRange(View view, int joint)
{
    return view == View::Front ? kRanges[joint].front : kRanges[joint].side;
}

std::optional<Ease> FindEase(std::string_view name)
{
    if (name == "linear")
        return Ease::Linear;
    if (name == "in")
        return Ease::In;
    if (name == "out")
        return Ease::Out;
    if (name == "inout")
        return Ease::InOut;
    return std::nullopt;
}

double EaseValue(Ease ease, double t)
{
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    switch (ease) {
    case Ease::Linear: return t;
    case Ease::In: return t * t;
    case Ease::Out: return 1 - (1 - t) * (1 - t);
    case Ease::InOut: return t * t * (3 - 2 * t);
    }
    return t;
}

Pose Interpolate(const Pose& from, const Pose& to, double t, Ease ease)
{
    const double k = EaseValue(ease, t);
    Pose out{};
    for (int j = 0; j < kJointCount; ++j)
        out[j] = from[j] + (to[j] - from[j]) * k;
    return out;
}

Point Direction(double degrees)
{
    return {std::sin(Radians(degrees)), std::cos(Radians(degrees))};
}

Skeleton Solve(View view, const Pose& pose)
{
    using namespace Measure;
    const bool front = view == View::Front;
    Skeleton s;
    const double waist = pose[kWaist];
    s.pelvis = {0, 0};
    s.waist = {0, -kWaistAbovePelvis};
    s.torsoDir = 180 - waist;
    s.neckBase = Add(s.waist, Turn({0, -kTorso}, waist));
    s.clavicle = Add(s.waist, Turn({0, -(kTorso - kClavicleBelowNeck)}, waist));
    s.neckDir = s.torsoDir - pose[kNeck];
    s.nod = pose[kNod];
    // From the front a bow tips neck and head towards the viewer, so both
    // look shorter; from the side it turns the head forwards.
    const double bow = front ? std::cos(Radians(s.nod)) : 1;
    s.neckTop = Add(s.neckBase, Scale(Direction(s.neckDir), kNeckLength * bow));
    s.headDir = s.neckDir - pose[kHead] - (front ? 0 : s.nod);
    s.headCentre = Add(s.neckTop, Scale(Direction(s.headDir), kHeadCentre * bow));

    for (int i = 0; i < 2; ++i) {
        // The front view mirrors the right side; the side view shows both
        // sides bending the same way, one behind the other.
        const double side = front && i == 1 ? -1 : 1;
        const double lift = Radians(pose[kLeftCollar + i]);
        Skeleton::Arm& a = s.arm[i];
        const Point collar = front ? Point{side * kClavicle * std::cos(lift), -kClavicle * std::sin(lift)}
                                   : Point{0, -kClavicle * std::sin(lift)};
        a.shoulder = Add(s.clavicle, Turn(collar, waist));
        a.upperDir = -waist + side * pose[kLeftShoulder + i];
        a.elbow = Add(a.shoulder, Scale(Direction(a.upperDir), kUpperArm));
        a.lowerDir = a.upperDir + side * pose[kLeftElbow + i];
        a.wrist = Add(a.elbow, Scale(Direction(a.lowerDir), kLowerArm));
        a.handDir = a.lowerDir + side * pose[kLeftWrist + i];
        a.handTip = Add(a.wrist, Scale(Direction(a.handDir), kHand));

        Skeleton::Leg& l = s.leg[i];
        l.hip = front ? Point{side * kHipHalfWidth, 0} : Point{0, 0};
        l.upperDir = side * pose[kLeftHip + i];
        l.knee = Add(l.hip, Scale(Direction(l.upperDir), kUpperLeg));
        // A bent knee carries the shin backwards in the side view.
        l.lowerDir = front ? l.upperDir + side * pose[kLeftKnee + i] : l.upperDir - pose[kLeftKnee + i];
        l.ankle = Add(l.knee, Scale(Direction(l.lowerDir), kLowerLeg));
        if (front) {
            l.footDir = l.lowerDir + side * (25 + pose[kLeftAnkle + i]);
            l.toe = Add(l.ankle, Scale(Direction(l.footDir), kFootFront));
            l.heel = l.ankle;
        } else {
            l.footDir = l.lowerDir + 90 + pose[kLeftAnkle + i];
            l.toe = Add(l.ankle, Scale(Direction(l.footDir), kFootSide));
            l.heel = Add(l.ankle, Scale(Direction(l.footDir), -kHeelSide));
            CrossLeg(&l, pose[kLeftCross + i]);
        }
    }
    return s;
}

} // namespace Figure
