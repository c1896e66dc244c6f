// Cost of the drawing context's per-tick work: Flush of the dirty box to an
// image target, and a typical mix of a picture, a keyed picture, a fill and
// a line of text. Each benchmark also reports the median and the worst
// single iteration in microseconds.
#include "CDrawPC.h"
#include "CImageDC.h"
#include "Picture.h"

#include "ContentModule.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// An 8-bit bottom-up picture with a 256-colour ramp and a diagonal pattern.
std::vector<uint8_t> Picture8(int width, int height)
{
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));
    Put16(out, 1);
    Put16(out, 8);
    for (int i = 0; i < 6; ++i)
        Put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        out.push_back(uint8_t(i));
        out.push_back(uint8_t(255 - i));
        out.push_back(uint8_t(i / 2));
        out.push_back(0);
    }
    const int stride = (width + 3) & ~3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < stride; ++x)
            out.push_back(uint8_t((x + y) & 0xFF));
    return out;
}

std::vector<uint8_t> StyleRun(int16_t size)
{
    std::vector<uint8_t> run;
    Put32(run, 0);
    Put16(run, 18);
    Put16(run, 14);
    Put16(run, 1);
    Put16(run, 0);
    Put16(run, uint16_t(size));
    Put32(run, 0x00204080);
    return run;
}

struct Fixture {
    Fixture()
        : library(ContentModule::FromResources({{ResName(kRtBitmap), ResName(253), Picture8(1, 1)},
                                                {ResName(kRtBitmap), ResName(20), Picture8(200, 150)},
                                                {ResName(kRtBitmap), ResName(21), Picture8(64, 64)}})),
          target(QSize(640, 480)), draw(&target)
    {
        if (!draw.Create())
            std::abort();
    }
    ScopedContentLibrary library;
    CImageDC target;
    CDrawPC draw;
};

void Report(benchmark::State& state, std::vector<double>& micros)
{
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["worst_us"] = micros.back();
}

template <typename F> void Timed(benchmark::State& state, F&& body)
{
    std::vector<double> micros;
    micros.reserve(1 << 16);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    Report(state, micros);
}

void BM_FlushDirtyBox(benchmark::State& state)
{
    Fixture f;
    const int side = int(state.range(0));
    const RECT rect{10, 10, 10 + side, 10 + side * 3 / 4};
    Timed(state, [&] {
        f.draw.AddDirtyRect(&rect); // keeps every Flush copying
        f.draw.Flush();
    });
}
BENCHMARK(BM_FlushDirtyBox)->Arg(50)->Arg(200)->Arg(620);

void BM_FlushNothing(benchmark::State& state)
{
    Fixture f;
    Timed(state, [&] { f.draw.Flush(); });
}
BENCHMARK(BM_FlushNothing);

void BM_DrawMixAndFlush(benchmark::State& state)
{
    Fixture f;
    const auto run = StyleRun(14);
    const COLORREF fill = 0x00CCEEFF;
    const RECT background{0, 0, 0, 0}, sprite{300, 200, 0, 0}, panel{400, 40, 600, 140};
    const char text[] = "Reach up slowly and breathe";
    Timed(state, [&] {
        f.draw.DrawPicture(&background, 20, -1);
        f.draw.DrawPicture(&sprite, 21, -2);
        f.draw.FillRect(&panel, &fill);
        POINT pen{410, 80};
        f.draw.DrawText(&pen, text, run.data(), uint16_t(sizeof(text) - 1));
        const RECT textBox{410, 66, pen.x, 84};
        f.draw.AddDirtyRect(&textBox);
        f.draw.Flush();
    });
}
BENCHMARK(BM_DrawMixAndFlush);

void BM_DecodePicture200x150(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = Picture8(200, 150);
    Timed(state, [&] { benchmark::DoNotOptimize(DecodePicture(bytes)); });
}
BENCHMARK(BM_DecodePicture200x150);

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
