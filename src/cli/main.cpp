// kit85-run: the command line (CLI11), Ctrl-C, and standard output. The run
// itself is in runner.cpp.

#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <sstream>

#include "cli/escape.h"
#include "cli/fd_stream.h"
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
    // A reader that goes away (--trace - | head -1) makes writes fail with
    // EPIPE instead of ending the process: the run stops, its memory writes
    // are committed, and the exit status says the output was lost.
    signal(SIGPIPE, SIG_IGN);
}

// A closed standard descriptor is opened on /dev/null for reading: no file
// opened later can land on it (a report would go into it), and every write to
// a closed stdout fails, as it should.
void fillClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        int opened = ::open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != fd) ::close(opened);
    }
}

// A CLI11 validator that checks and rewrites a value; CLI11 puts the option's
// name before the problem it returns ("--steps: ..."). No description: the
// help stays as it is.
CLI::Validator checked(std::function<std::string(std::string&)> check) { return CLI::Validator(std::move(check), ""); }

// Counts become plain decimal digits before CLI11 converts them, which would
// read "010" as octal.
const CLI::Validator kCount = checked([](std::string& s) {
    std::optional<uint64_t> n = kit85::countOf(s);
    if (!n) return kit85::noCount(s);
    s = std::to_string(*n);
    return std::string();
});
const CLI::Validator kAtLeastOne =
    checked([](std::string& s) { return s == "0" ? "must be at least 1 (leave it out for no bound)" : std::string(); });
const CLI::Validator kAddress =
    checked([](std::string& s) { return kit85::addressOf(s) ? std::string() : kit85::noAddress(s); });
const CLI::Validator kFileName = checked([](std::string& s) { return s.empty() ? "the file name is empty" : ""; });

// Each line of a message, escaped, cut if long, and prefixed with the runner's
// name, as every line on stderr is.
void printError(std::ostream& err, const std::string& message) {
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);) err << "kit85-run: " << kit85::printableMessage(line) << '\n';
}

constexpr const char* kFooter = R"(Memory writes from --load, --asm and --poke are committed before the run
starts; HEX files are written first, then assembled sources, then pokes, each
in the order given. A source with an error is refused with every error
(FILE:LINE:COLUMN: error: ...) and nothing is written; a source's bytes
before its first ORG go to 8000 (--org ADDR places them elsewhere). The run
starts on the --at row (else the table's first row). --steps N presses Step
Exe N times; otherwise Execute runs until a halt, an invalid code or a
breakpoint, at most --max-steps instructions. Breakpoints are those stored in
the memory file and those given with --break (for this run only); Execute
stops before the instruction on a breakpoint's row, though never before its
first one. Step Exe passes them. --watch ADDR[:LEN][,r|w|rw] stops right after an
instruction that writes (w, the default) or reads (r) one of LEN rows from
ADDR as data; "watch" in the report names the row, the access and the
instruction. Ctrl-C interrupts the run. --save-hex writes rows as Intel
HEX after the run, every file or none; a row that is not two upper-case hex
digits refuses them all (exit 2).

--json prints one object:
  {"stop": "halt"|"invalid-code"|"breakpoint"|"watch"|"steps"|"step-limit"|
           "interrupted"|"error",
   "watch": {"row": "9000", "access": "w",
             "instruction": {"address": "8002", "mnemonic": "STA"}} (for "watch"),
   "steps": N, "tstates": N, "registers": {"A": "05", ..., "PC": "8003", "SP": "0000"},
   "flags": {"S": "0", "Z": "0", "AC": "0", "P": "0", "CY": "0"},
   "row": {"address": "8002", "data": "76"} or null,
   "messages": ["invalid code"], "memory": {"8800": ["05", "03", ...]}}

The summary without --json gives the same in lines ("stop: halt after 12
steps", "T-states: 79", ...). "tstates" counts the 8085's clock states of the
instructions carried out (a conditional jump, call or return by whether it
was taken); an invalid code counts none.

--trace FILE writes one JSON object a line for each instruction carried out:
  {"address": "8002", "bytes": ["C6", "7F"], "mnemonic": "ADI 7F",
   "tstates": 7, "registers": {"A": {"old": "9A", "new": "19"}, ...},
   "flags": {"CY": {"old": "0", "new": "1"}}, "memory": {"9000": {...}},
   "reasons": ["CY=1: 9A + 7F = 119, more than FF", ...]}
with only what changed. --trace - writes them to the standard output before
the report, which comes last. A trace that cannot be written stops the run.

No output (--trace, --save-hex) may name an input (--load, --asm), the memory
file or SQLite's files beside it, or another output's file, however spelled:
such a run is refused. Files are written to temporary files and renamed into
place, every file or none.

--disassemble ADDR:LEN runs nothing: after the loads and pokes it lists the
instructions that start in LEN rows from ADDR, one a line
("8000  3E 05     MVI A,05"), or with --json
  {"disassembly": [{"address": "8000", "bytes": ["3E", "05"],
                    "text": "MVI A,05", "kind": "instruction"|"invalid"|"data"}]}
It cannot be used with --steps, --max-steps or --dump. The JSON has the
same rows as assemblable source in "source" (ORG, L8010: labels for jumps
inside the range, 0A4H numbers, DB for what is no instruction); --source FILE
writes that source to a file.

--board PROFILE switches the interfacing board on (a shipped profile: lab,
trainer80, bare; or a TOML file): IN, OUT, RIM, SIM, EI, DI and RST act, and
interrupts are taken between instructions. --in PORT=BYTE[,BYTE...] gives the
bytes successive INs from PORT read (the last one stays); --in
PORT=BYTE@T[,BYTE@T...] gives BYTE from T-state T on. --interrupt NAME@T
requests TRAP, RST7.5, RST6.5, RST5.5 or INTR at T-state T (a level one held
until taken). --key CODE[,CODE...] queues keypad keys for the monitor's key
read. A HLT that an interrupt still to come can wake waits for it; one that
nothing can wake ends the run. --max-tstates N ends Execute once N T-states
have run (as "step-limit"). The JSON gains
  "ports": [{"port": "00", "byte": "5A", "tstate": 24}, ...],
  "board": {"profile": "lab", "devices": {"leds": {"kind": "leds", "port": "00",
            "value": "5A", "lit": "5A"}, ...}, "address_field": "",
            "data_field": "5A", "interrupts": {...}, "waiting": false}
and "stop" may be "monitor": the program went back to the monitor (exit
status 0, as after a halt).

Exit status: 0 after a halt, a breakpoint, a watchpoint, the steps asked for or the step
limit, and after a listing; 1 after an invalid code, an interruption or an
error during the run, or when the report, the trace or a --save-hex file
cannot be written; 2 for bad arguments, an unreadable or bad file, an output
that names an input or another output, a refused memory file or memory writes
that cannot be committed (nothing is written then), or a --save-hex row that
is no byte.)";

// kit85-run's options as CLI11 reads them, and the runner's options made
// from what was given.
struct CommandLine {
    kit85::RunnerOptions o;
    std::string memoryFile, at, disassemble, source, trace, org, board;
    uint64_t steps = 0, maxSteps = 0, maxTStates = 0;
    CLI::Option *memoryOpt = nullptr, *atOpt = nullptr, *stepsOpt = nullptr, *maxStepsOpt = nullptr, *dumpOpt = nullptr,
                *disassembleOpt = nullptr, *sourceOpt = nullptr, *traceOpt = nullptr, *orgOpt = nullptr,
                *maxTStatesOpt = nullptr, *boardOpt = nullptr;

    void declare(CLI::App& app);
    kit85::RunnerOptions options() const {
        kit85::RunnerOptions o = this->o;
        if (memoryOpt->count()) o.memoryFile = memoryFile;
        if (atOpt->count()) o.at = at;
        if (stepsOpt->count()) o.steps = steps;
        if (maxStepsOpt->count()) o.maxSteps = maxSteps;
        if (disassembleOpt->count()) o.disassemble = disassemble;
        if (traceOpt->count()) o.trace = trace;
        if (sourceOpt->count()) o.source = source;
        if (orgOpt->count()) o.asmOrg = org;
        if (maxTStatesOpt->count()) o.maxTStates = maxTStates;
        if (boardOpt->count()) o.board = board;
        return o;
    }
};

void CommandLine::declare(CLI::App& app) {
    memoryOpt = app.add_option("--memory", memoryFile,
                               "Memory table file (created if missing); without it a fresh table of 00, not saved")
                    ->type_name("FILE")
                    ->check(kFileName);
    app.add_option("--load", o.loadFiles, "Write an Intel HEX file into memory")
        ->type_name("FILE.hex")
        ->allow_extra_args(false);
    app.add_option("--poke", o.pokes, "Write byte texts (at most 2 characters each) into consecutive rows")
        ->type_name("ADDR=B1,B2,...")
        ->allow_extra_args(false);
    atOpt = app.add_option("--at", at, "Start on the row of this address")->type_name("ADDR")->check(kAddress);
    app.add_option("--reg", o.registers, "Set a register field: A B C D E H L F (2 characters), PC SP (4)")
        ->type_name("NAME=TEXT")
        ->allow_extra_args(false);
    app.add_option("--flag", o.flags, "Set a flag: S Z AC P CY")->type_name("NAME=0|1")->allow_extra_args(false);
    stepsOpt = app.add_option("--steps", steps, "Press Step Exe N times")->type_name("N")->transform(kCount);
    maxStepsOpt = app.add_option("--max-steps", maxSteps, "Execute, stopping after at most N instructions")
                      ->type_name("N")
                      ->transform(kCount)
                      ->check(kAtLeastOne);
    stepsOpt->excludes(maxStepsOpt);
    dumpOpt = app.add_option("--dump", o.dumps, "Report LEN (decimal) rows from ADDR after the run")
                  ->type_name("ADDR:LEN")
                  ->allow_extra_args(false);
    app.add_option("--break", o.breaks, "Stop Execute before the instruction at ADDR (this run only)")
        ->type_name("ADDR")
        ->allow_extra_args(false);
    app.add_option("--watch", o.watches,
                   "Stop right after an instruction that writes (w, the default) or reads (r) a row of LEN (decimal, "
                   "default 1) from ADDR (this run only)")
        ->type_name("ADDR[:LEN][,r|w|rw]")
        ->allow_extra_args(false);
    disassembleOpt =
        app.add_option("--disassemble", disassemble, "List the instructions in LEN (decimal) rows from ADDR; no run")
            ->type_name("ADDR:LEN");
    disassembleOpt->excludes(stepsOpt)->excludes(maxStepsOpt)->excludes(dumpOpt);
    app.add_flag("--json", o.json, "Print the report as one JSON object");
    app.add_option("--asm", o.asmFiles, "Assemble an 8085 source and write it into memory, as --load does")
        ->type_name("FILE.asm")
        ->allow_extra_args(false);
    app.add_option("--save-hex", o.saveHex, "After the run, write LEN (decimal) rows from ADDR as Intel HEX")
        ->type_name("ADDR:LEN FILE")
        ->allow_extra_args(false);
    app.add_option("--asm-radix", o.asmRadix, "The radix of bare numbers in --asm sources (default 10)")
        ->type_name("2|8|10|16")
        ->check(checked([](std::string& s) {
            return s == "2" || s == "8" || s == "10" || s == "16" ? "" : "the radix is 2, 8, 10 or 16";
        }));
    orgOpt = app.add_option("--org", org, "Where an --asm source without ORG is placed (default 8000)")
                 ->type_name("ADDR")
                 ->check(kAddress);
    sourceOpt =
        app.add_option("--source", source, "With --disassemble: write the rows as a source kit85-asm assembles back")
            ->type_name("FILE.asm");
    traceOpt =
        app.add_option("--trace", trace, "Write one JSON line per instruction run (what changed and why); - for stdout")
            ->type_name("FILE");
    maxTStatesOpt = app.add_option("--max-tstates", maxTStates, "Execute, stopping once the run's T-states reach N")
        ->type_name("N")
        ->transform(kCount)
        ->check(kAtLeastOne);
    boardOpt = app.add_option("--board", board, "Switch the interfacing board on with this kit profile (a name or a file)")
        ->type_name("PROFILE");
    app.add_option("--in", o.inputs, "With --board: what an input port gives, by sequence or from T-states on")
        ->type_name("PORT=BYTE[,BYTE...]|PORT=BYTE@T[,...]")
        ->allow_extra_args(false);
    app.add_option("--interrupt", o.interrupts, "With --board: request TRAP, RST7.5, RST6.5, RST5.5 or INTR at T")
        ->type_name("NAME@T")
        ->allow_extra_args(false);
    app.add_option("--key", o.keys, "With --board: keypad keys for the monitor's key read, in order")
        ->type_name("CODE[,CODE...]")
        ->allow_extra_args(false);
}

}  // namespace

int main(int argc, char** argv) {
    installStopHandler();
    fillClosedStandardDescriptors();
    kit85::FdBuffer stdoutBuffer(STDOUT_FILENO);
    std::ostream out(&stdoutBuffer);

    CommandLine line;
    CLI::App app{"Runs a program on the 8085 trainer kit without its window.", "kit85-run"};
    app.footer(kFooter);
    app.set_version_flag("--version", "kit85-run " KIT85_VERSION);
    line.declare(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() != 0) {
            // The validators' messages say all there is, as the runner's own do.
            const bool validator = dynamic_cast<const CLI::ValidationError*>(&e) != nullptr;
            printError(std::cerr, validator ? std::string(e.what()) : CLI::FailureMessage::simple(&app, e));
            return kit85::kExitBadInput;
        }
        app.exit(e, out, std::cerr);  // --help, --version
        out.flush();
        if (stdoutBuffer.error()) {
            std::cerr << "kit85-run: cannot write to the standard output (" << std::strerror(stdoutBuffer.error())
                      << ")\n";
            return kit85::kExitRunStopped;
        }
        return 0;
    }
    int status = kit85::runHeadless(line.options(), out, std::cerr, &gStop);
    out.flush();
    if (stdoutBuffer.error()) {
        std::cerr << "kit85-run: cannot write the report (" << std::strerror(stdoutBuffer.error()) << ")\n";
        return kit85::kExitRunStopped;
    }
    return status;
}
