// The listing's instruction boundaries: only starts known for a fact are
// followed, an operand is never read as an opcode, and unreached rows are data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "isa/isa_fixture.h"
#include "panel/model/instruction_starts.h"

namespace kit85::testing {
namespace {

// MVI A,05 ; MVI B,03 ; ADD B ; STA 9000 ; HLT, then 00 00 ...
const std::vector<std::string> kKeyed = {"3E", "05", "06", "03", "80", "32", "00", "90", "76"};

struct ListingCase {
    const char* name;
    std::vector<std::string> bytes;  // from 8000
    std::vector<uint16_t> runs;      // where Execute or Step Exe began
    std::vector<uint16_t> keyed;     // addresses keyed, oldest first
    const char* pc;
    std::optional<OpenedProgram> program;
    const char* want;  // the lines of 8000..800A, "address text" joined by "; "
};

// clang-format off
const ListingCase kCases[] = {
    {"keyed program from its keyed address", kKeyed, {}, {0x8000}, "0000", std::nullopt,
     "8000 MVI A,05; 8002 MVI B,03; 8004 ADD B; 8005 STA 9000; 8008 HLT; 8009 DB 00; 800A DB 00"},
    {"no start known: all data", {"3E", "05"}, {}, {}, "0000", std::nullopt,
     "8000 DB 3E; 8001 DB 05; 8002 DB 00; 8003 DB 00; 8004 DB 00; 8005 DB 00; 8006 DB 00; 8007 DB 00; "
     "8008 DB 00; 8009 DB 00; 800A DB 00"},
    {"a keyed operand row does not split its instruction", kKeyed, {}, {0x8000, 0x8001}, "0000", std::nullopt,
     "8000 MVI A,05; 8002 MVI B,03; 8004 ADD B; 8005 STA 9000; 8008 HLT; 8009 DB 00; 800A DB 00"},
    {"a keyed operand row alone is read from there", kKeyed, {}, {0x8001}, "0000", std::nullopt,
     "8000 DB 3E; 8001 DCR B; 8002 MVI B,03; 8004 ADD B; 8005 STA 9000; 8008 HLT; 8009 DB 00; 800A DB 00"},
    {"PC and a run start reach past a jump's target", {"C3", "06", "80", "FF", "FF", "FF", "3C", "76"}, {0x8000}, {}, "8006",
     std::nullopt, "8000 JMP 8006; 8003 DB FF; 8004 DB FF; 8005 DB FF; 8006 INR A; 8007 HLT; 8008 DB 00; 8009 DB 00; 800A DB 00"},
    {"a subroutine after the HLT that calls it", {"CD", "06", "80", "76", "FF", "FF", "3C", "C2", "06", "80", "C9"}, {}, {0x8000},
     "0000", std::nullopt, "8000 CALL 8006; 8003 HLT; 8004 DB FF; 8005 DB FF; 8006 INR A; 8007 JNZ 8006; 800A RET"},
    {"nothing follows a PCHL", {"E9", "3C", "76"}, {}, {0x8000}, "0000", std::nullopt,
     "8000 PCHL (invalid code); 8001 DB 3C; 8002 DB 76; 8003 DB 00; 8004 DB 00; 8005 DB 00; 8006 DB 00; 8007 DB 00; 8008 DB 00; "
     "8009 DB 00; 800A DB 00"},
    {"a HEX file's runs and start are followed", {"3E", "05", "06", "03", "76", "FF", "3C", "76", "00", "2F"}, {}, {}, "0000",
     OpenedProgram{0x8000, 0x8009, {}, {}, {0x8000, 0x8006, 0x8009}},
     "8000 MVI A,05; 8002 MVI B,03; 8004 HLT; 8005 DB FF; 8006 INR A; 8007 HLT; 8008 DB 00; 8009 CMA; 800A NOP"},
    {"a jump into an operand does not split it", {"C3", "01", "80", "76"}, {}, {0x8000}, "0000", std::nullopt,
     "8000 JMP 8001; 8003 DB 76; 8004 DB 00; 8005 DB 00; 8006 DB 00; 8007 DB 00; 8008 DB 00; 8009 DB 00; 800A DB 00"},
    {"a program's DB rows stay data", {"3E", "05", "76", "3E", "21"}, {}, {}, "0000",
     OpenedProgram{0x8000, 0x8004, {0x8000, 0x8002}, {0x8003, 0x8004}, {}},
     "8000 MVI A,05; 8002 HLT; 8003 DB 3E; 8004 DB 21; 8005 DB 00; 8006 DB 00; 8007 DB 00; 8008 DB 00; 8009 DB 00; 800A DB 00"},
    {"the program outranks a keyed address inside it", {"21", "3E", "05", "76"}, {}, {0x8001}, "0000",
     OpenedProgram{0x8000, 0x8003, {0x8000, 0x8003}, {}, {}},
     "8000 LXI H,053E; 8003 HLT; 8004 DB 00; 8005 DB 00; 8006 DB 00; 8007 DB 00; 8008 DB 00; 8009 DB 00; 800A DB 00"},
    {"an odd text is shown as it stands", {"3e", "05"}, {}, {0x8000}, "0000", std::nullopt,
     "8000 data \"3e\"; 8001 DB 05; 8002 DB 00; 8003 DB 00; 8004 DB 00; 8005 DB 00; 8006 DB 00; 8007 DB 00; "
     "8008 DB 00; 8009 DB 00; 800A DB 00"},
};
// clang-format on

TEST(InstructionStarts, LinesFromKnownStartsOnly) {
    for (const ListingCase& c : kCases) {
        Machine m;
        m.poke("8000", c.bytes);
        InstructionStarts starts;
        if (c.program) starts.setProgram(*c.program);
        for (uint16_t a : c.runs) starts.noteRunStart(a);
        for (uint16_t a : c.keyed) starts.noteKeyedAddress(a);
        const int lo = *m.memory->rowOf(Text("8000"));
        std::string got;
        for (const Disassembly& d : starts.lines(*m.memory, Text(c.pc), lo, lo + 11)) {
            if (!got.empty()) got += "; ";
            got += d.address.str() + " " + d.text;
        }
        EXPECT_EQ(got, c.want) << c.name;
    }
}

TEST(InstructionStarts, AnOperandRowBelongsToItsInstruction) {
    Machine m;
    m.poke("8000", kKeyed);
    InstructionStarts starts;
    starts.noteKeyedAddress(0x8000);
    const int base = *m.memory->rowOf(Text("8000"));
    // Row offset -> the row its line starts on.
    const std::vector<std::pair<int, int>> want = {{0, 0}, {1, 0}, {3, 2}, {4, 4}, {6, 5}, {7, 5}, {8, 8}, {9, 9}};
    for (const auto& [row, start] : want)
        EXPECT_EQ(starts.lineStart(*m.memory, Text("0000"), base + row), base + start) << "row 800" << row;
}

TEST(InstructionStarts, RemembersTheNewestStartsOnly) {
    Machine m;
    InstructionStarts starts;
    m.poke("8000", {"3E"});
    starts.noteKeyedAddress(0x8000);
    for (uint16_t a = 0x9000; a < 0x9000 + InstructionStarts::kRemembered; ++a) starts.noteKeyedAddress(a);
    const int lo = *m.memory->rowOf(Text("8000"));
    EXPECT_EQ(starts.lines(*m.memory, Text("0000"), lo, lo + 1).front().text, "DB 3E") << "the oldest start is dropped";
}

TEST(InstructionStarts, ASourceTellsInstructionsFromData) {
    const ProgramLoad p =
        readProgram("ORG 8000H\nSTART: MVI A,5\n HLT\nMSG: DB 1,2\n DW 1234H\n", ProgramKind::Asm, "t.asm");
    ASSERT_TRUE(p.ok) << p.problem;
    EXPECT_EQ(p.program.instructions, (std::vector<uint16_t>{0x8000, 0x8002}));
    EXPECT_EQ(p.program.data, (std::vector<uint16_t>{0x8003, 0x8004, 0x8005, 0x8006}));
    EXPECT_EQ(p.program.first, 0x8000);
    EXPECT_EQ(p.program.last, 0x8006);
    const ProgramLoad h = readProgram(":02810000AABB18\n:00000001FF\n", ProgramKind::Hex, "t.hex");
    ASSERT_TRUE(h.ok) << h.problem;
    EXPECT_EQ(h.program.flowStarts, (std::vector<uint16_t>{0x8100}));
    EXPECT_EQ(h.program.last, 0x8101);
}

}  // namespace
}  // namespace kit85::testing
