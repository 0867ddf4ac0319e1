// The memory file: creating a new one, finding rows by address, and keypad
// writes each committed before the key's handler returns.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "memory/memory_table.h"

namespace {

using namespace kit85;
namespace fs = std::filesystem;

fs::path scratch(const char* what) {
    return fs::temp_directory_path() /
           ("kit85-bench-" + std::string(what) + "-" + std::to_string(getpid()) + ".sqlite");
}

void removeFile(const fs::path& f) {
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(f.string() + suffix);
}

void BM_CreateMemoryFile(benchmark::State& state) {
    auto file = scratch("create");
    for (auto _ : state) {
        state.PauseTiming();
        removeFile(file);
        state.ResumeTiming();
        auto t = MemoryTable::open(file);
        benchmark::DoNotOptimize(t->size());
    }
    removeFile(file);
}
BENCHMARK(BM_CreateMemoryFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_FindByAddress(benchmark::State& state) {
    auto t = MemoryTable::fresh();
    uint32_t a = 0;
    for (auto _ : state) {
        t->findAddress(Text::word(a));
        benchmark::DoNotOptimize(t->cursor());
        a = (a + 40503) & 0xFFFF;
    }
    state.counters["finds/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindByAddress);

void BM_FindByCriterion(benchmark::State& state) {
    auto t = MemoryTable::fresh();
    uint32_t a = 0;
    for (auto _ : state) {
        t->Find("address= #" + Text::word(a).str() + "#");
        benchmark::DoNotOptimize(t->cursor());
        a = (a + 40503) & 0xFFFF;
    }
    state.counters["finds/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindByCriterion);

// A byte keyed on the keypad: one write, committed at once.
void BM_CommittedKeypadWrite(benchmark::State& state) {
    auto file = scratch("write");
    removeFile(file);
    {
        auto t = MemoryTable::open(file);
        t->findAddress(Text::word(0x8000));
        uint32_t v = 0;
        for (auto _ : state) {
            t->setText2(Text::byte(v++));
            t->flush();
        }
        state.counters["writes/s"] =
            benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    }
    removeFile(file);
}
BENCHMARK(BM_CommittedKeypadWrite)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
