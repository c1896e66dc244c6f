// Cost of one engine tick of a busy topic (a tiled background with text, two
// animated triggers that draw a new frame, pictures and text, in every tick,
// a mouse-over trigger coming and going) and of its Flush, and of opening a
// topic (load, bind, first tick).
#include "CImageDC.h"
#include "CStchTpic.h"
#include "CTopicPlayer.h"
#include "ContentModule.h"
#include "ResourceBytes.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>

namespace {

std::vector<uint8_t> Picture(int width, int height, int seed)
{
    std::vector<std::vector<uint8_t>> rows(size_t(height), std::vector<uint8_t>(size_t(width), 0));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[size_t(y)][size_t(x)] = uint8_t((x / 8 + y / 8 + seed) % 4);
    return Dib8(width, height, {0xFFFFFF, 0x336699, 0xCC9966, 0x000000}, rows);
}

std::shared_ptr<const ContentModule> BusyModule()
{
    std::vector<ContentModule::RawResource> res;
    res.push_back({ResName(kRtBitmap), ResName(253), Dib8(1, 1, {0x000000, 0xFFFFFF}, {{1}})});
    res.push_back({ResName(kRtBitmap), ResName(10), Picture(32, 32, 0)});
    res.push_back({ResName(kRtBitmap), ResName(11), Picture(160, 200, 1)});
    res.push_back({ResName(kRtBitmap), ResName(12), Picture(160, 200, 2)});
    res.push_back({ResName(kRtBitmap), ResName(13), Picture(64, 64, 3)});
    res.push_back({ResName(kRtBitmap), ResName(14), Picture(64, 64, 1)});
    res.push_back({ResName("Styt"), ResName(1), Bytes().Text("Neck Roll\rSlowly roll your head\rfrom side to side.").b});
    res.push_back({ResName("styl"), ResName(1), Styl({{0, 30, 24, 1, 0x100, 24, 0x663300}, {10, 18, 14, 1, 0, 14, 0}})});
    res.push_back({ResName("Styt"), ResName(2), Bytes().Text("Breathe in...").b});
    res.push_back({ResName("styl"), ResName(2), Styl({{0, 18, 14, 1, 0x200, 14, 0x993300}})});
    res.push_back({ResName("Trig"), ResName(200),
                   Trig({TrigRecord(2, 1), TrigRecord(1, 2), TrigRecord(1, 3), TrigRecord(3, 4, {{560, 80, 600, 120}})})});
    res.push_back({ResName("Scrp"), ResName(1),
                   Scrp({Rec::Tile(10, 0, 0, 620, 440), Rec::DrawText(1, 24, 14), Rec::DrawRect(18, 78, 182, 282, 0x663300, 2)})});
    res.push_back({ResName("Scrp"), ResName(2),
                   Scrp({Rec::DrawPict(11, 20, 80, -1), Rec::Nop(), Rec::DrawPict(12, 20, 80, -1), Rec::Cycle(0)})});
    res.push_back({ResName("Scrp"), ResName(3),
                   Scrp({Rec::DrawPict(13, 300, 200, -2), Rec::RectFill(300, 280, 460, 300, 0xFFFFFF), Rec::DrawText(2, 300, 280),
                         Rec::Nop(), Rec::DrawPict(14, 300, 200, -2), Rec::RectFill(300, 280, 460, 300, 0xFFFFFF),
                         Rec::DrawText(2, 300, 280), Rec::Cycle(0)})});
    res.push_back({ResName("Scrp"), ResName(4), Scrp({Rec::RectFill(360, 300, 610, 410, 0xCCFFFF)})});
    return ContentModule::FromResources(std::move(res));
}

double Micros(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void Report(benchmark::State& state, std::vector<double>& samples, const char* prefix)
{
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters[std::string(prefix) + "_median_us"] = samples[samples.size() / 2];
    state.counters[std::string(prefix) + "_worst_us"] = samples.back();
}

void BM_TickBusyTopic(benchmark::State& state)
{
    ScopedContentLibrary library(BusyModule());
    uint32_t now = 10'000'000;
    CImageDC target(QSize(640, 480));
    CTopicPlayer player(200, &target, nullptr, [&now] { return now; });
    if (!player.Open()) {
        state.SkipWithError("topic does not open");
        return;
    }
    CDrawPC* draw = player.GetDraw();
    CStchTpic* topic = player.GetTopic();
    // Warm up past the background's first pass.
    for (int i = 0; i < 4; ++i) {
        now += 50;
        player.Tick();
    }
    std::vector<double> ticks, flushes;
    int mouse = 0;
    for (auto _ : state) {
        now += 50;
        player.SetMouse(0, (mouse++ % 2) ? 580 : 10, 100); // the MouseOver trigger comes and goes
        const auto start = std::chrono::steady_clock::now();
        topic->Tick();
        const auto middle = std::chrono::steady_clock::now();
        draw->Flush();
        const auto end = std::chrono::steady_clock::now();
        ticks.push_back(Micros(middle - start));
        flushes.push_back(Micros(end - middle));
    }
    Report(state, ticks, "tick");
    Report(state, flushes, "flush");
}
BENCHMARK(BM_TickBusyTopic)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_OpenTopic(benchmark::State& state)
{
    ScopedContentLibrary library(BusyModule());
    std::vector<double> opens;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        uint32_t now = 10'000'000;
        CImageDC target(QSize(640, 480));
        CTopicPlayer player(200, &target, nullptr, [&now] { return now; });
        if (!player.Open()) {
            state.SkipWithError("topic does not open");
            return;
        }
        now += 50;
        player.Tick();
        opens.push_back(Micros(std::chrono::steady_clock::now() - start) / 1000.0);
    }
    std::sort(opens.begin(), opens.end());
    state.counters["open_median_ms"] = opens[opens.size() / 2];
    state.counters["open_worst_ms"] = opens.back();
}
BENCHMARK(BM_OpenTopic)->Iterations(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
