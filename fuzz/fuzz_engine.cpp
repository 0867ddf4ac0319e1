// Fuzz target: the machine running whatever it is given.
//
// The input is read as a recipe: a program keyed in at some address, bytes and
// odd texts (lower case, blanks, empty, long up to 255 characters, random
// characters) written to other rows, register texts and flag captions set,
// normal or odd, and the cursor put somewhere, at times on no row. Then one
// Execute bounded to kMaxSteps and a few Step Exe presses, through a presenter
// that only counts its messages. While input is left, further rounds of
// writes, settings and runs follow on the same table.
//
// After every run: the stop reason is one the driver can give for that call,
// an Error stop carries a message, an invalid-code stop was reported, the step
// count stays within the bound, no write is left pending, every register,
// flag and row text is in Text's canonical form, and the table is whole:
// 65536 rows, each address on its own row, the cursor within -1..size().
//
// Every Execute is also run on a twin kit, set up the same way, with every
// instruction by the text rules (the integer path off): both must end with
// the same result, registers, flags, rows, cursor and messages.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kit/kit_state.h"
#include "run/driver.h"

namespace {

using namespace kit85;

constexpr uint64_t kMaxSteps = 2000;
constexpr int kRows = 65536;
constexpr int kRounds = 8;

// KIT85_FUZZ_TRACE=1 prints every run's stop and registers: for reading what
// a seed or a finding does.
const bool gTrace = std::getenv("KIT85_FUZZ_TRACE") != nullptr;

void trace(const char* call, const RunResult& r, const KitState& kit) {
    if (!gTrace) return;
    std::fprintf(stderr, "%s: %s after %llu step(s)%s%s; cursor %d;", call, std::string(stopName(r.reason)).c_str(),
                 static_cast<unsigned long long>(r.steps), r.message.empty() ? "" : ": ", r.message.c_str(),
                 kit.memory().cursor());
    for (const RegisterField& f : kRegisterFields)
        std::fprintf(stderr, " %s=\"%s\"", std::string(f.name).c_str(), kit[f.reg].str().c_str());
    std::fprintf(stderr, "\n");
}

class SilentPresenter : public Presenter {
public:
    void message(std::string_view, std::string_view, Icon) override { ++shown; }
    uint64_t shown = 0;
};

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "fuzz_engine: %s\n", what.c_str());
    std::abort();
}

// Texts the kit meets when a student types something unexpected.
const char* const kOddTexts[] = {
    "",   " ",   "  ",   "3e",  " 5",    "5 ",    " 3E",   "3E ",      "76 ",       "0",    "00100",
    "-1", "+1",  "0x3E", "G0",  "7",     "FFFF",  "100",   "FFFFFFFF", "FFFFFFFFF", "8000", "ffff",
    "\t", "3\n", "e",    "1 1", "80 00", "8000 ", " 8000", "800",      "80000",     "zz",   "\xC3\xA9",
};

Text hexDigits(FuzzedDataProvider& in, std::size_t count, bool lower) {
    static constexpr char kUpper[] = "0123456789ABCDEF";
    static constexpr char kLower[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < count; ++i) s += (lower ? kLower : kUpper)[in.ConsumeIntegral<uint8_t>() & 0xF];
    return Text(s);
}

Text oddText(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0: return Text(in.PickValueInArray(kOddTexts));
        case 1: return hexDigits(in, in.ConsumeIntegralInRange<std::size_t>(1, 4), true);
        case 2: {  // hex digits with blanks around or inside
            std::string s = hexDigits(in, in.ConsumeIntegralInRange<std::size_t>(0, 4), false).str();
            std::size_t blanks = in.ConsumeIntegralInRange<std::size_t>(1, 3);
            std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, s.size());
            s.insert(at, blanks, ' ');
            return Text(s);
        }
        case 3: return Text(in.ConsumeRandomLengthString(255));
        case 4: return hexDigits(in, in.ConsumeIntegralInRange<std::size_t>(5, 12), false);
        case 5: return Text(std::string(in.ConsumeIntegralInRange<std::size_t>(0, 255), 'F'));
        default: return Text(in.ConsumeRandomLengthString(8));
    }
}

void writeRow(MemoryTable& m, uint16_t address, const Text& data) {
    m.setCursor(address);  // a fresh table holds address a on row a
    m.setText2(data);
}

// Text keeps every string of at most eight upper-case hex digits in its short
// form, so that equal texts compare equal; a result built the long way would
// break that.
bool longFormHex(const Text& t) { return !t.isHex() && Text(t.str()).isHex(); }

void checkTexts(const KitState& kit, const char* after) {
    for (const RegisterField& f : kRegisterFields)
        if (longFormHex(kit[f.reg]))
            fault(std::string(after) + ": " + std::string(f.name) + " holds \"" + kit[f.reg].str() +
                  "\" in the long form");
    for (const FlagField& f : kFlagFields)
        if (longFormHex(kit.flags.*f.label))
            fault(std::string(after) + ": flag " + std::string(f.name) + " holds \"" + (kit.flags.*f.label).str() +
                  "\" in the long form");
}

void checkTable(const MemoryTable& m, const char* after, bool flushed = true) {
    if (m.size() != kRows) fault(std::string(after) + ": the table has " + std::to_string(m.size()) + " rows");
    if (m.cursor() < -1 || m.cursor() > m.size())
        fault(std::string(after) + ": cursor " + std::to_string(m.cursor()) + " outside -1.." +
              std::to_string(m.size()));
    if (flushed && m.pendingWrites() != 0)
        fault(std::string(after) + ": " + std::to_string(m.pendingWrites()) + " write(s) left pending");
}

void checkResult(const RunResult& r, bool isExecute, uint64_t bound, uint64_t shownBefore, const SilentPresenter& p) {
    const char* call = isExecute ? "execute" : "stepExe";
    const std::string where = std::string(call) + " stopped with " + std::string(stopName(r.reason)) + " after " +
                              std::to_string(r.steps) + " step(s)";
    bool known = isExecute ? (r.reason == StopReason::Halt || r.reason == StopReason::InvalidCode ||
                              r.reason == StopReason::StepLimit || r.reason == StopReason::Error)
                           : (r.reason == StopReason::Steps || r.reason == StopReason::Error);
    if (!known) fault(where + ": not a reason this call can give");
    if (r.reason == StopReason::Error && r.message.empty()) fault(where + ": an error stop without a message");
    if (r.reason != StopReason::Error && !r.message.empty()) fault(where + ": a message on a clean stop: " + r.message);
    if (r.steps > bound) fault(where + ": over the bound of " + std::to_string(bound));
    if (r.reason == StopReason::StepLimit && r.steps != bound) fault(where + ": the step limit before the bound");
    if (r.reason == StopReason::Steps && r.steps != bound) fault(where + ": fewer steps than pressed");
    if (r.reason == StopReason::InvalidCode && p.shown == shownBefore) fault(where + ": \"invalid code\" not shown");
}

// The kit and its twin, run by the text rules only.
struct Twin {
    KitState& kit;
    SilentPresenter& presenter;
};

// `shown` and `twinShown`: the messages each run showed.
void compareWithTwin(const KitState& kit, const RunResult& r, uint64_t shown, const Twin& twin, const RunResult& tr,
                     uint64_t twinShown) {
    auto differ = [](const std::string& what, const std::string& fast, const std::string& text) {
        fault("the integer path and the text rules differ in " + what + ": \"" + fast + "\" against \"" + text + "\"");
    };
    if (r.reason != tr.reason) differ("the stop", std::string(stopName(r.reason)), std::string(stopName(tr.reason)));
    if (r.steps != tr.steps) differ("the steps", std::to_string(r.steps), std::to_string(tr.steps));
    if (r.tstates != tr.tstates) differ("the T-states", std::to_string(r.tstates), std::to_string(tr.tstates));
    if (r.message != tr.message) differ("the message", r.message, tr.message);
    if (shown != twinShown) differ("the messages shown", std::to_string(shown), std::to_string(twinShown));
    for (const RegisterField& f : kRegisterFields)
        if (!(kit[f.reg] == twin.kit[f.reg])) differ(std::string(f.name), kit[f.reg].str(), twin.kit[f.reg].str());
    for (const FlagField& f : kFlagFields)
        if (!(kit.flags.*f.label == twin.kit.flags.*f.label))
            differ("flag " + std::string(f.name), (kit.flags.*f.label).str(), (twin.kit.flags.*f.label).str());
    if (kit.taken != twin.kit.taken) differ("taken", std::to_string(kit.taken), std::to_string(twin.kit.taken));
    const MemoryTable& m = kit.memory();
    const MemoryTable& tm = twin.kit.memory();
    if (m.cursor() != tm.cursor()) differ("the cursor", std::to_string(m.cursor()), std::to_string(tm.cursor()));
    if (m.commits() != tm.commits()) differ("the commits", std::to_string(m.commits()), std::to_string(tm.commits()));
    for (int a = 0; a < kRows; ++a)
        if (!(m.dataAt(a) == tm.dataAt(a))) differ("row " + Text::word(a).str(), m.dataAt(a).str(), tm.dataAt(a).str());
}

// One round: rows written, registers and flags set, the cursor put, then an
// Execute and a few Step Exe presses, each checked.
void playRound(FuzzedDataProvider& in, KitState& kit, SilentPresenter& presenter, uint16_t start, const Twin& twin) {
    MemoryTable& m = kit.memory();
    MemoryTable& tm = twin.kit.memory();
    // Bytes and odd texts, near the program or anywhere.
    const int writes = in.ConsumeIntegralInRange<int>(0, 24);
    for (int i = 0; i < writes; ++i) {
        uint16_t address = in.ConsumeBool() ? static_cast<uint16_t>(start + in.ConsumeIntegral<uint8_t>())
                                            : in.ConsumeIntegral<uint16_t>();
        const Text data = in.ConsumeBool() ? Text::byte(in.ConsumeIntegral<uint8_t>()) : oddText(in);
        writeRow(m, address, data);
        writeRow(tm, address, data);
    }

    for (const RegisterField& f : kRegisterFields) {
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
            case 0: break;
            case 1: kit[f.reg] = hexDigits(in, f.width, false); break;
            case 2: kit[f.reg] = Text::digits(in.ConsumeIntegral<uint16_t>(), f.width); break;
            default: kit[f.reg] = oddText(in); break;
        }
    }
    for (const FlagField& f : kFlagFields) {
        switch (in.ConsumeIntegralInRange<int>(0, 2)) {
            case 0: break;
            case 1: kit.flags.*f.label = caption(in.ConsumeBool()); break;
            default: kit.flags.*f.label = oddText(in); break;
        }
    }

    // The same cursor move on both (a missed Find is remembered for messages).
    auto onBoth = [&](auto move) {
        move(m);
        move(tm);
    };
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: onBoth([&](MemoryTable& t) { t.findAddress(Text::word(start)); }); break;
        case 1: {
            const int row = in.ConsumeIntegralInRange<int>(-1, m.size());
            onBoth([&](MemoryTable& t) { t.setCursor(row); });
            break;
        }
        case 2: {
            const Text address = oddText(in);
            onBoth([&](MemoryTable& t) { t.findAddress(address); });
            break;
        }
        case 3: {
            const std::string criterion = in.ConsumeRandomLengthString(24);
            onBoth([&](MemoryTable& t) { t.Find(criterion); });
            break;
        }
        default: {
            const std::string criterion = "address = #" + hexDigits(in, 4, in.ConsumeBool()).str() + "#";
            onBoth([&](MemoryTable& t) { t.Find(criterion); });
            break;
        }
    }
    checkTable(m, "setting up", false);  // the writes stay pending until a run flushes
    for (const RegisterField& f : kRegisterFields) twin.kit[f.reg] = kit[f.reg];
    twin.kit.flags = kit.flags;
    twin.kit.taken = kit.taken;

    uint64_t shown = presenter.shown;
    RunResult r = execute(kit, RunLimits{kMaxSteps, nullptr, std::nullopt});
    trace("execute", r, kit);
    checkResult(r, true, kMaxSteps, shown, presenter);
    checkTable(m, "execute");
    checkTexts(kit, "execute");
    RunLimits textOnly{kMaxSteps, nullptr, std::nullopt};
    textOnly.textRules = true;
    const uint64_t twinShown = twin.presenter.shown;
    const RunResult tr = execute(twin.kit, textOnly);
    compareWithTwin(kit, r, presenter.shown - shown, twin, tr, twin.presenter.shown - twinShown);

    const int presses = in.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < presses; ++i) {
        const uint64_t times = in.ConsumeIntegralInRange<uint64_t>(1, 8);
        shown = presenter.shown;
        r = stepExe(kit, times);
        stepExe(twin.kit, times);
        trace("stepExe", r, kit);
        checkResult(r, false, times, shown, presenter);
        checkTable(m, "stepExe");
        checkTexts(kit, "stepExe");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::unique_ptr<MemoryTable> table = MemoryTable::fresh();
    MemoryTable& m = *table;
    SilentPresenter presenter;
    KitState kit(m, presenter);
    std::unique_ptr<MemoryTable> twinTable = MemoryTable::fresh();
    SilentPresenter twinPresenter;
    KitState twinKit(*twinTable, twinPresenter);
    const Twin twin{twinKit, twinPresenter};

    // The program, usually in user memory at 8000.
    const uint16_t start = in.ConsumeBool() ? 0x8000 : in.ConsumeIntegral<uint16_t>();
    const std::size_t programBytes = in.ConsumeIntegralInRange<std::size_t>(0, 96);
    for (std::size_t i = 0; i < programBytes; ++i)
    {
        const Text byte = Text::byte(in.ConsumeIntegral<uint8_t>());
        writeRow(m, static_cast<uint16_t>(start + i), byte);
        writeRow(*twinTable, static_cast<uint16_t>(start + i), byte);
    }

    // Several rounds on one table: making a fresh table is most of an input's cost.
    for (int round = 0; round < kRounds && (round == 0 || in.remaining_bytes() > 0); ++round)
        playRound(in, kit, presenter, start, twin);

    for (int a = 0; a < kRows; ++a) {
        const Text address = Text::word(static_cast<uint32_t>(a));
        std::optional<int> row = m.rowOf(address);
        if (!row || *row != a || !(m.addressAt(a) == address))
            fault("address " + address.str() + " is no longer found on its row");
        if (longFormHex(m.dataAt(a)))
            fault("the row of " + address.str() + " holds \"" + m.dataAt(a).str() + "\" in the long form");
    }
    return 0;
}
