#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "isa/opcode_table.h"

namespace kit85::isa {
namespace {

// The 8085's opcode map as the kit knows it, eight codes a line from 00 on.
// A ":n" gives a length other than 1; "-" is a gap, a code that is no 8085
// instruction; a "!" marks an 8085 instruction this kit reports as "invalid
// code" (the restarts, PCHL, XCHG).
const char* const kMap[] = {
    "NOP|LXI B:3|STAX B|INX B|INR B|DCR B|MVI B:2|RLC",  // 00
    "-|DAD B|LDAX B|DCX B|INR C|DCR C|MVI C:2|RRC",
    "-|LXI D:3|STAX D|INX D|INR D|DCR D|MVI D:2|RAL",  // 10
    "-|DAD D|LDAX D|DCX D|INR E|DCR E|MVI E:2|RAR",
    "RIM|LXI H:3|SHLD:3|INX H|INR H|DCR H|MVI H:2|DAA",  // 20
    "-|DAD H|LHLD:3|DCX H|INR L|DCR L|MVI L:2|CMA",
    "SIM|LXI SP:3|STA:3|INX SP|INR M|DCR M|MVI M:2|STC",  // 30
    "-|DAD SP|LDA:3|DCX SP|INR A|DCR A|MVI A:2|CMC",
    "MOV B,B|MOV B,C|MOV B,D|MOV B,E|MOV B,H|MOV B,L|MOV B,M|MOV B,A",  // 40
    "MOV C,B|MOV C,C|MOV C,D|MOV C,E|MOV C,H|MOV C,L|MOV C,M|MOV C,A",
    "MOV D,B|MOV D,C|MOV D,D|MOV D,E|MOV D,H|MOV D,L|MOV D,M|MOV D,A",  // 50
    "MOV E,B|MOV E,C|MOV E,D|MOV E,E|MOV E,H|MOV E,L|MOV E,M|MOV E,A",
    "MOV H,B|MOV H,C|MOV H,D|MOV H,E|MOV H,H|MOV H,L|MOV H,M|MOV H,A",  // 60
    "MOV L,B|MOV L,C|MOV L,D|MOV L,E|MOV L,H|MOV L,L|MOV L,M|MOV L,A",
    "MOV M,B|MOV M,C|MOV M,D|MOV M,E|MOV M,H|MOV M,L|HLT|MOV M,A",  // 70
    "MOV A,B|MOV A,C|MOV A,D|MOV A,E|MOV A,H|MOV A,L|MOV A,M|MOV A,A",
    "ADD B|ADD C|ADD D|ADD E|ADD H|ADD L|ADD M|ADD A",  // 80
    "ADC B|ADC C|ADC D|ADC E|ADC H|ADC L|ADC M|ADC A",
    "SUB B|SUB C|SUB D|SUB E|SUB H|SUB L|SUB M|SUB A",  // 90
    "SBB B|SBB C|SBB D|SBB E|SBB H|SBB L|SBB M|SBB A",
    "ANA B|ANA C|ANA D|ANA E|ANA H|ANA L|ANA M|ANA A",  // A0
    "XRA B|XRA C|XRA D|XRA E|XRA H|XRA L|XRA M|XRA A",
    "ORA B|ORA C|ORA D|ORA E|ORA H|ORA L|ORA M|ORA A",  // B0
    "CMP B|CMP C|CMP D|CMP E|CMP H|CMP L|CMP M|CMP A",
    "RNZ|POP B|JNZ:3|JMP:3|CNZ:3|PUSH B|ADI:2|!RST 0",  // C0
    "RZ|RET|JZ:3|-|CZ:3|CALL:3|ACI:2|!RST 1",
    "RNC|POP D|JNC:3|OUT:2|CNC:3|PUSH D|SUI:2|!RST 2",  // D0
    "RC|-|JC:3|IN:2|CC:3|-|SBI:2|!RST 3",
    "RPO|POP H|JPO:3|XTHL|CPO:3|PUSH H|ANI:2|!RST 4",  // E0
    "RPE|!PCHL|JPE:3|!XCHG|CPE:3|-|XRI:2|!RST 5",
    "RP|POP PSW|JP:3|DI|CP:3|PUSH PSW|ORI:2|!RST 6",  // F0
    "RM|SPHL|JM:3|EI|CM:3|-|CPI:2|!RST 7",
};

struct Entry {
    std::string mnemonic;
    int length;
    Executor executor;
    bool gap;
};

std::vector<Entry> expectedMap() {
    std::vector<Entry> map;
    for (const char* line : kMap) {
        std::stringstream row(line);
        std::string item;
        while (std::getline(row, item, '|')) {
            const std::size_t colon = item.find(':');
            const int code = static_cast<int>(map.size());
            const bool notRun = item.starts_with('!');
            const std::size_t start = notRun ? 1 : 0;
            Entry e{item.substr(start, colon == std::string::npos ? colon : colon - start),
                    colon == std::string::npos ? 1 : std::stoi(item.substr(colon + 1)), Executor::None, item == "-"};
            // exec1 takes the codes below 90 but HLT, exec2 the rest.
            if (!e.gap && !notRun) e.executor = code < 0x90 && code != 0x76 ? Executor::First : Executor::Second;
            map.push_back(e);
        }
    }
    return map;
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
    const std::vector<Entry> want = expectedMap();
    ASSERT_EQ(want.size(), 256u) << "the expected map has a row of the wrong width";
    for (int code = 0; code < 256; ++code) {
        const Opcode& o = kOpcodes[code];
        const Entry& w = want[code];
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
}

// The registers a code reads and writes and the flags it decides, which the
// integer path and the trace take from the table: a sample of every form, as
// each instruction's effect says (PC is written by every code the kit runs).
TEST(OpcodeTable, FormsGiveTheRegistersAndFlagsOfEachCode) {
    auto regs = [](uint16_t mask) {
        std::string s;
        const char* const kNames[] = {"B", "C", "D", "E", "H", "L", "M", "A", "F", "PC", "SP"};
        for (int r = 0; r < 11; ++r)
            if (mask & (1u << r)) s += std::string(s.empty() ? "" : " ") + kNames[r];
        return s;
    };
    struct Case {
        int code;
        Form form;
        const char* reads;
        const char* writes;
        uint8_t flags;
    };
    const Case kCases[] = {
        {0x00, Form::Nop, "", "PC", 0},
        {0x01, Form::Lxi, "", "B C PC", 0},
        {0x02, Form::Stax, "B C A", "PC", 0},
        {0x09, Form::Dad, "B C H L", "H L PC", kFlagCY},
        {0x0A, Form::Ldax, "B C", "A PC", 0},
        {0x1F, Form::Rar, "A", "A PC", kFlagCY},
        {0x22, Form::Shld, "H L", "PC", 0},
        {0x27, Form::Daa, "A", "A PC", kAllFlags},
        {0x33, Form::InxSP, "SP", "PC SP", 0},
        {0x34, Form::Inr, "H L", "PC", kCountFlags},
        {0x36, Form::Mvi, "H L", "PC", 0},
        {0x39, Form::DadSP, "H L SP", "H L PC", kFlagCY},
        {0x3D, Form::Dcr, "A", "A PC", kCountFlags},
        {0x3F, Form::Cmc, "", "PC", kFlagCY},
        {0x46, Form::Mov, "H L", "B PC", 0},
        {0x70, Form::Mov, "B H L", "PC", 0},
        {0x76, Form::Halt, "", "PC", 0},
        {0x8E, Form::Adc, "H L A", "A PC", kAllFlags},
        {0xB8, Form::Cmp, "B A", "PC", kAllFlags},
        {0xC1, Form::Pop, "SP", "B C PC SP", 0},
        {0xC2, Form::Jump, "", "PC", 0},
        {0xCD, Form::Call, "SP", "PC SP", 0},
        {0xE3, Form::Xthl, "H L SP", "H L PC SP", 0},
        {0xE6, Form::Ana, "A", "A PC", kAllFlags},
        {0xF1, Form::PopPSW, "SP", "A F PC SP", kAllFlags},
        {0xF5, Form::Push, "A F SP", "PC SP", 0},
        {0xF9, Form::Sphl, "H L PC", "PC SP", 0},
        {0xC7, Form::Invalid, "", "", 0},
        {0x08, Form::Invalid, "", "", 0},
    };
    for (const Case& c : kCases) {
        const Opcode& o = kOpcodes[c.code];
        EXPECT_EQ(int(o.form), int(c.form)) << o.mnemonic;
        EXPECT_EQ(regs(o.reads), c.reads) << o.mnemonic;
        EXPECT_EQ(regs(o.writes), c.writes) << o.mnemonic;
        EXPECT_EQ(int(o.flags), int(c.flags)) << o.mnemonic;
    }
}

// The bit fields the forms are ordered by: ALU operation in bits 3-5 of
// 80..BF, the rotate in bits 3-4 of 07..1F.
TEST(OpcodeTable, AluAndRotateFormsFollowTheBitFields) {
    for (int code = 0x80; code < 0xC0; ++code)
        EXPECT_EQ(int(aluOpOf(kOpcodes[code].form)), (code >> 3) & 7) << kOpcodes[code].mnemonic;
    for (int code : {0x07, 0x0F, 0x17, 0x1F})
        EXPECT_EQ(int(rotateKindOf(kOpcodes[code].form)), (code >> 3) & 3) << kOpcodes[code].mnemonic;
}

}  // namespace
}  // namespace kit85::isa
