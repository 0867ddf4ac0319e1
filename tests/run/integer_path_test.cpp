// Execute's integer path against the text rules, one instruction at a time
// and whole programs (integer_path_support.h says how the two kits are run).
#include "run/integer_path_states.h"

namespace kit85::testing {
namespace {

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

}  // namespace
}  // namespace kit85::testing
