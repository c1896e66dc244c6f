#include "formats/ScriptFormat.h"

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
    ScriptView view;
    view.reserved = *ReadU16(bytes, 0);
    view.count = *ReadU16(bytes, 2);
    size_t pos = kHeaderSize;
    for (uint32_t i = 0; i < view.count; ++i) {
        auto opcode = ReadI16(bytes, pos);
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
    WriteU16(record, 0, static_cast<uint16_t>(op.opcode));
    return record;
}

} // namespace Formats::Script
