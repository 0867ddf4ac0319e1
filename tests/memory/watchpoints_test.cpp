// Watchpoints: the set, and the set stored with the memory file in a table of
// its own beside the breakpoints, made when the first one is saved.
#include "memory/watchpoints.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "memory_test_support.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

// "9000:rw" for each watchpoint, by address.
std::vector<std::string> entriesOf(const Watchpoints& w) {
    std::vector<std::string> out;
    for (const Watchpoints::Entry& e : w.entries())
        out.push_back(Text::word(e.address).str() + ":" + std::string(watchAccessName(e.access)));
    return out;
}

TEST(Watchpoints, TheSetCountsRowsNotAccesses) {
    Watchpoints w;
    EXPECT_TRUE(w.empty());
    w.set(0x9000, kWatchWrite);
    w.set(0x9000, kWatchBoth);  // the same row again
    w.set(0xFFFF, kWatchRead);
    w.set(0x0000, kWatchWrite);
    w.set(0x1234, 0);  // clearing a row never watched
    w.set(0x8000, 0xFF);  // bits beyond r and w are dropped
    EXPECT_EQ(w.size(), 4u);
    EXPECT_EQ(describe(entriesOf(w)), "{ 0000:w 8000:rw 9000:rw FFFF:r }");
    w.erase(0x9000);
    w.erase(0x9000);
    EXPECT_EQ(w.size(), 3u);
    EXPECT_EQ(w.access(0x9000), 0);
    w.clear();
    EXPECT_TRUE(w.empty());
    EXPECT_EQ(describe(entriesOf(w)), "{ }");
}

// Set, changed and cleared in one opening, each saved at once: the next
// opening finds what was left, and the file holds one row a watchpoint.
TEST(Watchpoints, StoredWithTheFile) {
    struct Step {
        const char* address;
        uint8_t access;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        const char* loaded;  // the set at the next opening
        const char* stored;  // address:access rows in the file
    };
    const Case cases[] = {
        {"one write watch", {{"9000", kWatchWrite}}, "{ 9000:w }", "{ 9000:w }"},
        {"the access changed", {{"9000", kWatchWrite}, {"9000", kWatchRead}}, "{ 9000:r }", "{ 9000:r }"},
        {"either case of address", {{"90ab", kWatchBoth}, {"90AB", kWatchRead}}, "{ 90AB:r }", "{ 90AB:r }"},
        {"set and cleared", {{"9000", kWatchWrite}, {"9001", kWatchRead}, {"9000", 0}}, "{ 9001:r }", "{ 9001:r }"},
        {"a clear in a file without the table", {{"9000", 0}}, "{ }", "no table"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path file = dir / "kit.sqlite";
        {
            auto m = MemoryTable::open(file);
            for (const Step& s : c.steps) m->setWatchpoint(Text(s.address), s.access);
        }
        EXPECT_EQ(describe(entriesOf(MemoryTable::open(file)->watchpoints())), c.loaded) << c.name;
        const std::vector<std::string> rows =
            column(file, "SELECT address || ':' || access FROM watchpoints ORDER BY address");
        EXPECT_EQ(rows.empty() && column(file, "SELECT name FROM sqlite_master WHERE name = 'watchpoints'").empty()
                      ? std::string("no table")
                      : describe(rows),
                  c.stored)
            << c.name;
    }
}

TEST(Watchpoints, ClearAllAndRefusedAddresses) {
    TempDir dir;
    const fs::path file = dir / "kit.sqlite";
    {
        auto m = MemoryTable::open(file);
        m->setWatchpoint(Text("9000"), kWatchWrite);
        m->setWatchpoint(Text("9005"), kWatchBoth);
        for (const char* bad : {"900", "9000 ", "zz00", ""}) {
            try {
                m->setWatchpoint(Text(bad), kWatchWrite);
                ADD_FAILURE() << "\"" << bad << "\" was taken";
            } catch (const KitError& e) {
                EXPECT_NE(std::string(e.what()).find("a watchpoint needs an address of four hex digits"),
                          std::string::npos)
                    << e.what();
            }
        }
        EXPECT_EQ(m->watchpoints().size(), 2u);
        m->clearWatchpoints();
        EXPECT_TRUE(m->watchpoints().empty());
    }
    EXPECT_TRUE(MemoryTable::open(file)->watchpoints().empty());
    EXPECT_EQ(describe(column(file, "SELECT address FROM watchpoints")), "{ }");
}

// Rows another program left: lower case is the same row, an access of
// another case counts, anything else watches nothing and stays in the file.
TEST(Watchpoints, StoredRowsOfOtherShapes) {
    TempDir dir;
    const fs::path file = dir / "kit.sqlite";
    MemoryTable::open(file).reset();
    sql(file,
        "CREATE TABLE watchpoints (address TEXT PRIMARY KEY, access TEXT); INSERT INTO watchpoints VALUES"
        " ('90a0', 'W'), ('9001', 'Rw'), ('zz', 'w'), ('9002', 'x'), ('9003', NULL), (NULL, 'r')");
    auto m = MemoryTable::open(file);
    EXPECT_EQ(describe(entriesOf(m->watchpoints())), "{ 9001:rw 90A0:w }");
    m->setWatchpoint(Text("90A0"), 0);
    EXPECT_EQ(describe(column(file, "SELECT address FROM watchpoints WHERE address IS NOT NULL ORDER BY address")),
              "{ 9001 9002 9003 zz }");
}

TEST(Watchpoints, OddTablesAreHandledAsTheBreakpointsTableIs) {
    struct Case {
        const char* name;
        const char* setup;
        bool opens;           // else refused at open with `problem`
        const char* problem;  // at open, or when a watchpoint is saved
    };
    const Case cases[] = {
        {"no access column", "CREATE TABLE watchpoints (address TEXT)", false, "table watchpoints cannot be read"},
        {"a trigger refuses inserts",
         "CREATE TABLE watchpoints (address TEXT PRIMARY KEY, access TEXT);"
         "CREATE TRIGGER guard BEFORE INSERT ON watchpoints BEGIN SELECT RAISE(ABORT, 'not here'); END",
         true, "not here"},
        {"an index has the name", "CREATE INDEX watchpoints ON d2 (address)", true, "cannot make table watchpoints"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path file = dir / "kit.sqlite";
        MemoryTable::open(file).reset();
        sql(file, c.setup);
        const std::string before = readBytes(file);
        try {
            auto m = MemoryTable::open(file);
            EXPECT_TRUE(c.opens) << c.name << ": opened";
            m->setWatchpoint(Text("9000"), kWatchWrite);
            ADD_FAILURE() << c.name << ": the save was not refused";
        } catch (const StoreError& e) {
            const std::string msg = e.what();
            EXPECT_NE(msg.find(c.problem), std::string::npos) << c.name << ": " << msg;
            if (c.opens) {
                EXPECT_NE(msg.find("watchpoint 9000 is left as it was"), std::string::npos) << msg;
            }
        }
        EXPECT_EQ(sameBytes(before, readBytes(file)), "") << c.name;
    }
}

}  // namespace
}  // namespace kit85::testing
