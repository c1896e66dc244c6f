#include "ScriptDump.h"

#include "formats/FieldText.h"
#include "formats/ScriptFormat.h"
#include "formats/TriggerFormat.h"

using Formats::RectText;

std::string DumpScript(uint16_t id, std::span<const uint8_t> bytes)
{
    using namespace Formats::Script;
    std::string out = "script " + std::to_string(id) + "\n";
    const std::optional<ScriptView> view = DecodeScript(bytes);
    if (!view)
        return out + "  # header cut short: no statements\nend\n";
    for (const RecordView& record : view->records)
        out += "  " + std::string(record.op->name) + Formats::FieldsText(record.bytes, record.op->fields) + "\n";
    if (view->stoppedAtUnknownOpcode)
        out += "  # unknown opcode at offset " + std::to_string(view->end) + ": the rest is not read\n";
    else if (view->truncated)
        out += "  # record at offset " + std::to_string(view->end) + " runs past the end: the rest is not read\n";
    else if (view->records.size() < view->count)
        out += "  # count " + std::to_string(view->count) + "\n";
    return out + "end\n";
}

std::string DumpTrig(uint16_t id, std::span<const uint8_t> bytes)
{
    using namespace Formats::Trigger;
    std::string out = "topic " + std::to_string(id) + "\n";
    const std::optional<TrigView> view = DecodeTrig(bytes);
    if (!view)
        return out + "  # header cut short\nend\n";
    for (const TriggerView& t : view->triggers) {
        const KindDesc* kind = FindKind(t.kind);
        out += "  trigger " + (kind ? std::string(kind->name) : std::to_string(t.kind)) +
               " script=" + std::to_string(t.script);
        for (const Formats::Rect32& r : t.rects)
            out += " rect=" + RectText(r);
        out += "\n";
    }
    if (view->truncated)
        out += "  # record at offset " + std::to_string(view->end) + " runs past the end: the topic is refused\n";
    return out + "end\n";
}
