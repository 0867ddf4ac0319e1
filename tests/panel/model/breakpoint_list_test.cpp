// The study view's breakpoint list and the words the status line uses for
// menu actions, without a toolkit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "isa/isa_fixture.h"
#include "panel/model/breakpoint_list.h"
#include "panel/model/status_line.h"
#include "panel/model/study_status.h"

namespace kit85::testing {
namespace {

std::string listed(const Machine& m, const InstructionStarts& starts) {
    std::string out;
    for (const BreakpointEntry& e : breakpointEntries(*m.memory, starts, Text("0000"))) {
        if (!out.empty()) out += "; ";
        out += (e.on ? "on " : "off ") + Text::word(e.address).str() + " " + e.instruction;
    }
    return out;
}

// The list names each row as the instructions pane shows it: a row no known
// start reaches, or a program's DB row, is data, never decoded as a code.
TEST(BreakpointList, NamesTheRowAsTheListingShowsIt) {
    Machine m;
    m.poke("8000", {"3E", "05", "76", "90"});        // keyed: MVI A,05; HLT; then a 90 nothing reaches
    m.poke("8100", {"3E", "05", "76", "90", "3E"});  // opened: MVI A,05; HLT; DB 90H,3EH
    InstructionStarts starts;
    starts.noteKeyedAddress(0x8000);
    OpenedProgram program;
    program.first = 0x8100;
    program.last = 0x8104;
    program.instructions = {0x8100, 0x8102};
    program.data = {0x8103, 0x8104};
    starts.setProgram(program);
    for (const char* a : {"8002", "8003", "8101", "8103", "8104", "9000"}) m.memory->setBreakpoint(Text(a), true);
    EXPECT_EQ(listed(m, starts),
              "on 8002 HLT; on 8003 DB 90; on 8101 operand of MVI A,05 at 8100: a run never stops here; "
              "on 8103 DB 90; on 8104 DB 3E; on 9000 DB 00");
}

// F9's confirmation says when a run will never stop on the row it set.
TEST(BreakpointList, SettingOneSaysWhetherARunStopsThere) {
    Machine m;
    m.poke("8000", {"3E", "05", "32", "00", "90", "76"});  // MVI A,05; STA 9000; HLT
    InstructionStarts starts;
    starts.noteKeyedAddress(0x8000);
    const std::pair<uint16_t, const char*> cases[] = {
        {0x8000, "breakpoint set at 8000: Execute stops before running it"},
        {0x8001, "breakpoint set at 8001, an operand of MVI A,05 at 8000: a run never stops there (set it on 8000)"},
        {0x8004, "breakpoint set at 8004, an operand of STA 9000 at 8002: a run never stops there (set it on 8002)"},
        {0x8005, "breakpoint set at 8005: Execute stops before running it"},
        {0x9000, "breakpoint set at 9000: Execute stops before running it"},  // data: no start reaches it
    };
    for (const auto& [address, want] : cases)
        EXPECT_EQ(breakpointSetText(*m.memory, starts, Text("0000"), address), want) << Text::word(address).str();
}

TEST(BreakpointList, OnOffRemoveToggleAndClear) {
    Machine m;
    m.poke("8000", {"3E", "05", "76"});
    InstructionStarts starts;
    starts.noteKeyedAddress(0x8000);
    MemoryTable& t = *m.memory;
    auto set = [&](const char* a, BreakpointState s) { t.setBreakpoint(Text(a), s); };
    struct Step {
        const char* what;
        std::function<void()> act;
        const char* want;
        std::size_t on, off;
    };
    const std::vector<Step> steps = {
        {"toggle on", [&] { t.toggleBreakpoint(Text("8000")); }, "on 8000 MVI A,05", 1, 0},
        {"an operand row", [&] { t.toggleBreakpoint(Text("8001")); },
         "on 8000 MVI A,05; on 8001 operand of MVI A,05 at 8000: a run never stops here", 2, 0},
        {"off stays listed", [&] { set("8000", BreakpointState::Off); },
         "off 8000 MVI A,05; on 8001 operand of MVI A,05 at 8000: a run never stops here", 1, 1},
        {"F9 on an off one sets it", [&] { t.toggleBreakpoint(Text("8000")); },
         "on 8000 MVI A,05; on 8001 operand of MVI A,05 at 8000: a run never stops here", 2, 0},
        {"remove", [&] { set("8001", BreakpointState::Gone); }, "on 8000 MVI A,05", 1, 0},
        {"off then clear all",
         [&] {
             set("8002", BreakpointState::Off);
             clearAllBreakpoints(t);
         },
         "", 0, 0},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(listed(m, starts), s.want) << s.what;
        EXPECT_EQ(t.breakpoints().size(), s.on) << s.what;
        EXPECT_EQ(t.breakpointsOff().size(), s.off) << s.what;
    }
}

TEST(BreakpointList, WhatTheStartSays) {
    const struct {
        std::vector<uint16_t> on;
        std::size_t off;
        std::vector<std::pair<uint16_t, uint8_t>> watch;
        const char* want;
    } cases[] = {
        {{}, 0, {}, ""},
        {{}, 3, {}, ""},
        {{0x8104},
         0,
         {},
         "the memory file holds 1 breakpoint: 8104 (F7: the study view lists them; Execute stops there)"},
        {{0x8104, 0x8004},
         1,
         {},
         "the memory file holds 2 breakpoints: 8004, 8104 (and 1 turned off) (F7: the study "
         "view lists them; Execute stops there)"},
        {{1, 2, 3, 4, 5, 6, 7, 8},
         0,
         {},
         "the memory file holds 8 breakpoints: 0001, 0002, 0003, 0004, 0005, 0006, "
         "0007, 0008 (F7: the study view lists them; Execute stops there)"},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9},
         0,
         {},
         "the memory file holds 9 breakpoints: 0001, 0002, 0003, 0004, 0005, 0006, "
         "0007, 0008, \u2026 (F7: the study view lists them; Execute stops there)"},
        {{},
         0,
         {{0x9000, kWatchWrite}},
         "the memory file holds 1 watchpoint: 9000 (w) (F7: the study view lists them; "
         "Execute stops there)"},
        {{0x8004},
         0,
         {{0x9001, kWatchBoth}, {0x9000, kWatchRead}},
         "the memory file holds 1 breakpoint: 8004; 2 watchpoints: 9000 (r), 9001 (rw) (F7: the study view lists "
         "them; Execute stops there)"},
    };
    for (const auto& c : cases) {
        Breakpoints b;
        for (uint16_t a : c.on) b.insert(a);
        Watchpoints w;
        for (const auto& [a, access] : c.watch) w.set(a, access);
        EXPECT_EQ(breakpointsAtStart(b, c.off, w), c.want);
    }
}

TEST(StatusWords, UndoOpenAndRate) {
    using Row = MemoryTable::EditedRow;
    EXPECT_EQ(undoText(true, {Row{Text("8001"), Text("00"), Text("47")}}), "undone: 8001  00 \u2192 47");
    EXPECT_EQ(undoText(false, {Row{Text("8100"), Text("00"), Text("3E")}, Row{Text("8101"), Text("00"), Text("05")}}),
              "redone: 8100\u20138101  2 bytes");
    // Undo hands the rows back last first; the status names them in order.
    EXPECT_EQ(undoText(true, {Row{Text("8101"), Text("05"), Text("00")}, Row{Text("8100"), Text("3E"), Text("00")}}),
              "undone: 8100\u20138101  2 bytes");
    std::vector<Row> reset;
    for (const char* name : {"register A", "register B", "register SP", "flag S", "flag CY"})
        reset.push_back(Row{Text(name), Text("1"), Text("0"), true});
    EXPECT_EQ(undoText(false, reset),
              "redone: registers: A 1\u2192"
              "0, B 1\u2192"
              "0, SP 1\u2192"
              "0, S 1\u2192"
              "0 and 1 more");
    EXPECT_EQ(openedText("p.asm", 12, 0x8100, 0x810B), "opened p.asm: 12 bytes, 8100\u2013810B (Ctrl+Z takes it back)");
    EXPECT_EQ(openedText("p.hex", 1, 0x8100, 0x8100), "opened p.hex: 1 byte, 8100 (Ctrl+Z takes it back)");
    const std::string w1 = "p.asm:1:1: warning: code at 0000H: the keypad starts at 8000: add ORG 8000H";
    const std::string w2 = "p.asm:4:9: warning: 2002 is decimal here (07D2H); write 2002H";
    const std::string e1 = "p.asm:5:1: error: unknown mnemonic";
    EXPECT_EQ(warningsText({}), "");
    EXPECT_EQ(warningsText({e1}), "");
    EXPECT_EQ(warningsText({w1}), "; 1 warning: " + w1);
    EXPECT_EQ(warningsText({e1, w2, w1}), "; 2 warnings, the first: " + w2);
    const std::tuple<long, int, bool> rates[] = {{1, 1, false},  {50, 50, false}, {51, 50, true},
                                                 {99, 50, true}, {0, 1, true},    {9999, 50, true}};
    for (const auto& [typed, value, said] : rates) {
        const RateCorrection c = correctRate(typed);
        EXPECT_EQ(c.value, value) << typed;
        EXPECT_EQ(!c.reason.empty(), said) << typed << ": " << c.reason;
    }
}

TEST(FillRange, OneStepAllOrNothing) {
    Machine m;
    const ProgramLoad fill = storeProgram(*m.memory, fillRange(0x8000, 0x8003, 0x76), "fill");
    ASSERT_TRUE(fill.ok) << fill.problem;
    EXPECT_EQ(m.peek("8000") + m.peek("8003") + m.peek("8004"), "767600");
    EXPECT_EQ(m.memory->lastEdits(5).size(), 1u) << "one undo step";
    EXPECT_EQ(m.memory->text1().str(), "8000");
    const ProgramLoad backwards = fillRange(0x8003, 0x8000, 0);
    EXPECT_FALSE(backwards.ok);
    EXPECT_EQ(backwards.problem, "the end 8000 is before the start 8003; nothing was filled");
    EXPECT_EQ(fillRange(0xFFFF, 0xFFFF, 1).image.size(), 1u);
    EXPECT_EQ(fillRange(0x0000, 0xFFFF, 1).image.size(), 65536u);
}

// The list as F9, the margins and the study view change it: each change is
// in the table at once, and says what it did in the status line's words.
TEST(BreakpointList, EachChangeIsStoredAndSaid) {
    Machine m;
    m.poke("8000", {"3E", "05", "76"});  // MVI A,05; HLT
    InstructionStarts starts;
    starts.noteKeyedAddress(0x8000);
    BreakpointList list(*m.memory, starts, m.kit);
    const int row = *m.memory->rowOf(Text("8000"));
    EXPECT_EQ(list.toggle(row), "breakpoint set at 8000: Execute stops before running it");
    EXPECT_EQ(list.toggle(row + 1),
              "breakpoint set at 8001, an operand of MVI A,05 at 8000: a run never stops there "
              "(set it on 8000)");
    EXPECT_EQ(list.turn(0x8000, false), "breakpoint at 8000 off (kept in the list)");
    EXPECT_FALSE(m.memory->breakpoints().contains(0x8000));
    EXPECT_TRUE(m.memory->breakpointsOff().contains(0x8000));
    EXPECT_EQ(list.entries().size(), 2u);
    EXPECT_EQ(list.turn(0x8000, true), "breakpoint at 8000 on");
    EXPECT_EQ(list.toggle(row), "breakpoint at 8000 cleared");
    EXPECT_EQ(list.remove(0x8001), "breakpoint at 8001 removed");
    EXPECT_TRUE(list.entries().empty());

    EXPECT_EQ(list.watch(0x9000, kWatchWrite), "watchpoint: Execute stops after 9000 is written");
    EXPECT_EQ(list.watch(0x9000, kWatchRead), "watchpoint: Execute stops after 9000 is read and written");
    EXPECT_EQ(m.memory->watchpoints().access(0x9000), kWatchBoth);
    EXPECT_EQ(list.unwatch(0x9000), "watchpoint at 9000 removed");
    EXPECT_TRUE(m.memory->watchpoints().empty());

    list.toggle(row + 2);
    list.turn(0x8001, false);
    list.watch(0x9100, kWatchRead);
    EXPECT_EQ(list.clear(), "cleared 2 breakpoints and 1 watchpoint");
    EXPECT_TRUE(m.memory->breakpoints().empty() && m.memory->breakpointsOff().empty());
    EXPECT_TRUE(m.memory->watchpoints().empty());
    EXPECT_EQ(list.clear(), "cleared 0 breakpoints");
}

// "Run to here" stops on the file's breakpoints that are on and on its row,
// for that run only: the table keeps what it had.
TEST(BreakpointList, ARunToARowStopsThereToo) {
    Machine m;
    InstructionStarts starts;
    BreakpointList list(*m.memory, starts, m.kit);
    m.memory->setBreakpoint(Text("8004"), true);
    m.memory->setBreakpoint(Text("8006"), BreakpointState::Off);
    const Breakpoints& run = list.runningTo(0x8002);
    EXPECT_TRUE(run.contains(0x8002) && run.contains(0x8004));
    EXPECT_FALSE(run.contains(0x8006));
    EXPECT_FALSE(m.memory->breakpoints().contains(0x8002));
    EXPECT_FALSE(list.runningTo(0x8003).contains(0x8002)) << "each run to here has its own row";
}

// The status line's note: said (the line shows it at once) or kept quietly
// during a key's work, which redraws when it ends.
TEST(StatusLine, SaysAndKeeps) {
    StatusLine line;
    int told = 0;
    line.onSaid([&told] { ++told; });
    line.keep({"filled", false});
    EXPECT_EQ(told, 0);
    line.say("refused", true);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(line.note().text, "refused");
    EXPECT_TRUE(line.note().problem);
    line.clear();
    EXPECT_EQ(line.note().text, "");
    EXPECT_FALSE(line.note().problem);
}

}  // namespace
}  // namespace kit85::testing
