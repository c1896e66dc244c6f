// The bytes are a `Scrp` resource, run as the background and as a
// continuous trigger's script of a topic, and reachable by New.
#include "../TopicFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> script(data, data + size);
    auto res = TopicFuzzing::CommonResources();
    res.push_back({ResName("Trig"), ResName(200),
                   Trig({TrigRecord(2, 100), TrigRecord(1, 101), TrigRecord(6, 102, {{0, 0, 64, 48}})})});
    for (uint16_t id : {100, 101, 102})
        res.push_back({ResName("Scrp"), ResName(id), script});
    TopicFuzzing::Play(std::move(res), 200, 24);
    return 0;
}
