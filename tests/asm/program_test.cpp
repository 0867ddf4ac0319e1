// A lab program from examples/, assembled and run on the kit through the
// core's drivers, as kit85-run would after --asm.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "asm_support.h"
#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "run/run_controller.h"
#include "support/recording_presenter.h"

namespace kit85::testing {
namespace {

std::string readExample(const std::string& name) {
    std::ifstream in(std::string(KIT85_EXAMPLES) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Program, MultiByteBcdAdditionRunsToItsResult) {
    std::string source = readExample("bcd_add.asm");
    ASSERT_FALSE(source.empty()) << "examples/bcd_add.asm not found under " << KIT85_EXAMPLES;
    assembler::Assembly a = assembler::assemble(source);
    ASSERT_TRUE(a.ok()) << diagnosticsText(a);
    EXPECT_TRUE(a.diagnostics.empty()) << diagnosticsText(a);

    auto memory = MemoryTable::fresh();
    RecordingPresenter presenter;
    KitState kit(*memory, presenter);
    for (const HexByte& b : a.bytes()) {
        memory->findAddress(Text::word(b.address));
        memory->setText2(Text::byte(b.value));
    }
    memory->findAddress(Text("8000"));
    RunController run(kit);
    run.start(10000);
    const RunResult& r = run.slice();

    EXPECT_EQ(r.reason, StopReason::Halt) << r.message;
    std::string sum;
    for (const char* address : {"8070", "8071", "8072", "8073", "8074"})
        sum += memory->dataAt(*memory->rowOf(Text(address))).str() + " ";
    EXPECT_EQ(sum, "16 64 85 25 01 ") << "58473921 + 67382495 = 1 25856416, least significant byte first";
    EXPECT_TRUE(presenter.shown.empty());
}

}  // namespace
}  // namespace kit85::testing
