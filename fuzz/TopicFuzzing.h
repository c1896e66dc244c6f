#pragma once
// Shared by the script-engine fuzz targets: builds a content module around
// the bytes under test, opens a topic on a small image through the real
// player and runs it tick by tick with the mouse moving across it.
#include "CImageDC.h"
#include "CTopicPlayer.h"
#include "ContentModule.h"
#include "ResourceBytes.h"

#include <QGuiApplication>
#include <cstdlib>

// Fontconfig keeps caches for the life of the process; they are not ours.
// (Each fuzz target includes this header from its one source file.)
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

namespace TopicFuzzing {

inline void EnsureApplication()
{
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

/// Resources every fuzzed topic can use: the palette bitmap, two pictures,
/// a styled text.
inline std::vector<ContentModule::RawResource> CommonResources()
{
    std::vector<ContentModule::RawResource> res;
    res.push_back({ResName(kRtBitmap), ResName(253), Dib8(1, 1, {0x000000, 0xFFFFFF}, {{1}})});
    res.push_back({ResName(kRtBitmap), ResName(1),
                   Dib8(4, 3, {0xFF0000, 0x00FF00, 0x0000FF}, {{0, 1, 2, 0}, {1, 1, 1, 1}, {2, 0, 0, 2}})});
    res.push_back({ResName(kRtBitmap), ResName(2), Dib8(2, 2, {0x123456, 0xABCDEF}, {{0, 1}, {1, 0}})});
    res.push_back({ResName("Styt"), ResName(1), Bytes().Text("Hi \\V\r\nthere").b});
    res.push_back({ResName("styl"), ResName(1), Styl({{0, 14, 11, 1, 0x100, 12, 0x0000FF}, {3, 20, 16, 0, 0, 9, 0}})});
    return res;
}

/// Opens `topic` of the module and runs `ticks` ticks; the mouse walks a
/// grid with the button going down and up.
inline void Play(std::vector<ContentModule::RawResource> resources, uint16_t topic, int ticks)
{
    EnsureApplication();
    ScopedContentLibrary library(ContentModule::FromResources(std::move(resources)));
    if (!library.IsLoaded())
        std::abort();
    uint32_t now = 10'000'000;
    CImageDC target(QSize(64, 48));
    CTopicPlayer player(topic, &target, nullptr, [&now] { return now; });
    if (!player.Open())
        return;
    for (int i = 0; i < ticks; ++i) {
        player.SetMouse(uint16_t((i / 2) & 1), (i * 7) % 64, (i * 5) % 48);
        now += 50;
        player.Tick();
    }
}

} // namespace TopicFuzzing
