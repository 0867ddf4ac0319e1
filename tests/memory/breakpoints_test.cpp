// Breakpoints: the set, and the set stored with the memory file in a table of
// its own, which a file without it does without until the first one is saved.
#include "memory/breakpoints.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "memory_test_support.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

std::vector<std::string> addressesOf(const Breakpoints& b) {
    std::vector<std::string> out;
    for (uint16_t a : b.addresses()) out.push_back(Text::word(a).str());
    return out;
}

TEST(Breakpoints, AddressesAreFourHexDigitsOfEitherCase) {
    const std::pair<const char*, int> cases[] = {
        {"8000", 0x8000}, {"80a0", 0x80A0}, {"FFFF", 0xFFFF}, {"0000", 0}, {"800", -1},
        {"80000", -1},    {" 800", -1},     {"80G0", -1},     {"", -1},    {"8000 ", -1},
    };
    for (const auto& [text, want] : cases) {
        std::optional<uint16_t> got = Breakpoints::parse(text);
        EXPECT_EQ(got ? int{*got} : -1, want) << "\"" << text << "\"";
    }
}

TEST(Breakpoints, TheSetMatchesOnlyFourUpperCaseDigitRows) {
    Breakpoints b;
    EXPECT_TRUE(b.empty());
    b.insert(0x8003);
    b.insert(0xFFFF);
    b.insert(0x0000);
    b.insert(0x8003);
    b.erase(0x1234);  // not in the set
    EXPECT_EQ(b.size(), 3u);
    EXPECT_EQ(describe(addressesOf(b)), "{ 0000 8003 FFFF }");
    const std::pair<const char*, bool> rows[] = {
        {"8003", true}, {"FFFF", true}, {"0000", true}, {"8004", false}, {"8003 ", false}, {"003", false}, {"", false},
    };
    for (const auto& [row, want] : rows) EXPECT_EQ(b.at(Text(row)), want) << "row \"" << row << "\"";
    b.erase(0x8003);
    EXPECT_FALSE(b.at(Text("8003")));
    EXPECT_EQ(b.size(), 2u);
}

TEST(Breakpoints, AFreshTableTogglesThemInMemory) {
    auto m = MemoryTable::fresh();
    EXPECT_TRUE(m->toggleBreakpoint(Text("80a0")));
    EXPECT_TRUE(m->breakpoints().at(Text("80A0"))) << "80a0 and 80A0 are one breakpoint";
    EXPECT_FALSE(m->toggleBreakpoint(Text("80A0")));
    EXPECT_TRUE(m->breakpoints().empty());
    for (const char* bad : {"800", "80G0", " 8000", "address"}) {
        try {
            m->toggleBreakpoint(Text(bad));
            ADD_FAILURE() << "\"" << bad << "\" was taken as a breakpoint";
        } catch (const KitError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(m->breakpoints().empty());
}

TEST(Breakpoints, AreStoredWithTheFileAndReadBack) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    {
        auto m = MemoryTable::open(file);
        m->setBreakpoint(Text("8003"), true);
        m->toggleBreakpoint(Text("9000"));
        m->toggleBreakpoint(Text("a000"));
        m->toggleBreakpoint(Text("A000"));  // cleared again
    }
    EXPECT_EQ(describe(column(file, "SELECT address FROM breakpoints ORDER BY address")), "{ 8003 9000 }");
    {
        auto m = MemoryTable::open(file);
        EXPECT_EQ(describe(addressesOf(m->breakpoints())), "{ 8003 9000 }");
        m->toggleBreakpoint(Text("8003"));
    }
    auto m = MemoryTable::open(file);
    EXPECT_EQ(describe(addressesOf(m->breakpoints())), "{ 9000 }");
    EXPECT_EQ(describe(column(file, "SELECT name FROM pragma_table_info('d2')")), "{ address data }")
        << "d2 keeps its shape";
}

TEST(Breakpoints, AFileWithoutTheTableIsNotChangedUntilOneIsSaved) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    MemoryTable::open(file).reset();
    const std::string before = readBytes(file);
    {
        auto m = MemoryTable::open(file);
        EXPECT_TRUE(m->breakpoints().empty());
        m->setBreakpoint(Text("8000"), false);  // clearing what is not set saves nothing
    }
    EXPECT_EQ(sameBytes(before, readBytes(file)), "");
    EXPECT_EQ(describe(column(file, "SELECT name FROM sqlite_master WHERE name = 'breakpoints'")), "{ }");

    MemoryTable::open(file)->toggleBreakpoint(Text("8000"));
    EXPECT_EQ(describe(column(file, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")),
              "{ breakpoints d2 }");
    EXPECT_EQ(describe(column(file, "SELECT address FROM breakpoints")), "{ 8000 }");
}

// Stored addresses as another program may have left them: lower case is the
// same breakpoint (and is cleared as one), other texts are left alone.
TEST(Breakpoints, StoredAddressesOfOtherShapes) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    MemoryTable::open(file).reset();
    sql(file,
        "CREATE TABLE breakpoints (address TEXT PRIMARY KEY); INSERT INTO breakpoints VALUES ('80a0'), ('zz'),"
        " ('8000 '), (NULL)");
    {
        auto m = MemoryTable::open(file);
        EXPECT_EQ(describe(addressesOf(m->breakpoints())), "{ 80A0 }");
        EXPECT_FALSE(m->toggleBreakpoint(Text("80A0")));
    }
    EXPECT_EQ(describe(column(file, "SELECT address FROM breakpoints WHERE address IS NOT NULL ORDER BY address")),
              "{ 8000  zz }");
}

// Breakpoints stored in lower case, or twice in two cases, by another
// program: read as one breakpoint that the run stops at, cleared as one (no
// spelling of it is left in the file), and not stored twice when set again.
TEST(Breakpoints, LowerCaseAddressesInTheFileAreTheSameBreakpoints) {
    const struct {
        const char* stored;  // VALUES of INSERT INTO breakpoints
        const char* loaded;
        std::function<void(MemoryTable&)> change;
        const char* after;      // the set when the file is opened again
        const char* fileAfter;  // the stored addresses then
    } cases[] = {
        {"('80a0'), ('80A0')", "{ 80A0 }", [](MemoryTable& m) { m.setBreakpoint(Text("80A0"), false); }, "{ }", "{ }"},
        {"('ffff')", "{ FFFF }", [](MemoryTable& m) { m.setBreakpoint(Text("FFFF"), true); }, "{ FFFF }", "{ ffff }"},
        {"('abcd'), ('0001')", "{ 0001 ABCD }", [](MemoryTable& m) { EXPECT_FALSE(m.toggleBreakpoint(Text("ABCD"))); },
         "{ 0001 }", "{ 0001 }"},
        {"('beef')", "{ BEEF }", [](MemoryTable& m) { EXPECT_FALSE(m.toggleBreakpoint(Text("bEeF"))); }, "{ }", "{ }"},
        {"('c0de')", "{ C0DE }", [](MemoryTable& m) { EXPECT_TRUE(m.toggleBreakpoint(Text("C0DF"))); }, "{ C0DE C0DF }",
         "{ C0DF c0de }"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        TempDir dir;
        const fs::path file = dir / "kit.sqlite";
        sql(file, std::string("CREATE TABLE d2 (address TEXT, data TEXT); INSERT INTO d2 VALUES ('8000', '00');"
                              "CREATE TABLE breakpoints (address TEXT PRIMARY KEY); INSERT INTO breakpoints VALUES ") +
                      c.stored);
        {
            auto m = MemoryTable::open(file);
            EXPECT_EQ(describe(addressesOf(m->breakpoints())), c.loaded);
            for (uint16_t a : m->breakpoints().addresses())
                EXPECT_TRUE(m->breakpoints().at(Text::word(a))) << "the run stops at row " << Text::word(a).str();
            c.change(*m);
        }
        EXPECT_EQ(describe(addressesOf(MemoryTable::open(file)->breakpoints())), c.after);
        EXPECT_EQ(describe(column(file, "SELECT address FROM breakpoints ORDER BY address")), c.fileAfter);
    }
}

TEST(Breakpoints, ASaveTheFileRefusesLeavesTheSetAndTheFile) {
    struct Case {
        const char* name;
        const char* setup;  // SQL run on a new memory file
        bool set;           // the breakpoint is set (else cleared; it is stored)
        const char* problem;
    };
    const Case cases[] = {
        {"a trigger refuses inserts",
         "CREATE TABLE breakpoints (address TEXT PRIMARY KEY);"
         "CREATE TRIGGER guard BEFORE INSERT ON breakpoints BEGIN SELECT RAISE(ABORT, 'no breakpoints here'); END",
         true, "no breakpoints here"},
        {"a trigger refuses deletes",
         "CREATE TABLE breakpoints (address TEXT PRIMARY KEY); INSERT INTO breakpoints VALUES ('8000');"
         "CREATE TRIGGER guard BEFORE DELETE ON breakpoints BEGIN SELECT RAISE(ABORT, 'keep them'); END",
         false, "keep them"},
        {"an index has the name (the file opens without breakpoints)", "CREATE INDEX breakpoints ON d2 (address)", true,
         "cannot make table breakpoints"},
        {"breakpoints is a view", "CREATE VIEW breakpoints AS SELECT '9000' AS address", true,
         "cannot save a breakpoint"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto file = dir / "kit.sqlite";
        MemoryTable::open(file).reset();
        sql(file, c.setup);
        const std::string before = readBytes(file);
        {
            auto m = MemoryTable::open(file);
            const std::vector<std::string> had = addressesOf(m->breakpoints());
            try {
                m->setBreakpoint(Text("8000"), c.set);
                ADD_FAILURE() << c.name << ": the save was not refused";
            } catch (const StoreError& e) {
                const std::string msg = e.what();
                EXPECT_NE(msg.find(c.problem), std::string::npos) << c.name << ": " << msg;
                EXPECT_NE(msg.find("breakpoint 8000 is left as it was"), std::string::npos) << c.name << ": " << msg;
            }
            EXPECT_EQ(describe(addressesOf(m->breakpoints())), describe(had)) << c.name << ": the set changed";
        }
        EXPECT_EQ(sameBytes(before, readBytes(file)), "") << c.name;
    }
}

// A breakpoint turned off is kept in a table of its own, so that a reader of
// table breakpoints (kit85-run, an older kit85) sees only those a run stops
// at, and the list still has it after a restart.
TEST(Breakpoints, ThoseTurnedOffAreKeptApartAndReadBack) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    const struct {
        const char* what;
        std::function<void(MemoryTable&)> change;
        const char* on;
        const char* off;
    } steps[] = {
        {"two on, one turned off",
         [](MemoryTable& m) {
             m.setBreakpoint(Text("8000"), true);
             m.setBreakpoint(Text("8001"), true);
             m.setBreakpoint(Text("8000"), BreakpointState::Off);
         },
         "{ 8001 }", "{ 8000 }"},
        {"F9 on the off one", [](MemoryTable& m) { EXPECT_TRUE(m.toggleBreakpoint(Text("8000"))); }, "{ 8000 8001 }",
         "{ }"},
        {"off, then gone",
         [](MemoryTable& m) {
             m.setBreakpoint(Text("8001"), BreakpointState::Off);
             m.setBreakpoint(Text("8001"), BreakpointState::Gone);
         },
         "{ 8000 }", "{ }"},
        {"off straight from nothing", [](MemoryTable& m) { m.setBreakpoint(Text("9000"), BreakpointState::Off); },
         "{ 8000 }", "{ 9000 }"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.change(*MemoryTable::open(file));
        auto m = MemoryTable::open(file);
        EXPECT_EQ(describe(addressesOf(m->breakpoints())), s.on);
        EXPECT_EQ(describe(addressesOf(m->breakpointsOff())), s.off);
        EXPECT_EQ(describe(column(file, "SELECT address FROM breakpoints ORDER BY address")), s.on);
    }
    // One in both tables, as a hand edit may leave it, is on.
    sql(file, "INSERT INTO breakpoints_off VALUES ('8000')");
    auto m = MemoryTable::open(file);
    EXPECT_EQ(describe(addressesOf(m->breakpoints())), "{ 8000 }");
    EXPECT_EQ(describe(addressesOf(m->breakpointsOff())), "{ 9000 }");
    m.reset();
    // One turned off by another program in lower case is the same breakpoint:
    // removing it leaves no spelling of it in the file.
    sql(file, "INSERT INTO breakpoints_off VALUES ('a00b')");
    {
        auto again = MemoryTable::open(file);
        EXPECT_EQ(describe(addressesOf(again->breakpointsOff())), "{ 9000 A00B }");
        again->setBreakpoint(Text("A00B"), BreakpointState::Gone);
    }
    EXPECT_EQ(describe(column(file, "SELECT address FROM breakpoints_off ORDER BY address")), "{ 8000 9000 }");
}

// Turning one off is one transaction: refused, it stays on in the file and
// in the kit.
TEST(Breakpoints, TurningOffIsRefusedWhole) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    MemoryTable::open(file)->setBreakpoint(Text("8000"), true);
    sql(file,
        "CREATE TABLE breakpoints_off (address TEXT PRIMARY KEY);"
        "CREATE TRIGGER guard BEFORE INSERT ON breakpoints_off BEGIN SELECT RAISE(ABORT, 'not off'); END");
    const std::string before = readBytes(file);
    {
        auto m = MemoryTable::open(file);
        EXPECT_THROW(m->setBreakpoint(Text("8000"), BreakpointState::Off), StoreError);
        EXPECT_EQ(describe(addressesOf(m->breakpoints())), "{ 8000 }");
        EXPECT_TRUE(m->breakpointsOff().empty());
    }
    EXPECT_EQ(sameBytes(before, readBytes(file)), "");
}

TEST(Breakpoints, ABreakpointsTableWithoutAddressesIsRefusedAtOpen) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    MemoryTable::open(file).reset();
    sql(file, "CREATE TABLE breakpoints (place TEXT)");
    const std::string before = readBytes(file);
    try {
        MemoryTable::open(file);
        ADD_FAILURE() << "the file was opened";
    } catch (const StoreError& e) {
        const std::string msg = e.what();
        EXPECT_NE(msg.find(file.string()), std::string::npos) << msg;
        EXPECT_NE(msg.find("table breakpoints cannot be read"), std::string::npos) << msg;
    }
    EXPECT_EQ(sameBytes(before, readBytes(file)), "");
}

}  // namespace
}  // namespace kit85::testing
