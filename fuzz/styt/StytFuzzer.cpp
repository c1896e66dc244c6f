// The bytes are a styled text: a 16-bit length L, then L bytes of `styl`,
// then the `Styt` characters. The text is shown by a topic's script.
#include "../TopicFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    size_t stylSize = size_t(data[0]) | (size_t(data[1]) << 8);
    if (stylSize > size - 2)
        stylSize = size - 2;
    auto res = TopicFuzzing::CommonResources();
    res.push_back({ResName("styl"), ResName(7), std::vector<uint8_t>(data + 2, data + 2 + stylSize)});
    res.push_back({ResName("Styt"), ResName(7), std::vector<uint8_t>(data + 2 + stylSize, data + size)});
    res.push_back({ResName("Trig"), ResName(200), Trig({TrigRecord(1, 10)})});
    res.push_back({ResName("Scrp"), ResName(10),
                   Scrp({Rec::DrawText(7, 3, 4), Rec::Nop(), Rec::DrawText(7, -20, 30), Rec::Delay(60)})});
    TopicFuzzing::Play(std::move(res), 200, 6);
    return 0;
}
