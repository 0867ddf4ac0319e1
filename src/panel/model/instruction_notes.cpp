// The help's words for the instructions that move bytes, count and stop; the
// accumulator's operations and the jumps and stack are in
// instruction_notes_alu.cpp. Each form is worded once, its example filled in
// for the code's registers.
#include "panel/model/instruction_notes.h"

#include <string_view>

#include "isa/opcode_table.h"

namespace kit85 {
namespace notes {

const char* const kSignZeroParityRules =
    "S: set when bit 7 of the result is 1 (a negative number in two's complement). "
    "Z: set when the result is 00. "
    "P: set when the result has an even number of one-bits (parity even).";

std::string regName(uint8_t r) { return std::string(registerName(Reg(r))); }

std::string setOperand(uint8_t r, const std::string& value) {
    return r == M ? "H=90 L=10 @9010=" + value : regName(r) + "=" + value;
}

const char* const kNoFlags = "Flags unchanged: it decides no flag.";

namespace {

// "BC" for the pair whose high register is B.
std::string pairName(const isa::Opcode& o) { return regName(o.a) + regName(o.b); }

// What a register or M names, in words.
std::string operandWords(uint8_t r) {
    return r == M ? "the memory byte M (the row at the address in HL)" : "register " + regName(r);
}

// NOP, and the codes that do nothing on this kit but step over themselves.
InstructionNote nopNote(std::string_view mnemonic) {
    const std::string kit = "This kit carries it out as a NOP: it only steps over itself";
    if (mnemonic == "NOP")
        return {"Does nothing; the program goes on with the next instruction.", kNoFlags, {"NOP", "A=12", ""}};
    if (mnemonic == "RIM")
        return {"On an 8085, reads the interrupt mask and the serial input line into A. " + kit +
                    " (the kit has no interrupt mask or serial line), and A keeps its value. With the interfacing "
                    "board on, A := SID, I7.5, I6.5, I5.5 (pending), IE, M7.5, M6.5, M5.5 (bit 7 to bit 0); the "
                    "first RIM after a TRAP reads the IE from before the TRAP.",
                kNoFlags,
                {"RIM", "A=12", "A=12"}};
    if (mnemonic == "SIM")
        return {"On an 8085, sets the interrupt mask and the serial output line from A. " + kit +
                    " (the kit has no interrupt mask or serial line). With the interfacing board on, A's bits say: "
                    "7 SOD, 6 SDE (SOD is latched only when 1), 4 R7.5 (1 drops a pending RST 7.5), 3 MSE (only "
                    "when 1 are bits 2-0 loaded as the masks M7.5 M6.5 M5.5, 1 = masked).",
                kNoFlags,
                {"SIM", "A=12", ""}};
    if (mnemonic == "OUT")
        return {"On an 8085, sends A to the output port named by the byte after the code. " + kit +
                    " and its port byte (the kit has no ports). With the interfacing board on, the device at that "
                    "port takes A (an 8255 port, its control register, LEDs, digits, a DAC ...); 10 T-states.",
                kNoFlags,
                {"OUT 01", "A=12", ""}};
    if (mnemonic == "IN")
        return {"On an 8085, reads the input port named by the byte after the code into A. " + kit +
                    " and its port byte (the kit has no ports), and A keeps its value. With the interfacing board "
                    "on, A := the byte the device at that port gives (switches, an ADC, an 8255 port), FF where "
                    "nothing answers.",
                kNoFlags,
                {"IN 01", "A=12", "A=12"}};
    const bool enable = mnemonic == "EI";
    return {std::string("On an 8085, ") + (enable ? "enables" : "disables") + " the maskable interrupts. " + kit +
                " (the kit has no interrupts)." +
                (enable ? " With the interfacing board on, IE is set at once (a RIM right after reads 1), but no "
                          "interrupt is taken before the instruction after EI has run."
                        : " With the interfacing board on, IE goes off at once: only TRAP can interrupt."),
            kNoFlags,
            {std::string(mnemonic), "A=12", ""}};
}

InstructionNote movNote(const isa::Opcode& o) {
    const uint8_t to = o.a, from = o.b;
    const std::string what = "Copies " + operandWords(from) + " into " + operandWords(to) + "; " +
                             (from == M ? "memory" : regName(from)) + " keeps its value. Nothing is computed.";
    const std::string form = "MOV " + regName(to) + "," + regName(from);
    if (to == from)
        return {"Copies register " + regName(to) + " into itself: nothing changes (a NOP that takes 4 T-states).",
                kNoFlags,
                {form, regName(to) + "=5A", regName(to) + "=5A"}};
    if (from == M) return {what, kNoFlags, {form, "H=90 L=10 @9010=5A", regName(to) + "=5A"}};
    if (to == M) {
        const std::string value = from == H ? "90" : from == L ? "10" : "5A";
        const std::string before = from == H || from == L ? "H=90 L=10" : "H=90 L=10 " + regName(from) + "=5A";
        return {what, kNoFlags, {form, before, "@9010=" + value}};
    }
    return {what, kNoFlags, {form, regName(from) + "=5A", regName(to) + "=5A"}};
}

InstructionNote loadNote(const isa::Opcode& o, isa::Form f) {
    using enum isa::Form;
    const std::string pair = f == Lxi || f == Stax || f == Ldax ? pairName(o) : "";
    switch (f) {
        case Mvi:
            return {"Puts the byte after the code (the data) into " + operandWords(o.a) + ".",
                    kNoFlags,
                    {"MVI " + regName(o.a) + ",42", o.a == M ? "H=90 L=10" : "",
                     o.a == M ? "@9010=42" : regName(o.a) + "=42"}};
        case Lxi:
            return {"Loads the pair " + pair + " with the two bytes after the code: the first (the low byte) goes to " +
                        regName(o.b) + ", the second (the high byte) to " + regName(o.a) + ".",
                    kNoFlags,
                    {"LXI " + regName(o.a) + ",1234", "", regName(o.a) + "=12 " + regName(o.b) + "=34"}};
        case LxiSP:
            return {"Loads the stack pointer SP with the two bytes after the code (low byte first).",
                    kNoFlags,
                    {"LXI SP,A000", "", "SP=A000"}};
        case Stax:
            return {"Stores A in memory at the address held in the pair " + pair + "; A keeps its value.",
                    kNoFlags,
                    {"STAX " + regName(o.a), "A=5A " + regName(o.a) + "=90 " + regName(o.b) + "=10", "@9010=5A"}};
        case Ldax:
            return {"Loads A with the memory byte at the address held in the pair " + pair + ".",
                    kNoFlags,
                    {"LDAX " + regName(o.a), regName(o.a) + "=90 " + regName(o.b) + "=10 @9010=5A", "A=5A"}};
        case Shld:
            return {"Stores L at the address after the code and H at the next address (low byte first).",
                    kNoFlags,
                    {"SHLD 9010", "H=12 L=34", "@9010=34 @9011=12"}};
        case Lhld:
            return {"Loads L from the address after the code and H from the next address (low byte first).",
                    kNoFlags,
                    {"LHLD 9010", "@9010=34 @9011=12", "H=12 L=34"}};
        case Sta:
            return {"Stores A at the address after the code; A keeps its value.",
                    kNoFlags,
                    {"STA 9010", "A=5A", "@9010=5A"}};
        default:
            return {"Loads A with the byte at the address after the code.", kNoFlags, {"LDA 9010", "@9010=5A", "A=5A"}};
    }
}

// INX, DCX and DAD: 16-bit counting and addition on a pair (or SP).
InstructionNote wordNote(const isa::Opcode& o, isa::Form f) {
    using enum isa::Form;
    const bool sp = f == InxSP || f == DcxSP || f == DadSP;
    const std::string name = sp ? "SP" : pairName(o);
    const std::string hi = sp ? "" : regName(o.a), lo = sp ? "" : regName(o.b);
    const std::string operand = sp ? "SP" : hi;
    const std::string wrap = " as one 16-bit number; no flag changes, not even Z when it reaches 0000 ";
    if (f == Inx || f == InxSP)
        return {
            "Adds 1 to " + name + wrap + "(FFFF + 1 wraps to 0000).",
            kNoFlags,
            {"INX " + operand, sp ? "SP=9FFF" : hi + "=12 " + lo + "=FF", sp ? "SP=A000" : hi + "=13 " + lo + "=00"}};
    if (f == Dcx || f == DcxSP)
        return {
            "Subtracts 1 from " + name + wrap + "(0000 - 1 wraps to FFFF).",
            kNoFlags,
            {"DCX " + operand, sp ? "SP=A000" : hi + "=13 " + lo + "=00", sp ? "SP=9FFF" : hi + "=12 " + lo + "=FF"}};
    const std::string rules =
        "CY: set when the 16-bit sum passes FFFF (a carry out of H); cleared otherwise. "
        "S, Z, AC and P are unchanged.";
    const std::string what =
        "Adds " + name + " to HL as 16-bit numbers; the sum goes to HL (H the high byte, L the low).";
    if (o.a == H) return {what + " DAD H doubles HL.", rules, {"DAD H", "H=80 L=01", "H=00 L=02 CY=1"}};
    return {
        what,
        rules,
        {"DAD " + operand, "H=F0 L=00 " + (sp ? std::string("SP=2001") : hi + "=20 " + lo + "=01"), "H=10 L=01 CY=1"}};
}

InstructionNote countNote(const isa::Opcode& o, bool up) {
    const std::string r = regName(o.a);
    const std::string rules =
        std::string(kSignZeroParityRules) +
        (up ? " AC: set when the low digit was F (a carry out of it into the high digit)."
            : " AC: set when the low digit was not 0 (no borrow out of it); the kit subtracts 1 by adding FF, "
              "the complement of 1, and AC is that sum's half carry.") +
        " CY: unchanged (a count never touches CY).";
    const std::string what = std::string(up ? "Adds 1 to " : "Subtracts 1 from ") + operandWords(o.a) +
                             (up ? " (FF + 1 wraps to 00)." : " (00 - 1 wraps to FF).");
    const std::string before = o.a == M ? "H=90 L=10 @9010=" : r + "=";
    const std::string target = o.a == M ? "@9010=" : r + "=";
    if (up) return {what, rules, {"INR " + r, before + "2F", target + "30 S=0 Z=0 AC=1 P=1"}};
    return {what, rules, {"DCR " + r, before + "09", target + "08 S=0 Z=0 AC=1 P=0"}};
}

InstructionNote accumulatorNote(isa::Form f) {
    using enum isa::Form;
    const std::string rotate = "CY: set from the bit that leaves A. S, Z, AC and P are unchanged.";
    switch (f) {
        case Rlc:
            return {"Rotates A left one bit: bit 7 goes to CY and also comes back in at bit 0.",
                    rotate,
                    {"RLC", "A=9A", "A=35 CY=1"}};
        case Rrc:
            return {"Rotates A right one bit: bit 0 goes to CY and also comes back in at bit 7.",
                    rotate,
                    {"RRC", "A=9B", "A=CD CY=1"}};
        case Ral:
            return {"Rotates A left through CY: bit 7 goes to CY and the old CY comes in at bit 0.",
                    rotate,
                    {"RAL", "A=41 CY=1", "A=83 CY=0"}};
        case Rar:
            return {"Rotates A right through CY: bit 0 goes to CY and the old CY comes in at bit 7.",
                    rotate,
                    {"RAR", "A=9A CY=1", "A=CD CY=0"}};
        case Cma:
            return {"Complements A: every bit turned over (A becomes FF - A). One's complement, not negation.",
                    kNoFlags,
                    {"CMA", "A=51", "A=AE"}};
        case Stc:
            return {
                "Sets the carry flag CY to 1.", "CY: set to 1. S, Z, AC and P are unchanged.", {"STC", "CY=0", "CY=1"}};
        case Cmc:
            return {"Complements the carry flag: CY 0 becomes 1, 1 becomes 0.",
                    "CY: turned over. S, Z, AC and P are unchanged.",
                    {"CMC", "CY=1", "CY=0"}};
        default: break;
    }
    return {
        "Decimal adjust: after adding two BCD (binary-coded decimal) numbers, makes A the decimal sum. "
        "When the low digit is more than 9 or AC is 1, it adds 06; then, when the high digit is more than 9 "
        "or a carry is there (CY was 1, or adding 06 passed FF), it adds 60.",
        std::string(kSignZeroParityRules) +
            " AC: set by the carry out of the low digit when 06 is added; kept when nothing is added to the low "
            "digit. CY: set when either adjustment passes FF; on this kit a CY of 1 is always kept, and CY is "
            "kept when neither adjustment runs.",
        {"DAA", "A=9B", "A=01 S=0 Z=0 AC=1 P=0 CY=1"}};
}

}  // namespace

bool dataNote(const isa::Opcode& o, InstructionNote& out) {
    using enum isa::Form;
    switch (o.form) {
        case Nop: out = nopNote(o.mnemonic); return true;
        case Halt:
            out = {"Stops the run. The displays show the HLT's own address; PC holds the address after it.",
                   kNoFlags,
                   {"HLT", "", "PC=8001"}};
            return true;
        case Mov: out = movNote(o); return true;
        case Mvi:
        case Lxi:
        case LxiSP:
        case Stax:
        case Ldax:
        case Shld:
        case Lhld:
        case Sta:
        case Lda: out = loadNote(o, o.form); return true;
        case Inx:
        case Dcx:
        case InxSP:
        case DcxSP:
        case Dad:
        case DadSP: out = wordNote(o, o.form); return true;
        case Inr:
        case Dcr: out = countNote(o, o.form == Inr); return true;
        case Rlc:
        case Rrc:
        case Ral:
        case Rar:
        case Daa:
        case Cma:
        case Stc:
        case Cmc: out = accumulatorNote(o.form); return true;
        default: return false;
    }
}

}  // namespace notes

InstructionNote instructionNote(uint8_t code) {
    const isa::Opcode& o = isa::kOpcodes[code];
    InstructionNote out;
    if (o.gap) return out;
    if (!notes::dataNote(o, out) && !notes::aluNote(o, out)) notes::flowNote(o, out);
    return out;
}

}  // namespace kit85
