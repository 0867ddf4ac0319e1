// No instruction makes a memory text longer than the memory table keeps: a
// register holding a longer text stops the run when it is stored.
#include <gtest/gtest.h>

#include <string>

#include "isa/isa_fixture.h"
#include "run/driver.h"

namespace kit85::testing {
namespace {

TEST(MemoryBound, StoringALongRegisterTextStopsTheRun) {
    const std::string longText(kMaxTextLength + 1, '1');
    struct Case {
        const char* name;
        std::vector<std::string> program;
    };
    const Case cases[] = {
        {"MOV M,A", {"21", "00", "90", "77", "76"}},  // LXI H,9000 / MOV M,A / HLT
        {"STA", {"32", "00", "90", "76"}},            // STA 9000 / HLT
    };
    for (const auto& c : cases) {
        Machine m;
        m.poke("8000", c.program);
        m.memory->findAddress(Text("8000"));
        m.kit[A] = Text(longText);
        RunResult r = execute(m.kit);
        EXPECT_EQ(r.reason, StopReason::Error) << c.name << ": " << stopName(r.reason);
        EXPECT_NE(r.message.find("longer than 255 characters; nothing was written"), std::string::npos)
            << c.name << ": " << r.message;
        EXPECT_EQ(m.peek("9000"), "00") << c.name;
    }
}

}  // namespace
}  // namespace kit85::testing
