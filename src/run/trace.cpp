// The step trace: what changed around one instruction, and the reasons worded
// from the values the instruction read through the rules of values/flags.h.
//
// Numbers in reasons are hex, as the kit shows them: a byte in two digits, a
// sum in as many as it needs ("119"), a low digit in one.
#include "run/trace.h"

#include <bit>
#include <cstdio>
#include <set>

#include "isa/disassembler.h"
#include "isa/frame.h"
#include "isa/groups.h"
#include "kit/registers.h"
#include "values/convert.h"
#include "values/flags.h"

namespace kit85 {
namespace {

std::string hex(int64_t v, int width = 2) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*llX", width, static_cast<unsigned long long>(v));
    return buf;
}

const char* countWord(int n) {
    static const char* const kWords[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight"};
    return n >= 0 && n <= 8 ? kWords[n] : "many";
}

// The reasons of one instruction, collected by the name they explain.
class Reasons {
public:
    Reasons(const FlagLabels& before, const KitState& after) : before_(before), after_(after) {}

    bool changed(Text FlagLabels::*label) const { return before_.*label != after_.flags.*label; }
    std::string label(Text FlagLabels::*label) const { return (after_.flags.*label).str(); }

    void flag(const char* name, Text FlagLabels::*l, const std::string& why) {
        if (!changed(l)) return;
        for (std::size_t i = 0; i < kFlagFields.size(); ++i)
            if (kFlagFields[i].label == l) flags_[i] = std::string(name) + "=" + label(l) + ": " + why;
    }
    void reg(Reg r, const Text& before, const std::string& why) {
        if (before != after_[r]) regs_.push_back(std::string(registerName(r)) + "=" + after_[r].str() + ": " + why);
    }

    // S, Z and P of a result byte, as setSZP decides them.
    void szp(int32_t byte) {
        const std::string b = hex(byte);
        flag("S", &FlagLabels::slb, signRule(byte) ? "bit 7 of " + b + " is 1" : "bit 7 of " + b + " is 0");
        flag("Z", &FlagLabels::zlb, zeroRule(byte) ? "the result is 00" : "the result " + b + " is not 00");
        const int ones = std::popcount(static_cast<uint32_t>(byte));
        flag("P", &FlagLabels::plb,
             b + " has " + countWord(ones) + (ones == 1 ? " one-bit" : " one-bits") +
                 (parityRule(byte) ? ", an even number" : ", an odd number"));
    }
    void halfCarry(int32_t d1, int32_t d2, const char* note = "") {
        const int32_t s = d1 + d2;
        flag("AC", &FlagLabels::auxlb,
             std::string("the low digits ") + hex(d1, 1) + " + " + hex(d2, 1) + note + " = " + hex(s, 1) +
                 (halfCarryRule(d1, d2) ? ", more than F" : ", not more than F"));
    }

    std::vector<std::string> take() {
        std::vector<std::string> all = std::move(regs_);
        for (std::string& f : flags_)
            if (!f.empty()) all.push_back(std::move(f));
        return all;
    }

private:
    const FlagLabels& before_;
    const KitState& after_;
    std::vector<std::string> regs_;
    std::array<std::string, kFlagFields.size()> flags_;  // in panel order: S Z AC P CY
};

// Additions and subtractions: A + e = s, e being the operand, the operand
// plus CY, or a complement.
void sumReasons(Reasons& r, const isa::Opcode& o, const Text& aText, const Text& x, const FlagLabels& f) {
    const int64_t a = convt(aText);
    int64_t e = 0;
    std::string eText;
    const char* note = "";
    const bool borrow = o.run == isa::sub || o.run == isa::sbb || o.run == isa::cmp;
    if (o.run == isa::add) {
        e = convt(x);
        eText = hex(e);
    } else if (o.run == isa::adc) {
        e = hex1Value(int64_t{convt(x)} + convt(f.clb));
        eText = hex(convt(x)) + " + " + f.clb.str();
    } else if (o.run == isa::sbb) {
        e = complementOfHex(hex1Value(int64_t{convt(x)} + convt(f.clb)));
        eText = hex(e) + " (the complement of " + hex(convt(x)) + " + " + f.clb.str() + ")";
        note = " (the complement's digit)";
    } else {
        e = comp2(x);
        eText = hex(e) + " (the complement of " + hex(convt(x)) + ")";
        note = " (the complement's digit)";
    }
    const int64_t s = a + e;
    const int64_t five = hex1Value(s);
    const std::string sum = hex(a) + " + " + eText + " = " + hex(five, 1);
    if (borrow)
        r.flag("CY", &FlagLabels::clb,
               sum + (borrowRule(five) ? ", less than 100: a borrow" : ", not less than 100: no borrow"));
    else
        r.flag("CY", &FlagLabels::clb, sum + (carryRule(five) ? ", more than FF" : ", not more than FF"));
    r.szp(hex1Byte(s));
    r.halfCarry(auxDigit(aText), auxDigit(e), o.run == isa::adc || o.run == isa::add ? "" : note);
    if (o.run != isa::cmp) r.reg(A, aText, sum + ", A keeps the last two digits");
}

void logicReasons(Reasons& r, const isa::Opcode& o, const Text& aText, const Text& x) {
    const int32_t a = convt(aText), v = convt(x);
    const char* name = o.run == isa::ana ? "AND" : o.run == isa::xra ? "XOR" : "OR";
    const int32_t res = o.run == isa::ana ? (a & v) : o.run == isa::xra ? (a ^ v) : (a | v);
    r.flag("CY", &FlagLabels::clb, std::string("every ") + name + " clears CY");
    r.flag("AC", &FlagLabels::auxlb,
           o.run == isa::ana ? "every AND sets AC" : std::string("every ") + name + " clears AC");
    r.szp(hex1Byte(res));
    r.reg(A, aText, hex(a) + " " + name + " " + hex(v) + " = " + hex(hex1Byte(res)));
}

void countReasons(Reasons& r, bool up, Reg reg, const Text& v) {
    const int32_t addend = up ? 1 : 255;
    const int64_t res = int64_t{convt(v.trimmed())} + addend;
    r.szp(hex1Byte(res));
    r.halfCarry(auxDigit(v), auxDigit(int64_t{addend}), up ? "" : " (the complement's digit)");
    const std::string sum =
        hex(convt(v.trimmed())) + (up ? " + 1" : " + FF (the complement of 1)") + " = " + hex(hex1Value(res), 1);
    if (reg != M) r.reg(reg, v, sum + ", " + std::string(registerName(reg)) + " keeps the last two digits");
}

void daaReasons(Reasons& r, const Text& aText, const FlagLabels& f) {
    const int64_t v = convt(aText);
    std::string why = hex(v);
    int64_t t = v;
    bool c1 = false;
    if ((v & 0xF) > 9 || convt(f.auxlb) == 1) {
        r.halfCarry(static_cast<int32_t>(v & 0xF), 6);
        why += " + 06 (" +
               ((v & 0xF) > 9 ? "the low digit " + hex(v & 0xF, 1) + " is more than 9" : std::string("AC was 1")) + ")";
        t = hex1Value(v + 6);
        c1 = carryRule(t);
        t &= 0xFFF;
    }
    const int64_t high = (t >> 4) & 0xF;
    const bool c0 = convt(f.clb) == 1;
    bool c2 = false;
    if (high > 9 || c0 || c1) {
        why += " + 60 (" +
               (high > 9 ? "the high digit " + hex(high, 1) + " is more than 9"
                         : std::string(c0 ? "CY was 1" : "the low adjustment carried")) +
               ")";
        c2 = carryRule(hex1Value(t + 0x60));
        t = hex1Value(t + 0x60);
    }
    why += " = " + hex(t, 1);
    r.flag("CY", &FlagLabels::clb,
           c0           ? "CY was 1 and DAA keeps a carry"
           : (c1 || c2) ? why + ", more than FF"
                        : why + ", not more than FF");
    r.szp(hex1Byte(t));
    r.reg(A, aText, why + ", A keeps the last two digits");
}

void rotateReasons(Reasons& r, const isa::Opcode& o, const Text& aText, const FlagLabels& f) {
    const int64_t v = convt(aText);
    const bool cy = convt(f.clb) == 1;
    const std::string a = hex(v);
    if (o.run == isa::rlc || o.run == isa::ral) {
        const bool ral = o.run == isa::ral;
        const int64_t x = hex1Value(2 * v + (ral && cy ? 1 : 0));
        const std::string sum =
            a + " + " + a + (ral ? std::string(" + ") + (cy ? "1" : "0") + " (CY)" : "") + " = " + hex(x, 1);
        r.flag("CY", &FlagLabels::clb, sum + (carryRule(x) ? ", more than FF" : ", not more than FF"));
        r.reg(A, aText,
              ral ? sum + ", A keeps the last two digits"
                  : sum + (carryRule(x) ? " and bit 7 comes back in at bit 0" : "") + ", A keeps the last two digits");
    } else {
        const bool rar = o.run == isa::rar;
        r.flag("CY", &FlagLabels::clb, std::string("bit 0 of ") + a + " is " + (v % 2 ? "1" : "0"));
        const bool top = rar ? cy : v % 2 == 1;
        r.reg(A, aText,
              a + " shifted right = " + hex(v / 2) +
                  (top ? std::string(", plus 80 for ") + (rar ? "the old CY" : "bit 0") : std::string()));
    }
}

}  // namespace

std::vector<std::string> reasonsFor(uint8_t code, const std::vector<Text>& bytes,
                                    const std::array<Text, kRegisterSlots>& regs, const FlagLabels& f,
                                    const Text& mBefore, const KitState& after) {
    using namespace isa;
    const Opcode& o = kOpcodes[code];
    Reasons r(f, after);
    auto operand = [&](uint8_t source) -> Text {
        if (source == M) return mBefore;
        if (source == kData) return bytes.size() > 1 ? bytes[1] : Text();
        return regs[source];
    };
    const Text& aText = regs[A];
    if (o.run == add || o.run == adc || o.run == sub || o.run == sbb || o.run == cmp)
        sumReasons(r, o, aText, operand(o.a), f);
    else if (o.run == ana || o.run == xra || o.run == ora)
        logicReasons(r, o, aText, operand(o.a));
    else if (o.run == inr || o.run == dcr)
        countReasons(r, o.run == inr, Reg(o.a), operand(o.a));
    else if (o.run == daa)
        daaReasons(r, aText, f);
    else if (o.run == rlc || o.run == rrc || o.run == ral || o.run == rar)
        rotateReasons(r, o, aText, f);
    else if (o.run == cma)
        r.reg(A, aText, "FF - " + hex(convt(aText)) + ", every bit turned over");
    else if (o.run == stc)
        r.flag("CY", &FlagLabels::clb, "STC sets CY");
    else if (o.run == cmc)
        r.flag("CY", &FlagLabels::clb, "CMC turns CY " + f.clb.str() + " over");
    else if (o.run == dad || o.run == dadSP) {
        const int64_t p = o.run == dadSP ? convt(regs[SP].trimmed()) : convt(regs[o.a].trimmed() + regs[o.b].trimmed());
        const int64_t hl = convt(regs[H].trimmed() + regs[L].trimmed());
        const int64_t s = hex1Value(p + hl);
        const std::string sum = hex(hl, 4) + " + " + hex(p, 4) + " = " + hex(s, 4);
        r.flag("CY", &FlagLabels::clb, sum + (wordCarryRule(s) ? ", more than FFFF" : ", not more than FFFF"));
        r.reg(H, regs[H], sum + ", H takes the two digits before the last two");
        r.reg(L, regs[L], sum + ", L keeps the last two digits");
    }
    return r.take();
}

void Tracer::before(const KitState& k) {
    const MemoryTable& m = k.memory();
    const Disassembly d = disassembleAt(m, m.cursor());
    step_ = TraceStep{};
    step_.address = d.address;
    step_.bytes = d.bytes;
    step_.mnemonic = d.text;
    for (int i = 0; i < kRegisterSlots; ++i) regs_[i] = k[Reg(i)];
    flags_ = k.flags;

    std::set<int> rows;
    auto watch = [&](const Text& address, int from, int to) {
        if (auto row = m.rowOf(address))
            for (int i = *row + from; i <= *row + to; ++i)
                if (i >= 0 && i < m.size()) rows.insert(i);
    };
    watch(isa::pairText(k, H, L), 0, 0);
    watch(isa::pairText(k, B, C), 0, 0);
    watch(isa::pairText(k, D, E), 0, 0);
    watch(k[SP].trimmed(), -2, 1);
    if (d.bytes.size() == 3) watch(d.bytes[2].trimmed() + d.bytes[1].trimmed(), 0, 1);
    const auto hl = m.rowOf(isa::pairText(k, H, L));
    mBefore_ = hl ? m.dataAt(*hl) : Text();
    watched_.clear();
    for (int row : rows) watched_.push_back({row, m.dataAt(row)});
}

void Tracer::after(const KitState& k, uint32_t tstates) {
    step_.tstates = tstates;
    for (const RegisterField& f : kRegisterFields)
        if (regs_[f.reg] != k[f.reg]) step_.registers.push_back({std::string(f.name), regs_[f.reg], k[f.reg]});
    for (const FlagField& f : kFlagFields)
        if (flags_.*f.label != k.flags.*f.label)
            step_.flags.push_back({std::string(f.name), flags_.*f.label, k.flags.*f.label});
    for (const Watched& w : watched_) {
        if (w.data != k.memory().dataAt(w.row))
            step_.rows.push_back({k.memory().addressAt(w.row).str(), w.data, k.memory().dataAt(w.row)});
    }
    if (!step_.bytes.empty() && step_.bytes[0].isHex() && step_.bytes[0].size() == 2)
        step_.reasons =
            reasonsFor(static_cast<uint8_t>(step_.bytes[0].hexValue()), step_.bytes, regs_, flags_, mBefore_, k);
    sink_(step_);
}

}  // namespace kit85
