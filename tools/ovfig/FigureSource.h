#pragma once
// The figure source notation (contentsrc/README.md, "figures"): the frame,
// props, named key poses and a timeline of holds and moves, read into a
// FigureDefinition, and the timeline turned into timed frames.
#include "FigureModel.h"
#include "SourceLine.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Figure {

/// Engine ticks are this long; every frame is shown for whole ticks.
inline constexpr int kTickMs = 50;

enum class Prop { Chair, Desk, Screen };

struct PropPlacement {
    Prop prop;
    int dx = 0; ///< shift from the prop's usual place, in frame pixels
    int dy = 0;
};

/// One timeline step: "hold POSE MS" or "move POSE MS frames=N ease=E".
struct Step {
    bool move = false;
    std::string pose;
    int ms = 0;
    int frames = 1;
    Ease ease = Ease::InOut;
    SourceLocation where;
};

struct FigureDefinition {
    std::string name; ///< the file's base name, for the pictures' file names
    View view = View::Front;
    int width = 160, height = 200; ///< frame size in pixels
    int originX = 80, originY = 120; ///< where the hip joints' midpoint sits
    int figureHeight = 180;          ///< standing figure, sole to crown, pixels
    uint32_t key = 0xFF00FF;         ///< 0xRRGGBB: the background the engine keys out
    uint32_t matte = 0xFFFFFF;       ///< what the figure's edges are smoothed against
    uint16_t firstPicture = 0;
    uint16_t script = 0;
    int atX = 0, atY = 0;   ///< where the script draws the frames on the page
    uint32_t clear = 0xFFFFFF; ///< colour the script fills under each frame
    int repeat = 0;            ///< Cycle count; 0 loops for ever
    /// A second script that plays the timeline once and ends ("show me
    /// again" on a click); 0 for none. With it both scripts draw on every
    /// tick (see BuildFigure).
    uint16_t again = 0;
    std::vector<PropPlacement> props;
    std::map<std::string, Pose> poses;
    std::vector<Step> steps;
    SourceLocation scriptLine;
};

/// Reads a figure source. False, with one "file:line: message" per error,
/// for anything it cannot take: unknown statements, joints, poses or props,
/// angles outside their joint's range, a frame larger than the drawing
/// surface decodes, missing picture or script ids.
bool ParseFigure(const std::string& text, const std::string& file, FigureDefinition* definition,
                 std::vector<std::string>* errors);

/// One frame of the animation: a pose shown for a number of ticks.
struct TimedFrame {
    Pose pose;
    int ticks = 0;
    SourceLocation where;
};

/// The timeline as frames: a hold is one frame, a move of N frames ends
/// on its pose, each in-between eased. Frame times are rounded to ticks
/// on the running total, so rounding never adds up. False, with errors,
/// when a frame would last less than one tick.
bool PlanFrames(const FigureDefinition& definition, std::vector<TimedFrame>* frames, std::vector<std::string>* errors);

} // namespace Figure
