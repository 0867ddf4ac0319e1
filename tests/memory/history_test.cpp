// The undo history of keyed bytes: key, undo, redo, across a restart, and the
// rows a program wrote since; a file without the table is not changed until a
// keyed byte is saved.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "history_fixture.h"
#include "memory/memory_table.h"
#include "memory_test_support.h"

namespace kit85::testing {
namespace {

TEST_F(History, KeyUndoRedoAndUndoAgainAfterARestart) {
    key("8000", "3");
    key("8000", "3E");  // the second digit completes the same step
    key("8001", "05");
    EXPECT_EQ(m->lastEdits(10).size(), 2u);

    EXPECT_EQ(rows(m->undo()), "done 8001:05>00");
    EXPECT_EQ(stored("8001"), "00") << "undo is committed at once";
    EXPECT_EQ(rows(m->undo()), "done 8000:3E>00");
    EXPECT_EQ(rows(m->undo()), "refused: nothing to undo");
    EXPECT_EQ(rows(m->redo()), "done 8000:00>3E");
    EXPECT_EQ(stored("8000"), "3E");

    reopen();
    EXPECT_EQ(at("8000"), "3E");
    EXPECT_EQ(rows(m->redo()), "done 8001:00>05") << "the undone step survives the restart";
    EXPECT_EQ(rows(m->undo()), "done 8001:05>00");
    EXPECT_EQ(rows(m->undo()), "done 8000:3E>00");
    EXPECT_EQ(stored("8000"), "00");
    EXPECT_EQ(stored("8001"), "00");
}

TEST_F(History, ANewKeyedByteEndsRedo) {
    key("8000", "11");
    m->undo();
    key("8002", "22");
    EXPECT_EQ(rows(m->redo()), "refused: nothing to redo");
    reopen();
    EXPECT_EQ(rows(m->redo()), "refused: nothing to redo");
    EXPECT_EQ(rows(m->undo()), "done 8002:22>00");
    EXPECT_EQ(describe(column(file, "SELECT address || '=' || new FROM history")), "{ 8002=22 }");
}

// However the new edit is keyed after two undos, redo ends, and the undone
// steps leave the file as well as the kit: no restart brings them back, and
// the new edit's step follows the one still in the history.
TEST_F(History, ANewEditAfterUndoDropsTheUndoneStepsEverywhere) {
    const struct {
        const char* name;
        std::function<void()> edit;
        const char* stored;   // the file's history rows after the edit
        const char* undoNew;  // what undo then takes back
    } cases[] = {
        {"a byte", [this] { key("9000", "77"); }, "{ 1 8000 00 11 0 2 9000 00 77 0 }", "done 9000:77>00"},
        {"a first digit", [this] { key("9000", "7"); }, "{ 1 8000 00 11 0 2 9000 00 7 0 }", "done 9000:7>00"},
        {"a first digit on the row undo restored", [this] { key("8001", "2"); }, "{ 1 8000 00 11 0 2 8001 00 2 0 }",
         "done 8001:2>00"},
        {"a group of bytes",
         [this] {
             m->beginEdit();
             key("9000", "77");
             key("9001", "88");
             m->endEdit();
         },
         "{ 1 8000 00 11 0 2 9000 00 77 0 2 9001 00 88 0 }", "done 9001:88>00 9000:77>00"},
    };
    const std::string fileHistory =
        "SELECT step||' '||address||' '||old||' '||new||' '||undone FROM history ORDER BY seq";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        newFile();
        key("8000", "11");
        key("8001", "22");
        key("8002", "33");
        ASSERT_TRUE(m->undo().done);
        ASSERT_TRUE(m->undo().done);
        c.edit();
        EXPECT_EQ(rows(m->redo()), "refused: nothing to redo");
        EXPECT_EQ(describe(column(file, fileHistory)), c.stored);
        EXPECT_EQ(m->lastEdits(5).size(), 2u);
        reopen();
        EXPECT_EQ(rows(m->redo()), "refused: nothing to redo") << "after a restart";
        EXPECT_EQ(rows(m->undo()), c.undoNew);
        EXPECT_EQ(rows(m->undo()), "done 8000:11>00");
        EXPECT_EQ(rows(m->undo()), "refused: nothing to undo");
        EXPECT_EQ(at("8001") + at("8002"), "0000");
    }
}

TEST_F(History, AnEditOfSeveralBytesIsOneStep) {
    m->beginEdit();
    key("8000", "3E");
    key("8001", "05");
    key("8002", "76");
    m->endEdit();
    ASSERT_EQ(m->lastEdits(5).size(), 1u);
    EXPECT_EQ(m->lastEdits(5)[0].rows.size(), 3u);
    EXPECT_EQ(rows(m->undo()), "done 8002:76>00 8001:05>00 8000:3E>00");
    EXPECT_EQ(rows(m->redo()), "done 8000:00>3E 8001:00>05 8002:00>76");
}

TEST_F(History, UndoRefusesARowAProgramWroteSince) {
    key("9000", "05");
    key("9001", "06");
    m->beginEdit();  // the run's writes are not keyed: setText2 alone
    m->endEdit();
    m->findAddress(Text("9001"));
    m->setText2(Text("19"));  // as STA would
    m->flush();
    EXPECT_EQ(rows(m->undo()),
              "refused: cannot undo: row \"9001\" now holds \"19\", not \"06\" as keyed (a program wrote it since); "
              "nothing was changed; Ctrl+Z again drops this step from the history and undoes the one before it");
    EXPECT_EQ(at("9001"), "19");
    EXPECT_EQ(stored("9001"), "19");
    EXPECT_EQ(m->lastEdits(5).size(), 2u) << "the program's byte is not in the history";
    EXPECT_FALSE(m->undone(m->lastEdits(1)[0].step)) << "a refused undo leaves the step where it was";

    // Undone, then overwritten: redo is refused the same way.
    key("9001", "06");
    ASSERT_TRUE(m->undo().done);
    m->findAddress(Text("9001"));
    m->setText2(Text("77"));
    EXPECT_EQ(rows(m->redo()),
              "refused: cannot redo: row \"9001\" now holds \"77\", not \"19\" as undo left it (a program wrote it "
              "since); nothing was changed");
}

TEST_F(History, AStepOfSeveralBytesIsRefusedWhole) {
    m->beginEdit();
    key("8000", "01");
    key("8001", "02");
    m->endEdit();
    m->findAddress(Text("8000"));
    m->setText2(Text("FF"));
    EXPECT_FALSE(m->undo().done);
    EXPECT_EQ(at("8001"), "02") << "the later row was not taken back either";
    EXPECT_EQ(at("8000"), "FF");
}

TEST_F(History, AFileWithoutTheTableIsNotChangedUntilAByteIsKeyed) {
    m.reset();
    const std::string before = readBytes(file);
    {
        auto t = MemoryTable::open(file);
        EXPECT_TRUE(t->lastEdits(5).empty());
        EXPECT_EQ(rows(t->undo()), "refused: nothing to undo");
        EXPECT_EQ(rows(t->redo()), "refused: nothing to redo");
    }
    EXPECT_EQ(sameBytes(before, readBytes(file)), "");
    EXPECT_EQ(describe(column(file, "SELECT name FROM sqlite_master WHERE name = 'history'")), "{ }");

    m = MemoryTable::open(file);
    key("8000", "AA");
    EXPECT_EQ(describe(column(file, "SELECT name FROM pragma_table_info('d2')")), "{ address data }")
        << "d2 keeps its shape";
    EXPECT_EQ(describe(column(file, "SELECT step || ' ' || address || ' ' || old || ' ' || new FROM history")),
              "{ 1 8000 00 AA }");
}

// An edit group dropped with abandonEdit, while open or after its commit
// failed, leaves the history, the file's history and undo as they were, and no
// later flush saves its steps. The caller puts the rows' old texts back.
TEST_F(History, AnAbandonedEditLeavesTheHistoryAsItWas) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, const char*>> keyed;  // before the edit
        bool undoFirst;                                          // then one undo
        const char* keyAfter;                                    // keyed at 8000 after the abandon, or null
        bool redo;                                               // then redo, else undo
        const char* want;
    } cases[] = {
        {"nothing keyed", {}, false, nullptr, false, "refused: nothing to undo"},
        {"keyed steps", {{"8000", "11"}, {"8001", "22"}}, false, nullptr, false, "done 8001:22>00"},
        {"an undone step, dropped by the edit's first byte",
         {{"8000", "11"}, {"8001", "22"}},
         true,
         nullptr,
         true,
         "done 8001:00>22"},
        {"a first digit, completed afterwards", {{"8000", "1"}}, false, "1E", false, "done 8000:1E>00"},
    };
    const auto edits = [this] {
        std::string s;
        for (const MemoryTable::Edit& e : m->lastEdits(10)) {
            s += std::to_string(e.step) + (m->undone(e.step) ? " undone:" : ":");
            for (const auto& r : e.rows)
                s.append(" ").append(r.address.str()).append("=").append(r.old.str()).append(">").append(r.now.str());
            s += "; ";
        }
        return s;
    };
    for (const bool commitFails : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (commitFails ? ", after a failed commit" : ", while open"));
            newFile();
            for (const auto& [address, text] : c.keyed) key(address, text);
            if (c.undoFirst) {
                ASSERT_TRUE(m->undo().done);
            }
            const std::string editsBefore = edits();
            const std::string fileHistory = "SELECT step||' '||address||' '||old||' '||new||' '||undone FROM history";
            const std::string storedBefore = describe(column(file, fileHistory));

            const std::string old8000 = at("8000");
            if (commitFails) sql(file, "CREATE TRIGGER guard BEFORE UPDATE ON d2 BEGIN SELECT RAISE(ABORT, 'no'); END");
            m->beginEdit();
            key("8010", "AA");
            key("8000", "BB");
            if (commitFails) {
                EXPECT_THROW(m->endEdit(), StoreError);
            }
            m->abandonEdit();
            EXPECT_EQ(edits(), editsBefore);
            m->findAddress(Text("8010"));
            m->setText2(Text("00"));
            m->findAddress(Text("8000"));
            m->setText2(Text(old8000));

            if (commitFails) sql(file, "DROP TRIGGER guard");
            m->flush();
            EXPECT_EQ(describe(column(file, fileHistory)), storedBefore) << "no flush saves the abandoned step";
            EXPECT_EQ(stored("8010"), "00");
            EXPECT_EQ(edits(), editsBefore);
            if (c.keyAfter) key("8000", c.keyAfter);
            EXPECT_EQ(rows(c.redo ? m->redo() : m->undo()), c.want);
        }
    }
}

TEST_F(History, AbandonEditClosesTheGroupAndLeavesACommittedOne) {
    m->beginEdit();
    key("8000", "11");
    m->endEdit();
    m->abandonEdit();
    EXPECT_EQ(m->lastEdits(5).size(), 1u) << "a committed edit stays";

    m->beginEdit();
    m->beginEdit();
    key("8001", "22");
    m->abandonEdit();
    EXPECT_EQ(at("8001"), "22") << "the rows are the caller's to put back";
    key("8002", "33");
    EXPECT_EQ(stored("8002"), "33") << "outside any group again: committed at once";
    EXPECT_EQ(rows(m->undo()), "done 8002:33>00");
    EXPECT_EQ(rows(m->undo()), "done 8000:11>00");
}

TEST_F(History, APrivateTableKeepsItsHistoryInMemory) {
    auto t = MemoryTable::fresh();
    t->findAddress(Text("8000"));
    t->keyText2(Text("42"));
    EXPECT_EQ(rows(t->undo()), "done 8000:42>00");
    EXPECT_EQ(rows(t->redo()), "done 8000:00>42");
}

}  // namespace
}  // namespace kit85::testing
