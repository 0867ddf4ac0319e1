#pragma once

// The 8085's interrupt system as the interfacing board drives it: the
// interrupt enable (IE) with EI's one-instruction delay, the three masks SIM
// sets, the RST 7.5 flip-flop, the level lines RST 6.5 and 5.5, TRAP, INTR
// and the serial lines SID and SOD.
//
// Legend (A's bits for SIM and RIM, bit 7 first):
//   SIM  SOD SDE - R7.5 MSE M7.5 M6.5 M5.5
//   RIM  SID I7.5 I6.5 I5.5 IE M7.5 M6.5 M5.5
//
// The run loop asks due() between instructions and, when one is due, takes
// it (pushes PC, jumps to its vector, 12 T-states) and calls acknowledge().
// Nothing here knows the registers or the memory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kit85::board {

// The sources, highest priority first.
enum class Line : uint8_t { Trap, Rst75, Rst65, Rst55, Intr };
constexpr int kLineCount = 5;

// "TRAP", "RST 7.5", "RST 6.5", "RST 5.5", "INTR".
std::string_view lineName(Line l);
// Accepts those names, without the blank too and in either case ("rst7.5", "RST75").
std::optional<Line> lineNamed(std::string_view name);
// The vector the 8085 jumps to: 0024, 003C, 0034, 002C; INTR has none of its
// own (the device supplies an RST).
uint16_t vectorOf(Line l);

class Interrupts {
public:
    // Reset: IE off, every mask set, the 7.5 flip-flop clear, SOD 0, no
    // request pending.
    void reset() { *this = Interrupts{}; }

    // EI: IE on at once; no maskable interrupt is taken at the boundary right
    // after EI, only after the instruction that follows it.
    void ei() {
        ie_ = true;
        shadow_ = true;
        afterTrap_ = false;
    }
    void di() {
        ie_ = false;
        afterTrap_ = false;
    }
    // The byte RIM puts in A. The first RIM after a TRAP reads, as IE, the
    // enable from before the TRAP (so the routine can restore it).
    uint8_t rim();
    // SIM with A; `said`, when given, receives what it did in words.
    void sim(uint8_t a, std::string* said = nullptr);

    // A line's level as the outside drives it. TRAP and RST 7.5 act on a
    // rising edge (TRAP also needs the line still high when it is taken);
    // RST 6.5, 5.5 and INTR are levels.
    void setLine(Line l, bool high);
    // A request that holds until it is taken once: an edge on TRAP and
    // RST 7.5, the line held high until acknowledged on the others (a device
    // that drops its request once served).
    void request(Line l);
    bool line(Line l) const { return (lines_ >> int(l)) & 1; }

    // The interrupt to take at this boundary, by priority, if any. Called
    // once per boundary: it also ends EI's delay.
    std::optional<Line> due() {
        if (shadow_) {
            shadow_ = false;
            return trapDue() ? std::optional<Line>(Line::Trap) : std::nullopt;
        }
        return pending();
    }
    // The same question without ending EI's delay.
    std::optional<Line> pending() const;
    // The interrupt `l` is taken: IE off (TRAP keeps the enable from before
    // it for RIM), the 7.5 flip-flop or TRAP's edge consumed, a held level
    // request dropped.
    void acknowledge(Line l);
    // Why `l` is due now, in words, for the step trace.
    std::string whyDue(Line l) const;
    // Whether an interrupt could still end a HLT: TRAP always, the others
    // when IE is on and (for the RSTs) their mask is clear.
    bool couldWake(Line l) const;

    bool ie() const { return ie_; }
    uint8_t masks() const { return masks_; }  // bit 2 M7.5, bit 1 M6.5, bit 0 M5.5
    bool flipFlop75() const { return ff75_; }
    bool trapPending() const { return trap_; }
    bool sod() const { return sod_; }
    bool sid() const { return sid_; }
    void setSid(bool high) { sid_ = high; }

private:
    bool masked(Line l) const;
    bool trapDue() const { return trap_ && line(Line::Trap); }

    bool ie_ = false;
    bool shadow_ = false;     // EI ran at the last boundary
    bool afterTrap_ = false;  // a TRAP was taken and no RIM, EI or DI has run since
    bool ieBeforeTrap_ = false;
    uint8_t masks_ = 7;
    bool ff75_ = false;
    bool trap_ = false;  // TRAP's edge seen, not yet taken
    uint8_t lines_ = 0;  // by Line
    uint8_t held_ = 0;   // level lines held high until taken (request())
    bool sod_ = false;
    bool sid_ = false;
};

}  // namespace kit85::board
