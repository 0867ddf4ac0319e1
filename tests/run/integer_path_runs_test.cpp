// Execute's integer path against the text rules under the run's limits:
// breakpoints, the T-state budget, step bounds, slices and timed commits.
#include "run/integer_path_states.h"

namespace kit85::testing {
namespace {

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
                twins, findings, p.name + ", every " + std::to_string(spacing) + " bytes", StopReason::Breakpoint,
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
