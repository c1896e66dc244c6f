// The content compiler's readers on any bytes: the record decoders, the
// picture and wave checks, and the source notation itself. Nothing may read
// outside its buffer, loop for ever, or give results that break the
// decoders' own promises.
#include "ContentCompiler.h"
#include "MediaFiles.h"
#include "formats/ScriptFormat.h"
#include "formats/SequenceFormat.h"
#include "formats/SoundListFormat.h"
#include "formats/StrListFormat.h"
#include "formats/StyledTextFormat.h"
#include "formats/TriggerFormat.h"

#include <cstdlib>
#include <string>

namespace {
void Expect(bool condition)
{
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    using namespace Formats;

    if (auto script = Script::DecodeScript(bytes)) {
        Expect(script->end <= size && script->records.size() <= script->count);
        for (const auto& r : script->records)
            Expect(r.offset + r.bytes.size() <= size && r.bytes.size() == r.op->recordSize);
    }
    if (auto trig = Trigger::DecodeTrig(bytes)) {
        Expect(trig->end <= size);
        for (const auto& t : trig->triggers)
            Expect(t.offset + t.size <= size && t.rects.size() == (t.size - 6) / 16);
    }
    if (auto styl = StyledText::DecodeStyl(bytes)) {
        Expect(styl->end <= size);
        // Whole runs re-encode to the bytes they came from.
        auto again = StyledText::EncodeStyl(styl->runs);
        Expect(again && again->size() == styl->end);
        Expect(std::equal(again->begin() + 2, again->end(), bytes.begin() + 2));
    }
    if (auto list = StrList::DecodeStrList(bytes)) {
        Expect(list->end <= size && list->entries.size() <= list->count);
        for (const auto& e : list->entries)
            Expect(e.size() <= 255);
    }
    const auto sounds = SoundList::DecodeSoundList(bytes);
    Expect(sounds.pairs.size() <= size);
    const auto sequence = Sequence::DecodeSequence(bytes);
    Expect(sequence.entries.size() * 4 + sequence.trailingBytes == size);

    std::string error;
    if (auto dib = InspectPackedDib(bytes, &error))
        Expect(dib->bitsOffset <= size);
    CheckWaveImage(bytes);

    // The same bytes as source text. Files it names are looked up in a
    // folder that does not exist.
    ContentCompiler compiler;
    compiler.CompileText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.ovs", "/nonexistent-ovrc-fuzz");
    compiler.Finish();
    return 0;
}
