// ovplay --module PATH --topic ID --ticks N --png-dir DIR [--every K]
//        [--from TICK] [--distinct] [--size WxH] [--mouse TICK:X,Y,FLAGS]...
// ovplay --module PATH --topic ID --dump
//
// Opens the topic on an image target with a clock that advances exactly
// 50 ms per tick, applies each mouse state just before its tick, and writes
// the off-screen buffer as DIR/frame-NNNN.png after every K-th tick from
// tick TICK on; with --distinct only the frames that differ from every frame
// written before.
#include "CDrawPC.h"
#include "CImageDC.h"
#include "CTopicPlayer.h"
#include "ContentModule.h"
#include "ScriptDump.h"
#include "formats/ScriptFormat.h"
#include "formats/TriggerFormat.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <string_view>

namespace {

constexpr uint32_t kTickMs = 50;
// Tick counts of a running system are large; starting there keeps delays
// of 32768 ms or more (negative as 16-bit values) in the past, as they are
// on a real clock.
constexpr uint32_t kClockStartMs = 10'000'000;

struct Mouse {
    uint16_t flags;
    int x;
    int y;
};

int Fail(const QString& message)
{
    std::fprintf(stderr, "ovplay: %s\n", qPrintable(message));
    return 1;
}

bool ParseUInt(const QString& text, uint64_t max, uint64_t* out)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 0);
    if (!ok || value > max)
        return false;
    *out = value;
    return true;
}

// "TICK:X,Y,FLAGS"
bool ParseMouse(const QString& text, uint64_t* tick, Mouse* mouse)
{
    const int colon = text.indexOf(':');
    if (colon < 0)
        return false;
    const QStringList parts = text.mid(colon + 1).split(',');
    if (parts.size() != 3 || !ParseUInt(text.left(colon), 0xFFFFFFFF, tick))
        return false;
    bool okX = false, okY = false;
    const int x = parts[0].toInt(&okX);
    const int y = parts[1].toInt(&okY);
    uint64_t flags = 0;
    if (!okX || !okY || !ParseUInt(parts[2], 0xFFFF, &flags))
        return false;
    *mouse = Mouse{static_cast<uint16_t>(flags), x, y};
    return true;
}

std::span<const uint8_t> ResourceBytes(const ContentModule& module, const char* type, uint16_t id)
{
    const PeResources::Entry* entry = module.Find(ResName(type), ResName(id));
    return entry ? std::span<const uint8_t>(entry->data) : std::span<const uint8_t>();
}

// Prints the topic's triggers and every script they reach (main scripts and
// whatever New statements start), as the engine reads them.
int Dump(const ContentModule& module, uint16_t topic)
{
    const std::span<const uint8_t> trig = ResourceBytes(module, "Trig", topic);
    if (trig.empty())
        return Fail(QString("no topic %1").arg(topic));
    std::printf("%s", DumpTrig(topic, trig).c_str());
    std::deque<uint16_t> pending;
    if (auto view = Formats::Trigger::DecodeTrig(trig)) {
        for (const auto& t : view->triggers)
            pending.push_back(t.script);
    }
    std::set<uint16_t> seen;
    while (!pending.empty()) {
        const uint16_t id = pending.front();
        pending.pop_front();
        if (!seen.insert(id).second)
            continue;
        const std::span<const uint8_t> bytes = ResourceBytes(module, "Scrp", id);
        if (bytes.empty()) {
            std::printf("\n# script %u is missing\n", id);
            continue;
        }
        std::printf("\n%s", DumpScript(id, bytes).c_str());
        if (auto view = Formats::Script::DecodeScript(bytes)) {
            for (const auto& record : view->records) {
                if (record.op->opcode == Formats::Script::kNew) {
                    if (const Formats::FieldDesc* field = Formats::FindField(record.op->fields, "script"))
                        pending.push_back(static_cast<uint16_t>(Formats::ReadScalar(record.bytes, *field).value_or(0)));
                }
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("ovplay");

    QCommandLineParser parser;
    parser.setApplicationDescription("Plays a topic of a content module and writes its frames as PNG files.");
    parser.addHelpOption();
    parser.addOption({"module", "Content module file.", "PATH"});
    parser.addOption({"topic", "Topic id.", "ID"});
    parser.addOption({"ticks", "Ticks to run (50 ms each).", "N"});
    parser.addOption({"png-dir", "Directory for frame-NNNN.png.", "DIR"});
    parser.addOption({"every", "Write a frame after every K-th tick (default 1).", "K", "1"});
    parser.addOption({"from", "Write no frame before this tick (default 1).", "TICK", "1"});
    parser.addOption({"distinct", "Write only frames whose pixels differ from every frame written before."});
    parser.addOption({"size", "Client area size (default 640x480).", "WxH", "640x480"});
    parser.addOption({"mouse", "Mouse state before a tick: TICK:X,Y,FLAGS (bit 0 = left button down).",
                      "STATE"});
    parser.addOption({"dump", "Print the topic's triggers and scripts in the source notation, then stop."});
    parser.process(app);

    if (parser.isSet("dump")) {
        uint64_t topic = 0;
        if (!parser.isSet("module") || !ParseUInt(parser.value("topic"), 0xFFFF, &topic))
            return Fail("--dump wants --module and --topic");
        std::string error;
        auto module = ContentModule::FromFile(parser.value("module").toStdString(), &error);
        if (!module)
            return Fail(QString("cannot load %1: %2").arg(parser.value("module"), QString::fromStdString(error)));
        return Dump(*module, static_cast<uint16_t>(topic));
    }

    for (const char* required : {"module", "topic", "ticks", "png-dir"}) {
        if (!parser.isSet(required))
            return Fail(QString("--%1 is required (see --help)").arg(required));
    }
    uint64_t topicId = 0, ticks = 0, every = 1, from = 1;
    if (!ParseUInt(parser.value("topic"), 0xFFFF, &topicId))
        return Fail("--topic wants a number from 0 to 65535");
    if (!ParseUInt(parser.value("ticks"), 100'000'000, &ticks))
        return Fail("--ticks wants a count");
    if (!ParseUInt(parser.value("every"), 0xFFFFFFFF, &every) || every == 0)
        return Fail("--every wants a count of at least 1");
    if (!ParseUInt(parser.value("from"), 100'000'000, &from))
        return Fail("--from wants a tick");
    const QStringList size = parser.value("size").split('x');
    uint64_t width = 0, height = 0;
    if (size.size() != 2 || !ParseUInt(size[0], 4096, &width) || !ParseUInt(size[1], 4096, &height) ||
        width == 0 || height == 0)
        return Fail("--size wants WxH, each from 1 to 4096");
    std::multimap<uint64_t, Mouse> mouseStates;
    for (const QString& text : parser.values("mouse")) {
        uint64_t tick = 0;
        Mouse mouse{};
        if (!ParseMouse(text, &tick, &mouse))
            return Fail(QString("--mouse %1: want TICK:X,Y,FLAGS").arg(text));
        mouseStates.emplace(tick, mouse);
    }

    const QString dir = parser.value("png-dir");
    if (!QDir().mkpath(dir))
        return Fail(QString("cannot create %1").arg(dir));

    std::string error;
    auto module = ContentModule::FromFile(parser.value("module").toStdString(), &error);
    if (!module)
        return Fail(QString("cannot load %1: %2").arg(parser.value("module"), QString::fromStdString(error)));
    ScopedContentLibrary library(module);
    if (!library.IsLoaded())
        return Fail("cannot make the module the loaded content library");

    uint32_t now = kClockStartMs;
    CImageDC target(QSize{int(width), int(height)});
    CTopicPlayer player(static_cast<uint16_t>(topicId), &target, nullptr, [&now] { return now; });
    if (!player.Open())
        return Fail(QString("cannot open topic %1").arg(topicId));

    // Frames written so far, by a hash of their pixels, for --distinct.
    const bool distinct = parser.isSet("distinct");
    std::multimap<size_t, QImage> written;
    auto isNew = [&written](const QImage& frame) {
        const size_t hash = std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char*>(frame.constBits()), size_t(frame.sizeInBytes())));
        auto [first, last] = written.equal_range(hash);
        for (auto it = first; it != last; ++it)
            if (it->second == frame)
                return false;
        written.emplace(hash, frame.copy());
        return true;
    };

    for (uint64_t tick = 1; tick <= ticks; ++tick) {
        auto [first, last] = mouseStates.equal_range(tick);
        for (auto it = first; it != last; ++it)
            player.SetMouse(it->second.flags, it->second.x, it->second.y);
        now += kTickMs;
        player.Tick();
        if (tick >= from && tick % every == 0) {
            if (distinct && !isNew(*player.GetDraw()->GetOffscreenDC()))
                continue;
            const QString file = QDir(dir).filePath(QString("frame-%1.png").arg(tick, 4, 10, QChar('0')));
            if (!player.GetDraw()->GetOffscreenDC()->save(file, "PNG"))
                return Fail(QString("cannot write %1").arg(file));
        }
    }
    return 0;
}
