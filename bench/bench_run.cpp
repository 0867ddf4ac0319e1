// Instructions per second of Execute on real 8085 programs, through the same
// drivers and file-backed memory table the window uses (writes batched and
// committed during and after the run).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

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

// Execute as the window and kit85-run run it, or with every instruction by
// the text rules (the integer path off), for comparing the two.
void executeWorkload(benchmark::State& state, bool textRules) {
    const bench::Workload w = bench::allWorkloads()[state.range(0)];
    state.SetLabel(w.name);
    auto file = std::filesystem::temp_directory_path() / ("kit85-bench-" + std::to_string(getpid()) + ".sqlite");
    std::filesystem::remove(file);
    uint64_t steps = 0;
    bool ok = true;
    {
        auto memory = MemoryTable::open(file);
        Silent presenter;
        for (auto _ : state) {
            state.PauseTiming();
            KitState kit(*memory, presenter);
            memory->findAddress(Text::word(w.start));
            for (uint8_t b : w.program) {
                memory->setText2(Text::byte(b));
                memory->MoveNext();
            }
            memory->flush();
            memory->findAddress(Text::word(w.start));
            state.ResumeTiming();

            RunLimits limits;
            limits.textRules = textRules;
            RunResult r = execute(kit, limits);

            state.PauseTiming();
            steps += r.steps;
            ok = ok && r.reason == StopReason::Halt &&
                 w.check([&](uint16_t a) { return memory->dataAt(*memory->rowOf(Text::word(a))).str(); });
            state.ResumeTiming();
        }
    }
    std::filesystem::remove(file);
    std::filesystem::remove(file.string() + "-wal");
    std::filesystem::remove(file.string() + "-shm");
    if (!ok) state.SkipWithError("the program did not compute what it should");
    state.counters["instructions"] = benchmark::Counter(static_cast<double>(steps) / state.iterations());
    state.counters["instr/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}
void BM_Execute(benchmark::State& state) { executeWorkload(state, false); }
void BM_ExecuteTextRules(benchmark::State& state) { executeWorkload(state, true); }
BENCHMARK(BM_Execute)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ExecuteTextRules)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
