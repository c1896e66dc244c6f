#include "ScriptDump.h"

#include "formats/ScriptFormat.h"
#include "formats/TriggerFormat.h"

#include <cstdio>

namespace {

std::string RectText(const Formats::Rect32& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string ColourText(uint32_t colour)
{
    char buffer[16];
    if (colour > 0xFFFFFF)
        std::snprintf(buffer, sizeof buffer, "0x%08X", colour);
    else
        std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                      (colour >> 16) & 0xFF);
    return buffer;
}

std::string FieldText(std::span<const uint8_t> record, const Formats::FieldDesc& field)
{
    if (field.kind == Formats::FieldKind::Rect)
        return RectText(Formats::ReadRect(record, field).value_or(Formats::Rect32{}));
    const int64_t value = Formats::ReadScalar(record, field).value_or(0);
    if (field.kind == Formats::FieldKind::Colour)
        return ColourText(static_cast<uint32_t>(value));
    return std::to_string(value);
}

} // namespace

std::string DumpScript(uint16_t id, std::span<const uint8_t> bytes)
{
    using namespace Formats::Script;
    std::string out = "script " + std::to_string(id) + "\n";
    const std::optional<ScriptView> view = DecodeScript(bytes);
    if (!view)
        return out + "  # header cut short: no statements\nend\n";
    for (const RecordView& record : view->records) {
        out += "  " + std::string(record.op->name);
        for (const Formats::FieldDesc& field : record.op->fields) {
            if (field.unread && Formats::ReadScalar(record.bytes, field).value_or(0) == 0)
                continue;
            out += " " + std::string(field.name) + "=" + FieldText(record.bytes, field);
        }
        out += "\n";
    }
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
