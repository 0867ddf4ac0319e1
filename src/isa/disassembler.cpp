#include "isa/disassembler.h"

#include <string_view>

#include "isa/opcode_table.h"

namespace kit85 {
namespace {

using isa::Opcode;

std::string quote(const Text& t) {
    std::string s = "\"";
    s.append(t.str()).append("\"");
    return s;
}

// An operand byte as a listing shows it: its two digits, or the odd text in quotes.
std::string operandByte(const Text& t) { return t.isByte() ? t.str() : quote(t); }

// "MVI A" takes its operand after a comma, "ADI" after a blank.
std::string withOperand(const char* mnemonic, const std::string& operand) {
    const std::string_view m(mnemonic);
    return std::string(m) + (m.find(' ') == std::string_view::npos ? " " : ",") + operand;
}

// The operand's placeholder in describeOpcode.
const char* operandWord(const Opcode& o) {
    const std::string_view m(o.mnemonic);
    if (o.length == 2) return m == "IN" || m == "OUT" ? "port" : "data";
    return m.starts_with("LXI") ? "data16" : "address";
}

}  // namespace

const char* kindName(Disassembly::RowKind kind) {
    switch (kind) {
        case Disassembly::RowKind::Instruction: return "instruction";
        case Disassembly::RowKind::Invalid: return "invalid";
        case Disassembly::RowKind::Data: return "data";
    }
    return "data";
}

Disassembly disassembleAt(const MemoryTable& memory, int row, bool board) {
    Disassembly d;
    d.row = row;
    if (row < 0 || row >= memory.size()) return d;
    d.address = memory.addressAt(row);
    const Text& opcode = memory.dataAt(row);
    d.bytes.push_back(opcode);
    d.length = 1;
    if (!opcode.isByte()) {
        d.text = "data " + quote(opcode);
        return d;
    }
    const Opcode& o = (board ? isa::kBoardOpcodes : isa::kOpcodes)[opcode.hexValue()];
    if (o.executor == isa::Executor::None) {
        d.kind = Disassembly::RowKind::Invalid;
        d.text = o.gap ? "invalid code " + opcode.str() : std::string(o.mnemonic) + " (invalid code)";
        return d;
    }
    d.kind = Disassembly::RowKind::Instruction;
    if (o.length == 1) {
        d.text = o.mnemonic;
        return d;
    }
    if (row + o.length > memory.size()) {
        d.text = std::string(o.mnemonic) + " (its operand is past the end of memory)";
        return d;
    }
    d.length = o.length;
    for (int i = 1; i < o.length; ++i) d.bytes.push_back(memory.dataAt(row + i));
    // A word operand is written high byte first, as it reads in a listing.
    d.text = withOperand(o.mnemonic,
                         o.length == 2 ? operandByte(d.bytes[1]) : operandByte(d.bytes[2]) + operandByte(d.bytes[1]));
    return d;
}

std::vector<Disassembly> disassemble(const MemoryTable& memory, int row, int count) {
    std::vector<Disassembly> out;
    for (int i = 0; i < count && row >= 0 && row < memory.size(); ++i) {
        out.push_back(disassembleAt(memory, row));
        row += out.back().length;
    }
    return out;
}

std::string describeOpcode(const Text& byte) {
    if (!byte.isByte()) return "not an opcode";
    const Opcode& o = isa::kOpcodes[byte.hexValue()];
    if (o.gap) return "no 8085 instruction — invalid code";
    if (o.executor == isa::Executor::None) return std::string(o.mnemonic) + " — invalid code on this kit";
    const std::string form = o.length == 1 ? std::string(o.mnemonic) : withOperand(o.mnemonic, operandWord(o));
    return form + " — " + std::to_string(o.length) + (o.length == 1 ? " byte" : " bytes");
}

}  // namespace kit85
