#pragma once
// The jointed figure: its joints with their angle ranges, poses, easing
// between poses, and where every joint lands for a pose (forward
// kinematics). Pure geometry: no drawing.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace Figure {

enum class View { Front, Side };

/// Joints in the order a pose stores them. "left" and "right" are the
/// figure's own sides.
enum Joint : int {
    kWaist, kNeck, kHead, kNod,
    kLeftCollar, kRightCollar,
    kLeftShoulder, kRightShoulder,
    kLeftElbow, kRightElbow,
    kLeftWrist, kRightWrist,
    kLeftHip, kRightHip,
    kLeftKnee, kRightKnee,
    kLeftAnkle, kRightAnkle,
    kLeftCross, kRightCross, ///< side view: the leg turned out at the hip
    kJointCount
};

/// The name a source uses for a joint ("left-elbow").
std::string_view JointName(int joint);
/// The joint a name stands for, or nullopt.
std::optional<int> FindJoint(std::string_view name);

/// The angles a joint may take in a view, in degrees.
struct AngleRange {
    double min;
    double max;
};
AngleRange JointRange(View view, int joint);

/// One angle per joint, in degrees; all zero is the figure standing
/// upright with its arms hanging.
using Pose = std::array<double, kJointCount>;

enum class Ease { Linear, In, Out, InOut };
std::optional<Ease> FindEase(std::string_view name);
/// Progress along a move at time fraction t (0..1): linear t, in t^2,
/// out 1-(1-t)^2, in-out 3t^2-2t^3 (slow at both ends).
double EaseValue(Ease ease, double t);
/// The pose a fraction t of the way from `from` to `to`, eased.
Pose Interpolate(const Pose& from, const Pose& to, double t, Ease ease);

struct Point {
    double x = 0;
    double y = 0;
};

/// Where the joints of a posed figure are, in model units (y down, the
/// hip joints' midpoint at 0,0; the standing figure is kModelHeight tall),
/// and the direction of each part. Directions are degrees: 0 points down,
/// 90 to +x (the figure's left in the front view, forward in the side
/// view), 180 up.
struct Skeleton {
    Point pelvis, waist, neckBase, neckTop, headCentre, clavicle;
    double torsoDir = 180, neckDir = 180, headDir = 180;
    /// Degrees the head is bowed towards the viewer (front view) or
    /// forwards (side view, where it is part of headDir).
    double nod = 0;
    struct Arm {
        Point shoulder, elbow, wrist, handTip;
        double upperDir = 0, lowerDir = 0, handDir = 0;
    } arm[2]; ///< [0] left, [1] right
    struct Leg {
        Point hip, knee, ankle, toe, heel;
        double upperDir = 0, lowerDir = 0, footDir = 0;
    } leg[2];
};

/// Body measures in model units.
namespace Measure {
inline constexpr double kModelHeight = 194; ///< sole to crown, standing
inline constexpr double kWaistAbovePelvis = 6;
inline constexpr double kTorso = 56;       ///< waist to neck base
inline constexpr double kClavicleBelowNeck = 8;
inline constexpr double kClavicle = 22;    ///< front: half the shoulder width
inline constexpr double kNeckLength = 10;
inline constexpr double kHeadCentre = 15;  ///< neck top to head centre
inline constexpr double kHipHalfWidth = 10; ///< front view
inline constexpr double kUpperArm = 30, kLowerArm = 28, kHand = 11;
inline constexpr double kUpperLeg = 44, kLowerLeg = 42;
inline constexpr double kFootFront = 9, kFootSide = 18, kHeelSide = 4;
} // namespace Measure

/// Unit vector of a direction (degrees, 0 down, 90 towards +x).
Point Direction(double degrees);
Skeleton Solve(View view, const Pose& pose);

} // namespace Figure
