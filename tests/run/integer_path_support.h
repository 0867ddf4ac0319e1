#pragma once

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
            {{0x8800, "01"}, {0x8801, "00"}, {0x8810, "00"}}),                              // once, E 1
        cut("BCD addition", "bcd_addition.asm", {{17, 0xAF, 0x00}, {22, 0x00, 0x40}}, {}),  // one pass of 64
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

}  // namespace
}  // namespace kit85::testing
