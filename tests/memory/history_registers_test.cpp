// Steps that set registers and flags (kept for the session, not in the file)
// among the keyed steps: their order under undo and redo, the refusals, and
// what a restart keeps.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "history_fixture.h"
#include "memory/memory_table.h"
#include "memory_test_support.h"

namespace kit85::testing {
namespace {

// Registers by name, as the kit's would be.
class Registers final : public HistoryOutside {
public:
    std::map<std::string, Text> texts;
    std::optional<Text> textOf(const Text& name) const override {
        auto it = texts.find(name.str());
        return it == texts.end() ? std::nullopt : std::optional<Text>(it->second);
    }
    void set(const Text& name, const Text& text) override { texts.at(name.str()) = text; }
};

class HistoryRegisters : public History {
protected:
    Registers regs;
    HistoryRegisters() { regs.texts = {{"register A", Text("3E")}, {"register SP", Text("FFF0")}}; }
    // A reset of A and SP to zero as one step.
    void reset() {
        m->beginEdit();
        m->recordOutside(Text("register A"), regs.texts["register A"], Text("00"));
        regs.texts["register A"] = Text("00");
        m->recordOutside(Text("register SP"), regs.texts["register SP"], Text("0000"));
        regs.texts["register SP"] = Text("0000");
        m->endEdit();
    }
    std::string undo() { return rows(m->undo(&regs)); }
    std::string redo() { return rows(m->redo(&regs)); }
    std::string registers() { return regs.texts["register A"].str() + " " + regs.texts["register SP"].str(); }
    std::vector<std::string> fileHistory() { return column(file, "SELECT step || ' ' || address FROM history ORDER BY seq"); }
};

TEST_F(HistoryRegisters, ARegisterStepTakesItsTurnAmongTheKeyedOnes) {
    key("8000", "11");
    reset();
    key("8001", "22");
    EXPECT_EQ(m->lastEdits(10).size(), 3u);
    EXPECT_TRUE(m->lastEdits(10)[1].rows.front().outside);

    EXPECT_EQ(undo(), "done 8001:22>00");
    EXPECT_EQ(undo(), "done register SP:0000>FFF0 register A:00>3E");
    EXPECT_EQ(registers(), "3E FFF0");
    EXPECT_EQ(undo(), "done 8000:11>00");
    EXPECT_EQ(redo(), "done 8000:00>11");
    EXPECT_EQ(redo(), "done register A:3E>00 register SP:FFF0>0000");
    EXPECT_EQ(registers(), "00 0000");
    EXPECT_EQ(redo(), "done 8001:00>22");
    EXPECT_EQ(stored("8001"), "22");
    EXPECT_EQ(describe(fileHistory()), "{ 1 8000 3 8001 }") << "the register step is not in the file";
}

// Whatever the refusal, the registers and the rows stay as they were.
TEST_F(HistoryRegisters, ARegisterChangedSinceOrOutOfReachRefusesTheWholeStep) {
    const struct {
        const char* name;
        std::function<void(Registers&)> after;
        bool withRegisters;
        const char* refusal;
    } cases[] = {
        {"a run set SP since", [](Registers& r) { r.texts["register SP"] = Text("1234"); }, true,
         "refused: cannot undo: register SP now holds \"1234\", not \"0000\" as the step left it (a run or a key changed it "
         "since); nothing was changed; the step is dropped from the history, so undo goes on with the step before it"},
        {"no registers at hand", [](Registers&) {}, false,
         "refused: cannot undo: the kit's register SP is not at hand here; nothing was changed"},
        {"a name the kit does not know",
[](Registers& r) { r.texts.erase("register A"); },
         true, "refused: cannot undo: the kit's register A is not at hand here; nothing was changed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        newFile();
        regs.texts = {{"register A", Text("3E")}, {"register SP", Text("FFF0")}};
        key("8000", "11");
        reset();
        c.after(regs);
        const std::map<std::string, Text> before = regs.texts;
        EXPECT_EQ(c.withRegisters ? undo() : rows(m->undo()), c.refusal);
        EXPECT_EQ(regs.texts, before);
        EXPECT_EQ(at("8000"), "11");
    }
}

// Registers change with every run: a register step a run overtook is dropped
// when undo or redo reaches it, so the keyed steps around it stay reachable.
TEST_F(HistoryRegisters, ARegisterStepARunOvertookNeverBarsTheOthers) {
    key("8000", "11");
    reset();
    key("8001", "22");
    regs.texts["register A"] = Text("05");  // a step ran
    EXPECT_EQ(undo(), "done 8001:22>00");
    const std::string overtaken = undo();
    EXPECT_EQ(overtaken.rfind("refused: cannot undo: register A now holds \"05\"", 0), 0u) << overtaken;
    EXPECT_EQ(registers(), "05 0000") << "nothing set back";
    EXPECT_EQ(undo(), "done 8000:11>00") << "the keyed byte before the reset";
    EXPECT_EQ(redo(), "done 8000:00>11");
    EXPECT_EQ(redo(), "done 8001:00>22") << "the dropped step is gone from redo too";

    // Undone, then overtaken before redo: dropped the same way.
    newFile();
    regs.texts = {{"register A", Text("3E")}, {"register SP", Text("FFF0")}};
    reset();
    key("8000", "11");
    EXPECT_EQ(undo(), "done 8000:11>00");
    EXPECT_EQ(undo(), "done register SP:0000>FFF0 register A:00>3E");
    EXPECT_EQ(redo(), "done register A:3E>00 register SP:FFF0>0000");
    EXPECT_EQ(undo(), "done register SP:0000>FFF0 register A:00>3E");
    regs.texts["register SP"] = Text("1234");
    const std::string refused = redo();
    EXPECT_NE(refused.find("so redo goes on with the step after it"), std::string::npos) << refused;
    EXPECT_EQ(redo(), "done 8000:00>11");
    EXPECT_EQ(registers(), "3E 1234");
}

TEST_F(HistoryRegisters, ANewEditAfterUndoingARegisterStepEndsRedo) {
    key("8000", "11");
    reset();
    EXPECT_EQ(undo(), "done register SP:0000>FFF0 register A:00>3E");
    EXPECT_EQ(undo(), "done 8000:11>00");
    reset();  // a new step: the undone keyed byte goes from the file too
    EXPECT_EQ(redo(), "refused: nothing to redo");
    EXPECT_TRUE(fileHistory().empty());
    EXPECT_EQ(undo(), "done register SP:0000>FFF0 register A:00>3E");
    EXPECT_EQ(undo(), "refused: nothing to undo");
}

TEST_F(HistoryRegisters, ARestartKeepsTheKeyedStepsOnly) {
    key("8000", "11");
    reset();
    key("8001", "22");
    ASSERT_EQ(undo(), "done 8001:22>00");
    reopen();
    EXPECT_EQ(redo(), "done 8001:00>22");
    EXPECT_EQ(undo(), "done 8001:22>00");
    EXPECT_EQ(undo(), "done 8000:11>00") << "the register step went with the session";
    key("8002", "33");
    EXPECT_EQ(describe(fileHistory()), "{ 1 8002 }") << "both undone steps dropped";
}

TEST_F(HistoryRegisters, AnAbandonedGroupTakesItsRegisterRowsWithIt) {
    key("8000", "11");
    m->beginEdit();
    m->recordOutside(Text("register A"), Text("3E"), Text("00"));
    m->abandonEdit();
    EXPECT_EQ(m->lastEdits(10).size(), 1u);
    EXPECT_EQ(undo(), "done 8000:11>00");
}

}  // namespace
}  // namespace kit85::testing
