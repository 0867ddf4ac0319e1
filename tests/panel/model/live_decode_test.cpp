// The decode line while keying: an opcode's mnemonic and length, or which
// instruction an operand byte belongs to.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "panel/model/live_decode.h"

namespace kit85 {
namespace {

struct DecodeCase {
    const char* name;
    std::vector<const char*> program;  // from 8000 on
    const char* at;
    const char* want;
};

// clang-format off
const DecodeCase kCases[] = {
    {"opcode of two bytes", {"3E"}, "8000", "8000: 3E  MVI A,data \u2014 2 bytes"},
    {"opcode of one byte", {"76"}, "8000", "8000: 76  HLT \u2014 1 byte"},
    {"operand of a two-byte instruction", {"3E", "05"}, "8001", "8001: 05  operand of MVI A,05 at 8000 (byte 2 of 2)"},
    {"high byte of an address", {"C3", "50", "80"}, "8002", "8002: 80  operand of JMP 8050 at 8000 (byte 3 of 3)"},
    {"operand that looks like an opcode", {"21", "3E", "05"}, "8002", "8002: 05  operand of LXI H,053E at 8000 (byte 3 of 3)"},
    {"opcode after an operand that looks like one", {"3E", "21", "06", "05"}, "8003", "8003: 05  operand of MVI B,05 at 8002 (byte 2 of 2)"},
    {"opcode after a finished instruction", {"3E", "05", "00"}, "8002", "8002: 00  NOP \u2014 1 byte"},
    {"half-keyed operand kept as it stands", {"3E", "0"}, "8001", "8001: \"0\"  operand of MVI A,\"0\" at 8000 (byte 2 of 2)"},
    {"odd text as opcode", {"3e"}, "8000", "8000: \"3e\"  not an opcode"},
    {"code this kit reports as invalid", {"C7"}, "8000", "8000: C7  RST 0 \u2014 invalid code on this kit"},
};
// clang-format on

TEST(LiveDecode, OpcodesAndOperandsWhileKeying) {
    for (const DecodeCase& c : kCases) {
        std::unique_ptr<MemoryTable> m = MemoryTable::fresh();
        m->findAddress(Text("8000"));
        for (const char* b : c.program) {
            m->setText2(Text(b));
            m->MoveNext();
        }
        EXPECT_EQ(liveDecode(*m, *m->rowOf(Text(c.at))), c.want) << c.name;
    }
}

TEST(LiveDecode, NoRow) {
    std::unique_ptr<MemoryTable> m = MemoryTable::fresh();
    EXPECT_EQ(liveDecode(*m, -1), "no current row");
    EXPECT_EQ(liveDecode(*m, m->size()), "no current row");
    EXPECT_EQ(liveDecode(*m, 0), "0000: 00  NOP \u2014 1 byte");  // nothing before the first row
}

}  // namespace
}  // namespace kit85
