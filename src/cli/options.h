#pragma once

// kit85-run's request: what its command line asks for, checked as far as it
// can be without the memory table, before any file is opened.
//
// main.cpp reads the command line with CLI11 and checks the single values
// there (counts, the start address, the memory file's name) with the checks
// below. checkRequest then takes the lists apart (--poke, --reg, --flag,
// --dump, --break, --watch, --disassemble, --save-hex) and checks every piece; their
// messages name the whole value given ("--poke 8000=123: ..."), a shape
// CLI11's validator messages ("--poke: ...") do not have.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "profile/board_inputs.h"
#include "kit/registers.h"
#include "values/text.h"

namespace kit85 {

// A problem with the options or an input file: reported, and nothing written.
struct BadInput {
    std::string message;
};

// The options as main's CLI11 parser hands them over: the single values
// checked, the lists as written.
struct RunnerOptions {
    std::optional<std::string> memoryFile;   // --memory FILE, not empty; none: a fresh private table, not saved
    std::vector<std::string> loadFiles;      // --load FILE.hex, written in this order
    std::vector<std::string> pokes;          // --poke ADDR=B1,B2,... written after the files, in this order
    std::optional<std::string> at;           // --at ADDR; none: the table's first row
    std::vector<std::string> registers;      // --reg NAME=TEXT
    std::vector<std::string> flags;          // --flag NAME=0|1
    std::optional<uint64_t> steps;           // --steps N: Step Exe N times
    std::optional<uint64_t> maxSteps;        // --max-steps N (at least 1): Execute, at most N instructions
    std::vector<std::string> dumps;          // --dump ADDR:LEN, LEN decimal
    std::vector<std::string> breaks;         // --break ADDR: breakpoints for this run, not saved
    std::vector<std::string> watches;        // --watch ADDR[:LEN][,r|w|rw]: watchpoints for this run, not saved
    std::optional<std::string> disassemble;  // --disassemble ADDR:LEN: a listing instead of a run
    bool json = false;                       // --json
    std::vector<std::string> asmFiles;       // --asm FILE.asm: assembled, written after the --load files
    std::vector<std::pair<std::string, std::string>> saveHex;  // --save-hex ADDR:LEN FILE, after the run
    std::optional<std::string> trace;  // --trace FILE: one JSON line per instruction; "-": the standard output

    int asmRadix = 10;                  // --asm-radix N: of the --asm sources' bare numbers (2, 8, 10, 16)
    std::optional<std::string> asmOrg;  // --org ADDR: where --asm sources without ORG go (else 8000)
    std::optional<std::string> source;  // --source FILE.asm: the --disassemble range as assemblable source

    std::optional<std::string> board;     // --board PROFILE: the interfacing board on
    std::vector<std::string> inputs;      // --in PORT=BYTE[,BYTE...] or PORT=BYTE@T[,...]
    std::vector<std::string> interrupts;  // --interrupt NAME@T
    std::vector<std::string> keys;        // --key CODE[,CODE...]
    std::optional<uint64_t> maxTStates;   // --max-tstates N (at least 1)
};

struct Poke {
    std::string what;  // "--poke ADDR=..." for messages
    Text address;      // four upper-case digits
    std::vector<Text> bytes;
};

struct DumpRequest {
    std::string what;  // "--dump ADDR:LEN" for messages
    Text address;      // four upper-case digits
    uint64_t length = 0;
};

struct SaveHexRequest {
    std::string what;  // "--save-hex ADDR:LEN FILE" for messages
    Text address;      // four upper-case digits
    uint64_t length = 0;
    std::string file;
};

struct WatchRequest {
    std::string what;  // "--watch ..." for messages
    Text address;      // four upper-case digits
    uint64_t length = 1;
    uint8_t access = 0;  // kWatchRead, kWatchWrite or both
};

struct Request {
    std::optional<std::string> memoryFile;
    std::vector<std::string> loadFiles;
    std::vector<Poke> pokes;
    std::optional<Text> at;
    std::vector<std::pair<Reg, Text>> registers;
    std::vector<std::pair<Text FlagLabels::*, Text>> flags;
    std::optional<uint64_t> steps;  // Step Exe this many times; none: Execute
    uint64_t maxSteps = 0;          // Execute's bound; 0: none
    std::vector<DumpRequest> dumps;
    std::vector<Text> breaks;  // four upper-case digits each
    std::vector<WatchRequest> watches;
    std::optional<DumpRequest> disassemble;  // LEN rows' worth of instructions from ADDR
    bool json = false;
    std::vector<std::string> asmFiles;
    std::vector<SaveHexRequest> saves;
    std::optional<std::string> trace;
    int asmRadix = 10;
    std::optional<Text> asmOrg;  // four upper-case digits
    std::optional<std::string> source;
    std::optional<profile::BoardRequest> board;
    uint64_t maxTStates = 0;  // Execute's T-state bound; 0: none
};

// The options checked and taken apart; throws BadInput.
Request checkRequest(const RunnerOptions& options);

// The single values: a count is decimal digits, no sign, at most 2^64 - 1;
// an address is 1 to 4 hex digits of either case, taken as the four
// upper-case digits of a row address ("ff" is 00FF). None when the text is
// no such value; then the message says why.
std::optional<uint64_t> countOf(std::string_view s);
std::optional<Text> addressOf(std::string_view s);
std::string noCount(std::string_view s);
std::string noAddress(std::string_view s);

}  // namespace kit85
