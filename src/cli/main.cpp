// kit85-run: argument parsing and Ctrl-C. Everything else is in runner.cpp.

#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <iostream>

#include "cli/runner.h"

namespace {

std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set from a signal handler");

extern "C" void requestStop(int) { gStop.store(true, std::memory_order_relaxed); }

// Ctrl-C (and a plain kill) end the run between two instructions, so memory
// writes are committed and the report is printed. The handler is reset on
// delivery: a second Ctrl-C ends the process at once.
void installStopHandler() {
    struct sigaction sa {};
    sa.sa_handler = requestStop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

constexpr const char* kFooter = R"(Memory writes from --load and --poke are committed before the run starts;
files are written first, then pokes, each in the order given. The run starts
on the --at row (else the table's first row). --steps N presses Step Exe N
times; otherwise Execute runs until a halt or an invalid code, at most
--max-steps instructions. Ctrl-C interrupts the run.

--json prints one object:
  {"stop": "halt"|"invalid-code"|"steps"|"step-limit"|"interrupted"|"error",
   "steps": N, "registers": {"A": "05", ..., "PC": "8003", "SP": "0000"},
   "flags": {"S": "0", "Z": "0", "AC": "0", "P": "0", "CY": "0"},
   "row": {"address": "8002", "data": "76"} or null,
   "messages": ["invalid code"], "memory": {"8800": ["05", "03", ...]}}

Exit status: 0 after a halt, the steps asked for or the step limit; 1 after an
invalid code, an interruption or an error during the run; 2 for bad arguments,
an unreadable or bad file or a refused memory file (nothing is written then).)";

}  // namespace

int main(int argc, char** argv) {
    installStopHandler();

    kit85::RunnerOptions o;
    std::string memoryFile, at, steps, maxSteps;
    CLI::App app{"Runs a program on the 8085 trainer kit without its window.", "kit85-run"};
    app.footer(kFooter);
    auto* memoryOpt =
        app.add_option("--memory", memoryFile,
                       "Memory table file (created if missing); without it a fresh table of 00, not saved")
            ->type_name("FILE");
    app.add_option("--load", o.loadFiles, "Write an Intel HEX file into memory")
        ->type_name("FILE.hex")
        ->allow_extra_args(false);
    app.add_option("--poke", o.pokes, "Write byte texts (at most 2 characters each) into consecutive rows")
        ->type_name("ADDR=B1,B2,...")
        ->allow_extra_args(false);
    auto* atOpt = app.add_option("--at", at, "Start on the row of this address")->type_name("ADDR");
    app.add_option("--reg", o.registers, "Set a register field: A B C D E H L F (2 characters), PC SP (4)")
        ->type_name("NAME=TEXT")
        ->allow_extra_args(false);
    app.add_option("--flag", o.flags, "Set a flag: S Z AC P CY")->type_name("NAME=0|1")->allow_extra_args(false);
    auto* stepsOpt = app.add_option("--steps", steps, "Press Step Exe N times")->type_name("N");
    auto* maxStepsOpt =
        app.add_option("--max-steps", maxSteps, "Execute, stopping after at most N instructions")->type_name("N");
    stepsOpt->excludes(maxStepsOpt);
    app.add_option("--dump", o.dumps, "Report LEN (decimal) rows from ADDR after the run")
        ->type_name("ADDR:LEN")
        ->allow_extra_args(false);
    app.add_flag("--json", o.json, "Print the report as one JSON object");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e, std::cout, std::cerr);
        return code == 0 ? 0 : kit85::kExitBadInput;
    }
    if (memoryOpt->count()) o.memoryFile = memoryFile;
    if (atOpt->count()) o.at = at;
    if (stepsOpt->count()) o.steps = steps;
    if (maxStepsOpt->count()) o.maxSteps = maxSteps;

    return kit85::runKit(o, std::cout, std::cerr, &gStop);
}
