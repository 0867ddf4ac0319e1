#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "memory/opening.h"
#include "values/convert.h"
#include "values/errors.h"

namespace kit85 {
namespace {
namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "kit85-test-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs SQL on a file with a connection of its own, outside the memory table.
void sql(const fs::path& file, const std::string& text) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    int rc = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

std::vector<std::string> column(const fs::path& file, const std::string& query) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return out;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &s, nullptr) == SQLITE_OK) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(s, 0);
            out.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

TEST(MemoryTable, NewFileHoldsEveryAddressInOrder) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    {
        auto t = MemoryTable::open(file);
        ASSERT_EQ(t->size(), 65536);
        EXPECT_EQ(t->text1().str(), "0000") << "the cursor starts on the first row";
        for (int i = 0; i < t->size(); ++i) {
            ASSERT_EQ(t->addressAt(i), Text::word(i)) << "row " << i;
            ASSERT_EQ(t->dataAt(i).str(), "00") << "row " << i;
        }
    }
    EXPECT_EQ(column(file, "SELECT count(*) FROM d2"), std::vector<std::string>{"65536"});
    EXPECT_EQ(column(file, "SELECT address FROM d2 ORDER BY rowid LIMIT 2"),
              (std::vector<std::string>{"0000", "0001"}));
    EXPECT_EQ(column(file, "SELECT count(*) FROM d2 WHERE data <> '00'"), std::vector<std::string>{"0"});
    EXPECT_EQ(column(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

TEST(MemoryTable, ReopeningKeepsEveryByteWritten) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    {
        auto t = MemoryTable::open(file);
        t->Find("address= #8000#");
        t->setText2(Text("3E"));
        t->MoveNext();
        t->setText2(Text("5"));  // a half-keyed byte stays as it is
        t->flush();
        t->findAddress(Text("FFFF"));
        t->setText2(Text("76"));  // left pending: closing the table commits it
    }
    auto t = MemoryTable::open(file);
    t->findAddress(Text("8000"));
    EXPECT_EQ(t->text2().str(), "3E");
    t->MoveNext();
    EXPECT_EQ(t->text2().str(), "5");
    t->findAddress(Text("FFFF"));
    EXPECT_EQ(t->text2().str(), "76");
}

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

TEST(MemoryTable, CriteriaAreNeverSql) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    const char* hostile[] = {
        "address= #'; DROP TABLE d2; --#",
        "address= #8000' OR '1'='1#",
        "address= #\"8000\"#",
        "address= #8000#; DELETE FROM d2",
        "address= #%#",
        "address= #_000#",
        "address= #8000#'",
    };
    {
        auto t = MemoryTable::open(file);
        for (const char* c : hostile) {
            t->Find(c);
            EXPECT_FALSE(t->onRow()) << c;
        }
        t->Find("address= #8000#");
        t->setText2(Text("'; DROP TABLE d2; --"));  // a hostile data text is stored as text
    }
    EXPECT_EQ(column(file, "SELECT count(*) FROM d2"), std::vector<std::string>{"65536"});
    EXPECT_EQ(column(file, "SELECT data FROM d2 WHERE address = '8000'"),
              std::vector<std::string>{"'; DROP TABLE d2; --"});
}

TEST(MemoryTable, BadFilesAreRefusedAndLeftUntouched) {
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

TEST(MemoryTable, AFileInUseIsRefused) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    auto first = MemoryTable::open(file);
    first->findAddress(Text("8000"));
    first->setText2(Text("3E"));
    first->flush();
    std::string before = readBytes(file);
    EXPECT_THROW(MemoryTable::open(file), StoreError);

    // Another process holding it is refused the same way.
    pid_t child = fork();
    if (child == 0) {
        try {
            MemoryTable::open(file);
            _exit(0);
        } catch (const StoreError& e) {
            _exit(std::string(e.what()).find("in use by another kit85 process") != std::string::npos ? 3 : 4);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "child status " << status;
    EXPECT_EQ(readBytes(file), before);

    // The first table still works and still commits.
    first->setText2(Text("06"));
    first->flush();
    first.reset();
    auto again = MemoryTable::open(file);
    again->findAddress(Text("8000"));
    EXPECT_EQ(again->text2().str(), "06");
}

TEST(MemoryTable, AFailedCommitKeepsTheBytesForTheNextOne) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    auto t = MemoryTable::open(file);
    t->findAddress(Text("8000"));

    // Another connection holds the write lock, so the commit cannot happen.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    t->setText2(Text("C3"));
    EXPECT_THROW(t->flush(), StoreError);
    EXPECT_EQ(t->pendingWrites(), 1u);
    EXPECT_EQ(t->text2().str(), "C3");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    t->flush();
    EXPECT_EQ(t->pendingWrites(), 0u);
    EXPECT_EQ(column(file, "SELECT data FROM d2 WHERE address = '8000'"), std::vector<std::string>{"C3"});
}

// A child writes batch after batch, committing each and reporting it through a
// pipe, and is killed with SIGKILL in the middle of its work. The file must
// then be sound and hold every batch the child reported committed.
TEST(MemoryTable, KillingTheProcessLosesNoCommittedByte) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    MemoryTable::open(file).reset();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        auto t = MemoryTable::open(file);
        for (int batch = 0;; ++batch) {
            int first = (batch * 97) % 65000;
            t->findAddress(Text::word(first));
            for (int i = 0; i < 200; ++i) {
                t->setText2(Text::byte(batch % 255 + 1));
                t->MoveNext();
            }
            t->flush();
            if (write(fds[1], &batch, sizeof batch) != sizeof batch) _exit(1);
        }
    }
    close(fds[1]);
    int batch = -1, got = 0;
    while (got < 40 && read(fds[0], &batch, sizeof batch) == sizeof batch) ++got;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    int more;
    while (read(fds[0], &more, sizeof more) == sizeof more) batch = more;
    close(fds[0]);
    ASSERT_GE(batch, 39);

    EXPECT_EQ(column(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    auto t = MemoryTable::open(file);
    // Later batches overwrite earlier ones; replay the committed ones to know
    // what every row must hold at least as of the last reported commit.
    std::vector<int> want(65536, 0);
    for (int b = 0; b <= batch; ++b)
        for (int i = 0; i < 200; ++i) want[(b * 97) % 65000 + i] = b % 255 + 1;
    int checked = 0;
    for (int a = 0; a < 65536; ++a) {
        if (!want[a]) continue;
        // A batch after the last reported one may have committed too and
        // overwritten this row; it would hold that batch's value then.
        int v = convt(t->dataAt(a));
        bool fromLater = false;
        for (int b = batch + 1; b <= batch + 2; ++b) {
            int first = (b * 97) % 65000;
            if (a >= first && a < first + 200 && v == b % 255 + 1) fromLater = true;
        }
        ASSERT_TRUE(v == want[a] || fromLater) << "row " << a << " holds " << t->dataAt(a) << ", want " << want[a];
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

TEST(DefaultMemoryFile, FollowsXdgDataHome) {
    TempDir dir;
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    EXPECT_EQ(defaultMemoryFile(), dir / "data" / "kit85" / "memory.sqlite");
    EXPECT_TRUE(fs::is_directory(dir / "data" / "kit85"));
    unsetenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", (dir / "home").c_str(), 1);
    EXPECT_EQ(defaultMemoryFile(), dir / "home" / ".local/share/kit85/memory.sqlite");
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
    if (oldXdg) setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace kit85
