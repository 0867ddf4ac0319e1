// Memory files kit85 must not use, or not write as they are: each is refused
// with a message naming the file and the problem, and left byte for byte as
// it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "memory_test_support.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

TEST(MemoryFile, BadFilesAreRefusedAndLeftUntouched) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* problem;
    };
    const Case cases[] = {
        {"not SQLite",
         [](const fs::path& f) { std::ofstream(f) << "this is no database, just text\n"
                                                  << std::string(5000, 'x'); },
         "not an SQLite database"},
        {"no table d2", [](const fs::path& f) { sql(f, "CREATE TABLE memory (address TEXT, data TEXT)"); },
         "no table d2"},
        {"no column data", [](const fs::path& f) { sql(f, "CREATE TABLE d2 (address TEXT, value TEXT)"); },
         "lacks the column data"},
        {"no column address", [](const fs::path& f) { sql(f, "CREATE TABLE d2 (addr TEXT, data TEXT)"); },
         "lacks the column address"},
        {"read-only",
         [](const fs::path& f) {
             sql(f, "CREATE TABLE d2 (address TEXT, data TEXT); INSERT INTO d2 VALUES ('8000','3E')");
             fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         },
         "read-only"},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }, "not a regular file"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        auto file = dir / "bad.sqlite";
        c.make(file);
        std::string before = fs::is_regular_file(file) ? readBytes(file) : "";
        try {
            MemoryTable::open(file);
            ADD_FAILURE() << c.name << ": opened";
        } catch (const StoreError& e) {
            std::string msg = e.what();
            EXPECT_NE(msg.find(file.string()), std::string::npos) << c.name << ": " << msg;
            EXPECT_NE(msg.find(c.problem), std::string::npos) << c.name << ": " << msg;
        }
        if (fs::is_regular_file(file)) {
            EXPECT_EQ(readBytes(file), before) << c.name << ": the file changed";
        }
        std::error_code ec;
        fs::permissions(file, fs::perms::owner_all, ec);
    }
}

// Whatever is refused, at open or at the first commit, and a table opened and
// closed without a write, leave the file byte for byte as it was, with no
// journal beside it.
TEST(MemoryFile, AFileRefusedOrNotWrittenKeepsEveryByte) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        bool refusedAtOpen;
        const char* write;    // written at 8000 and flushed; nullptr: nothing is written
        const char* problem;  // in the refusal; nullptr: none expected
    };
    const std::string table =
        "CREATE TABLE d2 (address TEXT, data TEXT); INSERT INTO d2 VALUES ('8000','00'),('8001','00');";
    const std::string tooLong(kMaxTextLength + 1, '7');
    const Case cases[] = {
        {"d2 is a view",
         [](const fs::path& f) {
             sql(f,
                 "CREATE TABLE t (address TEXT, data TEXT); INSERT INTO t VALUES ('8000','00');"
                 "CREATE VIEW d2 AS SELECT * FROM t");
         },
         true, nullptr, "d2 is a view, not a table"},
        {"a data text longer than 255",
         [&](const fs::path& f) { sql(f, table + "UPDATE d2 SET data = '" + tooLong + "' WHERE address = '8001'"); },
         true, nullptr, "the row with address \"8001\" holds a data text longer than 255 characters"},
        {"an address longer than 255",
         [&](const fs::path& f) { sql(f, table + "UPDATE d2 SET address = '" + tooLong + "' WHERE address = '8001'"); },
         true, nullptr, "holds an address text longer than 255 characters"},
        {"made elsewhere, opened and closed", [&](const fs::path& f) { sql(f, table); }, false, nullptr, nullptr},
        {"made by kit85, opened and closed", [](const fs::path& f) { MemoryTable::open(f).reset(); }, false, nullptr,
         nullptr},
        {"written by kit85 before, opened and closed",
         [](const fs::path& f) {
             auto t = MemoryTable::open(f);
             t->findAddress(Text("8000"));
             t->setText2(Text("3E"));
         },
         false, nullptr, nullptr},
        {"a trigger refuses the write",
         [&](const fs::path& f) {
             sql(f,
                 table +
                     "CREATE TRIGGER guard BEFORE UPDATE ON d2 BEGIN SELECT RAISE(ABORT, 'memory is read only'); END");
         },
         false, "3E", "memory is read only"},
        {"a CHECK refuses the text",
         [](const fs::path& f) {
             sql(f,
                 "CREATE TABLE d2 (address TEXT, data TEXT CHECK (length(data) = 2));"
                 "INSERT INTO d2 VALUES ('8000','00')");
         },
         false, "5", "CHECK constraint failed"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        auto file = dir / "kit.sqlite";
        c.make(file);
        const std::string before = readBytes(file);
        if (c.refusedAtOpen) {
            std::string msg = opened(file);
            EXPECT_NE(msg.find(file.string()), std::string::npos) << c.name << ": " << msg;
            EXPECT_NE(msg.find(c.problem), std::string::npos) << c.name << ": " << msg;
        } else {
            auto t = MemoryTable::open(file);
            if (c.write) {
                t->findAddress(Text("8000"));
                t->setText2(Text(c.write));
                try {
                    t->flush();
                    ADD_FAILURE() << c.name << ": the commit was not refused";
                } catch (const StoreError& e) {
                    EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << c.name << ": " << e.what();
                }
                EXPECT_EQ(t->pendingWrites(), 1u) << c.name << ": the byte is kept for a later commit";
                EXPECT_EQ(t->text2().str(), c.write) << c.name;
            }
        }
        const std::string after = readBytes(file);
        EXPECT_TRUE(after == before) << c.name << ": the file changed: " << before.size() << " bytes, hash "
                                     << std::hash<std::string>{}(before) << " before; " << after.size()
                                     << " bytes, hash " << std::hash<std::string>{}(after) << " after";
        EXPECT_EQ(journalsBeside(file), std::vector<std::string>{}) << c.name;
    }
}

// SQLite turns a text written to a column of numeric affinity into a number
// when it looks like one: "00" is stored as 0 and read back as "0". Such a d2
// is refused at open, untouched, with the column and its declared type named.
// A column must keep a text as written: text affinity, or none (no declared
// type, BLOB, or ANY in a STRICT table), under which a text stays that text.
TEST(MemoryFile, ColumnsThatWouldTurnBytesIntoNumbersAreRefused) {
    struct Case {
        const char* table;
        const char* problem;  // nullptr: the file opens and keeps "00" as written
    };
    const Case cases[] = {
        {"CREATE TABLE d2 (address TEXT, data NUMERIC)", "column data of table d2 is declared NUMERIC"},
        {"CREATE TABLE d2 (address TEXT, data INTEGER)", "column data of table d2 is declared INTEGER"},
        {"CREATE TABLE d2 (address TEXT, data REAL)", "column data of table d2 is declared REAL"},
        {"CREATE TABLE d2 (address TEXT, data DECIMAL(2,0))", "column data of table d2 is declared DECIMAL(2,0)"},
        {"CREATE TABLE d2 (address TEXT, data STRING)", "column data of table d2 is declared STRING"},
        // "INT" inside a name decides before "CHAR" or "POINT" could
        {"CREATE TABLE d2 (address TEXT, data FLOATING POINT)", "declared FLOATING POINT"},
        {"CREATE TABLE d2 (address TEXT, data CHARINT)", "declared CHARINT"},
        {"CREATE TABLE d2 (address TEXT, data ANY)", "column data of table d2 is declared ANY"},
        {"CREATE TABLE d2 (ADDRESS number, Data TEXT)", "column address of table d2 is declared number"},
        {"CREATE TABLE d2 (address TEXT, data TEXT)", nullptr},
        {"CREATE TABLE d2 (address VARCHAR(4), data CHARACTER(2))", nullptr},
        {"CREATE TABLE d2 (address text, data nvarchar(255))", nullptr},
        {"CREATE TABLE d2 (address CLOB, data NATIVE CHARACTER(70))", nullptr},
        {"CREATE TABLE d2 (address, data)", nullptr},
        {"CREATE TABLE d2 (address BLOB, data BLOB)", nullptr},
        {"CREATE TABLE d2 (address TEXT, data ANY) STRICT", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        TempDir dir;
        const fs::path file = dir / "kit.sqlite";
        sql(file, std::string(c.table) + "; INSERT INTO d2 (address, data) VALUES ('8000', '3E'), ('8001', '0A')");
        const std::string before = readBytes(file);
        const std::string msg = opened(file);
        if (c.problem) {
            EXPECT_NE(msg.find(file.string()), std::string::npos) << msg;
            EXPECT_NE(msg.find(c.problem), std::string::npos) << msg;
            EXPECT_NE(msg.find("SQLite would store \"00\" as the number 0"), std::string::npos) << msg;
            EXPECT_EQ(sameBytes(before, readBytes(file)), "");
            continue;
        }
        ASSERT_EQ(msg, "opened");
        {
            auto t = MemoryTable::open(file);
            t->findAddress(Text("8000"));
            t->setText2(Text("00"));
        }
        auto t = MemoryTable::open(file);
        EXPECT_EQ(t->text1().str() + "=" + t->text2().str(), "8000=00");
        t->MoveNext();
        EXPECT_EQ(t->text1().str() + "=" + t->text2().str(), "8001=0A");
        EXPECT_EQ(describe(column(file, "SELECT typeof(address) || ' ' || typeof(data) FROM d2")),
                  "{ text text text text }");
    }
}

}  // namespace
}  // namespace kit85::testing
