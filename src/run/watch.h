#pragma once

// Which rows an instruction reads or writes as data (not the rows of its own
// code), worked out from the opcode table's form and the registers before
// the instruction runs, for the runs that have watchpoints. Both drivers use
// it, the text rules from the kit's texts and the integer path from its core.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "isa/opcode.h"
#include "kit/kit_state.h"
#include "memory/watchpoints.h"
#include "run/driver.h"

namespace kit85::run {

// The register values an instruction's data rows depend on; a pair whose
// texts are not canonical is marked missing and touches no row here.
struct Pointers {
    uint32_t bc = 0, de = 0, hl = 0, sp = 0;
    uint32_t operand = 0;  // the two bytes after the opcode, low first
    bool bcOk = false, deOk = false, hlOk = false, spOk = false, operandOk = false;
};

// Up to two rows, each with the accesses made to it.
struct Touches {
    uint16_t row[2] = {0, 0};
    uint8_t access[2] = {0, 0};
    uint8_t count = 0;
    // The rows are on the stack and are touched only if the call or return
    // is taken (SP moves).
    bool ifStackMoves = false;
};

Touches touchesOf(const isa::Opcode& o, const Pointers& p);

// The first row of `t` that `w` watches for the access made to it.
struct WatchMatch {
    uint16_t row;
    uint8_t access;
};
inline std::optional<WatchMatch> watchMatch(const Watchpoints& w, const Touches& t) {
    for (uint8_t i = 0; i < t.count; ++i)
        if (const uint8_t hit = w.access(t.row[i]) & t.access[i]) return WatchMatch{t.row[i], hit};
    return std::nullopt;
}

// An instruction about to run under watchpoints: the rows it will touch, SP
// before it and where it is.
struct Armed {
    Touches touches;
    uint32_t sp = 0;
    bool spOk = false;
    uint16_t at = 0;
    uint8_t code = 0;
};

// The hit, once the instruction has run with `sp` (valid when spOk) after it.
inline std::optional<RunResult::WatchHit> fired(const Watchpoints& w, const Armed& a, uint32_t sp, bool spOk) {
    if (a.touches.ifStackMoves && (!spOk || !a.spOk || sp == a.sp)) return std::nullopt;
    const std::optional<WatchMatch> m = watchMatch(w, a.touches);
    if (!m) return std::nullopt;
    return RunResult::WatchHit{m->row, m->access, a.at, a.code};
}

// "9000 written by STA at 8002": the hit in words, for status lines and reports.
std::string watchHitText(const RunResult::WatchHit& hit);
// "read", "written" or "read and written".
std::string_view watchAccessWords(uint8_t access);

// The instruction on the current row as the text rules will run it; nothing
// is touched when its code is no canonical byte.
Armed armText(const KitState& k);
// After it: the hit, if any.
std::optional<RunResult::WatchHit> firedText(const KitState& k, const Watchpoints& w, const Armed& a);

}  // namespace kit85::run
