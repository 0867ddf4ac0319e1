// The memory table's rows and cursor: Find, MoveNext, MovePrevious, and writes
// through setText2.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "memory/memory_table.h"
#include "memory_test_support.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

TEST(MemoryTable, FindMatchesAddressesWithoutRegardToCase) {
    TempDir dir;
    auto file = dir / "odd.sqlite";
    sql(file,
        "CREATE TABLE d2 (address TEXT, data TEXT);"
        "INSERT INTO d2 VALUES ('8002','33'), ('20ab','11'), ('8000','22'), ('8001','44'), ('8000','99');");
    auto t = MemoryTable::open(file);
    ASSERT_EQ(t->size(), 5);
    EXPECT_EQ(t->text1().str(), "20ab") << "rows are taken in ascending address order";
    const std::pair<const char*, const char*> finds[] = {
        {"address= #20AB#", "11"}, {"address= #20ab#", "11"}, {"address = #8000#", "22"}, {"ADDRESS= #8001#", "44"}};
    for (auto [criterion, data] : finds) {
        t->Find(criterion);
        EXPECT_TRUE(t->onRow()) << criterion;
        EXPECT_EQ(t->text2().str(), data) << criterion << " finds the first matching row";
    }
    t->Find("address= #8000#");
    t->MoveNext();
    EXPECT_EQ(t->text2().str(), "99") << "the duplicate row follows the first";
    t->MoveNext();
    EXPECT_EQ(t->text1().str(), "8001");
}

TEST(MemoryTable, CursorStopsAtBothEnds) {
    auto t = MemoryTable::fresh();
    t->findAddress(Text("FFFF"));
    t->MoveNext();
    EXPECT_TRUE(t->atEOF());
    EXPECT_FALSE(t->onRow());
    t->MovePrevious();
    EXPECT_EQ(t->text1().str(), "FFFF");

    t->findAddress(Text("0000"));
    t->MovePrevious();
    EXPECT_TRUE(t->atBOF());
    EXPECT_EQ(t->text1().str(), "");
    t->MoveNext();
    EXPECT_EQ(t->text1().str(), "0000");
}

// Where the cursor stands on no row: reads are empty and a write is refused
// with a message, writing nothing anywhere.
TEST(MemoryTable, NoRowReadsEmptyAndRefusesWrites) {
    struct Case {
        const char* name;
        std::function<void(MemoryTable&)> go;
        const char* messagePart;
    };
    const Case cases[] = {
        {"Find without a match", [](MemoryTable& t) { t.Find("address= #12G4#"); }, "12G4"},
        {"Find of a short address", [](MemoryTable& t) { t.findAddress(Text("800")); }, "800"},
        {"malformed criterion", [](MemoryTable& t) { t.Find("address 8000"); }, "address 8000"},
        {"past the last row",
         [](MemoryTable& t) {
             t.findAddress(Text("FFFF"));
             t.MoveNext();
         },
         "past the last row"},
        {"before the first row",
         [](MemoryTable& t) {
             t.findAddress(Text("0000"));
             t.MovePrevious();
         },
         "before the first row"},
    };
    for (const auto& c : cases) {
        auto t = MemoryTable::fresh();
        c.go(*t);
        EXPECT_FALSE(t->onRow()) << c.name;
        EXPECT_EQ(t->text1().str(), "") << c.name;
        EXPECT_EQ(t->text2().str(), "") << c.name;
        try {
            t->setText2(Text("AA"));
            ADD_FAILURE() << c.name << ": the write was not refused";
        } catch (const NoRowError& e) {
            EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos) << c.name << ": " << e.what();
        }
        EXPECT_EQ(t->pendingWrites(), 0u) << c.name;
        for (int i = 0; i < t->size(); ++i)
            ASSERT_EQ(t->dataAt(i).str(), "00") << c.name << ": row " << i << " changed";
    }
}

// No write makes a text longer than kMaxTextLength: the write is refused and
// the row and the pending list are left as they were.
TEST(MemoryTable, WritesOfLongTextsAreRefused) {
    struct Case {
        std::size_t length;
        bool stored;
    };
    const Case cases[] = {{0, true}, {kMaxTextLength, true}, {kMaxTextLength + 1, false}, {4000, false}};
    for (const auto& c : cases) {
        auto t = MemoryTable::fresh();
        t->findAddress(Text("8000"));
        const Text text(std::string(c.length, 'q'));
        try {
            t->setText2(text);
            EXPECT_TRUE(c.stored) << c.length << " characters: the write was not refused";
        } catch (const TextTooLongError& e) {
            std::string msg = e.what();
            EXPECT_FALSE(c.stored) << c.length << " characters: refused: " << msg;
            EXPECT_NE(msg.find("longer than 255 characters"), std::string::npos) << msg;
            EXPECT_NE(msg.find("nothing was written"), std::string::npos) << msg;
            EXPECT_NE(msg.find("8000"), std::string::npos) << msg;
        }
        EXPECT_EQ(t->text2().str(), c.stored ? text.str() : "00") << c.length << " characters";
        EXPECT_EQ(t->pendingWrites(), c.stored ? 1u : 0u) << c.length << " characters";
    }
}

}  // namespace
}  // namespace kit85::testing
