#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "isa/isa_fixture.h"
#include "isa/opcode_table.h"
#include "kit/registers.h"

namespace kit85::isa {
namespace {

// The 8085's instruction encodings as Intel documents them, field by field:
// registers B C D E H L M A are 0-7, pairs B D H SP (PSW for PUSH and POP)
// 0-3, conditions NZ Z NC C PO PE P M 0-7. The map must agree with this
// statement of it for every code.
struct Entry {
    std::string mnemonic;
    int length = 1;
    Executor executor = Executor::None;
    bool gap = false;
};

Entry documented(unsigned code) {
    static const char* const kReg[] = {"B", "C", "D", "E", "H", "L", "M", "A"};
    static const char* const kPair[] = {"B", "D", "H", "SP"};
    static const char* const kAlu[] = {"ADD", "ADC", "SUB", "SBB", "ANA", "XRA", "ORA", "CMP"};
    static const char* const kImm[] = {"ADI", "ACI", "SUI", "SBI", "ANI", "XRI", "ORI", "CPI"};
    static const char* const kCond[] = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
    static const char* const kLow[] = {"RLC", "RRC", "RAL", "RAR", "DAA", "CMA", "STC", "CMC"};
    const unsigned x = code >> 6, y = (code >> 3) & 7, z = code & 7, p = y >> 1, q = y & 1;
    auto is = [](std::string m, int length = 1) { return Entry{std::move(m), length}; };
    Entry e;
    if (x == 1) {
        e = code == 0x76 ? is("HLT") : is(std::string("MOV ") + kReg[y] + "," + kReg[z]);
    } else if (x == 2) {
        e = is(std::string(kAlu[y]) + " " + kReg[z]);
    } else if (x == 0) {
        const char* const kZeroColumn[] = {"NOP", "", "", "", "RIM", "", "SIM", ""};
        const char* const kDirect[] = {"SHLD", "LHLD", "STA", "LDA"};
        switch (z) {
            case 0: e = *kZeroColumn[y] ? is(kZeroColumn[y]) : Entry{"-", 1, Executor::None, true}; break;
            case 1: e = q ? is(std::string("DAD ") + kPair[p]) : is(std::string("LXI ") + kPair[p], 3); break;
            case 2: e = p < 2 ? is(std::string(q ? "LDAX " : "STAX ") + kPair[p]) : is(kDirect[y - 4], 3); break;
            case 3: e = is(std::string(q ? "DCX " : "INX ") + kPair[p]); break;
            case 4: e = is(std::string("INR ") + kReg[y]); break;
            case 5: e = is(std::string("DCR ") + kReg[y]); break;
            case 6: e = is(std::string("MVI ") + kReg[y], 2); break;
            default: e = is(kLow[y]); break;
        }
    } else {
        const char* const kSingles[] = {"RET", "-",  "PCHL", "SPHL", "JMP", "-",
                                        "OUT", "IN", "XTHL", "XCHG", "DI",  "EI"};
        const unsigned singleLength[] = {1, 1, 1, 1, 3, 1, 2, 2, 1, 1, 1, 1};
        const char* const kPushPop[] = {"B", "D", "H", "PSW"};
        switch (z) {
            case 0: e = is(std::string("R") + kCond[y]); break;
            case 1: e = q ? is(kSingles[p]) : is(std::string("POP ") + kPushPop[p]); break;
            case 2: e = is(std::string("J") + kCond[y], 3); break;
            case 3: e = is(kSingles[4 + y], static_cast<int>(singleLength[4 + y])); break;
            case 4: e = is(std::string("C") + kCond[y], 3); break;
            case 5:
                e = q ? (p == 0 ? is("CALL", 3) : Entry{"-", 1, Executor::None, true})
                      : is(std::string("PUSH ") + kPushPop[p]);
                break;
            case 6: e = is(kImm[y], 2); break;
            default: e = is("RST " + std::to_string(y)); break;
        }
        if (e.mnemonic == "-") e.gap = true;
    }
    // The kit runs every instruction but the restarts, PCHL and XCHG: exec1
    // takes the codes below 90 but HLT, exec2 the rest.
    const bool runs = !e.gap && !e.mnemonic.starts_with("RST") && e.mnemonic != "PCHL" && e.mnemonic != "XCHG";
    if (runs) e.executor = code < 0x90 && code != 0x76 ? Executor::First : Executor::Second;
    return e;
}

uint8_t flagBit(std::string_view name) {
    return name == "S" ? kFlagS : name == "Z" ? kFlagZ : name == "AC" ? kFlagAC : name == "P" ? kFlagP : kFlagCY;
}

const char* executorName(Executor e) {
    switch (e) {
        case Executor::None: return "none";
        case Executor::First: return "exec1";
        case Executor::Second: return "exec2";
    }
    return "?";
}

// The disassembler (and a later assembler) read the mnemonics, lengths and
// gaps; the executors decide which codes run at all.
TEST(OpcodeTable, EveryCodeHasItsMnemonicLengthAndExecutor) {
    int gaps = 0;
    for (unsigned code = 0; code < 256; ++code) {
        const Opcode& o = kOpcodes[code];
        const Entry w = documented(code);
        gaps += w.gap;
        std::ostringstream diff;
        if (o.mnemonic != w.mnemonic) diff << " mnemonic \"" << o.mnemonic << "\", want \"" << w.mnemonic << "\";";
        if (o.length != w.length) diff << " length " << int{o.length} << ", want " << w.length << ";";
        if (o.executor != w.executor)
            diff << " executor " << executorName(o.executor) << ", want " << executorName(w.executor) << ";";
        if (o.gap != w.gap) diff << " gap " << o.gap << ", want " << w.gap << ";";
        if ((o.run != nullptr) != (w.executor != Executor::None))
            diff << (o.run ? " a handler on a code that is no instruction;" : " no handler;");
        EXPECT_TRUE(diff.str().empty()) << "code " << Text::byte(code) << ":" << diff.str();
    }
    EXPECT_EQ(gaps, 10) << "the 8085 has 246 instructions";
}

// The registers, flags and rows a code's line says it writes, which the
// integer path and the watchpoints take from the map, against what the code
// does: run on the kit with every register, flag and row set apart, nothing
// outside them changes (both ways round for a conditional branch).
TEST(OpcodeTable, NothingChangesButWhatTheLineSaysACodeWrites) {
    for (unsigned code = 0; code < 256; ++code) {
        const Opcode& o = kOpcodes[code];
        if (o.executor == Executor::None) continue;
        for (const char* flags : {"0", "1"}) {
            testing::Machine m;
            const char* const kRegs[] = {"B", "C", "D", "E", "H", "L", "A", "SP"};
            const char* const kValues[] = {"90", "10", "91", "20", "92", "30", "5A", "A000"};
            for (int i = 0; i < 8; ++i) *m.field(kRegs[i]) = Text(kValues[i]);
            for (const char* f : {"S", "Z", "AC", "P", "CY"}) *m.field(f) = Text(flags);
            m.poke("8000", {Text::byte(code).str(), "00", "93"});
            m.memory->findAddress(Text("8000"));
            const auto before = m.snapshot({});
            const std::vector<Text> rows = {m.memory->dataAt(0x9010), m.memory->dataAt(0x9120),
                                            m.memory->dataAt(0x9230), m.memory->dataAt(0x9300)};
            m.execOne();
            const auto after = m.snapshot({});
            for (int r = 0; r < kRegisterSlots; ++r) {
                if (r == M) continue;
                const std::string name(registerName(Reg(r)));
                if (!(o.writes & regBit(Reg(r)))) {
                    EXPECT_EQ(after.at(name), before.at(name)) << o.mnemonic << " changed " << name;
                }
            }
            for (const FlagField& f : kFlagFields) {
                const bool decides = o.flags & flagBit(f.name);
                if (!decides) {
                    EXPECT_EQ(after.at(std::string(f.name)), before.at(std::string(f.name))) << o.mnemonic;
                }
            }
            // The rows at BC, DE and HL and at the operand's address change
            // only for a code whose line names them.
            const Via at[] = {Via::BC, Via::DE, Via::HL, Via::Operand};
            const int rowOf[] = {0x9010, 0x9120, 0x9230, 0x9300};
            for (int i = 0; i < 4; ++i)
                if (!(o.memory.via == at[i] && o.memory.writes)) {
                    EXPECT_EQ(m.memory->dataAt(rowOf[i]), rows[i]) << o.mnemonic << " wrote " << Text::word(rowOf[i]);
                }
        }
    }
}

}  // namespace
}  // namespace kit85::isa
