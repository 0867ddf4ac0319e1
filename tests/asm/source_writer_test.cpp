// Memory back to source: what the source writer makes, and that the assembler
// turns it back into exactly the same bytes, for every instruction and for
// random programs.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "asm/source_writer.h"
#include "asm_support.h"
#include "isa/opcode_table.h"

namespace kit85::testing {
namespace {

using assembler::assemble;
using assembler::SourceRow;

// "8000=3E 8001=05": every byte with its address, in address order.
std::string placed(const std::vector<HexByte>& bytes) {
    std::string s;
    for (const HexByte& b : bytes)
        s += hexByte(b.address >> 8) + hexByte(b.address & 0xFF) + "=" + hexByte(b.value) + " ";
    return s;
}

std::vector<HexByte> image(uint16_t origin, const std::vector<uint8_t>& bytes) {
    std::vector<HexByte> out;
    for (std::size_t i = 0; i < bytes.size(); ++i) out.push_back({static_cast<uint16_t>(origin + i), bytes[i]});
    return out;
}

// Assembles the written source and compares it with the bytes it came from.
void expectRoundTrip(uint16_t origin, const std::vector<uint8_t>& bytes, const std::string& what) {
    const std::string source = assembler::sourceFromBytes(origin, bytes);
    const assembler::Assembly a = assemble(source);
    EXPECT_TRUE(a.ok() && placed(a.bytes()) == placed(image(origin, bytes)))
        << what << "\nsource:\n"
        << source << "diagnostics:\n"
        << diagnosticsText(a) << "got:  " << placed(a.bytes()) << "\nwant: " << placed(image(origin, bytes));
}

TEST(SourceWriter, EveryNamedInstructionWithTwoOperandSets) {
    int named = 0;
    // Operands 00 80 make a jump to the instruction itself (a label); FE A5 a
    // number that needs its leading 0 (0A5FEH, 0FEH).
    for (const std::vector<uint8_t>& data : {std::vector<uint8_t>{0x00, 0x80}, std::vector<uint8_t>{0xFE, 0xA5}}) {
        for (int code = 0; code < 256; ++code) {
            const isa::Opcode& o = isa::kOpcodes[code];
            if (o.gap) continue;
            ++named;
            std::vector<uint8_t> bytes{static_cast<uint8_t>(code)};
            bytes.insert(bytes.end(), data.begin(), data.begin() + (o.length - 1));
            expectRoundTrip(0x8000, bytes, "code " + hexByte(code));
        }
    }
    EXPECT_EQ(named, 2 * 246);
}

TEST(SourceWriter, RandomProgramsAssembleBackByteIdentical) {
    std::mt19937 random(8085);
    for (int program = 0; program < 100; ++program) {
        std::vector<uint8_t> bytes(256);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        // Mostly in the keypad's range; some end at FFFF, cutting the last instruction.
        const uint16_t origin = program % 10 == 9 ? 0xFF00 : static_cast<uint16_t>(0x8000 + (random() & 0x7E00));
        expectRoundTrip(origin, bytes, "program " + std::to_string(program));
    }
}

TEST(SourceWriter, WritesLabelsNumbersAndData) {
    // 8000: MVI A,0A4H / L8002: DCR A / JNZ 8002 / CALL 9000 / RST 1 / 08 10 (gaps) / PCHL / LXI B (cut
    // short by the range's end: its 01 is data, the 0D after it DCR C)
    const std::vector<uint8_t> bytes = {0x3E, 0xA4, 0x3D, 0xC2, 0x02, 0x80, 0xCD, 0x00,
                                        0x90, 0xCF, 0x08, 0x10, 0xE9, 0x01, 0x0D};
    EXPECT_EQ(assembler::sourceFromBytes(0x8000, bytes),
              "        ORG 8000H\n"
              "        MVI A,0A4H\n"
              "L8002:  DCR A\n"
              "        JNZ L8002\n"
              "        CALL 9000H\n"
              "        RST 1\n"
              "        DB 08H,10H\n"
              "        PCHL\n"
              "        DB 01H\n"
              "        DCR C\n");
}

// Rows whose text is no byte are reserved, their text in a comment; an ORG
// follows a jump in the addresses.
TEST(SourceWriter, OddRowsAndGapsInTheAddresses) {
    const std::vector<SourceRow> rows = {{0x8000, 0x3E, "3E"},
                                         {0x8001, std::nullopt, "3e"},
                                         {0x8002, 0x76, "76"},
                                         {0x8003, std::nullopt, "\x1B["},
                                         {0x8004, std::nullopt, "a\\b"},
                                         {0x8005, std::nullopt, "\\x41"},
                                         {0x9000, 0xC3, "C3"},
                                         {0x9001, 0x00, "00"},
                                         {0x9002, 0x90, "90"}};
    const std::string source = assembler::sourceFromRows(rows);
    EXPECT_EQ(source,
              "        ORG 8000H\n"
              "        DB 3EH\n"
              "        DS 1            ; 8001 holds \"3e\", no byte\n"
              "        HLT\n"
              "        DS 1            ; 8003 holds \"\\x1B[\", no byte\n"
              "        DS 1            ; 8004 holds \"a\\x5Cb\", no byte\n"  // a backslash is escaped too
              "        DS 1            ; 8005 holds \"\\x5Cx41\", no byte\n"
              "        ORG 9000H\n"
              "L9000:  JMP L9000\n");
    const assembler::Assembly a = assemble(source);
    EXPECT_TRUE(a.ok()) << diagnosticsText(a);
    EXPECT_EQ(placed(a.bytes()), "8000=3E 8002=76 9000=C3 9001=00 9002=90 ");
}

}  // namespace
}  // namespace kit85::testing
