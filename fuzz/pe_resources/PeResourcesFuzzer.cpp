// Any bytes through the PE resource reader; every entry's bytes are read
// whole so a span outside the input shows up under the sanitizers.
#include "PeResources.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PeResources pe;
    if (!pe.Parse({data, size}))
        return 0;
    unsigned sum = 0;
    for (const auto& entry : pe.Entries()) {
        if (!entry.data.empty() && (entry.data.data() < data || entry.data.data() + entry.data.size() > data + size))
            std::abort();
        for (uint8_t b : entry.data)
            sum += b;
        if (!pe.Find(entry.type, entry.name))
            std::abort(); // what is listed must be found
    }
    return static_cast<int>(sum & 0);
}
