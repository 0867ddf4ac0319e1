// The study view's status line, one wording per way an action can end.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "panel/model/study_status.h"

namespace kit85 {
namespace {

struct StatusCase {
    const char* name;
    StudyAction action;
    StopReason reason;
    uint64_t steps;
    const char* row;
    const char* code;
    bool invalid;
    const char* next;
    const char* message;
    const char* want;
};

// clang-format off
const StatusCase kCases[] = {
    {"nothing yet", StudyAction::None, StopReason::Steps, 0, "", "", false, "", "", "ready: key a program, then Execute (F5) or Step Exe (F10)"},
    {"halt", StudyAction::Execute, StopReason::Halt, 9, "8008", "76", false, "", "", "halted at 8008 after 9 instructions"},
    {"halt after one", StudyAction::Execute, StopReason::Halt, 1, "8000", "76", false, "", "", "halted at 8000 after 1 instruction"},
    {"stop", StudyAction::Execute, StopReason::Interrupted, 3412009, "8002", "C2", false, "", "", "stopped by Stop at 8002 after 3,412,009 instructions"},
    {"breakpoint", StudyAction::Execute, StopReason::Breakpoint, 4, "8005", "3C", false, "", "", "breakpoint at 8005 after 4 instructions"},
    {"invalid code", StudyAction::Execute, StopReason::InvalidCode, 40, "8201", "C7", false, "", "", "invalid code C7 at 8201 after 40 instructions"},
    {"invalid, the message box open", StudyAction::Execute, StopReason::InvalidCode, 0, "8201", "C7", false, "", "", "invalid code C7 at 8201"},
    {"invalid odd text", StudyAction::Execute, StopReason::InvalidCode, 1, "8000", "3e", false, "", "", "invalid code \"3e\" at 8000 after 1 instruction"},
    {"invalid blank text", StudyAction::Execute, StopReason::InvalidCode, 1, "8000", " 5", false, "", "", "invalid code \" 5\" at 8000 after 1 instruction"},
    {"error", StudyAction::Execute, StopReason::Error, 5, "8003", "32", false, "", "no row 1234", "error: no row 1234 (after 5 instructions)"},
    {"error on the first", StudyAction::Execute, StopReason::Error, 0, "8003", "32", false, "", "no row 1234", "error: no row 1234"},
    {"step limit", StudyAction::Execute, StopReason::StepLimit, 1000, "8004", "C3", false, "", "", "stopped at 8004 after 1,000 instructions (step limit)"},
    {"still running", StudyAction::Execute, StopReason::TimeSlice, 1234567, "8004", "C3", false, "", "", "running: 1,234,567 instructions so far"},
    {"stopped on no row", StudyAction::Execute, StopReason::Interrupted, 2, "", "", false, "", "", "stopped by Stop at (no row) after 2 instructions"},
    {"step", StudyAction::StepExe, StopReason::Steps, 1, "8000", "3E", false, "8002", "", "Step Exe ran 8000; next 8002"},
    {"step on HLT", StudyAction::StepExe, StopReason::Steps, 1, "8008", "76", false, "8009", "", "HLT at 8008: Step Exe goes on past it"},
    {"step on invalid code", StudyAction::StepExe, StopReason::Steps, 1, "8201", "C7", true, "8202", "", "invalid code C7 at 8201"},
    {"step error", StudyAction::StepExe, StopReason::Error, 1, "8000", "32", false, "8000", "no row 9000", "error: no row 9000"},
};
// clang-format on

TEST(StudyStatus, EveryEndingInWords) {
    for (const StatusCase& c : kCases) {
        ActionOutcome o;
        o.action = c.action;
        o.result.reason = c.reason;
        o.result.steps = c.steps;
        o.result.message = c.message;
        o.row = Text(c.row);
        o.code = Text(c.code);
        o.invalidCode = c.invalid;
        o.next = Text(c.next);
        EXPECT_EQ(statusText(o), c.want) << c.name;
    }
}

TEST(StudyStatus, GroupsThousands) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {100000000, "100,000,000"},
        {18446744073709551615ull, "18,446,744,073,709,551,615"},
    };
    for (const auto& [n, want] : cases) EXPECT_EQ(groupedCount(n), want) << n;
}

TEST(StudyStatus, TimeAtTheKitClock) {
    const std::pair<uint64_t, const char*> cases[] = {
        {1, "1 T-state = 0.3 \u00B5s at 3.072 MHz"},
        {4, "4 T-states = 1.3 \u00B5s at 3.072 MHz"},
        {7, "7 T-states = 2.3 \u00B5s at 3.072 MHz"},
        {57, "57 T-states = 18.6 \u00B5s at 3.072 MHz"},
        {3072, "3,072 T-states = 1000.0 \u00B5s at 3.072 MHz"},
        {30719, "30,719 T-states = 9999.7 \u00B5s at 3.072 MHz"},
        {30720, "30,720 T-states = 10.0 ms at 3.072 MHz"},
        {3071999, "3,071,999 T-states = 1000.0 ms at 3.072 MHz"},
        {3072000, "3,072,000 T-states = 1.00 s at 3.072 MHz"},
        {15728619, "15,728,619 T-states = 5.12 s at 3.072 MHz"},
    };
    for (const auto& [n, want] : cases) EXPECT_EQ(timeText(n), want) << n;
}

// Every way a run can end gives its time at the kit's clock, and a run going
// on gives the time so far (a kit-speed run's clock).
TEST(StudyStatus, ExecuteGivesItsTime) {
    const std::tuple<StopReason, uint64_t, const char*> cases[] = {
        {StopReason::Halt, 15728619, "halted at 8008 after 9 instructions; 15,728,619 T-states = 5.12 s at 3.072 MHz"},
        {StopReason::Breakpoint, 28, "breakpoint at 8008 after 9 instructions; 28 T-states = 9.1 \u00B5s at 3.072 MHz"},
        {StopReason::Interrupted, 30720,
         "stopped by Stop at 8008 after 9 instructions; 30,720 T-states = 10.0 ms at 3.072 MHz"},
        {StopReason::TimeSlice, 6144000, "running: 9 instructions; 6,144,000 T-states = 2.00 s at 3.072 MHz so far"},
        {StopReason::Error, 22, "error: no row \"\" (after 9 instructions; 22 T-states = 7.2 \u00B5s at 3.072 MHz)"},
        {StopReason::InvalidCode, 4, "invalid code 76 at 8008 after 9 instructions; 4 T-states = 1.3 \u00B5s at 3.072 MHz"},
    };
    for (const auto& [reason, tstates, want] : cases) {
        ActionOutcome o;
        o.action = StudyAction::Execute;
        o.result.reason = reason;
        o.result.steps = 9;
        o.result.tstates = tstates;
        o.result.message = "no row \"\"";
        o.row = Text("8008");
        o.code = Text("76");
        EXPECT_EQ(statusText(o), want);
    }
}

TEST(StudyStatus, StepExeGivesItsTime) {
    ActionOutcome o;
    o.action = StudyAction::StepExe;
    o.result.reason = StopReason::Steps;
    o.row = Text("8000");
    o.code = Text("3E");
    o.next = Text("8002");
    o.tstates = 7;
    EXPECT_EQ(statusText(o), "Step Exe ran 8000; next 8002; 7 T-states = 2.3 \u00B5s at 3.072 MHz");
}

TEST(StudyStatus, TraceLines) {
    auto ch = [](const char* n, const char* o, const char* w) { return TraceChange{n, Text(o), Text(w)}; };
    TraceStep adi;
    adi.registers = {ch("A", "9A", "19")};
    adi.flags = {ch("CY", "0", "1")};
    adi.reasons = {"A=19: 9A + 7F = 119, kept 19", "CY=1: 9A + 7F = 119, more than FF"};
    TraceStep mvi;
    mvi.registers = {ch("B", "00", "05")};
    TraceStep stepped;  // Step Exe from 8000 with PC left at 8009 by an earlier run
    stepped.address = Text("8000");
    stepped.registers = {ch("A", "00", "05"), ch("PC", "8009", "8002")};
    TraceStep sta;
    sta.rows = {ch("8100", "", "3E")};
    const struct {
        const char* name;
        TraceStep step;
        std::vector<std::string> want;
    } cases[] = {
        {"reasons", adi, adi.reasons},
        {"changes without reasons", mvi, {"B: 00 \u2192 05"}},
        {"PC from the instruction's own row", stepped, {"A: 00 \u2192 05", "PC: 8000 \u2192 8002"}},
        {"a row written", sta, {"8100: \"\" \u2192 3E"}},
        {"nothing changed", TraceStep{}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(traceLines(c.step), c.want) << c.name;
}

TEST(StudyStatus, EditLines) {
    using Row = MemoryTable::EditedRow;
    auto row = [](const char* a, const char* old, const char* now) { return Row{Text(a), Text(old), Text(now)}; };
    const struct {
        const char* name;
        std::vector<Row> rows;
        bool undone;
        const char* want;
    } cases[] = {
        {"one byte", {row("8001", "00", "47")}, false, "8001  00 \u2192 47"},
        {"undone", {row("8001", "00", "47")}, true, "8001  00 \u2192 47 (undone)"},
        {"half a byte", {row("8000", "3E", "4")}, false, "8000  3E \u2192 4"},
        {"from empty", {row("8000", "", "3E")}, false, "8000  \"\" \u2192 3E"},
        {"odd address", {row("80a0", "3e", " 5")}, false, "\"80a0\"  \"3e\" \u2192 \" 5\""},
        {"program",
         {row("8000", "00", "3E"), row("8001", "00", "05"), row("8002", "00", "76")},
         false,
         "8000\u20138002  3 bytes"},
        {"nothing", {}, false, "(no bytes)"},
    };
    for (const auto& c : cases) {
        const MemoryTable::Edit edit{7, c.rows};
        EXPECT_EQ(editText(edit, c.undone), c.want) << c.name;
    }
}

}  // namespace
}  // namespace kit85
