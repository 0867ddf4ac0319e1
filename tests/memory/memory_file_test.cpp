// The memory file: creating, locking, checking, loading and committing, and
// what a refused or killed file is left holding.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "memory/opening.h"
#include "memory_test_support.h"
#include "values/convert.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

TEST(MemoryFile, NewFileHoldsEveryAddressInOrder) {
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

TEST(MemoryFile, ReopeningKeepsEveryByteWritten) {
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

TEST(MemoryFile, CriteriaAreNeverSql) {
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

TEST(MemoryFile, AFileInUseIsRefused) {
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

// A child writes batch after batch, committing each and reporting it through a
// pipe, and is killed with SIGKILL in the middle of its work. The file must
// then be sound and hold every batch the child reported committed.
TEST(MemoryFile, KillingTheProcessLosesNoCommittedByte) {
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

// Read ahead (while the about box waits), an existing file is the same table
// openMemoryTable gives; a missing one is not made, and a refused one is
// left for openMemoryTable to refuse with its reason.
TEST(MemoryFile, ReadAheadTakesOnlyAFileThatOpens) {
    TempDir dir;
    const fs::path kept = dir / "kept.sqlite", missing = dir / "missing.sqlite", junk = dir / "junk.sqlite";
    {
        auto t = MemoryTable::open(kept);
        t->findAddress(Text("8000"));
        t->setText2(Text("3E"));
        t->flush();
    }
    std::ofstream(junk) << "not a database";
    {
        MemoryReadAhead ahead(kept);
        const std::unique_ptr<MemoryTable> t = ahead.take();
        ASSERT_TRUE(t);
        EXPECT_EQ(t->dataAt(*t->rowOf(Text("8000"))), Text("3E"));
    }
    for (const fs::path& file : {missing, junk}) {
        MemoryReadAhead ahead(file);
        EXPECT_FALSE(ahead.take()) << file;
    }
    EXPECT_FALSE(fs::exists(missing));
    // Not taken (the about box cancelled), the table is closed, and the file
    // opens again.
    { MemoryReadAhead ahead(kept); }
    EXPECT_TRUE(openMemoryTable(kept, nullptr));
}

// A creation killed midway leaves its temporary file (and, from older
// versions, a journal). The next open or creation in the folder removes those
// of processes that are gone and leaves every other file alone.
TEST(MemoryFile, LeftoversOfKilledCreationsAreRemoved) {
    for (bool exists : {false, true}) {
        TempDir dir;
        auto file = dir / "kit.sqlite";
        if (exists) MemoryTable::open(file).reset();
        const std::string dead = std::to_string(deadPid()), live = std::to_string(getppid());
        const std::vector<std::string> gone = {".kit85-" + dead + "-0", ".kit85-" + dead + "-0-journal",
                                               "kit.sqlite.creating-" + dead,
                                               "kit.sqlite.creating-" + dead + "-journal"};
        std::vector<std::string> kept = {".kit85-" + live + "-3", "kit.sqlite.creating-" + live + "-journal",
                                         ".kit85-notes", "kit.sqlite.creating-x1", "other.sqlite.creating-" + dead};
        for (const auto& names : {gone, kept})
            for (const auto& n : names) std::ofstream(dir / n) << "left behind";
        MemoryTable::open(file).reset();
        kept.push_back("kit.sqlite");
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(namesIn(dir.path()), kept) << (exists ? "opening" : "creating") << " kit.sqlite";
    }
}

// Failures of the folder, the disk or the name are told as such.
TEST(MemoryFile, MessagesNameTheRealCause) {
    struct Case {
        const char* name;
        std::function<void(const TempDir&)> make;
        std::function<std::string(const TempDir&)> problem;
    };
    const Case cases[] = {
        {"a new file in a read-only folder", [](const TempDir&) {},
         [](const TempDir& d) { return "cannot be created: the folder " + d.path().string() + " is not writable"; }},
        {"a file in a read-only folder",
         [](const TempDir& d) {
             MemoryTable::open(d / "kit.sqlite").reset();
             fs::permissions(d / "kit.sqlite", fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                                                   ~fs::perms::others_exec);
         },
         [](const TempDir& d) {
             return "the folder " + d.path().string() + " is not writable; kit85 needs to keep SQLite's journal";
         }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        c.make(dir);
        const std::vector<std::string> names = namesIn(dir.path());
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        auto file = dir / "kit.sqlite";
        std::string msg = unprivileged([&] { return opened(file); });
        EXPECT_NE(msg.find(c.problem(dir)), std::string::npos) << c.name << ": " << msg;
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(namesIn(dir.path()), names) << c.name;
    }
}

TEST(MemoryFile, ADanglingSymlinkIsNamedNotFollowed) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    fs::create_symlink("gone/memory.sqlite", file);
    std::string msg = opened(file);
    EXPECT_NE(msg.find("is a symbolic link to gone/memory.sqlite, which does not exist"), std::string::npos) << msg;
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"kit.sqlite"});
}

// Links that lead to each other are a loop, not a file that is missing.
TEST(MemoryFile, ASymlinkLoopIsNamedAsOne) {
    TempDir dir;
    fs::create_symlink("b.sqlite", dir / "a.sqlite");
    fs::create_symlink("a.sqlite", dir / "b.sqlite");
    std::string msg = opened(dir / "a.sqlite");
    EXPECT_NE(msg.find("its symbolic links form a loop"), std::string::npos) << msg;
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"a.sqlite", "b.sqlite"}));
}

// The longest name SQLite can keep a journal beside is created and used; a
// longer one is refused before anything is made.
TEST(MemoryFile, LongNamesAreUsableUpToWhatTheJournalAllows) {
    for (std::size_t n : {240u, 247u, 248u, 255u}) {
        TempDir dir;
        auto file = dir / (std::string(n - 7, 'm') + ".sqlite");
        const bool usable = n <= MemoryFile::kMaxNameBytes;
        try {
            {
                auto t = MemoryTable::open(file);
                t->findAddress(Text("8000"));
                t->setText2(Text("3E"));
                t->flush();
            }
            auto t = MemoryTable::open(file);
            t->findAddress(Text("8000"));
            EXPECT_EQ(t->text2().str(), "3E") << n << " bytes";
            EXPECT_TRUE(usable) << n << " bytes: opened";
        } catch (const StoreError& e) {
            EXPECT_FALSE(usable) << n << " bytes: " << e.what();
            EXPECT_NE(std::string(e.what()).find("may be at most 247 bytes"), std::string::npos) << e.what();
            EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{}) << n << " bytes";
        }
    }
}

}  // namespace
}  // namespace kit85::testing

namespace kit85::testing {
namespace {

// Opening reads the rows in rowid order and only checks them; whatever order
// they were stored in, the table must list them as SQLite's own ORDER BY
// address COLLATE NOCASE, rowid does.
TEST(MemoryFile, RowsAreInTableOrderHoweverTheyWereStored) {
    struct Case {
        const char* name;
        const char* rows;  // the VALUES of INSERT INTO d2 (address, data)
    };
    const Case cases[] = {
        {"stored in order", "('0000','01'),('0001','02'),('0002','03')"},
        {"stored backwards", "('0002','03'),('0001','02'),('0000','01')"},
        {"letters of either case, equal ones by rowid", "('000b','1'),('000A','2'),('000a','3'),('0009','4')"},
        {"numbers, NULL and blobs among texts", "('0001','1'),(5,'2'),(NULL,'3'),(x'30','4'),('5','5'),(4.5,'6')"},
        {"a NUL inside an address", "('A','1'),(CAST(x'410042' AS TEXT),'2'),('AB','3'),('A','4')"},
        // NOCASE stops at a NUL and then puts the shorter text first
        {"NULs where only the lengths decide", "(CAST(x'41004242' AS TEXT),'1'),(CAST(x'410043' AS TEXT),'2')"},
        {"bytes above ASCII", "('\xC3\xA9','1'),('E','2'),('e','3'),('F','4')"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path file = dir / "rows.sqlite";
        sql(file, std::string("CREATE TABLE d2 (address TEXT, data TEXT); INSERT INTO d2 (address, data) VALUES ") +
                      c.rows + ";");
        const std::vector<std::string> want =
            column(file, "SELECT quote(address) || ' ' || data FROM d2 ORDER BY address COLLATE NOCASE, rowid");
        auto t = MemoryTable::open(file);
        ASSERT_EQ(static_cast<std::size_t>(t->size()), want.size());
        for (int i = 0; i < t->size(); ++i) {
            // Each row's data names it; quote() shows the stored address.
            const std::string& w = want[i];
            const std::string data = w.substr(w.rfind(' ') + 1);
            EXPECT_EQ(t->dataAt(i).str(), data) << "row " << i << " should be " << w;
        }
    }
}

}  // namespace
}  // namespace kit85::testing
