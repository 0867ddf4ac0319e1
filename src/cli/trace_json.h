#pragma once

// kit85-run --trace: one JSON object a line for each instruction carried out,
//   {"address": "8002", "bytes": ["C6", "7F"], "mnemonic": "ADI 7F",
//    "tstates": 7,
//    "registers": {"A": {"old": "9A", "new": "19"}, ...},
//    "flags": {"CY": {"old": "0", "new": "1"}, ...},
//    "memory": {"9000": {"old": "00", "new": "19"}},
//    "reasons": ["A=19: 9A + 7F = 119, A keeps the last two digits", ...]}
// with only what changed under registers, flags and memory, each in the
// kit's order. Texts are given exactly as the kit holds them.

#include <ostream>

#include "run/trace.h"

namespace kit85 {

// Writes each step as it completes; failed() tells whether a write failed.
class TraceWriter {
public:
    explicit TraceWriter(std::ostream& out) : out_(&out) {}
    void write(const TraceStep& step);
    bool failed() const { return out_->fail(); }

private:
    std::ostream* out_;
};

}  // namespace kit85
