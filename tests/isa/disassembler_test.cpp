#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "isa/disassembler.h"
#include "memory/memory_table.h"

namespace kit85 {
namespace {

// The 8085's documented encodings, stated from its instruction set: r is a
// register B C D E H L M A (0..7), rp a pair B D H SP (PSW for PUSH and POP),
// cc a condition NZ Z NC C PO PE P M. What a listing shows for each code with
// the operand rows 34 and 12 after it, and its length in rows.
struct Documented {
    std::string text;
    int length = 1;
    bool invalid = false;  // "invalid" in a listing: no instruction, or one this kit stops on
};

Documented documented(int code) {
    static const char* const kReg[] = {"B", "C", "D", "E", "H", "L", "M", "A"};
    static const char* const kPair[] = {"B", "D", "H", "SP"};
    static const char* const kCond[] = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
    static const char* const kAlu[] = {"ADD", "ADC", "SUB", "SBB", "ANA", "XRA", "ORA", "CMP"};
    static const char* const kAluImmediate[] = {"ADI", "ACI", "SUI", "SBI", "ANI", "XRI", "ORI", "CPI"};
    const int x = code >> 6, y = (code >> 3) & 7, z = code & 7, p = y >> 1;
    const std::string r = kReg[y], rp = kPair[p];
    auto one = [](std::string t) { return Documented{std::move(t), 1}; };
    auto byte = [](std::string t) { return Documented{t + "34", 2}; };
    auto word = [](std::string t) { return Documented{t + "1234", 3}; };
    auto kitStops = [](std::string t) { return Documented{t + " (invalid code)", 1, true}; };
    const Documented none{"invalid code " + Text::byte(static_cast<uint32_t>(code)).str(), 1, true};
    if (x == 1) return code == 0x76 ? one("HLT") : one("MOV " + r + "," + kReg[z]);
    if (x == 2) return one(std::string(kAlu[y]) + " " + kReg[z]);
    if (x == 0) {
        static const char* const kAccumulator[] = {"RLC", "RRC", "RAL", "RAR", "DAA", "CMA", "STC", "CMC"};
        switch (z) {
            case 0: return code == 0x00 ? one("NOP") : code == 0x20 ? one("RIM") : code == 0x30 ? one("SIM") : none;
            case 1: return y & 1 ? one("DAD " + rp) : word("LXI " + rp + ",");
            case 2: {
                static const char* const kStore[] = {"STAX B", "LDAX B", "STAX D", "LDAX D",
                                                     "SHLD ",  "LHLD ",  "STA ",   "LDA "};
                return p < 2 ? one(kStore[y]) : word(kStore[y]);
            }
            case 3: return one((y & 1 ? "DCX " : "INX ") + rp);
            case 4: return one("INR " + r);
            case 5: return one("DCR " + r);
            case 6: return byte("MVI " + r + ",");
            default: return one(kAccumulator[y]);
        }
    }
    switch (z) {
        case 0: return one(std::string("R") + kCond[y]);
        case 1: {
            static const char* const kOdd[] = {"RET", "", "PCHL", "SPHL"};
            if (!(y & 1)) return one("POP " + (p == 3 ? std::string("PSW") : rp));
            if (p == 1) return none;
            return p == 2 ? kitStops("PCHL") : one(kOdd[p]);
        }
        case 2: return word(std::string("J") + kCond[y] + " ");
        case 3: {
            switch (y) {
                case 0: return word("JMP ");
                case 2: return byte("OUT ");
                case 3: return byte("IN ");
                case 4: return one("XTHL");
                case 5: return kitStops("XCHG");
                case 6: return one("DI");
                case 7: return one("EI");
                default: return none;
            }
        }
        case 4: return word(std::string("C") + kCond[y] + " ");
        case 5:
            if (!(y & 1)) return one("PUSH " + (p == 3 ? std::string("PSW") : rp));
            return y == 1 ? word("CALL ") : none;
        case 6: return byte(std::string(kAluImmediate[y]) + " ");
        default: return kitStops("RST " + std::to_string(y));
    }
}

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

// Every code against the 8085's documented encodings; the codes the kit stops
// on with "invalid code" are the gaps of the instruction set, RST 0 to 7,
// PCHL and XCHG.
TEST(Disassembler, EveryCodeAsDocumented) {
    for (int code = 0; code < 256; ++code) {
        const Documented want = documented(code);
        const std::string op = Text::byte(static_cast<uint32_t>(code)).str();
        auto m = memoryWith(0x8000, {op, "34", "12"});
        const std::string bytes = want.length == 3   ? "[" + op + "] [34] [12]"
                                  : want.length == 2 ? "[" + op + "] [34]"
                                                     : "[" + op + "]";
        const std::string d = diff(disassembleAt(*m, 0x8000), want.invalid ? "invalid" : "instruction", want.length,
                                   "8000", bytes, want.text);
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
