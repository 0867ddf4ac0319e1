// The integer path carries out every code the kit runs, from every form,
// whenever the rows it reads and writes hold canonical bytes: nothing is
// handed to the text rules unnoticed (the equivalence tests in
// integer_path_test.cpp show the two ways agree on every code).
#include <gtest/gtest.h>

#include <utility>

#include "isa/opcode_table.h"
#include "memory/memory_table.h"
#include "run/integer_codes.h"

namespace kit85::run {
namespace {

TEST(FastPath, EveryCodeTheKitRunsIsCarriedOutOnCanonicalBytes) {
    auto memory = MemoryTable::fresh();
    ASSERT_TRUE(memory->plain());
    const Rows rows{memory->bytes(), memory->byteStore()};
    int run = 0;
    for (unsigned code = 0; code < 256; ++code) {
        const isa::Opcode& o = isa::kOpcodes[code];
        if (o.executor == isa::Executor::None) continue;
        // A conditional jump, call or return both ways: flags all clear, all set.
        for (uint32_t flags : {0u, uint32_t{kAllFlags}}) {
            memory->setCursor(0x8000);
            memory->setText2(Text::byte(code));
            for (int row : {0x8001, 0x8002}) {  // the operand: 9000
                memory->setCursor(row);
                memory->setText2(Text::byte(row == 0x8001 ? 0x00 : 0x90));
            }
            Core c;
            c.a = 0x12, c.bc = 0x9100, c.de = 0x9200, c.hl = 0x9300, c.sp = 0xA000, c.fl = flags, c.cur = 0x8000;
            const Out out = dispatch<false>(code, c, rows, std::make_index_sequence<256>{});
            EXPECT_NE(out, Out::Declined) << o.mnemonic << " (code " << Text::byte(code) << ") with flags "
                                          << Text::byte(flags) << " went to the text rules";
            ++run;
        }
    }
    EXPECT_EQ(run, 2 * 236);  // the 246 codes of the 8085 but the restarts, PCHL and XCHG
}

}  // namespace
}  // namespace kit85::run
