// Any bytes as a string list: the list reader and the entry-by-index reader
// must agree and stay inside the resource.
#include "ContentModule.h"
#include "StrList.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StrList list = StrList::FromBytes({data, size});
    if (list.Entries().size() > list.HeaderCount())
        std::abort();
    ScopedContentLibrary library(ContentModule::FromResources({{"STR#", 300, {data, data + size}}}));
    for (size_t i = 0; i < list.Entries().size() && i < 64; ++i) {
        std::string text;
        if (!GetStrListEntry(300, int(i), &text) || text != list.Entries()[i])
            std::abort();
    }
    return 0;
}
