#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "isa/disassembler.h"
#include "memory/memory_table.h"

namespace kit85 {
namespace {

// Every code as a listing shows it with the operand rows 34 and 12 after it,
// eight codes a line from 00 on. A code whose text holds "1234" spans three
// rows, one holding "34" two, any other one; "invalid" marks Kind::Invalid.
const char* const kListing[] = {
    "NOP|LXI B,1234|STAX B|INX B|INR B|DCR B|MVI B,34|RLC",  // 00
    "invalid code 08|DAD B|LDAX B|DCX B|INR C|DCR C|MVI C,34|RRC",
    "invalid code 10|LXI D,1234|STAX D|INX D|INR D|DCR D|MVI D,34|RAL",  // 10
    "invalid code 18|DAD D|LDAX D|DCX D|INR E|DCR E|MVI E,34|RAR",
    "RIM|LXI H,1234|SHLD 1234|INX H|INR H|DCR H|MVI H,34|DAA",  // 20
    "invalid code 28|DAD H|LHLD 1234|DCX H|INR L|DCR L|MVI L,34|CMA",
    "SIM|LXI SP,1234|STA 1234|INX SP|INR M|DCR M|MVI M,34|STC",  // 30
    "invalid code 38|DAD SP|LDA 1234|DCX SP|INR A|DCR A|MVI A,34|CMC",
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
    "RNZ|POP B|JNZ 1234|JMP 1234|CNZ 1234|PUSH B|ADI 34|RST 0 (invalid code)",  // C0
    "RZ|RET|JZ 1234|invalid code CB|CZ 1234|CALL 1234|ACI 34|RST 1 (invalid code)",
    "RNC|POP D|JNC 1234|OUT 34|CNC 1234|PUSH D|SUI 34|RST 2 (invalid code)",  // D0
    "RC|invalid code D9|JC 1234|IN 34|CC 1234|invalid code DD|SBI 34|RST 3 (invalid code)",
    "RPO|POP H|JPO 1234|XTHL|CPO 1234|PUSH H|ANI 34|RST 4 (invalid code)",  // E0
    "RPE|PCHL (invalid code)|JPE 1234|XCHG (invalid code)|CPE 1234|invalid code ED|XRI 34|RST 5 (invalid code)",
    "RP|POP PSW|JP 1234|DI|CP 1234|PUSH PSW|ORI 34|RST 6 (invalid code)",  // F0
    "RM|SPHL|JM 1234|EI|CM 1234|invalid code FD|CPI 34|RST 7 (invalid code)",
};

std::unique_ptr<MemoryTable> memoryWith(int row, const std::vector<std::string>& data) {
    auto m = MemoryTable::fresh();
    for (std::size_t i = 0; i < data.size(); ++i) {
        m->setCursor(row + static_cast<int>(i));
        m->setText2(Text(data[i]));
    }
    return m;
}

std::string kindOf(const Disassembly& d) { return kindName(d.kind); }

std::string bytesOf(const Disassembly& d) {
    std::string s;
    for (const Text& b : d.bytes) {
        if (!s.empty()) s += ' ';
        s.append("[").append(b.str()).append("]");
    }
    return s;
}

// What differs between a decoded entry and the expected one, every field named.
std::string diff(const Disassembly& d, const std::string& kind, int length, const std::string& address,
                 const std::string& bytes, const std::string& text) {
    std::ostringstream o;
    if (kindOf(d) != kind) o << " kind " << kindOf(d) << ", want " << kind << ";";
    if (d.length != length) o << " length " << d.length << ", want " << length << ";";
    if (d.address.str() != address) o << " address " << d.address << ", want " << address << ";";
    if (bytesOf(d) != bytes) o << " bytes " << bytesOf(d) << ", want " << bytes << ";";
    if (d.text != text) o << " text \"" << d.text << "\", want \"" << text << "\";";
    return o.str();
}

TEST(Disassembler, EveryCodeWithItsOperands) {
    std::vector<std::string> want;
    for (const char* line : kListing) {
        std::stringstream row(line);
        std::string item;
        while (std::getline(row, item, '|')) want.push_back(item);
    }
    ASSERT_EQ(want.size(), 256u) << "the expected listing has a row of the wrong width";
    for (int code = 0; code < 256; ++code) {
        const std::string& text = want[code];
        const int length = text.find("1234") != std::string::npos ? 3 : text.find("34") != std::string::npos ? 2 : 1;
        const std::string kind = text.find("invalid") != std::string::npos ? "invalid" : "instruction";
        const std::string op = Text::byte(code).str();
        auto m = memoryWith(0x8000, {op, "34", "12"});
        const std::string bytes = length == 3   ? "[" + op + "] [34] [12]"
                                  : length == 2 ? "[" + op + "] [34]"
                                                : "[" + op + "]";
        const std::string d = diff(disassembleAt(*m, 0x8000), kind, length, "8000", bytes, text);
        EXPECT_TRUE(d.empty()) << "code " << op << ":" << d;
    }
}

// Texts that are no code, odd operands and the table's end.
TEST(Disassembler, OddTextsAndTheTablesEnd) {
    struct Case {
        const char* name;
        int row;
        std::vector<std::string> data;
        const char* kind;
        int length;
        const char* address;
        const char* bytes;
        const char* text;
    };
    const Case cases[] = {
        {"lower-case opcode", 0x8000, {"3e", "05"}, "data", 1, "8000", "[3e]", "data \"3e\""},
        {"blank-led opcode", 0x8000, {" 5"}, "data", 1, "8000", "[ 5]", "data \" 5\""},
        {"three digits", 0x8000, {"123"}, "data", 1, "8000", "[123]", "data \"123\""},
        {"empty row", 0x8000, {""}, "data", 1, "8000", "[]", "data \"\""},
        {"odd data byte", 0x8000, {"3E", "3e"}, "instruction", 2, "8000", "[3E] [3e]", "MVI A,\"3e\""},
        {"odd address low byte",
         0x8000,
         {"C3", " 3", "80"},
         "instruction",
         3,
         "8000",
         "[C3] [ 3] [80]",
         "JMP 80\" 3\""},
        {"odd address high byte", 0x8000, {"32", "00", "9"}, "instruction", 3, "8000", "[32] [00] [9]", "STA \"9\"00"},
        {"operand past the end",
         0xFFFF,
         {"3E"},
         "instruction",
         1,
         "FFFF",
         "[3E]",
         "MVI A (its operand is past the end of memory)"},
        {"word past the end",
         0xFFFE,
         {"21", "50"},
         "instruction",
         1,
         "FFFE",
         "[21]",
         "LXI H (its operand is past the end of memory)"},
        {"last row", 0xFFFF, {"76"}, "instruction", 1, "FFFF", "[76]", "HLT"},
        {"before the table", -1, {}, "data", 0, "", "", ""},
        {"after the table", 0x10000, {}, "data", 0, "", "", ""},
    };
    for (const Case& c : cases) {
        auto m = memoryWith(c.row, c.data);
        const std::string d = diff(disassembleAt(*m, c.row), c.kind, c.length, c.address, c.bytes, c.text);
        EXPECT_TRUE(d.empty()) << c.name << ":" << d;
    }
}

TEST(Disassembler, ListsAShortProgram) {
    // 8000 LXI H,8050 / MVI A,05 / ADD M / JNZ 8003 / "3e" / RST 1 / HLT
    auto m = memoryWith(0x8000, {"21", "50", "80", "3E", "05", "86", "C2", "03", "80", "3e", "CF", "76"});
    const std::vector<Disassembly> got = disassemble(*m, 0x8000, 8);
    const std::vector<std::string> want = {
        "8000 instruction LXI H,8050", "8003 instruction MVI A,05", "8005 instruction ADD M",
        "8006 instruction JNZ 8003",   "8009 data data \"3e\"",     "800A invalid RST 1 (invalid code)",
        "800B instruction HLT",        "800C instruction NOP",
    };
    std::vector<std::string> lines;
    for (const Disassembly& d : got) lines.push_back(d.address.str() + " " + kindOf(d) + " " + d.text);
    EXPECT_EQ(lines, want);

    // The listing stops at the table's end.
    auto tail = memoryWith(0xFFFD, {"3E", "05", "21"});
    std::vector<std::string> tailLines;
    for (const Disassembly& d : disassemble(*tail, 0xFFFD, 16)) tailLines.push_back(d.address.str() + " " + d.text);
    EXPECT_EQ(tailLines,
              (std::vector<std::string>{"FFFD MVI A,05", "FFFF LXI H (its operand is past the end of memory)"}));
    EXPECT_TRUE(disassemble(*tail, 0x10000, 4).empty());
}

TEST(Disassembler, DescribesAnOpcodeWhileKeying) {
    const std::pair<const char*, const char*> cases[] = {
        {"3E", "MVI A,data — 2 bytes"},
        {"76", "HLT — 1 byte"},
        {"21", "LXI H,data16 — 3 bytes"},
        {"31", "LXI SP,data16 — 3 bytes"},
        {"C2", "JNZ address — 3 bytes"},
        {"D3", "OUT port — 2 bytes"},
        {"DB", "IN port — 2 bytes"},
        {"C6", "ADI data — 2 bytes"},
        {"7E", "MOV A,M — 1 byte"},
        {"CF", "RST 1 — invalid code on this kit"},
        {"EB", "XCHG — invalid code on this kit"},
        {"08", "no 8085 instruction — invalid code"},
        {"3e", "not an opcode"},
        {"3", "not an opcode"},
        {"", "not an opcode"},
        {" 3E", "not an opcode"},
    };
    for (const auto& [byte, want] : cases) EXPECT_EQ(describeOpcode(Text(byte)), want) << "byte \"" << byte << "\"";
}

}  // namespace
}  // namespace kit85
