// Execute's integer path against the text rules. The same kit is run twice,
// once by execute() as it chooses for a plain table (the integer path) and
// once with RunLimits::textRules; both must leave everything a user or a later
// run can see the same: every register and flag label, `taken`, every memory
// row, the pending rows, the cursor and how a write there would be refused,
// the run's result, the messages shown and the commits made.
//
// The kits live on fresh private tables built once per test; each case sets
// the registers and the rows it needs, and afterwards every row that is not
// "00" is set back, so no case sees another's bytes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "asm/assembler.h"
#include "isa/opcode_table.h"
#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "run/driver.h"
#include "support/recording_presenter.h"

namespace kit85::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kRows = 65536;

// --- Seeded choices ------------------------------------------------------------

// splitmix64: the same cases on every machine and library.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    uint64_t next() {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
    bool oneIn(uint32_t n) { return below(n) == 0; }
    uint8_t byte() { return static_cast<uint8_t>(next()); }
    template <class T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(N)];
    }

private:
    uint64_t s_;
};

std::string hex2(unsigned v) { return Text::byte(v).str(); }
std::string hex4(unsigned v) { return Text::word(v).str(); }

// Texts no instruction reads as a canonical byte.
const char* const kOddBytes[] = {"5", "5 ", " 5", "3e", "1FF", "", "ZZ"};
const char* const kOddWords[] = {"a000", "A00", "12345", "", " A000", "ZZZZ", "80a0"};
const char* const kOddCaptions[] = {"2", ""};
const Reg kByteRegs[] = {B, C, D, E, H, L, A};

// --- The two kits ----------------------------------------------------------------

// One kit. A run commits its writes when it ends, so the rows it wrote are
// seen pending only while it goes on: each message shown during the run (an
// invalid code) records them.
struct Side {
    explicit Side(std::unique_ptr<MemoryTable> table) : memory(std::move(table)), kit(*memory, presenter) {
        presenter.onMessage = [this](const RecordingPresenter::Shown&) {
            pendingAtMessage.push_back(memory->pendingRows());
        };
        // A commit due by the clock would make the counts depend on each
        // path's speed; the test of timed commits makes every check due.
        memory->setFlushInterval(std::chrono::hours(24));
    }
    std::unique_ptr<MemoryTable> memory;
    RecordingPresenter presenter;
    KitState kit;
    std::vector<std::vector<int>> pendingAtMessage;

    void forget() {
        presenter.shown.clear();
        pendingAtMessage.clear();
    }
};

// What a case sets before the run. Rows are set in order, a later one winning.
struct KitSetup {
    std::array<std::string, kRegisterSlots> reg{};  // by Reg; M's slot unused
    std::array<std::string, 5> flag{};              // S Z AC P CY, as kFlagFields
    bool taken = false;
    int start = 0x8000;   // the row the run starts on: -1 before the first, 65536 past the last
    bool offRow = false;  // start on no row instead, after a Find that missed
    std::vector<std::pair<int, std::string>> rows;

    void set(int row, std::string text) {
        if (row >= 0 && row < kRows) rows.emplace_back(row, std::move(text));
    }
    std::string describe() const {
        std::ostringstream o;
        o << (offRow                        ? std::string("start on no row (a Find missed)")
              : start < 0 || start >= kRows ? "start on row " + std::to_string(start)
                                            : "start " + hex4(static_cast<unsigned>(start)));
        for (const RegisterField& f : kRegisterFields) o << " " << f.name << "=\"" << reg[f.reg] << "\"";
        for (std::size_t i = 0; i < kFlagFields.size(); ++i)
            o << " " << kFlagFields[i].name << "=\"" << flag[i] << "\"";
        o << " taken=" << taken;
        std::map<int, std::string> last;
        for (const auto& [row, text] : rows) last[row] = text;
        for (const auto& [row, text] : last) o << " @" << hex4(static_cast<unsigned>(row)) << "=\"" << text << "\"";
        return o.str();
    }
};

// Rows not holding "00", found a block of rows at a time (most blocks are
// all "00": one memcmp each).
std::vector<int> usedRows(const MemoryTable& m) {
    static const std::array<uint16_t, 256> zeros{};
    std::vector<int> out;
    const uint16_t* bytes = m.bytes();
    for (int block = 0; block < kRows; block += 256) {
        if (std::memcmp(bytes + block, zeros.data(), sizeof zeros) == 0) continue;
        for (int r = block; r < block + 256; ++r)
            if (bytes[r] != 0) out.push_back(r);
    }
    return out;
}
// Rows whose text is no canonical byte (kOddByte in the byte view).
std::vector<int> oddRows(const MemoryTable& m) {
    std::vector<int> out;
    for (int r : usedRows(m))
        if (m.bytes()[r] == MemoryTable::kOddByte) out.push_back(r);
    return out;
}

// Sets every row back to "00" and commits, so the next case starts from a
// clean table with nothing pending.
void clearRows(Side& s) {
    MemoryTable& m = *s.memory;
    for (int r : usedRows(m)) {
        m.setCursor(r);
        m.setText2(Text::byte(0));
    }
    m.flush();
    s.forget();
}

void applyTo(Side& s, const KitSetup& u) {
    MemoryTable& m = *s.memory;
    for (const auto& [row, text] : u.rows) {
        m.setCursor(row);
        m.setText2(Text(text));
    }
    m.flush();
    for (const RegisterField& f : kRegisterFields) s.kit[f.reg] = Text(u.reg[f.reg]);
    for (std::size_t i = 0; i < kFlagFields.size(); ++i) s.kit.flags.*kFlagFields[i].label = Text(u.flag[i]);
    s.kit.taken = u.taken;
    if (u.offRow)
        m.findAddress(Text("ZZZZ"));
    else
        m.setCursor(u.start);
    s.forget();
}

// The message of a write refused on the current row ("" when it would go in).
std::string refusal(MemoryTable& m) {
    if (m.onRow()) return "";
    try {
        m.setText2(Text::byte(0));
    } catch (const KitError& e) {
        return e.what();
    }
    return "<written>";
}

std::string quoted(const Text& t) { return "\"" + t.str() + "\""; }

// Everything the two kits show differently, one line each ("" when nothing).
// Runs cut into slices commit at the end of each, so what was pending at a
// message is compared only for kits run alike (`pendingToo`).
std::string differences(Side& fast, Side& text, bool pendingToo = true) {
    std::ostringstream d;
    auto field = [&](const std::string& name, const std::string& x, const std::string& y) {
        if (x != y) d << "\n  " << name << ": " << x << " by the integer path, " << y << " by the text rules";
    };
    for (const RegisterField& f : kRegisterFields)
        field(std::string(f.name), quoted(fast.kit[f.reg]), quoted(text.kit[f.reg]));
    for (const FlagField& f : kFlagFields)
        field("flag " + std::string(f.name), quoted(fast.kit.flags.*f.label), quoted(text.kit.flags.*f.label));
    field("taken", std::to_string(fast.kit.taken), std::to_string(text.kit.taken));

    MemoryTable& a = *fast.memory;
    MemoryTable& b = *text.memory;
    field("cursor", std::to_string(a.cursor()), std::to_string(b.cursor()));
    field("Text1", quoted(a.text1()), quoted(b.text1()));
    field("Text2", quoted(a.text2()), quoted(b.text2()));
    field("EOF", std::to_string(a.atEOF()), std::to_string(b.atEOF()));
    field("BOF", std::to_string(a.atBOF()), std::to_string(b.atBOF()));
    if (!a.onRow() && !b.onRow()) field("a write refused with", refusal(a), refusal(b));

    int shown = 0;
    auto row = [&](int r) {
        if (a.dataAt(r) == b.dataAt(r) || ++shown > 8) return;
        field("row " + hex4(static_cast<unsigned>(r)), quoted(a.dataAt(r)), quoted(b.dataAt(r)));
    };
    if (std::memcmp(a.bytes(), b.bytes(), kRows * sizeof(uint16_t)) != 0)
        for (int r = 0; r < kRows; ++r)
            if (a.bytes()[r] != b.bytes()[r]) row(r);
    for (int r : oddRows(a)) row(r);
    for (int r : oddRows(b)) row(r);
    if (shown > 8) d << "\n  (" << shown - 8 << " more rows differ)";

    auto list = [](const std::vector<int>& rows) {
        std::string s;
        for (int r : rows) s += (s.empty() ? "" : " ") + hex4(static_cast<unsigned>(r));
        return "[" + s + "]";
    };
    field("pending rows", list(a.pendingRows()), list(b.pendingRows()));

    auto messages = [](const RecordingPresenter& p) {
        std::string s;
        for (const auto& m : p.shown)
            s += "[" + m.title + " " + m.text + (m.icon == Icon::Information ? " (i)" : " (!)") + "]";
        return s;
    };
    field("messages", messages(fast.presenter), messages(text.presenter));
    std::string pa, pb;
    for (const auto& rows : fast.pendingAtMessage) pa += list(rows);
    for (const auto& rows : text.pendingAtMessage) pb += list(rows);
    if (pendingToo) field("rows pending at each message", pa, pb);
    return d.str();
}

std::string differences(const RunResult& x, const RunResult& y) {
    std::ostringstream d;
    auto field = [&](const char* name, const std::string& u, const std::string& v) {
        if (u != v) d << "\n  " << name << ": " << u << " by the integer path, " << v << " by the text rules";
    };
    field("stop", std::string(stopName(x.reason)), std::string(stopName(y.reason)));
    field("steps", std::to_string(x.steps), std::to_string(y.steps));
    field("T-states", std::to_string(x.tstates), std::to_string(y.tstates));
    field("message", "\"" + x.message + "\"", "\"" + y.message + "\"");
    return d.str();
}

// One kit run by each path. `fast` is run as execute() chooses (the integer
// path, as long as the table stays plain), `text` by the text rules.
class Twins {
public:
    Twins() : fast(MemoryTable::fresh()), text(MemoryTable::fresh()) {}
    Twins(std::unique_ptr<MemoryTable> a, std::unique_ptr<MemoryTable> b) : fast(std::move(a)), text(std::move(b)) {}

    Side fast, text;

    void apply(const KitSetup& u) {
        applyTo(fast, u);
        applyTo(text, u);
    }
    void clear() {
        clearRows(fast);
        clearRows(text);
    }
    // Runs both with `limits` and returns every difference, the results and
    // the commits the runs made included ("" when none).
    std::string run(RunLimits limits, RunResult* out = nullptr) {
        const uint64_t fastBefore = fast.memory->commits(), textBefore = text.memory->commits();
        limits.textRules = false;
        const RunResult rf = execute(fast.kit, limits);
        limits.textRules = true;
        const RunResult rt = execute(text.kit, limits);
        if (out) *out = rt;
        std::string d = differences(rf, rt) + differences(fast, text);
        const uint64_t cf = fast.memory->commits() - fastBefore, ct = text.memory->commits() - textBefore;
        if (cf != ct)
            d += "\n  commits: " + std::to_string(cf) + " by the integer path, " + std::to_string(ct) +
                 " by the text rules";
        return d;
    }
};

RunLimits steps(uint64_t n) {
    RunLimits l;
    l.maxSteps = n;
    return l;
}

// Collects the cases that differ and reports a few of each group, so a fault
// that hits thousands of cases still reads as one finding.
class Findings {
public:
    void add(const std::string& group, const std::string& what) {
        auto& g = groups_[group];
        if (g.count++ < 2) g.examples += "\n" + what;
    }
    void report(const char* test) const {
        for (const auto& [group, g] : groups_)
            ADD_FAILURE() << test << ": " << group << ": " << g.count << " case(s) differ, e.g." << g.examples;
    }

private:
    struct Group {
        int count = 0;
        std::string examples;
    };
    std::map<std::string, Group> groups_;
};

// --- One instruction from many states -------------------------------------------

// The numbers a state is drawn from, before any text is made odd.
struct Draft {
    int code = 0x8000;
    std::array<uint8_t, 8> r{};  // B C D E H L - A
    uint8_t f = 0;
    std::array<uint8_t, 5> flag{};
    uint16_t sp = 0, pc = 0;
    uint8_t b1 = 0, b2 = 0;  // the bytes after the code
    bool taken = false;

    uint16_t pair(Reg hi) const { return static_cast<uint16_t>(r[hi] << 8 | r[hi + 1]); }
    void setPair(Reg hi, unsigned v) {
        r[hi] = static_cast<uint8_t>(v >> 8);
        r[hi + 1] = static_cast<uint8_t>(v);
    }
};

int near(Rng& rng, int address) { return (address + static_cast<int>(rng.below(9)) - 4) & 0xFFFF; }

Draft draw(Rng& rng) {
    Draft d;
    d.code = rng.oneIn(4) ? static_cast<int>(rng.below(kRows)) : 0x8000 + static_cast<int>(rng.below(0x100));
    for (Reg reg : kByteRegs) d.r[reg] = rng.byte();
    d.f = rng.byte();
    for (auto& fl : d.flag) fl = static_cast<uint8_t>(rng.below(2));
    auto address = [&](int usual) {
        switch (rng.below(3)) {
            case 0: return near(rng, d.code);
            case 1: return static_cast<int>(rng.below(kRows));
            default: return usual + static_cast<int>(rng.below(0x100));
        }
    };
    d.setPair(H, static_cast<unsigned>(address(0x9000)));
    d.setPair(B, static_cast<unsigned>(address(0x9100)));
    d.setPair(D, static_cast<unsigned>(address(0x9200)));
    d.sp = static_cast<uint16_t>(address(0x9F00));
    d.pc = static_cast<uint16_t>(rng.oneIn(8) ? rng.below(kRows) : static_cast<unsigned>(d.code));
    d.b1 = rng.byte();
    d.b2 = rng.byte();
    if (rng.oneIn(3)) {  // operands naming a row near the code, HL or SP
        const int target = near(rng, rng.oneIn(2) ? d.code : rng.oneIn(2) ? d.pair(H) : d.sp);
        d.b1 = static_cast<uint8_t>(target);
        d.b2 = static_cast<uint8_t>(target >> 8);
    }
    d.taken = rng.oneIn(2);
    return d;
}

// The setup of a draft: random bytes in the rows its registers and operands
// name, then the code and its operands (which win where they overlap).
KitSetup setupOf(const Draft& d, Rng& rng, unsigned op) {
    KitSetup u;
    for (Reg reg : kByteRegs) u.reg[reg] = hex2(d.r[reg]);
    u.reg[F] = hex2(d.f);
    u.reg[PC] = hex4(d.pc);
    u.reg[SP] = hex4(d.sp);
    for (std::size_t i = 0; i < 5; ++i) u.flag[i] = d.flag[i] ? "1" : "0";
    u.taken = d.taken;
    u.start = d.code;
    const int hl = d.pair(H), direct = d.b2 << 8 | d.b1;
    for (int row : {hl, hl + 1, d.sp - 2, d.sp - 1, static_cast<int>(d.sp), d.sp + 1, static_cast<int>(d.pair(B)),
                    static_cast<int>(d.pair(D)), direct, direct + 1})
        u.set(row, hex2(rng.byte()));
    u.set(d.code, hex2(op));
    u.set(d.code + 1, hex2(d.b1));
    u.set(d.code + 2, hex2(d.b2));
    return u;
}

// A row the instruction may read as an operand, M or the stack (never the
// code's own row).
int dataRow(Rng& rng, const Draft& d) {
    const int hl = d.pair(H), direct = d.b2 << 8 | d.b1;
    const int rows[] = {d.code + 1, d.code + 2, hl,        hl + 1,    d.sp,   d.sp + 1,
                        d.sp - 1,   d.sp - 2,   d.pair(B), d.pair(D), direct, direct + 1};
    for (int tries = 0; tries < 8; ++tries) {
        const int r = rng.pick(rows);
        if (r != d.code && r >= 0 && r < kRows) return r;
    }
    return -1;
}

void oddRegister(KitSetup& u, const Draft&, Rng& rng) { u.reg[rng.pick(kByteRegs)] = rng.pick(kOddBytes); }
void oddRow(KitSetup& u, const Draft& d, Rng& rng) { u.set(dataRow(rng, d), rng.pick(kOddBytes)); }
void oddFlag(KitSetup& u, const Draft&, Rng& rng) { u.flag[rng.below(5)] = rng.pick(kOddCaptions); }

// The states every code is tried from: each names what it forces; the rest
// is drawn at random.
struct Scenario {
    const char* name;
    void (*before)(Draft&, Rng&);                  // on the numbers
    void (*after)(KitSetup&, const Draft&, Rng&);  // on the texts
};

const Scenario kScenarios[] = {
    {"random", nullptr, nullptr},
    {"code at FFFF", [](Draft& d, Rng&) { d.code = 0xFFFF; }, nullptr},
    {"code at FFFE", [](Draft& d, Rng&) { d.code = 0xFFFE; }, nullptr},
    {"code at FFFD", [](Draft& d, Rng&) { d.code = 0xFFFD; }, nullptr},
    {"code at 0000", [](Draft& d, Rng&) { d.code = 0x0000; }, nullptr},
    {"SP 0000", [](Draft& d, Rng&) { d.sp = 0x0000; }, nullptr},
    {"SP 0001", [](Draft& d, Rng&) { d.sp = 0x0001; }, nullptr},
    {"SP 0002", [](Draft& d, Rng&) { d.sp = 0x0002; }, nullptr},
    {"SP FFFE", [](Draft& d, Rng&) { d.sp = 0xFFFE; }, nullptr},
    {"SP FFFF", [](Draft& d, Rng&) { d.sp = 0xFFFF; }, nullptr},
    {"HL FFFF", [](Draft& d, Rng&) { d.setPair(H, 0xFFFF); }, nullptr},
    {"BC and DE FFFF",
     [](Draft& d, Rng&) {
         d.setPair(B, 0xFFFF);
         d.setPair(D, 0xFFFF);
     },
     nullptr},
    {"operands FFFF (direct address, target)",
     [](Draft& d, Rng&) {
         d.b1 = 0xFF;
         d.b2 = 0xFF;
     },
     nullptr},
    {"HL on the code", [](Draft& d, Rng& rng) { d.setPair(H, (d.code + rng.below(3)) & 0xFFFF); }, nullptr},
    {"SP over the code", [](Draft& d, Rng& rng) { d.sp = static_cast<uint16_t>(d.code + 1 + rng.below(3)); }, nullptr},
    {"PC not on the code", [](Draft& d, Rng& rng) { d.pc = static_cast<uint16_t>(rng.below(kRows)); }, nullptr},
    {"an odd register", nullptr, oddRegister},
    {"an odd SP", nullptr, [](KitSetup& u, const Draft&, Rng& rng) { u.reg[SP] = rng.pick(kOddWords); }},
    {"an odd PC", nullptr, [](KitSetup& u, const Draft&, Rng& rng) { u.reg[PC] = rng.oneIn(2) ? "80a0" : "12345"; }},
    {"F odd", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.reg[F] = "X"; }},
    {"an odd flag label", nullptr, oddFlag},
    {"an odd operand row", nullptr,
     [](KitSetup& u, const Draft& d, Rng& rng) {
         u.set(d.code + 1 + static_cast<int>(rng.below(2)), rng.pick(kOddBytes));
     }},
    {"an odd memory row", nullptr, oddRow},
    {"several odd texts", nullptr,
     [](KitSetup& u, const Draft& d, Rng& rng) {
         oddRegister(u, d, rng);
         oddRow(u, d, rng);
         if (rng.oneIn(2)) oddRow(u, d, rng);
         if (rng.oneIn(3)) oddFlag(u, d, rng);
     }},
    {"starting on no row", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.offRow = true; }},
    {"starting before the first row", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.start = -1; }},
    {"starting past the last row", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.start = kRows; }},
};

KitSetup scenarioSetup(const Scenario& s, Rng& rng, unsigned op, Draft* out = nullptr) {
    Draft d = draw(rng);
    if (s.before) s.before(d, rng);
    KitSetup u = setupOf(d, rng, op);
    if (s.after) s.after(u, d, rng);
    if (out) *out = d;
    return u;
}

std::string nameOf(unsigned op) { return hex2(op) + " (" + isa::kOpcodes[op].mnemonic + ")"; }

TEST(IntegerPath, EveryCodeFromManyStatesMatchesTheTextRules) {
    constexpr int kRounds = 8;
    Twins twins;
    ASSERT_TRUE(twins.fast.memory->plain());
    Findings findings;
    Rng rng(0x8085);
    for (unsigned op = 0; op < 256; ++op) {
        for (int round = 0; round < kRounds; ++round) {
            for (const Scenario& s : kScenarios) {
                const KitSetup u = scenarioSetup(s, rng, op);
                twins.apply(u);
                const std::string d = twins.run(steps(1));
                if (!d.empty()) findings.add(nameOf(op) + ", " + s.name, u.describe() + d);
                twins.clear();
            }
        }
    }
    findings.report("one instruction");
}

// The conditional codes with both outcomes on purpose: the flag each reads set
// and clear, from ordinary and edge stacks.
TEST(IntegerPath, ConditionsTakenAndNotTakenMatch) {
    Twins twins;
    Findings findings;
    Rng rng(85);
    const int flagOf[4] = {1, 4, 3, 0};  // Z, CY, P, S in kFlagFields order
    const uint16_t stacks[] = {0x9F00, 0x0000, 0x0001, 0x0002, 0xFFFE, 0xFFFF};
    for (unsigned op = 0xC0; op < 0x100; ++op) {
        const unsigned kind = op & 7;
        if (kind != 0 && kind != 2 && kind != 4) continue;  // Rcc, Jcc, Ccc
        for (int value = 0; value < 2; ++value) {
            for (uint16_t sp : stacks) {
                for (int code : {0x8000, 0xFFFD, 0xFFFE, 0xFFFF}) {
                    Draft d = draw(rng);
                    d.code = code;
                    d.sp = sp;
                    KitSetup u = setupOf(d, rng, op);
                    u.flag[static_cast<std::size_t>(flagOf[(op >> 4) & 3])].assign(1, value ? '1' : '0');
                    twins.apply(u);
                    const std::string diff = twins.run(steps(1));
                    if (!diff.empty()) findings.add(nameOf(op), u.describe() + diff);
                    twins.clear();
                }
            }
        }
    }
    findings.report("conditions");
}

// The rows one instruction writes, as each path leaves them pending. A scout
// kit finds by the text rules the row the instruction leads to; that row is
// given a code the kit does not run, and both kits run on to it, where the
// message it shows records the rows pending then.
TEST(IntegerPath, OneInstructionLeavesTheSameRowsPending) {
    constexpr int kRounds = 2;
    Twins twins;
    Side scout(MemoryTable::fresh());
    Findings findings;
    Rng rng(0xF1A6);
    const char* const invalid[] = {"08", "CB", "ED", "FF", "E9", "3e", "5"};
    int seen = 0;
    for (unsigned op = 0; op < 256; ++op) {
        for (int round = 0; round < kRounds; ++round) {
            for (const Scenario& s : kScenarios) {
                KitSetup u = scenarioSetup(s, rng, op);
                applyTo(scout, u);
                RunLimits l = steps(1);
                l.textRules = true;
                const RunResult r = execute(scout.kit, l);
                const int next = scout.memory->cursor();
                clearRows(scout);
                if (r.reason != StopReason::StepLimit || next < 0 || next >= kRows) continue;
                u.set(next, rng.pick(invalid));
                twins.apply(u);
                const std::string d = twins.run(steps(2));
                if (!d.empty()) findings.add(nameOf(op) + ", " + s.name, u.describe() + " maxSteps=2" + d);
                if (!twins.text.pendingAtMessage.empty() && !twins.text.pendingAtMessage[0].empty()) ++seen;
                twins.clear();
            }
        }
    }
    EXPECT_GT(seen, 500) << "cases whose instruction wrote rows seen pending";
    findings.report("rows pending");
}

// Two to four instructions, so a run hands over from one path to the other
// and back: the rows after the first code hold random codes and operands.
TEST(IntegerPath, AFewStepsHandingBackAndForthMatch) {
    constexpr int kRounds = 4;
    Twins twins;
    Findings findings;
    Rng rng(0x5EED);
    for (unsigned op = 0; op < 256; ++op) {
        for (int round = 0; round < kRounds; ++round) {
            for (const Scenario& s : kScenarios) {
                Draft d;
                KitSetup u = scenarioSetup(s, rng, op, &d);
                for (int i = 3; i < 12; ++i)
                    u.set(d.code + i, rng.oneIn(12) ? std::string(rng.pick(kOddBytes)) : hex2(rng.byte()));
                const uint64_t n = 2 + rng.below(3);
                twins.apply(u);
                const std::string diff = twins.run(steps(n));
                if (!diff.empty())
                    findings.add(nameOf(op) + ", " + s.name, u.describe() + " maxSteps=" + std::to_string(n) + diff);
                twins.clear();
            }
        }
    }
    findings.report("a few steps");
}

// How a code of the sweep below takes its two bytes a and x.
using Prepare = void (*)(KitState&, unsigned a, unsigned x);
void accumulatorAndB(KitState& k, unsigned a, unsigned x) {
    k[A] = Text::byte(a);
    k[B] = Text::byte(x);
}
// HL = ax, and every other pair (and SP) such that HL + it is FFFE, FFFF,
// 10000 or 10001 by the low bits of x: the sums where DAD decides CY.
void sumsAroundFFFF(KitState& k, unsigned a, unsigned x) {
    const unsigned hl = a << 8 | x, other = (0x1FFFE - hl + (x & 3)) & 0xFFFF;
    k[H] = Text::byte(a);
    k[L] = Text::byte(x);
    for (Reg hi : {B, D}) {
        k[hi] = Text::byte(other >> 8);
        k[Reg(hi + 1)] = Text::byte(other);
    }
    k[SP] = Text::word(other);
}
// Every pair and SP = ax.
void everyPair(KitState& k, unsigned a, unsigned x) {
    for (Reg hi : {B, D, H}) {
        k[hi] = Text::byte(a);
        k[Reg(hi + 1)] = Text::byte(x);
    }
    k[SP] = Text::word(a << 8 | x);
}

// Register arithmetic over every byte: every A with every operand (in an
// optimised build; 32 chosen operands in a debug or sanitizer build, which is
// ten times slower) and CY clear and set, and for the one-operand codes every
// A with each of AC and CY; the 16-bit codes on pairs made of the same two
// bytes. These codes read and write registers and flags only, so each case
// compares just those, the cursor and the result, which keeps over a million
// cases quick.
TEST(IntegerPath, RegisterArithmeticOverEveryByteMatches) {
#ifdef NDEBUG
    std::vector<unsigned> operands(256);
    for (unsigned x = 0; x < 256; ++x) operands[x] = x;
#else
    const std::vector<unsigned> operands = {0x00, 0x01, 0x02, 0x03, 0x06, 0x09, 0x0A, 0x0F, 0x10, 0x11, 0x1F,
                                            0x3C, 0x40, 0x55, 0x5A, 0x66, 0x7F, 0x80, 0x81, 0x8F, 0x90, 0x99,
                                            0x9A, 0xA0, 0xA5, 0xC3, 0xE7, 0xF0, 0xF1, 0xFA, 0xFE, 0xFF};
#endif
    struct Code {
        unsigned op;
        Prepare prepare;
        bool operand;  // x varies too (else x is 0 and AC is swept instead)
    };
    const Code codes[] = {
        {0x80, accumulatorAndB, true},  {0x88, accumulatorAndB, true},  {0x90, accumulatorAndB, true},
        {0x98, accumulatorAndB, true},  {0xA0, accumulatorAndB, true},  {0xA8, accumulatorAndB, true},
        {0xB0, accumulatorAndB, true},  {0xB8, accumulatorAndB, true},  {0x27, accumulatorAndB, false},
        {0x07, accumulatorAndB, false}, {0x0F, accumulatorAndB, false}, {0x17, accumulatorAndB, false},
        {0x1F, accumulatorAndB, false}, {0x2F, accumulatorAndB, false}, {0x37, accumulatorAndB, false},
        {0x3F, accumulatorAndB, false}, {0x3C, accumulatorAndB, false}, {0x3D, accumulatorAndB, false},
        {0x09, sumsAroundFFFF, true},   {0x19, sumsAroundFFFF, true},   {0x29, everyPair, true},
        {0x39, sumsAroundFFFF, true},   {0x03, everyPair, true},        {0x0B, everyPair, true},
        {0x33, everyPair, true},        {0x3B, everyPair, true},
    };
    Twins twins;
    Findings findings;
    for (const Code& c : codes) {
        for (Side* s : {&twins.fast, &twins.text}) {
            s->memory->setCursor(0x8000);
            s->memory->setText2(Text::byte(c.op));
            s->memory->flush();
        }
        for (unsigned a = 0; a < 256; ++a) {
            for (unsigned x : c.operand ? operands : std::vector<unsigned>{0}) {
                for (unsigned flags = 0; flags < (c.operand ? 2u : 4u); ++flags) {
                    const unsigned cy = flags & 1, ac = c.operand ? (a ^ x) & 1 : flags >> 1;
                    for (Side* s : {&twins.fast, &twins.text}) {
                        KitState& k = s->kit;
                        c.prepare(k, a, x);
                        k[F] = Text::byte(0);
                        k[PC] = Text::word(0x8000);
                        k.flags.clb = caption(cy);
                        k.flags.auxlb = caption(ac);
                        k.flags.slb = caption(a & 2);
                        k.flags.zlb = caption(a & 4);
                        k.flags.plb = caption(a & 8);
                        s->memory->setCursor(0x8000);
                    }
                    std::array<Text, kRegisterSlots> before;
                    for (const RegisterField& f : kRegisterFields) before[f.reg] = twins.fast.kit[f.reg];
                    RunLimits l = steps(1);
                    const RunResult rf = execute(twins.fast.kit, l);
                    l.textRules = true;
                    const RunResult rt = execute(twins.text.kit, l);
                    bool same = rf.reason == rt.reason && rf.steps == rt.steps && rf.tstates == rt.tstates &&
                                rf.message == rt.message && twins.fast.kit.taken == twins.text.kit.taken &&
                                twins.fast.memory->cursor() == twins.text.memory->cursor();
                    for (const RegisterField& f : kRegisterFields)
                        same = same && twins.fast.kit[f.reg] == twins.text.kit[f.reg];
                    for (const FlagField& f : kFlagFields)
                        same = same && twins.fast.kit.flags.*f.label == twins.text.kit.flags.*f.label;
                    if (!same) {
                        std::string state;
                        for (const RegisterField& f : kRegisterFields)
                            state += std::string(f.name) + "=" + before[f.reg].str() + " ";
                        findings.add(nameOf(c.op), state + "CY=" + std::to_string(cy) + " AC=" + std::to_string(ac) +
                                                       differences(rf, rt) + differences(twins.fast, twins.text));
                    }
                }
            }
        }
    }
    findings.report("register arithmetic");
}

// --- Whole programs --------------------------------------------------------------

// The bench's workloads (bench/workloads) with their loop counts cut so that
// both paths run them to HLT in well under a second even in the sanitizer
// build; each patch names the byte it expects to find, so a changed workload
// fails loudly here rather than running something else.
struct Patch {
    std::size_t at;
    uint8_t was, now;
};

struct Program {
    std::string name;
    std::vector<uint8_t> bytes;  // from 8000 on
    // What the program leaves in memory after the patches, if it can be told.
    std::map<uint16_t, std::string> leaves;
};

std::vector<uint8_t> assembledWorkload(const std::string& file) {
    std::ifstream in(std::string(KIT85_WORKLOADS) + "/" + file, std::ios::binary);
    std::ostringstream source;
    source << in.rdbuf();
    const assembler::Assembly a = assembler::assemble(source.str());
    EXPECT_TRUE(in && a.ok()) << file << " does not assemble";
    std::vector<uint8_t> bytes;
    for (const HexByte& b : a.bytes()) {
        EXPECT_EQ(b.address, 0x8000 + bytes.size()) << file << " is not one block from 8000";
        bytes.push_back(b.value);
    }
    return bytes;
}

std::vector<Program> shortWorkloads() {
    auto cut = [](const char* name, const char* file, std::initializer_list<Patch> patches,
                  std::map<uint16_t, std::string> leaves) {
        Program p{name, assembledWorkload(file), std::move(leaves)};
        for (const Patch& at : patches) {
            EXPECT_EQ(int{p.bytes.at(at.at)}, int{at.was}) << name << " byte " << at.at;
            p.bytes[at.at] = at.now;
        }
        return p;
    };
    return {
        cut("delay loop", "delay_loop.asm", {{1, 0x40, 0x03}, {4, 0xFF, 0x0F}}, {{0x8800, "00"}}),  // D 3, BC 0FFF
        cut("bubble sort", "bubble_sort.asm", {{1, 40, 1}, {6, 0x00, 0xF0}}, {}),                   // once, 16 values
        cut("multiply", "multiply.asm", {{4, 10, 1}, {9, 0x00, 0x01}},
            {{0x8800, "01"}, {0x8801, "00"}, {0x8810, "00"}}),                                        // once, E 1
        cut("BCD addition", "bcd_addition.asm", {{17, 0xAF, 0x00}, {22, 0x00, 0x40}}, {}),          // one pass of 64
    };
}

void load(KitSetup& u, uint16_t start, const std::vector<uint8_t>& program) {
    for (std::size_t i = 0; i < program.size(); ++i) u.set(start + static_cast<int>(i), hex2(program[i]));
    u.start = start;
}

KitSetup plainSetup() {
    KitSetup u;
    for (Reg reg : kByteRegs) u.reg[reg] = "00";
    u.reg[F] = "00";
    u.reg[PC] = "0000";
    u.reg[SP] = "0000";
    for (auto& f : u.flag) f = "0";
    return u;
}

TEST(IntegerPath, TheBenchWorkloadsRunToHaltAlike) {
    Twins twins;
    for (const Program& p : shortWorkloads()) {
        KitSetup u = plainSetup();
        load(u, 0x8000, p.bytes);
        twins.apply(u);
        RunResult r;
        EXPECT_EQ(twins.run(RunLimits{}, &r), "") << p.name;
        EXPECT_EQ(stopName(r.reason), "halt") << p.name << ": " << r.message;
        EXPECT_GT(r.steps, 10000u) << p.name;
        const MemoryTable& m = *twins.fast.memory;
        for (const auto& [address, data] : p.leaves) EXPECT_EQ(m.dataAt(address).str(), data) << p.name;
        twins.clear();
    }
}

// A random program around `base`: mostly codes the kit runs, jumps, calls and
// pointers mostly into the program itself, now and then an odd text, a code
// the kit does not run, or an address anywhere.
KitSetup randomProgram(Rng& rng) {
    const int bases[] = {0x8000, 0x8000, 0x8000, 0xFF00, 0x0000};
    const int base = rng.pick(bases);
    auto inside = [&] { return (base + static_cast<int>(rng.below(0x100))) & 0xFFFF; };
    KitSetup u = plainSetup();
    for (Reg reg : kByteRegs) u.reg[reg] = hex2(rng.byte());
    u.reg[F] = hex2(rng.byte());
    auto pointer = [&](Reg hi) {
        const int a = rng.oneIn(4) ? static_cast<int>(rng.below(kRows)) : inside();
        u.reg[hi] = hex2(static_cast<unsigned>(a >> 8));
        u.reg[hi + 1] = hex2(static_cast<unsigned>(a));
    };
    pointer(B);
    pointer(D);
    pointer(H);
    u.reg[SP] = hex4(static_cast<unsigned>(rng.oneIn(6) ? static_cast<int>(rng.below(kRows)) : inside()));
    u.reg[PC] = hex4(static_cast<unsigned>(base));
    for (auto& f : u.flag) f = rng.oneIn(2) ? "1" : "0";
    if (rng.oneIn(8)) oddRegister(u, Draft{}, rng);
    if (rng.oneIn(16)) oddFlag(u, Draft{}, rng);
    u.taken = rng.oneIn(2);

    for (int at = 0; at < 0x100;) {
        const int row = (base + at) & 0xFFFF;
        if (rng.oneIn(120)) {
            u.set(row, rng.pick(kOddBytes));
            ++at;
            continue;
        }
        unsigned op = rng.byte();
        while ((isa::kOpcodes[op].executor == isa::Executor::None && !rng.oneIn(20)) || (op == 0x76 && !rng.oneIn(8)))
            op = rng.byte();
        u.set(row, hex2(op));
        const int length = isa::kOpcodes[op].length;
        if (length == 2) u.set((row + 1) & 0xFFFF, hex2(rng.byte()));
        if (length == 3) {
            const int a = rng.oneIn(5) ? static_cast<int>(rng.below(kRows)) : inside();
            u.set((row + 1) & 0xFFFF, hex2(static_cast<unsigned>(a)));
            u.set((row + 2) & 0xFFFF, hex2(static_cast<unsigned>(a >> 8)));
        }
        at += length;
    }
    u.start = base;
    return u;
}

TEST(IntegerPath, RandomProgramsMatchForUpTo5000Steps) {
    Twins twins;
    Findings findings;
    Rng rng(0xC0DE);
    for (int i = 0; i < 300; ++i) {
        const KitSetup u = randomProgram(rng);
        const uint64_t n = 1 + rng.below(5000);
        twins.apply(u);
        const std::string d = twins.run(steps(n));
        if (!d.empty())
            findings.add("program " + std::to_string(i), u.describe() + " maxSteps=" + std::to_string(n) + d);
        twins.clear();
    }
    findings.report("random programs");
}

// --- The run's limits ------------------------------------------------------------

// Runs both in slices made by `limitsFor(slice)` until a slice ends other than
// by `sliceEnd`, comparing after every slice; returns the slices run.
int runInSlices(Twins& twins, Findings& findings, const std::string& name, StopReason sliceEnd,
                const std::function<RunLimits(int)>& limitsFor, int most = 5000) {
    for (int slice = 0; slice < most; ++slice) {
        RunResult r;
        const std::string d = twins.run(limitsFor(slice), &r);
        if (!d.empty()) {
            findings.add(name, "slice " + std::to_string(slice) + d);
            return slice + 1;
        }
        if (r.reason != sliceEnd) return slice + 1;
    }
    return most;
}

TEST(IntegerPath, BreakpointsStopBothAtTheSameRows) {
    Twins twins;
    Findings findings;
    Rng rng(0xB8);
    for (const Program& p : shortWorkloads()) {
        int stops = 0;
        for (int spacing : {5, 11, 29}) {
            Breakpoints bp;
            for (std::size_t i = 0; i < p.bytes.size(); i += static_cast<std::size_t>(spacing))
                bp.insert(static_cast<uint16_t>(0x8000 + i));
            KitSetup u = plainSetup();
            load(u, 0x8000, p.bytes);
            twins.apply(u);
            const int slices = runInSlices(
                twins, findings, p.name + ", every " + std::to_string(spacing) + " bytes",
                StopReason::Breakpoint,
                [&](int slice) {
                    RunLimits l;
                    l.breakpoints = &bp;
                    l.resumed = slice > 0 && rng.oneIn(2);  // a new run passes the first row
                    return l;
                },
                400);
            stops += slices - 1;
            twins.clear();
        }
        EXPECT_GT(stops, 2) << p.name << ": the breakpoints should be met";
    }
    // Random programs, odd rows and all, with breakpoints on random rows of
    // the program.
    for (int i = 0; i < 40; ++i) {
        const KitSetup u = randomProgram(rng);
        Breakpoints bp;
        for (int n = 0; n < 24; ++n) bp.insert(static_cast<uint16_t>(u.start + static_cast<int>(rng.below(0x100))));
        twins.apply(u);
        runInSlices(
            twins, findings, "random program " + std::to_string(i), StopReason::Breakpoint,
            [&](int) {
                RunLimits l;
                l.breakpoints = &bp;
                l.resumed = !rng.oneIn(4);
                l.maxSteps = 5000;
                return l;
            },
            40);
        twins.clear();
    }
    // A breakpoint on the first row: a new run goes past it, a resumed one
    // stops at once.
    for (bool resumed : {false, true}) {
        Breakpoints bp;
        bp.insert(0x8000);
        KitSetup u = plainSetup();
        load(u, 0x8000, {0x3C, 0xC3, 0x00, 0x80});  // INR A / JMP 8000
        twins.apply(u);
        RunLimits l;
        l.breakpoints = &bp;
        l.resumed = resumed;
        RunResult r;
        EXPECT_EQ(twins.run(l, &r), "") << "resumed " << resumed;
        EXPECT_EQ(r.steps, resumed ? 0u : 2u);
        twins.clear();
    }
    findings.report("breakpoints");
}

TEST(IntegerPath, TheTStateBudgetEndsSlicesAlike) {
    Twins twins;
    Findings findings;
    Rng rng(0x7575);
    for (const Program& p : shortWorkloads()) {
        KitSetup u = plainSetup();
        load(u, 0x8000, p.bytes);
        twins.apply(u);
        runInSlices(twins, findings, p.name, StopReason::TimeSlice, [&](int) {
            RunLimits l;
            l.maxTStates = 1 + rng.below(rng.oneIn(4) ? 20 : 4000);
            l.resumed = true;
            return l;
        });
        twins.clear();
    }
    for (int i = 0; i < 40; ++i) {
        twins.apply(randomProgram(rng));
        runInSlices(
            twins, findings, "random program " + std::to_string(i), StopReason::TimeSlice,
            [&](int) {
                RunLimits l;
                l.maxTStates = 1 + rng.below(300);
                l.maxSteps = 1000;  // a budget ignored fails rather than runs forever
                l.resumed = true;
                return l;
            },
            40);
        twins.clear();
    }
    findings.report("T-state budget");
}

TEST(IntegerPath, StepBoundsAStopRequestAndAnElapsedSliceEndRunsAlike) {
    Twins twins;
    Findings findings;
    Rng rng(0x5105);
    for (const Program& p : shortWorkloads()) {
        KitSetup u = plainSetup();
        load(u, 0x8000, p.bytes);
        twins.apply(u);
        runInSlices(twins, findings, p.name, StopReason::StepLimit,
                    [&](int) { return steps(1 + rng.below(rng.oneIn(3) ? 4 : 3000)); });
        twins.clear();
    }

    const std::atomic<bool> stop{true};
    const auto past = std::chrono::steady_clock::now() - std::chrono::hours(1);
    struct Case {
        const char* name;
        std::function<RunLimits()> limits;
        StopReason reason;
        uint64_t steps;
    };
    const Case cases[] = {
        {"a stop requested before the run",
         [&] {
             RunLimits l;
             l.stop = &stop;
             return l;
         },
         StopReason::Interrupted, 0},
        // The clock is read once every 4096 instructions, after the 4095th.
        {"a time slice already over",
         [&] {
             RunLimits l;
             l.until = past;
             l.maxSteps = 100000;  // a slice end missed fails rather than runs forever
             return l;
         },
         StopReason::TimeSlice, 4095},
    };
    for (const Case& c : cases) {
        // The delay loop, random programs, and every odd state of the
        // one-instruction test (a run that stops before its first
        // instruction must leave odd texts as they are).
        const int states = 1 + 8 + static_cast<int>(std::size(kScenarios));
        for (int i = 0; i < states; ++i) {
            KitSetup u = plainSetup();
            if (i == 0)
                load(u, 0x8000, shortWorkloads()[0].bytes);
            else if (i <= 8)
                u = randomProgram(rng);
            else
                u = scenarioSetup(kScenarios[i - 9], rng, rng.byte());
            twins.apply(u);
            RunResult r;
            const std::string d = twins.run(c.limits(), &r);
            if (!d.empty()) findings.add(c.name, u.describe() + d);
            if (i == 0) {
                EXPECT_EQ(stopName(r.reason), stopName(c.reason)) << c.name;
                EXPECT_EQ(r.steps, c.steps) << c.name;
            }
            twins.clear();
        }
    }
    findings.report("limits");
}

// A slice ended by its step bound and resumed ends where one run ends, both
// ways round: integer slices against one text run, text slices against one
// integer run.
TEST(IntegerPath, ASlicedRunEndsAsOneRun) {
    Findings findings;
    Rng rng(0x51CE);
    std::vector<KitSetup> setups;
    for (const Program& p : shortWorkloads()) {
        KitSetup u = plainSetup();
        load(u, 0x8000, p.bytes);
        setups.push_back(u);
    }
    for (int i = 0; i < 30; ++i) setups.push_back(randomProgram(rng));

    Twins twins;
    for (std::size_t i = 0; i < setups.size(); ++i) {
        const uint64_t total = i < 4 ? 200000 : 1 + rng.below(5000);
        for (bool slicedFast : {true, false}) {
            twins.apply(setups[i]);
            Side& sliced = slicedFast ? twins.fast : twins.text;
            Side& whole = slicedFast ? twins.text : twins.fast;
            RunLimits one = steps(total);
            one.textRules = slicedFast;
            const RunResult w = execute(whole.kit, one);
            RunResult sum;
            uint64_t left = total;
            for (;;) {
                RunLimits l = steps(std::min<uint64_t>(left, 1 + rng.below(rng.oneIn(2) ? 7 : 700)));
                l.resumed = true;
                l.textRules = !slicedFast;
                const RunResult r = execute(sliced.kit, l);
                sum.steps += r.steps;
                sum.tstates += r.tstates;
                sum.reason = r.reason;
                sum.message = r.message;
                left -= r.steps;
                if (r.reason != StopReason::StepLimit || left == 0) break;
            }
            std::string d = slicedFast ? differences(sum, w) + differences(sliced, whole, false)
                                       : differences(w, sum) + differences(whole, sliced, false);
            if (!d.empty())
                findings.add(std::string(slicedFast ? "integer path sliced" : "text rules sliced") + ", setup " +
                                 std::to_string(i),
                             setups[i].describe() + " steps=" + std::to_string(total) + d);
            twins.clear();
        }
    }
    findings.report("sliced runs");
}

// --- Timed commits on a memory file -----------------------------------------------

class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = (fs::temp_directory_path() / "kit85-equiv-XXXXXX").string();
        dir_ = mkdtemp(tmpl.data());
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path file(const char* name) const { return dir_ / name; }

private:
    fs::path dir_;
};

// A program that writes all the time, with an odd row read on every pass so
// each pass goes through the text rules once, run for more than three of the
// run's commit checks (one every 4096 instructions) with every check due: the
// same commits, and the same rows in each file when it is opened again.
TEST(IntegerPath, TimedCommitsOfAMemoryFileMatch) {
    ScratchDir dir;
    constexpr uint64_t kSteps = 4096 * 3 + 1000;
    const fs::path files[2] = {dir.file("integer.sqlite"), dir.file("text.sqlite")};
    {
        Twins twins(MemoryTable::open(files[0]), MemoryTable::open(files[1]));
        ASSERT_TRUE(twins.fast.memory->plain());
        KitSetup u = plainSetup();
        u.reg[D] = "91";
        load(u, 0x8000,
             {0x21, 0x00, 0x90,    // 8000 LXI H,9000
              0x34,                // 8003 INR M        <- loop
              0x1A,                // 8004 LDAX D       (9100 holds "3e")
              0x2C,                // 8005 INR L
              0xC3, 0x03, 0x80});  // 8006 JMP 8003
        u.set(0x9100, "3e");
        u.set(0x9005, "5 ");  // INR M reads it once by the text rules
        twins.apply(u);
        twins.fast.memory->setFlushInterval(std::chrono::seconds(0));
        twins.text.memory->setFlushInterval(std::chrono::seconds(0));
        RunResult r;
        EXPECT_EQ(twins.run(steps(kSteps), &r), "");
        EXPECT_EQ(r.steps, kSteps) << r.message;
        EXPECT_GE(twins.fast.memory->commits(), 4u);
    }
    auto fast = MemoryTable::open(files[0]);
    auto text = MemoryTable::open(files[1]);
    ASSERT_EQ(fast->size(), text->size());
    int differ = 0;
    for (int r = 0; r < fast->size(); ++r)
        if (!(fast->dataAt(r) == text->dataAt(r)) && ++differ <= 8)
            ADD_FAILURE() << "row " << fast->addressAt(r) << " in the file: \"" << fast->dataAt(r)
                          << "\" by the integer path, \"" << text->dataAt(r) << "\" by the text rules";
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(fast->dataAt(0x9000).str(), Text::byte((kSteps - 1) / 4 / 256 + 1).str()) << "the program ran";
}

}  // namespace
}  // namespace kit85::testing
