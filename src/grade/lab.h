#pragma once

// A lab check file: what a lab's programs must do, case by case, read from
// TOML (docs/grading.md and kit85-grade(1) describe every key).
//
// A case sets memory rows, registers and flags, runs the submission from the
// lab's start address within the lab's limits, and checks what the run left:
// registers, flags, memory rows or ranges, the stop reason, bounds on steps
// and T-states, and that memory outside given ranges is unchanged. A
// reference case instead runs a reference program and the submission on the
// same seeded random inputs and compares chosen rows, registers and flags.
//
// readLab refuses a bad file whole, with the line and column of the first
// problem: TOML syntax, an unknown key, a value of the wrong type, an address
// past FFFF or below 8000, two keys for one row, a case that checks nothing,
// or a value past one of the maxima below.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/profile.h"
#include "kit/registers.h"
#include "profile/board_inputs.h"
#include "run/driver.h"
#include "values/program_kind.h"
#include "values/text.h"

namespace kit85::grade {

// The most a lab file may ask for, so that no lab can make the grader run
// without end or exhaust its memory (kit85-grade(1) lists them).
inline constexpr std::size_t kMostLabBytes = 1u << 20;
inline constexpr std::size_t kMostCases = 10'000;
inline constexpr int64_t kMostPoints = 1'000'000;  // all cases together
inline constexpr uint64_t kMostSteps = 100'000'000;
inline constexpr uint64_t kMostTStates = 2'000'000'000;
inline constexpr int64_t kMostSeconds = 1'000'000;  // in an expected bound
// Random bytes, compared rows, registers and flags kept for all reference runs.
inline constexpr uint64_t kMostReferenceValues = 4u << 20;
// Wall time a single run may take however the lab sets its limits.
inline constexpr int kMostRunSeconds = 10;
// Arrays and inline tables inside each other, and the parts of one dotted key
// or table header: the TOML reader recurses on both.
inline constexpr int kMostNesting = 32;
// A program's own rows are where a run starts and goes; these rows holding
// 00 may lie between two of them (NOPs the program never wrote, as a memory
// file cannot tell them from empty rows), unless the lab says otherwise.
inline constexpr uint32_t kDefaultGapRows = 8;
// The kit's programs live in its RAM, from 8000 on.
inline constexpr uint16_t kFirstRamRow = 0x8000;

// What a submission may be, as a lab file names it: "asm", "hex", "memory".
std::string_view kindName(ProgramKind k);

// Consecutive rows from `first`.
struct Span {
    uint16_t first = 0;
    uint32_t count = 1;  // first + count <= 0x10000

    bool contains(uint32_t address) const { return address >= first && address < first + count; }
    // "8054" or "8050-8057"
    std::string str() const;
};

// Bytes for consecutive rows from `first`.
struct Rows {
    uint16_t first = 0;
    std::vector<uint8_t> bytes;

    friend bool operator==(const Rows&, const Rows&) = default;
};

struct RegisterValue {
    Reg reg;
    Text value;
};

struct FlagValue {
    std::size_t flag;  // index in kFlagFields
    bool set = false;
};

struct Bound {
    std::optional<uint64_t> min;
    std::optional<uint64_t> max;
};

// The first OUTs to a port: their bytes, and with `every` the T-states from
// each to the next (each within `tolerance` of it).
struct PortOutputs {
    uint8_t port = 0;
    std::vector<uint8_t> bytes;
    std::optional<uint64_t> every;
    uint64_t tolerance = 0;
};

// A device's state as the report gives it (board/board_text.h): "5A" for
// LEDs, "red green" for traffic lights, "90" degrees for a stepper ...
struct DeviceState {
    std::string device;
    std::string state;
};

// The inputs and checks of one case.
struct Expectation {
    std::vector<RegisterValue> registers;
    std::vector<FlagValue> flags;
    std::vector<Rows> memory;
    std::optional<StopReason> stop;
    Bound steps;
    Bound tstates;
    // Memory outside these spans must be as the case left it before the run
    // (set when the key is given, even as an empty list: nothing may change).
    std::optional<std::vector<Span>> unchangedOutside;
    // With the board: the bytes OUT wrote to a port, in order (the first
    // bytes.size() writes), and the states devices were left in.
    std::vector<PortOutputs> outputs;
    std::vector<DeviceState> devices;

    bool empty() const;
};

// Rows filled with seeded random bytes in [min, max] for each run.
struct RandomRows {
    uint16_t first = 0;
    uint32_t count = 1;
    uint8_t min = 0;
    uint8_t max = 0xFF;
};

struct Reference {
    std::filesystem::path program;  // resolved against the lab file's folder
    ProgramKind kind = ProgramKind::Asm;
    uint32_t runs = 100;
    uint64_t seed = 1;
    std::vector<RandomRows> inputs;
    std::vector<Span> compareRows;
    std::vector<Reg> compareRegisters;
    std::vector<std::size_t> compareFlags;
};

struct Case {
    std::string name;
    int points = 1;
    bool hidden = false;
    int line = 0;  // where its [[case]] header stands
    std::vector<Rows> memory;
    std::vector<RegisterValue> registers;
    std::vector<FlagValue> flags;
    Expectation expect;
    std::optional<Reference> reference;
    // The lab's board (none: the board is off) and what the case gives it.
    std::shared_ptr<const board::Profile> board;
    profile::BoardRequest inputs;
};

struct Lab {
    std::string name;
    std::string description;
    std::vector<ProgramKind> accepts{ProgramKind::Asm, ProgramKind::Hex, ProgramKind::MemoryFile};
    uint16_t at = 0x8000;
    // Where a source without ORG is placed (its program meant to be keyed at
    // the start): `at` unless the lab says otherwise.
    std::optional<uint16_t> org;
    uint64_t maxSteps = 1'000'000;
    uint64_t maxTStates = 0;  // 0: none beyond the steps
    // The most rows a run may go through that neither the program nor the
    // case wrote, between two it did (see Machine).
    uint32_t gapRows = kDefaultGapRows;
    // The interfacing board's profile ('board'); none: the board is off.
    std::shared_ptr<const board::Profile> board;
    std::vector<Case> cases;
    std::filesystem::path file;

    bool takes(ProgramKind k) const;
    uint16_t origin() const { return org.value_or(at); }
    int maxPoints() const;  // at most kMostPoints
};

struct LabError {
    std::filesystem::path file;
    int line = 0;  // 1-based; 0 when the file could not be read at all
    int column = 0;
    std::string problem;

    // "lab.toml:3:9: unknown key 'pionts' in a case"
    std::string message() const;
};

struct LabResult {
    std::optional<Lab> lab;
    std::optional<LabError> error;
};

// The lab in `text`; `file` names it in errors and anchors reference paths.
LabResult parseLab(std::string_view text, const std::filesystem::path& file);
// Reads and parses the file.
LabResult readLab(const std::filesystem::path& file);

}  // namespace kit85::grade
