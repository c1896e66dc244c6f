// The shipped content module (build/bin/OvantisRes.dll, or the file named
// by OVANTIS_MODULE): its size (target: under 8 MB), and the time to open
// its largest topic, the one whose own resources (topic, every script it
// reaches, their pictures and styled texts) hold the most bytes, up to its
// first frame on the page (target: under 20 ms): the ticks up to that frame
// count as part of opening.
#include "CDrawPC.h"
#include "CImageDC.h"
#include "CTopicPlayer.h"
#include "ContentIds.h"
#include "ContentModule.h"
#include "formats/ScriptFormat.h"
#include "formats/TriggerFormat.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <set>

namespace {

constexpr uint32_t kTickMs = 50;

std::shared_ptr<const ContentModule> g_module;
uint16_t g_largestTopic = 0;
size_t g_largestBytes = 0;

size_t SizeOf(const ContentModule& module, const ResName& type, uint16_t id)
{
    const PeResources::Entry* entry = module.Find(type, ResName(id));
    return entry ? entry->data.size() : 0;
}

/// Bytes of the topic's `Trig` and of every script, picture and styled text
/// it reaches, each counted once.
size_t TopicBytes(const ContentModule& module, uint16_t topic)
{
    const PeResources::Entry* trig = module.Find(ResName(ResType::kTopic), ResName(topic));
    if (!trig)
        return 0;
    size_t bytes = trig->data.size();
    std::deque<uint16_t> scripts;
    if (auto view = Formats::Trigger::DecodeTrig(trig->data))
        for (const auto& t : view->triggers)
            scripts.push_back(t.script);
    std::set<uint16_t> seenScripts, seenPictures, seenTexts;
    while (!scripts.empty()) {
        const uint16_t id = scripts.front();
        scripts.pop_front();
        if (!seenScripts.insert(id).second)
            continue;
        const PeResources::Entry* script = module.Find(ResName(ResType::kScript), ResName(id));
        if (!script)
            continue;
        bytes += script->data.size();
        auto view = Formats::Script::DecodeScript(script->data);
        if (!view)
            continue;
        for (const auto& record : view->records) {
            for (const Formats::FieldDesc& field : record.op->fields) {
                const uint16_t ref = uint16_t(Formats::ReadScalar(record.bytes, field).value_or(0));
                if (field.ref == Formats::IdRef::Script)
                    scripts.push_back(ref);
                else if (field.ref == Formats::IdRef::Picture && seenPictures.insert(ref).second)
                    bytes += SizeOf(module, ResName(kRtBitmap), ref);
                else if (field.ref == Formats::IdRef::Text && seenTexts.insert(ref).second)
                    bytes += SizeOf(module, ResName(ResType::kText), ref) +
                             SizeOf(module, ResName(ResType::kStyles), ref);
            }
        }
    }
    return bytes;
}

/// Ticks after which the topic's page first shows something: the first tick
/// only starts its triggers. Found once, outside the timed runs.
int TicksToFirstFrame(uint16_t topic)
{
    constexpr int kMaxTicks = 20;
    uint32_t now = 10'000'000;
    CImageDC target(QSize(640, 480));
    CTopicPlayer player(topic, &target, nullptr, [&now] { return now; });
    if (!player.Open())
        return 0;
    QImage blank(640, 480, QImage::Format_RGB32);
    blank.fill(Qt::white);
    for (int tick = 1; tick <= kMaxTicks; ++tick) {
        now += kTickMs;
        player.Tick();
        if (player.GetDraw()->GetOffscreenDC()->convertToFormat(QImage::Format_RGB32) != blank)
            return tick;
    }
    return kMaxTicks;
}

void BM_OpenLargestTopic(benchmark::State& state)
{
    ScopedContentLibrary library(g_module);
    const int ticks = TicksToFirstFrame(g_largestTopic);
    std::vector<double> opens, firstFrames;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        uint32_t now = 10'000'000;
        CImageDC target(QSize(640, 480));
        CTopicPlayer player(g_largestTopic, &target, nullptr, [&now] { return now; });
        if (!player.Open()) {
            state.SkipWithError("the largest topic does not open");
            return;
        }
        const auto opened = std::chrono::steady_clock::now();
        for (int tick = 0; tick < ticks; ++tick) {
            now += kTickMs;
            player.Tick();
        }
        const auto drawn = std::chrono::steady_clock::now();
        opens.push_back(std::chrono::duration<double, std::milli>(opened - start).count());
        firstFrames.push_back(std::chrono::duration<double, std::milli>(drawn - start).count());
    }
    std::sort(opens.begin(), opens.end());
    std::sort(firstFrames.begin(), firstFrames.end());
    state.counters["topic"] = g_largestTopic;
    state.counters["topic_bytes"] = double(g_largestBytes);
    state.counters["ticks_to_first_frame"] = ticks;
    state.counters["open_median_ms"] = opens[opens.size() / 2];
    state.counters["first_frame_median_ms"] = firstFrames[firstFrames.size() / 2];
    state.counters["first_frame_worst_ms"] = firstFrames.back();
}
BENCHMARK(BM_OpenLargestTopic)->Iterations(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    const QByteArray named = qgetenv("OVANTIS_MODULE");
    const std::string path = named.isEmpty() ? std::string(OVANTIS_BINARY_DIR) + "/bin/OvantisRes.dll"
                                             : named.toStdString();
    std::string error;
    g_module = ContentModule::FromFile(path, &error);
    if (!g_module) {
        std::fprintf(stderr, "bench_content: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    int topics = 0;
    for (uint16_t first : {uint16_t(200), uint16_t(300), uint16_t(400)}) {
        for (uint16_t id = first; id < first + 100; ++id) {
            const size_t bytes = TopicBytes(*g_module, id);
            if (bytes == 0)
                break;
            ++topics;
            if (bytes > g_largestBytes) {
                g_largestBytes = bytes;
                g_largestTopic = id;
            }
        }
    }
    const double megabytes = double(g_module->Bytes().size()) / (1024.0 * 1024.0);
    std::printf("module %s: %zu bytes (%.2f MB; target under 8 MB), %d topics; largest topic %u with %zu bytes\n",
                path.c_str(), g_module->Bytes().size(), megabytes, topics, g_largestTopic, g_largestBytes);
    std::fflush(stdout);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
