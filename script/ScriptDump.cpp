#include "ScriptDump.h"

#include "formats/ScriptFormat.h"
#include "formats/TriggerFormat.h"

#include <sstream>

namespace {

void PrintRect(std::ostringstream& out, const Formats::Rect32& r)
{
    out << '(' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
}

} // namespace

std::string DumpScript(uint16_t id, std::span<const uint8_t> bytes)
{
    using namespace Formats::Script;
    std::ostringstream out;
    out << "script " << id << '\n';
    const std::optional<ScriptView> view = DecodeScript(bytes);
    if (!view) {
        out << "  # header cut short: no statements\n";
        return out.str();
    }
    for (const RecordView& record : view->records) {
        out << "  " << record.op->name;
        for (const Formats::FieldDesc& field : record.op->fields) {
            if (field.unread)
                continue;
            out << ' ' << field.name << '=';
            if (field.kind == Formats::FieldKind::Rect) {
                PrintRect(out, Formats::ReadRect(record.bytes, field).value_or(Formats::Rect32{}));
            } else if (field.kind == Formats::FieldKind::Colour) {
                const auto value = Formats::ReadScalar(record.bytes, field).value_or(0);
                char text[16];
                std::snprintf(text, sizeof text, "0x%06llx", static_cast<unsigned long long>(value));
                out << text;
            } else {
                out << Formats::ReadScalar(record.bytes, field).value_or(0);
            }
        }
        out << '\n';
    }
    if (view->stoppedAtUnknownOpcode)
        out << "  # unknown opcode at offset " << view->end << ": the rest is not read\n";
    else if (view->truncated)
        out << "  # record at offset " << view->end << " runs past the end: the rest is not read\n";
    else if (view->records.size() < view->count)
        out << "  # count " << view->count << ", " << view->records.size() << " read\n";
    return out.str();
}

std::string DumpTrig(uint16_t id, std::span<const uint8_t> bytes)
{
    using namespace Formats::Trigger;
    std::ostringstream out;
    out << "topic " << id << '\n';
    const std::optional<TrigView> view = DecodeTrig(bytes);
    if (!view) {
        out << "  # header cut short\n";
        return out.str();
    }
    for (const TriggerView& t : view->triggers) {
        const KindDesc* kind = FindKind(t.kind);
        out << "  ";
        if (kind)
            out << kind->name;
        else
            out << "kind" << t.kind;
        out << " script=" << t.script;
        for (const Formats::Rect32& r : t.rects) {
            out << ' ';
            PrintRect(out, r);
        }
        out << '\n';
    }
    if (view->truncated)
        out << "  # record at offset " << view->end << " runs past the end\n";
    return out.str();
}
