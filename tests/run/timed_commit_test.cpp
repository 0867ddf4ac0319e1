// A long run commits its memory writes while it goes on, not only when it
// ends: through the real drivers, on a program that never stops writing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "isa/isa_fixture.h"
#include "run/driver.h"
#include "support/temp_dir.h"

namespace kit85::testing {
namespace {

using namespace std::chrono_literals;

// The flush interval stands in for the clock: with none, every check a run
// makes (one each 4096 instructions) is due; with an hour, none is.
TEST(TimedCommit, ALongRunCommitsWhileItGoesOn) {
    constexpr uint64_t kSteps = 30 * 4096 + 11;
    // LXI once, then INR and JMP in turn.
    const std::string incremented = Text::byte(static_cast<uint32_t>(kSteps / 2)).str();
    struct Case {
        const char* name;
        std::function<RunResult(KitState&)> run;
        std::chrono::steady_clock::duration interval;
        uint64_t leastCommits, mostCommits;  // during the run, the one at its end included
    };
    const Case cases[] = {
        {"Execute, always due",
         [](KitState& k) {
             return execute(k, RunLimits{kSteps, nullptr, std::nullopt});
         },
         0s, kSteps / 4096, kSteps},
        {"Step Exe, always due", [](KitState& k) { return stepExe(k, kSteps); }, 0s, kSteps / 4096, kSteps},
        {"Execute, due in an hour",
         [](KitState& k) {
             return execute(k, RunLimits{kSteps, nullptr, std::nullopt});
         },
         1h, 1, 1},
    };
    for (const auto& c : cases) {
        TempDir dir("kit85-run");
        Machine m;
        m.memory = MemoryTable::open(dir / "kit.sqlite");
        m.kit.setMemory(*m.memory);
        m.poke("8000", {"21", "00", "90",    // LXI H,9000
                        "34",                // INR M
                        "C3", "03", "80"});  // JMP 8003
        m.memory->flush();
        m.memory->findAddress(Text("8000"));
        m.memory->setFlushInterval(c.interval);
        const uint64_t before = m.memory->commits();

        RunResult r = c.run(m.kit);
        const uint64_t during = m.memory->commits() - before;
        EXPECT_EQ(r.steps, kSteps) << c.name << ": " << r.message;
        EXPECT_GE(during, c.leastCommits) << c.name;
        EXPECT_LE(during, c.mostCommits) << c.name;
        EXPECT_EQ(m.memory->pendingWrites(), 0u) << c.name;
        EXPECT_EQ(m.peek("9000"), incremented) << c.name;
    }
}

}  // namespace
}  // namespace kit85::testing
