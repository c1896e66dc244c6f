// The bytes are the `Trig` resource of a topic whose scripts draw, wait,
// cycle, repaint and start each other.
#include "../TopicFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto res = TopicFuzzing::CommonResources();
    res.push_back({ResName("Trig"), ResName(200), std::vector<uint8_t>(data, data + size)});
    res.push_back({ResName("Scrp"), ResName(1), Scrp({Rec::Tile(1, 0, 0, 64, 48)})});
    res.push_back({ResName("Scrp"), ResName(2),
                   Scrp({Rec::DrawPict(1, 10, 10, -2), Rec::Delay(100), Rec::DrawPict(2, 20, 5), Rec::Cycle(2)})});
    res.push_back({ResName("Scrp"), ResName(3),
                   Scrp({Rec::RectFill(0, 0, 30, 30, 0xFF), Rec::Update(5, 5, 25, 25), Rec::New(2), Rec::End()})});
    res.push_back({ResName("Scrp"), ResName(4), Scrp({Rec::DrawText(1, 2, 2), Rec::DrawRect(1, 1, 40, 30, 0, 3)})});
    TopicFuzzing::Play(std::move(res), 200, 24);
    return 0;
}
