#include "FigureSource.h"

#include "formats/DibFormat.h"

#include <cmath>
#include <set>

namespace Figure {

namespace {

constexpr int kMaxStepMs = 60000;
constexpr int kMaxMoveFrames = 100;
constexpr int kMaxCoordinate = 10000;

std::optional<int> IntIn(const std::string& text, int min, int max)
{
    auto v = ParseInteger(text);
    if (!v || *v < min || *v > max)
        return std::nullopt;
    return int(*v);
}

// "X,Y"
bool PairIn(const std::string& text, int min, int max, int* x, int* y)
{
    const size_t comma = text.find(',');
    if (comma == std::string::npos)
        return false;
    auto a = IntIn(text.substr(0, comma), min, max);
    auto b = IntIn(text.substr(comma + 1), min, max);
    if (!a || !b)
        return false;
    *x = *a;
    *y = *b;
    return true;
}

// "#rrggbb" as 0xRRGGBB.
std::optional<uint32_t> Colour(const std::string& text)
{
    if (text.size() != 7 || text[0] != '#')
        return std::nullopt;
    uint32_t v = 0;
    for (size_t i = 1; i < 7; ++i) {
        const char c = text[i];
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0)
            return std::nullopt;
        v = v * 16 + uint32_t(d);
    }
    return v;
}

std::optional<Prop> FindProp(const std::string& name)
{
    if (name == "chair")
        return Prop::Chair;
    if (name == "desk")
        return Prop::Desk;
    if (name == "screen")
        return Prop::Screen;
    return std::nullopt;
}

std::string JointList()
{
    std::string list;
    for (int j = 0; j < kJointCount; ++j)
        list += (j ? ", " : "") + std::string(JointName(j));
    return list;
}

std::string BaseName(const std::string& file)
{
    std::string name = file.substr(file.find_last_of('/') + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

class Parser {
public:
    Parser(FigureDefinition* definition, std::vector<std::string>* errors) : m_spec(definition), m_errors(errors) {}

    void Error(const SourceLocation& where, const std::string& message)
    {
        m_errors->push_back(where.ToString() + ": " + message);
    }

    void Run(const std::vector<SourceLine>& lines)
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            const SourceLine& line = lines[i];
            if (line.tokens[0].text == "pose" && line.tokens[0].key.empty())
                i = PoseBlock(lines, i);
            else
                Statement(line);
        }
        CheckAngles();
        // Missing lines have no line number to name.
        if (!m_sawPictures)
            m_errors->push_back(m_file + ": no 'pictures FIRST_ID' line: the frames need picture ids");
        if (!m_sawScript)
            m_errors->push_back(m_file + ": no 'script ID at=X,Y' line: nothing would show the frames");
        if (m_spec->steps.empty())
            m_errors->push_back(m_file + ": no 'hold' or 'move' line: the animation has no frames");
    }

    std::string m_file;

private:
    // Words after the statement's name, as key=value pairs or plain words.
    bool Expect(const SourceLine& line, size_t words, const char* usage)
    {
        size_t plain = 0;
        for (const SourceToken& t : line.tokens)
            plain += t.key.empty() ? 1 : 0;
        if (plain == words + 1)
            return true;
        Error(line.where, std::string("usage: ") + usage);
        return false;
    }

    void Statement(const SourceLine& line)
    {
        const std::vector<SourceToken>& t = line.tokens;
        const std::string& word = t[0].text;
        auto options = [&](std::initializer_list<const char*> allowed) {
            for (size_t i = 1; i < t.size(); ++i) {
                if (t[i].key.empty())
                    continue;
                bool known = false;
                for (const char* a : allowed)
                    known = known || t[i].key == a;
                if (!known)
                    Error(line.where, "'" + word + "' has no option '" + t[i].key + "'");
            }
        };
        auto option = [&](const char* key) -> const SourceToken* {
            for (const SourceToken& token : t)
                if (token.key == key)
                    return &token;
            return nullptr;
        };
        if (word == "view") {
            options({});
            if (!Expect(line, 1, "view front|side"))
                return;
            if (t[1].text == "front")
                m_spec->view = View::Front;
            else if (t[1].text == "side")
                m_spec->view = View::Side;
            else
                Error(line.where, "view '" + t[1].text + "' is neither front nor side");
        } else if (word == "size") {
            options({});
            if (!Expect(line, 1, "size WIDTH,HEIGHT"))
                return;
            int w = 0, h = 0;
            if (!PairIn(t[1].text, -kMaxCoordinate, kMaxCoordinate, &w, &h))
                Error(line.where, "size '" + t[1].text + "' is not WIDTH,HEIGHT");
            else if (w < 1 || h < 1 || w > Formats::Dib::kMaxSide || h > Formats::Dib::kMaxSide)
                Error(line.where, "frame size " + std::to_string(w) + " x " + std::to_string(h) +
                                      " is outside 1 x 1 to " + std::to_string(Formats::Dib::kMaxSide) + " x " +
                                      std::to_string(Formats::Dib::kMaxSide) + ", the pictures the drawing surface decodes");
            else {
                m_spec->width = w;
                m_spec->height = h;
            }
        } else if (word == "origin") {
            options({});
            if (Expect(line, 1, "origin X,Y") &&
                !PairIn(t[1].text, -kMaxCoordinate, kMaxCoordinate, &m_spec->originX, &m_spec->originY))
                Error(line.where, "origin '" + t[1].text + "' is not X,Y");
        } else if (word == "height") {
            options({});
            if (!Expect(line, 1, "height PIXELS"))
                return;
            auto v = IntIn(t[1].text, 10, Formats::Dib::kMaxSide);
            if (!v)
                Error(line.where, "height '" + t[1].text + "' is not a number of pixels from 10 to " +
                                      std::to_string(Formats::Dib::kMaxSide));
            else
                m_spec->figureHeight = *v;
        } else if (word == "key" || word == "matte") {
            options({});
            if (!Expect(line, 1, word == "key" ? "key #rrggbb" : "matte #rrggbb"))
                return;
            auto c = Colour(t[1].text);
            if (!c)
                Error(line.where, "colour '" + t[1].text + "' is not #rrggbb");
            else
                (word == "key" ? m_spec->key : m_spec->matte) = *c;
        } else if (word == "pictures") {
            options({});
            if (!Expect(line, 1, "pictures FIRST_ID"))
                return;
            auto v = IntIn(t[1].text, 1, 0xFFFF);
            if (!v)
                Error(line.where, "picture id '" + t[1].text + "' is not from 1 to 65535");
            else
                m_spec->firstPicture = uint16_t(*v);
            m_sawPictures = true;
        } else if (word == "script") {
            options({"at", "clear", "repeat", "again"});
            if (!Expect(line, 1, "script ID at=X,Y [clear=#rrggbb] [repeat=N] [again=ID]"))
                return;
            m_sawScript = true;
            m_spec->scriptLine = line.where;
            auto id = IntIn(t[1].text, 1, 0xFFFF);
            if (!id)
                Error(line.where, "script id '" + t[1].text + "' is not from 1 to 65535");
            else
                m_spec->script = uint16_t(*id);
            const SourceToken* at = option("at");
            if (!at || !PairIn(at->text, -kMaxCoordinate, kMaxCoordinate, &m_spec->atX, &m_spec->atY))
                Error(line.where, "script needs at=X,Y: where the frames go on the page");
            if (const SourceToken* clear = option("clear")) {
                auto c = Colour(clear->text);
                if (!c)
                    Error(line.where, "clear colour '" + clear->text + "' is not #rrggbb");
                else
                    m_spec->clear = *c;
            }
            if (const SourceToken* repeat = option("repeat")) {
                auto r = IntIn(repeat->text, 0, 0xFFFF);
                if (!r)
                    Error(line.where, "repeat '" + repeat->text + "' is not from 0 (for ever) to 65535");
                else
                    m_spec->repeat = *r;
            }
            if (const SourceToken* again = option("again")) {
                auto a = IntIn(again->text, 1, 0xFFFF);
                if (!a || (id && *a == *id))
                    Error(line.where, "again script id '" + again->text + "' is not from 1 to 65535 and other than the script's");
                else
                    m_spec->again = uint16_t(*a);
            }
        } else if (word == "prop") {
            options({"shift"});
            if (!Expect(line, 1, "prop chair|desk|screen [shift=DX,DY]"))
                return;
            auto prop = FindProp(t[1].text);
            if (!prop) {
                Error(line.where, "unknown prop '" + t[1].text + "' (props: chair, desk, screen)");
                return;
            }
            PropPlacement p{*prop};
            if (const SourceToken* shift = option("shift"); shift &&
                !PairIn(shift->text, -kMaxCoordinate, kMaxCoordinate, &p.dx, &p.dy))
                Error(line.where, "shift '" + shift->text + "' is not DX,DY");
            m_spec->props.push_back(p);
        } else if (word == "hold" || word == "move") {
            const bool move = word == "move";
            options(move ? std::initializer_list<const char*>{"frames", "ease"} : std::initializer_list<const char*>{});
            if (!Expect(line, 2, move ? "move POSE MS [frames=N] [ease=linear|in|out|inout]" : "hold POSE MS"))
                return;
            Step step;
            step.move = move;
            step.pose = t[1].text;
            step.where = line.where;
            if (!m_spec->poses.count(step.pose))
                Error(line.where, "unknown pose '" + step.pose + "'");
            auto ms = IntIn(t[2].text, 1, kMaxStepMs);
            if (!ms)
                Error(line.where, "time '" + t[2].text + "' is not from 1 to " + std::to_string(kMaxStepMs) + " ms");
            else
                step.ms = *ms;
            if (move) {
                step.frames = std::max(1, step.ms / 100);
                if (const SourceToken* frames = option("frames")) {
                    auto n = IntIn(frames->text, 1, kMaxMoveFrames);
                    if (!n)
                        Error(line.where, "frames '" + frames->text + "' is not from 1 to " +
                                              std::to_string(kMaxMoveFrames));
                    else
                        step.frames = *n;
                }
                if (const SourceToken* ease = option("ease")) {
                    auto e = FindEase(ease->text);
                    if (!e)
                        Error(line.where, "ease '" + ease->text + "' is not linear, in, out or inout");
                    else
                        step.ease = *e;
                }
            }
            m_spec->steps.push_back(step);
        } else if (word == "end") {
            Error(line.where, "'end' without a 'pose' block");
        } else {
            Error(line.where, "unknown statement '" + word +
                                  "' (statements: view, size, origin, height, key, matte, pictures, script, "
                                  "prop, pose, hold, move)");
        }
    }

    size_t PoseBlock(const std::vector<SourceLine>& lines, size_t i)
    {
        const SourceLine& head = lines[i];
        std::string name;
        if (head.tokens.size() < 2 || !head.tokens[1].key.empty())
            Error(head.where, "usage: pose NAME [from=POSE]");
        else
            name = head.tokens[1].text;
        Pose pose{};
        for (size_t k = 1; k < head.tokens.size(); ++k) {
            const SourceToken& t = head.tokens[k];
            if (t.key == "from") {
                auto base = m_spec->poses.find(t.text);
                if (base == m_spec->poses.end())
                    Error(head.where, "pose '" + name + "' starts from unknown pose '" + t.text + "'");
                else
                    pose = base->second;
            } else if (!t.key.empty() || k > 1) {
                Error(head.where, "usage: pose NAME [from=POSE]");
            }
        }
        std::set<int> seen;
        for (++i; i < lines.size(); ++i) {
            const SourceLine& line = lines[i];
            const std::vector<SourceToken>& t = line.tokens;
            if (t[0].text == "end" && t.size() == 1)
                break;
            if (t.size() != 2 || !t[0].key.empty() || !t[1].key.empty()) {
                Error(line.where, "usage inside a pose: JOINT DEGREES (or 'end')");
                continue;
            }
            auto joint = FindJoint(t[0].text);
            if (!joint) {
                Error(line.where, "unknown joint '" + t[0].text + "' (joints: " + JointList() + ")");
                continue;
            }
            auto angle = IntIn(t[1].text, -360, 360);
            if (!angle) {
                Error(line.where, "angle '" + t[1].text + "' of " + t[0].text + " is not whole degrees");
                continue;
            }
            if (!seen.insert(*joint).second)
                Error(line.where, std::string("joint ") + t[0].text + " is set twice in pose '" + name + "'");
            pose[*joint] = *angle;
            m_angles.push_back({line.where, *joint, double(*angle)});
        }
        if (i == lines.size())
            Error(head.where, "pose '" + name + "' has no 'end'");
        if (!name.empty()) {
            if (m_spec->poses.count(name) && !m_builtIn.count(name))
                Error(head.where, "pose '" + name + "' is defined twice");
            m_builtIn.erase(name);
            m_spec->poses[name] = pose;
        }
        return i;
    }

    // Ranges depend on the view, which may be given after the poses.
    void CheckAngles()
    {
        for (const Angle& a : m_angles) {
            const AngleRange r = JointRange(m_spec->view, a.joint);
            if (a.degrees < r.min || a.degrees > r.max)
                Error(a.where, "angle " + std::to_string(int(a.degrees)) + " of " + std::string(JointName(a.joint)) +
                                   " is outside its range " + std::to_string(int(r.min)) + " to " +
                                   std::to_string(int(r.max)) + " in the " +
                                   (m_spec->view == View::Front ? "front" : "side") + " view");
        }
    }

    struct Angle {
        SourceLocation where;
        int joint;
        double degrees;
    };

    FigureDefinition* m_spec;
    std::vector<std::string>* m_errors;
    std::vector<Angle> m_angles;
    std::set<std::string> m_builtIn{"stand", "sit"};
    bool m_sawPictures = false;
    bool m_sawScript = false;
};

} // namespace

bool ParseFigure(const std::string& text, const std::string& file, FigureDefinition* definition,
                 std::vector<std::string>* errors)
{
    const size_t before = errors->size();
    *definition = FigureDefinition{};
    definition->name = BaseName(file);
    // Named poses every source may start from.
    definition->poses["stand"] = Pose{};
    Pose sit{};
    sit[kLeftHip] = sit[kRightHip] = 90;
    sit[kLeftKnee] = sit[kRightKnee] = 90;
    definition->poses["sit"] = sit;

    const std::vector<SourceLine> lines = TokenizeText(text, file, errors);
    Parser parser(definition, errors);
    parser.m_file = file;
    parser.Run(lines);
    return errors->size() == before;
}

bool PlanFrames(const FigureDefinition& definition, std::vector<TimedFrame>* frames, std::vector<std::string>* errors)
{
    const size_t before = errors->size();
    frames->clear();
    Pose current{};
    bool started = false;
    double time = 0;
    for (const Step& step : definition.steps) {
        const Pose& target = definition.poses.at(step.pose);
        if (!started) {
            current = target;
            started = true;
        }
        const int count = step.move ? step.frames : 1;
        for (int k = 1; k <= count; ++k) {
            const double startTicks = std::round(time / kTickMs);
            time += double(step.ms) / count;
            const int ticks = int(std::round(time / kTickMs) - startTicks);
            if (ticks < 1) {
                errors->push_back(step.where.ToString() + ": " + std::to_string(count) + " frames in " +
                                  std::to_string(step.ms) + " ms leave a frame shorter than the " +
                                  std::to_string(kTickMs) + " ms tick");
                break;
            }
            const Pose pose = step.move ? Interpolate(current, target, double(k) / count, step.ease) : target;
            frames->push_back({pose, ticks, step.where});
        }
        current = target;
    }
    return errors->size() == before;
}

} // namespace Figure
