// The help's words for the accumulator's eight operations (register, M and
// immediate forms), the jumps, calls and returns, the stack, and the codes
// this kit does not carry out.
#include <array>

#include "isa/opcode_table.h"
#include "isa/flow.h"
#include "panel/model/instruction_notes.h"
#include "values/ascii.h"

namespace kit85::notes {
namespace {

// One operation's words and its example: A and the operand before (CY when
// it matters) and what they give; the A form has its own, as A is both.
struct AluWords {
    const char* what;   // "{x}" stands for the operand
    const char* acCy;   // the rules of AC and CY
    const char* a;      // A before
    const char* x;      // the operand before
    const char* cy;     // "CY=1", or empty
    const char* after;  // A and the flags after
    const char* selfA;  // the A form: A before
    const char* selfAfter;
};

// In the order of AluOp (the codes' bits 3-5).
// clang-format off
const std::array<AluWords, 8> kAlu = {{
    {"Adds {x} to A; the sum goes to A (a carry out of the byte goes to CY).",
     "AC: set when the low digits of A and the operand add to more than F (a carry out of bit 3). "
     "CY: set when the sum passes FF (a carry out of bit 7); cleared otherwise.",
     "9A", "7F", "", "A=19 S=0 Z=0 AC=1 P=0 CY=1", "A=9A", "A=34 S=0 Z=0 AC=1 P=0 CY=1"},
    {"Adds {x} and the carry CY to A; the sum goes to A. Used to add numbers longer than a byte: the carry "
     "of the lower bytes goes into the next.",
     "AC: set when A's low digit and the low digit of (operand + CY) add to more than F (the kit adds CY to "
     "the operand first). CY: set when the whole sum A + operand + CY passes FF; cleared otherwise.",
     "0F", "00", "CY=1", "A=10 S=0 Z=0 AC=1 P=0 CY=0", "A=85 CY=1", "A=0B S=0 Z=0 AC=0 P=0 CY=1"},
    {"Subtracts {x} from A: A = A - operand. The kit subtracts by adding the two's complement (100 - operand) "
     "and keeping the last two digits; a sum below 100 means A was smaller: a borrow.",
     "AC: set when A's low digit and the low digit of the complement (100 - operand) add to more than F. "
     "CY: set when there is a borrow, that is when A is less than the operand; cleared otherwise.",
     "05", "07", "", "A=FE S=1 Z=0 AC=0 P=0 CY=1", "A=5A", "A=00 S=0 Z=1 AC=1 P=1 CY=0"},
    {"Subtracts {x} and the borrow CY from A: A = A - operand - CY. Used to subtract numbers longer than a "
     "byte: the borrow of the lower bytes comes off the next. The kit adds the two's complement of "
     "(operand + CY).",
     "AC: set when A's low digit and the low digit of the complement of (operand + CY) add to more than F. "
     "CY: set when there is a borrow, that is when A is less than operand + CY; cleared otherwise.",
     "05", "07", "CY=1", "A=FD S=1 Z=0 AC=0 P=0 CY=1", "A=5A CY=1", "A=FF S=1 Z=0 AC=0 P=1 CY=1"},
    {"ANDs {x} with A bit by bit: a bit of the result is 1 only where both bits are 1. Used as a mask, to "
     "keep some bits of A and clear the others (logical AND).",
     "AC: always set by an AND (as the 8085 does). CY: always cleared.",
     "9A", "37", "CY=1", "A=12 S=0 Z=0 AC=1 P=1 CY=0", "A=9A CY=1", "A=9A S=1 Z=0 AC=1 P=1 CY=0"},
    {"Exclusive-ORs {x} with A bit by bit: a bit of the result is 1 where the two bits differ. Used to turn "
     "bits over; XRA A clears A to 00 (logical XOR).",
     "AC: always cleared. CY: always cleared.",
     "9A", "37", "", "A=AD S=1 Z=0 AC=0 P=0 CY=0", "A=5C", "A=00 S=0 Z=1 AC=0 P=1 CY=0"},
    {"ORs {x} with A bit by bit: a bit of the result is 1 where either bit is 1. Used to set bits of A; "
     "ORA A leaves A as it is but sets the flags from it (logical OR).",
     "AC: always cleared. CY: always cleared.",
     "9A", "37", "", "A=BF S=1 Z=0 AC=0 P=0 CY=0", "A=9A CY=1", "A=9A S=1 Z=0 AC=0 P=1 CY=0"},
    {"Compares {x} with A: subtracts it from A (A - operand) as SUB does but keeps only the flags; A keeps "
     "its value. Z=1 when they are equal; CY=1 (a borrow) when A is less than the operand.",
     "AC: set when A's low digit and the low digit of the complement (100 - operand) add to more than F. "
     "CY: set when there is a borrow, that is when A is less than the operand; cleared otherwise. "
     "S, Z and P are those of the difference, which is not kept.",
     "05", "07", "", "S=1 Z=0 AC=0 P=0 CY=1", "A=42", "S=0 Z=1 AC=1 P=1 CY=0"},
}};
// clang-format on

std::string filled(const char* text, const std::string& x) {
    std::string s = text;
    const auto at = s.find("{x}");
    return at == std::string::npos ? s : s.replace(at, 3, x);
}

InstructionNote aluWords(const isa::Opcode& o) {
    const AluWords& w = kAlu[static_cast<std::size_t>(isa::aluOpOf(o.form))];
    const std::string rules = std::string(kSignZeroParityRules) + " " + w.acCy;
    const std::string cy = *w.cy ? std::string(" ") + w.cy : "";
    if (o.a == isa::kData)
        return {filled(w.what, "the byte after the code (the data)"),
                rules,
                {std::string(o.mnemonic) + " " + w.x, std::string("A=") + w.a + cy, w.after}};
    const std::string mnemonic = std::string(o.mnemonic).substr(0, 3);
    if (o.a == A) return {filled(w.what, "A itself"), rules, {mnemonic + " A", w.selfA, w.selfAfter}};
    const std::string x = o.a == M ? "the memory byte M (the row at the address in HL)" : "register " + regName(o.a);
    return {filled(w.what, x),
            rules,
            {mnemonic + " " + regName(o.a), std::string("A=") + w.a + " " + setOperand(o.a, w.x) + cy, w.after}};
}

// The condition of a jump, call or return: the flag state that holds it, in
// the order of Cond.
struct CondWords {
    const char* holds;  // "Z=0"
    const char* words;  // "the last result was not zero"
};
const std::array<CondWords, 9> kConds = {{
    {"", ""},
    {"Z=0", "the zero flag is 0 (not zero)"},
    {"Z=1", "the zero flag is 1 (zero)"},
    {"CY=0", "the carry flag is 0 (no carry)"},
    {"CY=1", "the carry flag is 1 (carry)"},
    {"P=0", "the parity flag is 0 (parity odd)"},
    {"P=1", "the parity flag is 1 (parity even)"},
    {"S=0", "the sign flag is 0 (plus)"},
    {"S=1", "the sign flag is 1 (minus)"},
}};

InstructionNote branchWords(const isa::Opcode& o) {
    const CondWords& c = kConds[o.a];
    const bool always = o.a == kAlways;
    const std::string when =
        always ? "" : " when " + std::string(c.words) + "; otherwise it goes on with the next instruction";
    const std::string mnemonic = o.mnemonic;
    const std::string flag = always ? "" : c.holds;
    if (isa::goesToOperand(o) && !isa::isCall(o))
        return {"Jumps to the address after the code (low byte first)" + when + ".",
                kNoFlags,
                {mnemonic + " 9000", flag, "PC=9000"}};
    if (isa::isCall(o))
        return {
            "Calls the subroutine at the address after the code" + when +
                ". A call pushes the return address (the address after the call) on the stack, high byte at "
                "SP-1 and low byte at SP-2, SP going down by 2, then jumps.",
            kNoFlags,
            {mnemonic + " 9000", (flag.empty() ? "" : flag + " ") + "SP=A000", "PC=9000 SP=9FFE @9FFE=03 @9FFF=80"}};
    return {"Returns from a subroutine" + when +
                ". A return pops the return address into PC: the low byte from SP, the high byte from SP+1, SP "
                "going up by 2.",
            kNoFlags,
            {mnemonic, (flag.empty() ? "" : flag + " ") + "SP=9FFE @9FFE=03 @9FFF=80", "PC=8003 SP=A000"}};
}

InstructionNote stackWords(const isa::Opcode& o) {
    using enum isa::Form;
    const bool psw = o.a == A || o.form == PopPSW;
    const std::string hi = psw ? "A" : regName(o.a), lo = psw ? "F" : regName(o.b);
    const std::string name =
        psw ? "PSW (A and the flag byte F: S Z 0 AC 0 P 0 CY, bit 7 first)" : "the pair " + hi + lo;
    const std::string operand = psw ? "PSW" : hi;
    const std::string value = psw ? "44" : "34";
    switch (o.form) {
        case Push:
            return {
                "Pushes " + name + " on the stack: " + hi + " to SP-1, " + lo + " to SP-2; SP goes down by 2.",
                kNoFlags,
                {"PUSH " + operand, "SP=A000 " + hi + "=12 " + lo + "=" + value, "SP=9FFE @9FFF=12 @9FFE=" + value}};
        case Pop:
        case PopPSW:
            return {"Pops two bytes from the stack into " + name + ": " + lo + " from SP, " + hi +
                        " from SP+1; SP goes up by 2.",
                    psw ? "Every flag takes its bit of the byte popped into F. S: bit 7. Z: bit 6. AC: bit 4. P: bit "
                          "2. CY: bit 0."
                        : kNoFlags,
                    {"POP " + operand, "SP=9FFE @9FFE=" + value + " @9FFF=12",
                     hi + "=12 " + lo + "=" + value + " SP=A000" + (psw ? " S=0 Z=1 AC=0 P=1 CY=0" : "")}};
        case Xthl:
            return {
                "Exchanges HL with the top of the stack: L with the byte at SP, H with the byte at SP+1; SP "
                "keeps its value.",
                kNoFlags,
                {"XTHL", "SP=9FFE H=12 L=34 @9FFE=78 @9FFF=56", "H=56 L=78 @9FFE=34 @9FFF=12"}};
        default: return {"Copies HL into the stack pointer SP.", kNoFlags, {"SPHL", "H=90 L=00", "SP=9000"}};
    }
}

// A code the 8085 has but this kit stops on.
InstructionNote notOnThisKit(const isa::Opcode& o) {
    const std::string stop = " This kit does not carry it out: a run stops on it with \"invalid code\".";
    const std::string mnemonic = o.mnemonic;
    if (mnemonic == "PCHL")
        return {"On an 8085, jumps to the address in HL (PC = HL)." + stop,
                kNoFlags,
                {"PCHL", "H=90 L=00", "the run stops: invalid code (an 8085 would go on at 9000)"}};
    if (mnemonic == "XCHG")
        return {
            "On an 8085, exchanges HL with DE: H with D, L with E." + stop,
            kNoFlags,
            {"XCHG", "H=12 L=34 D=56 E=78", "the run stops: invalid code (an 8085 would give H=56 L=78 D=12 E=34)"}};
    const std::string target = hexDigits(static_cast<uint64_t>(mnemonic.back() - '0') * 8, 4);
    return {"On an 8085, a one-byte call (restart) to address " + target +
                ": pushes the return address and jumps "
                "there; an interrupting device supplies it too." +
                stop +
                " With the interfacing board on, it is carried out (12 T-states), and the kit's profile says "
                "where the monitor's code at that address leads (a routine, or a jump into user memory).",
            kNoFlags,
            {mnemonic, "SP=A000", "the run stops: invalid code (an 8085 would go on at " + target + ")"}};
}

}  // namespace

bool aluNote(const isa::Opcode& o, InstructionNote& out) {
    if (!isa::isAlu(o.form)) return false;
    out = aluWords(o);
    return true;
}

bool flowNote(const isa::Opcode& o, InstructionNote& out) {
    using enum isa::Form;
    if (isa::isBranch(o.form))
        out = branchWords(o);
    else if (o.form == Push || o.form == Pop || o.form == PopPSW || o.form == Xthl || o.form == Sphl)
        out = stackWords(o);
    else if (o.form == Invalid)
        out = notOnThisKit(o);
    else
        return false;
    return true;
}

}  // namespace kit85::notes
