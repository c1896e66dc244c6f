// The figure tool: joint geometry and easing against values worked out by
// hand, a rendered pose read back pixel by pixel at joint positions worked
// out by hand, and the sources it refuses.
#include "ContentCompiler.h"
#include "EngineFixture.h"
#include "FigureBuild.h"
#include "MediaFiles.h"
#include "Picture.h"
#include "TestHome.h"

#include <QFile>
#include <QTest>

#include <cmath>

using namespace Figure;

namespace {

QList<QRgb> ContentPalette()
{
    QFile file(SourcePath("contentsrc/pictures/palette-253.bmp"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::string error;
    auto dib = PackedDibFromBmpFile(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), &error);
    return dib ? CreateDIBPalette(*dib) : QList<QRgb>();
}

// Every source needs pictures, a script and one step; tests add the rest
// after these three lines.
const std::string kPreamble = "pictures 100\nscript 20 at=0,0\nhold stand 100\n";

std::vector<std::string> Errors(const std::string& body)
{
    FigureDefinition definition;
    std::vector<std::string> errors;
    ParseFigure(kPreamble + body, "t.fig", &definition, &errors);
    if (errors.empty()) {
        std::vector<TimedFrame> frames;
        PlanFrames(definition, &frames, &errors);
    }
    return errors;
}

const double kCos30 = std::sqrt(3.0) / 2;

Pose With(std::initializer_list<std::pair<int, double>> angles)
{
    Pose pose{};
    for (auto [joint, degrees] : angles)
        pose[joint] = degrees;
    return pose;
}

} // namespace

class FigureTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() { m_home.reset(); }

    void Easing()
    {
        QCOMPARE(EaseValue(Ease::InOut, 0.25), 0.15625); // 3/16 - 2/64
        QCOMPARE(EaseValue(Ease::InOut, 0.5), 0.5);
        QCOMPARE(EaseValue(Ease::In, 0.5), 0.25);
        QCOMPARE(EaseValue(Ease::Out, 0.5), 0.75);
        QCOMPARE(EaseValue(Ease::Linear, 0.3), 0.3);
        QCOMPARE(EaseValue(Ease::InOut, 1.5), 1.0);
        const Pose mid = Interpolate(With({{kNeck, 0}, {kHead, 10}}), With({{kNeck, 40}, {kHead, 10}}), 0.25,
                                     Ease::InOut);
        QCOMPARE(mid[kNeck], 6.25);
        QCOMPARE(mid[kHead], 10.0);
        QCOMPARE(mid[kWaist], 0.0);
    }

    void JointGeometry_data()
    {
        QTest::addColumn<bool>("side");
        QTest::addColumn<Pose>("pose");
        QTest::addColumn<QString>("point");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        const Pose rest{};
        QTest::newRow("neck base") << false << rest << "neckBase" << 0.0 << -62.0;
        QTest::newRow("head centre") << false << rest << "headCentre" << 0.0 << -87.0;
        QTest::newRow("left shoulder") << false << rest << "leftShoulder" << 22.0 << -54.0;
        QTest::newRow("right shoulder") << false << rest << "rightShoulder" << -22.0 << -54.0;
        QTest::newRow("left wrist, hanging") << false << rest << "leftWrist" << 22.0 << 4.0;
        QTest::newRow("left hand tip") << false << rest << "leftHandTip" << 22.0 << 15.0;
        QTest::newRow("left ankle") << false << rest << "leftAnkle" << 10.0 << 86.0;
        const Pose armOut = With({{kLeftShoulder, 90}, {kLeftElbow, 90}, {kRightShoulder, 90}});
        QTest::newRow("arm out: elbow") << false << armOut << "leftElbow" << 52.0 << -54.0;
        QTest::newRow("arm out, forearm up: wrist") << false << armOut << "leftWrist" << 52.0 << -82.0;
        QTest::newRow("right arm out, mirrored") << false << armOut << "rightElbow" << -52.0 << -54.0;
        // Waist 30: the torso turns about the waist, 6 above the hips;
        // cos 30 = 0.866025, sin 30 = 0.5.
        const Pose lean = With({{kWaist, 30}});
        QTest::newRow("lean: neck base") << false << lean << "neckBase" << 28.0 << -6 - 56 * kCos30;
        QTest::newRow("lean: left shoulder") << false << lean << "leftShoulder" << 24 + 22 * kCos30
                                             << -6 - 48 * kCos30 + 11;
        QTest::newRow("lean: the hanging arm follows") << false << lean << "leftElbow" << 24 + 22 * kCos30 - 15
                                                       << -6 - 48 * kCos30 + 11 + 30 * kCos30;
        QTest::newRow("shrug 30") << false << With({{kLeftCollar, 30}}) << "leftShoulder" << 22 * kCos30
                                  << -65.0;
        // A bow of 60 from the front halves neck and head offset (cos 60);
        // from the side it turns the head forwards from the neck top.
        QTest::newRow("nod from the front: neck top") << false << With({{kNod, 60}}) << "neckTop" << 0.0 << -67.0;
        QTest::newRow("nod from the front: head") << false << With({{kNod, 60}}) << "headCentre" << 0.0 << -74.5;
        QTest::newRow("nod from the side: head") << true << With({{kNod, 60}}) << "headCentre" << 15 * kCos30
                                                 << -72 - 7.5;
        const Pose sit = With({{kLeftHip, 90}, {kLeftKnee, 90}, {kLeftShoulder, 90}, {kLeftElbow, 90}});
        QTest::newRow("side, seated: knee") << true << sit << "leftKnee" << 44.0 << 0.0;
        QTest::newRow("side, seated: ankle") << true << sit << "leftAnkle" << 44.0 << 42.0;
        QTest::newRow("side, seated: toe forward") << true << sit << "leftToe" << 62.0 << 42.0;
        QTest::newRow("side, arm forward: elbow") << true << sit << "leftElbow" << 30.0 << -54.0;
        QTest::newRow("side, forearm up: wrist") << true << sit << "leftWrist" << 30.0 << -82.0;
        // Crossed 90 (a figure-four): the shin turns about the level thigh
        // until it points across, away from the viewer, so nothing of it is
        // left; then the leg turns out by 30, which shortens the thigh to
        // 44 cos 30 and brings the shin's depth of 42 forward by 42 sin 30.
        // The foot lies along the thigh's axis and shortens with it.
        Pose crossed = sit;
        crossed[kLeftCross] = 90;
        QTest::newRow("side, crossed: knee") << true << crossed << "leftKnee" << 44 * kCos30 << 0.0;
        QTest::newRow("side, crossed: ankle") << true << crossed << "leftAnkle" << 44 * kCos30 + 21 << 0.0;
        QTest::newRow("side, crossed: toe") << true << crossed << "leftToe" << 62 * kCos30 + 21 << 0.0;
    }
    void JointGeometry()
    {
        QFETCH(bool, side);
        QFETCH(Pose, pose);
        QFETCH(QString, point);
        QFETCH(double, x);
        QFETCH(double, y);
        const Skeleton s = Solve(side ? View::Side : View::Front, pose);
        const std::map<QString, Point> points = {
            {"neckBase", s.neckBase},         {"neckTop", s.neckTop},         {"headCentre", s.headCentre},     {"leftShoulder", s.arm[0].shoulder},
            {"rightShoulder", s.arm[1].shoulder}, {"leftElbow", s.arm[0].elbow}, {"rightElbow", s.arm[1].elbow},
            {"leftWrist", s.arm[0].wrist},    {"leftHandTip", s.arm[0].handTip}, {"leftKnee", s.leg[0].knee},
            {"leftAnkle", s.leg[0].ankle},    {"leftToe", s.leg[0].toe}};
        const Point p = points.at(point);
        QVERIFY2(std::abs(p.x - x) < 1e-9 && std::abs(p.y - y) < 1e-9,
                 qPrintable(QString("%1 at %2,%3").arg(point).arg(p.x).arg(p.y)));
    }

    // Holds and moves to frames: a move of four frames lands on its pose,
    // and ticks are rounded on the running time (1000, 1125, 1250, 1375,
    // 1500 ms: ticks 20, 23, 25, 28, 30).
    void Timeline()
    {
        FigureDefinition definition;
        std::vector<std::string> errors;
        QVERIFY(ParseFigure("pictures 100\nscript 20 at=0,0\npose up\n  left-shoulder 80\nend\n"
                            "hold stand 1000\nmove up 500 frames=4\n",
                            "t.fig", &definition, &errors));
        std::vector<TimedFrame> frames;
        QVERIFY(PlanFrames(definition, &frames, &errors));
        QCOMPARE(frames.size(), size_t(5));
        const double angles[] = {0, 12.5, 40, 67.5, 80};
        const int ticks[] = {20, 3, 2, 3, 2};
        for (size_t i = 0; i < 5; ++i) {
            QCOMPARE(frames[i].pose[kLeftShoulder], angles[i]);
            QCOMPARE(frames[i].ticks, ticks[i]);
        }
        QCOMPARE(frames[2].where.line, 7);

        // The script: each distinct frame drawn once per showing, the loop
        // exactly as long as the timeline.
        BuiltFigure built;
        definition.height = 240;
        definition.width = 200;
        definition.originX = 100;
        definition.originY = 130;
        QVERIFY(BuildFigure(definition, ContentPalette(), &built, &errors));
        QCOMPARE(built.pictures.size(), size_t(5));
        QCOMPARE(built.pictures[4].id, uint16_t(104));
        QCOMPARE(built.pictures[4].fileName, std::string("t-04.bmp"));
        const QString text = QString::fromStdString(built.sources);
        QCOMPARE(text.count("DrawPict picture="), 5);
        QCOMPARE(text.count("RectFill rect=0,0,200,240 colour=#ffffff"), 5);
        QVERIFY(text.contains("DrawPict picture=100 rect=0,0,200,240 selector=-2\n"));
        QVERIFY(text.contains("bitmap 104 file=t-04.bmp\n"));
        QVERIFY(text.endsWith("  Cycle count=0\nend\n"));

        // Played by the engine, each frame is on the page for its ticks and
        // the loop starts again on tick 31: the pictures are drawn on ticks
        // 1, 21, 24, 26, 29 and 31, and on no other.
        ContentCompiler compiler;
        QVERIFY(compiler.CompileText(text.mid(text.indexOf("\nscript ")).toStdString(), "t.ovs", "."));
        std::vector<ContentModule::RawResource> raw;
        for (const BuiltResource& resource : compiler.Resources())
            raw.push_back({resource.type, resource.name, resource.data});
        ScopedContentLibrary library(ContentModule::FromResources(std::move(raw)));
        QVERIFY(library.IsLoaded());
        ScriptRig rig;
        rig.list.Start(20);
        std::vector<std::pair<int, int>> drawn; // tick, picture
        for (int tick = 1; tick <= 32; ++tick)
            for (int id : rig.Tick())
                drawn.emplace_back(tick, id);
        const std::vector<std::pair<int, int>> expected = {{1, 100}, {21, 101}, {24, 102}, {26, 103}, {29, 104}, {31, 100}};
        QCOMPARE(drawn, expected);
    }

    // A pose drawn at scale 1 (model units are pixels), left arm held out
    // level, read back through the engine's decoder. The expected colours
    // sit at joint positions worked out by hand, well inside each part.
    void RenderedPosePixels()
    {
        const QList<QRgb> palette = ContentPalette();
        QVERIFY(!palette.isEmpty());
        FigureDefinition definition;
        std::vector<std::string> errors;
        QVERIFY(ParseFigure("size 200,240\norigin 100,130\nheight 194\npictures 100\nscript 20 at=0,0\n"
                            "pose out\n  left-shoulder 90\nend\nhold out 100\n",
                            "out.fig", &definition, &errors));
        BuiltFigure built;
        QVERIFY(BuildFigure(definition, palette, &built, &errors));
        QCOMPARE(built.pictures.size(), size_t(1));
        const std::vector<uint8_t>& bmp = built.pictures[0].bmp;
        std::string error;
        auto dib = PackedDibFromBmpFile(bmp, &error);
        QVERIFY2(dib, error.c_str());
        int bits = 0;
        const QImage picture = DecodePicture(*dib, &bits);
        QCOMPARE(bits, 8);
        QCOMPARE(picture.size(), QSize(200, 240));
        QCOMPARE(CreateDIBPalette(*dib), palette);

        struct Expect {
            const char* what;
            int x, y;
            QRgb colour;
        };
        const Expect expected[] = {
            {"background", 0, 0, 0xFF00FF},
            {"background beside the head", 60, 43, 0xFF00FF},
            {"head centre (0,-87)", 100, 43, 0xFFCC99},
            {"left eye (4.8,0.5) from the head centre", 104, 43, 0x000033},
            {"chest (0,-30)", 100, 100, 0x3399CC},
            {"sleeve (28,-54)", 128, 76, 0x3399CC},
            {"forearm half way from elbow (52,-54) to wrist (80,-54)", 166, 76, 0xFFCC99},
            {"hand beyond the wrist (85,-54)", 185, 76, 0xFFCC99},
            {"outline under the forearm (66,-49)", 166, 81, 0x000033},
            {"past the hand tip (96,-54)", 197, 76, 0xFF00FF},
            {"right forearm, hanging (-22,-10)", 78, 120, 0xFFCC99},
            {"left thigh (10,22)", 110, 152, 0x666699},
        };
        for (const Expect& e : expected)
            QVERIFY2((picture.pixel(e.x, e.y) & 0xFFFFFF) == e.colour,
                     qPrintable(QString("%1 at %2,%3: %4").arg(e.what).arg(e.x).arg(e.y)
                                    .arg(picture.pixel(e.x, e.y) & 0xFFFFFF, 6, 16, QChar('0'))));
        // The engine's colour key takes exactly the background out.
        const QImage mask = CreateMaskBitmap(picture, -2);
        for (const Expect& e : expected)
            QCOMPARE(mask.pixelIndex(e.x, e.y) == 0, e.colour == 0xFF00FF);
    }

    void SideViewPixels()
    {
        FigureDefinition definition;
        std::vector<std::string> errors;
        QVERIFY(ParseFigure("view side\nsize 200,240\norigin 100,130\nheight 194\npictures 100\n"
                            "script 20 at=0,0\nprop chair\nhold sit 100\n",
                            "sit.fig", &definition, &errors));
        BuiltFigure built;
        QVERIFY(BuildFigure(definition, ContentPalette(), &built, &errors));
        const QImage& picture = built.pictures[0].preview;
        // The near thigh, level at hip 90, half way to the knee at (44,0);
        // the shin hangs from the knee to the ankle at (44,42).
        QCOMPARE(picture.pixel(122, 130) & 0xFFFFFF, 0x666699u);
        QCOMPARE(picture.pixel(144, 151) & 0xFFFFFF, 0x666699u);
        QCOMPARE(picture.pixel(122, 150) & 0xFFFFFF, 0xFF00FFu); // under the thigh, behind the shin
        // The chair's seat, from 7 to 15 under the hips, shows behind them.
        QCOMPARE(picture.pixel(82, 140) & 0xFFFFFF, 0x666666u);
    }

    void Refusals_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("message");
        // kPreamble takes lines 1 to 3.
        QTest::newRow("unknown joint") << "pose a\n  left-elbw 10\nend\n"
                                       << "t.fig:5: unknown joint 'left-elbw' (joints: waist, neck, head,";
        QTest::newRow("angle out of range") << "view side\npose a\n  left-elbow -10\nend\n"
                                            << "t.fig:6: angle -10 of left-elbow is outside its range 0 to 150 in "
                                               "the side view";
        QTest::newRow("range of the view given later") << "pose a\n  right-knee -20\nend\nview side\n"
                                                       << "t.fig:5: angle -20 of right-knee is outside its range 0 "
                                                          "to 150 in the side view";
        QTest::newRow("cross from the front") << "pose a\n  left-cross 10\nend\n"
                                              << "t.fig:5: angle 10 of left-cross is outside its range 0 to 0 in "
                                                 "the front view";
        QTest::newRow("frame too large") << "\nsize 160,4097\n"
                                         << "t.fig:5: frame size 160 x 4097 is outside 1 x 1 to 4096 x 4096, the "
                                            "pictures the drawing surface decodes";
        QTest::newRow("unknown pose") << "move sideways 500\n" << "t.fig:4: unknown pose 'sideways'";
        QTest::newRow("unknown prop") << "prop sofa\n" << "t.fig:4: unknown prop 'sofa'";
        QTest::newRow("frames shorter than a tick") << "move sit 100 frames=4\n"
                                                    << "t.fig:4: 4 frames in 100 ms leave a frame shorter than the "
                                                       "50 ms tick";
        QTest::newRow("pose without end") << "pose a\n  neck 10\n" << "t.fig:4: pose 'a' has no 'end'";
    }
    void Refusals()
    {
        QFETCH(QString, body);
        QFETCH(QString, message);
        const std::vector<std::string> errors = Errors(body.toStdString());
        QVERIFY2(!errors.empty(), "accepted");
        QVERIFY2(QString::fromStdString(errors[0]).startsWith(message), errors[0].c_str());
    }

    // What is missing has no line to name.
    void MissingLines()
    {
        FigureDefinition definition;
        std::vector<std::string> errors;
        QVERIFY(!ParseFigure("view side\n", "t.fig", &definition, &errors));
        QCOMPARE(errors.size(), size_t(3));
        QVERIFY(QString::fromStdString(errors[0]).startsWith("t.fig: no 'pictures FIRST_ID' line"));
        QVERIFY(QString::fromStdString(errors[2]).startsWith("t.fig: no 'hold' or 'move' line"));
    }

private:
    std::unique_ptr<TestHome> m_home;
};

QTEST_GUILESS_MAIN(FigureTest)
#include "FigureTest.moc"
