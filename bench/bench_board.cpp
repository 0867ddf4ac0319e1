// The interfacing board's cost at full speed: instructions per second of a
// workload with the board off (the integer path), the same with the board on
// but idle (no I/O: the board's loop with its turn between instructions), and
// a loop that does OUT to the DAC every six instructions, off and on.
#include <benchmark/benchmark.h>

#include "asm/assembler.h"
#include "board/board.h"
#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "run/driver.h"
#include "workloads.h"

namespace {

using namespace kit85;

class Silent : public Presenter {
public:
    void message(std::string_view, std::string_view, Icon) override {}
};

board::Profile dacBoard() {
    board::Profile p;
    p.name = "bench";
    p.ppiBase = 0x00;
    p.devices.push_back(board::DeviceSetup::on(board::DeviceKind::Leds, "leds", 0x00));
    p.devices.push_back(board::DeviceSetup::on(board::DeviceKind::Dac, "dac", 0x20));
    return p;
}

// 2 000 000 rounds of MOV A,C / OUT 20 / DCX B / MOV A,B / ORA C / JNZ.
std::vector<uint8_t> outLoop() {
    const assembler::Assembly a = assembler::assemble(
        "LXI B,0\n MVI D,20H\nOUTER: MOV A,C\n OUT 20H\n DCX B\n MOV A,B\n ORA C\n JNZ OUTER\n DCR D\n JNZ OUTER\n "
        "HLT\n");
    std::vector<uint8_t> bytes;
    for (const HexByte& b : a.bytes()) bytes.push_back(b.value);
    return bytes;
}

void run(benchmark::State& state, const std::vector<uint8_t>& program, bool boardOn) {
    auto memory = MemoryTable::fresh();
    Silent presenter;
    uint64_t steps = 0;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        KitState kit(*memory, presenter);
        board::Board b(dacBoard());
        if (boardOn) kit.board = &b;
        memory->findAddress(Text("8000"));
        for (uint8_t x : program) {
            memory->setText2(Text::byte(x));
            memory->MoveNext();
        }
        memory->findAddress(Text("8000"));
        state.ResumeTiming();
        const RunResult r = execute(kit);
        state.PauseTiming();
        steps += r.steps;
        ok = ok && r.reason == StopReason::Halt;
        state.ResumeTiming();
    }
    if (!ok) state.SkipWithError("the program did not halt");
    state.counters["instructions"] = benchmark::Counter(static_cast<double>(steps) / state.iterations());
    state.counters["MIPS"] = benchmark::Counter(static_cast<double>(steps) / 1e6, benchmark::Counter::kIsRate);
}

void BM_WorkloadBoardOff(benchmark::State& state) { run(state, bench::allWorkloads()[0].program, false); }
void BM_WorkloadBoardOnIdle(benchmark::State& state) { run(state, bench::allWorkloads()[0].program, true); }
void BM_OutLoopBoardOff(benchmark::State& state) { run(state, outLoop(), false); }
void BM_OutLoopBoardOn(benchmark::State& state) { run(state, outLoop(), true); }
BENCHMARK(BM_WorkloadBoardOff)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_WorkloadBoardOnIdle)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_OutLoopBoardOff)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_OutLoopBoardOn)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
