// The assembler on a generated 1,000-line source: labels, forward jumps,
// EQUs, expressions, data and comments, as a long lab program has them.
// Reports the time of one whole assembly (both passes and the bytes).

#include <benchmark/benchmark.h>

#include <string>

#include "asm/assembler.h"
#include "asm/keying_sheet.h"

namespace {

std::string generatedSource(int lines) {
    std::string s = "; generated\n        ORG 8000H\nSTEP    EQU 2\n";
    int n = 3;
    for (int block = 0; n < lines; ++block) {
        std::string b = std::to_string(block);
        s += "L" + b + ":   MVI A,(" + b + " MOD 200)+STEP  ; block " + b + "\n";
        s += "        LXI H,DATA" + b + "\n";
        s += "        ADD M\n";
        s += "        CPI 0FFH AND 7FH\n";
        s += "        JNZ N" + b + "           ; forward\n";
        s += "        MOV B,A\n";
        s += "        DCR B\n";
        s += "N" + b + ":   STA 9000H+" + b + "\n";
        s += "DATA" + b + ": DB 1,2,'A',HIGH L" + b + "\n";
        s += "        DW L" + b + ",$\n";
        n += 10;
    }
    s += "        HLT\n        END\n";
    return s;
}

void BM_AssembleThousandLines(benchmark::State& state) {
    const std::string source = generatedSource(1000);
    std::size_t bytes = 0;
    for (auto _ : state) {
        kit85::assembler::Assembly a = kit85::assembler::assemble(source);
        if (!a.ok()) state.SkipWithError("the generated source does not assemble");
        bytes = a.bytes().size();
        benchmark::DoNotOptimize(a);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["lines/s"] = benchmark::Counter(1000.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AssembleThousandLines)->Unit(benchmark::kMillisecond);

void BM_KeyingSheetOfThousandLines(benchmark::State& state) {
    const kit85::assembler::Assembly a = kit85::assembler::assemble(generatedSource(1000));
    for (auto _ : state) benchmark::DoNotOptimize(kit85::assembler::keyingSheetHtml(a, "generated.asm"));
}
BENCHMARK(BM_KeyingSheetOfThousandLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
