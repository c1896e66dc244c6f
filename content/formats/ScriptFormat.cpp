#include "formats/ScriptFormat.h"

#include "ByteReader.h"

namespace Formats::Script {

static_assert(std::size(kOpcodes) == 12);

const OpcodeDesc* FindOpcode(int16_t opcode)
{
    if (opcode < 1 || opcode > static_cast<int16_t>(std::size(kOpcodes)))
        return nullptr;
    return &kOpcodes[opcode - 1];
}

const OpcodeDesc* FindOpcode(std::string_view name)
{
    for (const OpcodeDesc& op : kOpcodes)
        if (EqualsIgnoreCase(op.name, name))
            return &op;
    return nullptr;
}

std::optional<ScriptView> DecodeScript(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    const ByteReader in(bytes);
    ScriptView view;
    view.reserved = uint16_t(ScalarOf(bytes, kHeaderFields, "reserved"));
    view.count = uint16_t(ScalarOf(bytes, kHeaderFields, "count"));
    size_t pos = kHeaderSize;
    for (uint32_t i = 0; i < view.count; ++i) {
        const auto opcode = in.I16(pos);
        if (!opcode) {
            view.truncated = true;
            break;
        }
        const OpcodeDesc* op = FindOpcode(*opcode);
        if (!op) {
            view.stoppedAtUnknownOpcode = true;
            break;
        }
        if (op->recordSize > bytes.size() - pos) {
            view.truncated = true;
            break;
        }
        view.records.push_back({op, pos, bytes.subspan(pos, op->recordSize)});
        pos += op->recordSize;
    }
    view.end = pos;
    return view;
}

std::vector<uint8_t> NewRecord(const OpcodeDesc& op)
{
    std::vector<uint8_t> record(op.recordSize, 0);
    ByteWriter(record).U16(0, static_cast<uint16_t>(op.opcode));
    return record;
}

} // namespace Formats::Script
