// Any bytes through the PE resource reader; every entry's bytes are read
// whole so a span outside the input shows up under the sanitizers, and the
// work must stay in proportion to the input.
#include "PeResources.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// Directory entries are 8 bytes: no input holds more resources than that,
// and each entry read gives at most one resource or one warning.
constexpr size_t kEntrySize = 8;
// Faults that grow with the square of the input show only in inputs of some
// size: let the fuzzer make them.
constexpr const char* kMaxLength = "-max_len=131072";
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-max_len=", 9) == 0)
            return 0;
    static std::vector<char*> args;
    args.assign(*argv, *argv + *argc);
    args.push_back(const_cast<char*>(kMaxLength));
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PeResources pe;
    if (!pe.Parse({data, size}))
        return 0;
    // An entry pointing at a directory can give two warnings about it.
    if (pe.Entries().size() > size / kEntrySize || pe.Warnings().size() > 2 * (size / kEntrySize) + 2)
        std::abort();
    unsigned sum = 0;
    size_t looked = 0;
    for (const auto& entry : pe.Entries()) {
        if (!entry.data.empty() && (entry.data.data() < data || entry.data.data() + entry.data.size() > data + size))
            std::abort();
        for (uint8_t b : entry.data)
            sum += b;
        // What is listed must be found (Find is a linear search: the first
        // entries stand for the rest).
        if (++looked <= 256 && !pe.Find(entry.type, entry.name))
            std::abort();
    }
    return static_cast<int>(sum & 0);
}
