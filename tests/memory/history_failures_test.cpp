// An undo history the memory file will not keep: keyed bytes are saved
// without it, undo and redo say why, and the front end is told once. A byte
// the file refuses is still refused, its history kept for the next commit.
#include <gtest/gtest.h>

#include <string>

#include "history_fixture.h"
#include "memory/memory_table.h"
#include "memory_test_support.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

const std::string kHistoryTable =
    "CREATE TABLE history (seq INTEGER PRIMARY KEY, step INTEGER, address TEXT, old TEXT, new TEXT, undone "
    "INTEGER NOT NULL DEFAULT 0);";

TEST_F(History, AHistoryTheFileRefusesTurnsUndoOffAndKeyingGoesOn) {
    const struct {
        const char* name;
        std::string setup;
        const char* problem;
    } cases[] = {
        {"a trigger refuses history rows",
         kHistoryTable +
             "CREATE TRIGGER guard BEFORE INSERT ON history BEGIN SELECT RAISE(ABORT, 'no history here'); END",
         "cannot save the undo history (no history here)"},
        {"history is a view",
         "CREATE VIEW history AS SELECT 1 AS seq, 1 AS step, '' AS address, '' AS old, '' AS new, 0 AS undone WHERE 0",
         "cannot save the undo history (cannot modify history because it is a view)"},
        {"an index has the name", "CREATE INDEX history ON d2 (data)",
         "cannot make table history (there is already an index named history)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        newFile(c.setup);
        ASSERT_EQ(m->historyProblem(), "") << "the history reads";

        key("8000", "A");  // the first byte keyed finds the history refused
        const std::string notice = m->takeHistoryNotice();
        EXPECT_NE(notice.find("memory file " + file.string() + ": " + c.problem), std::string::npos) << notice;
        EXPECT_NE(notice.find("; keyed bytes are saved without undo from now on"), std::string::npos) << notice;
        EXPECT_EQ(m->takeHistoryNotice(), "") << "it is told once";
        EXPECT_EQ(m->historyProblem(), notice);
        key("8000", "AB");
        key("8001", "CD");
        EXPECT_EQ(m->takeHistoryNotice(), "");
        EXPECT_EQ(m->pendingWrites(), 0u);
        EXPECT_EQ(stored("8000") + " " + stored("8001"), "AB CD") << "every byte keyed is saved";
        EXPECT_TRUE(m->lastEdits(5).empty());
        EXPECT_EQ(rows(m->undo()), "refused: " + notice);
        EXPECT_EQ(rows(m->redo()), "refused: " + notice);
        EXPECT_EQ(at("8000"), "AB");
    }
}

// A byte refused by d2 is not taken for a refused history: it stays pending
// with its history, and the next commit saves both. When the history is
// refused as well, that commit saves the byte alone and turns undo off.
TEST_F(History, AByteTheFileRefusesKeepsItsHistoryForTheNextCommit) {
    const struct {
        const char* name;
        std::string historyGuard;  // stays in place after d2 takes bytes again
        const char* historyAfter;
        bool undoAfter;
    } cases[] = {
        {"d2 refuses", "", "{ 8000=AA }", true},
        {"d2 and the history refuse",
         kHistoryTable + "CREATE TRIGGER keep BEFORE INSERT ON history BEGIN SELECT RAISE(ABORT, 'no history'); END;",
         "{ }", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        newFile(c.historyGuard + "CREATE TRIGGER guard BEFORE UPDATE ON d2 BEGIN SELECT RAISE(ABORT, 'no bytes'); END");
        const std::string before = readBytes(file);
        m->findAddress(Text("8000"));
        try {
            m->keyText2(Text("AA"));
            ADD_FAILURE() << "the save was not refused";
        } catch (const StoreError& e) {
            EXPECT_NE(std::string(e.what()).find("no bytes"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("1 byte(s) are kept in the kit"), std::string::npos) << e.what();
        }
        EXPECT_EQ(at("8000"), "AA") << "the byte stays in the kit";
        EXPECT_EQ(m->pendingWrites(), 1u);
        EXPECT_EQ(m->historyProblem(), "") << "a refused byte does not turn undo off";
        EXPECT_EQ(m->takeHistoryNotice(), "");
        EXPECT_EQ(sameBytes(before, readBytes(file)), "");

        sql(file, "DROP TRIGGER guard");
        m->flush();
        EXPECT_EQ(stored("8000"), "AA") << "kept and saved by the next flush";
        EXPECT_EQ(describe(column(file, "SELECT address || '=' || new FROM history")), c.historyAfter);
        EXPECT_EQ(m->takeHistoryNotice().empty(), c.undoAfter);
        EXPECT_EQ(m->undo().done, c.undoAfter);
    }
}

// Undo whose mark the file refuses changes nothing, says why, and turns undo
// off; keying goes on.
TEST_F(History, AnUndoTheFileCannotMarkChangesNothing) {
    newFile(kHistoryTable + "CREATE TRIGGER guard BEFORE UPDATE ON history BEGIN SELECT RAISE(ABORT, 'fixed'); END");
    key("8000", "AA");
    const MemoryTable::UndoResult r = m->undo();
    EXPECT_FALSE(r.done);
    EXPECT_NE(r.message.find("cannot save the undo history (fixed); keyed bytes are saved without undo from now on; "
                             "nothing was changed"),
              std::string::npos)
        << r.message;
    EXPECT_TRUE(r.rows.empty());
    EXPECT_EQ(at("8000"), "AA");
    m->flush();
    EXPECT_EQ(stored("8000"), "AA");
    EXPECT_NE(m->takeHistoryNotice(), "");
    key("8001", "BB");
    EXPECT_EQ(stored("8001"), "BB");
    EXPECT_FALSE(m->undo().done);
    EXPECT_EQ(at("8001"), "BB");
}

}  // namespace
}  // namespace kit85::testing
