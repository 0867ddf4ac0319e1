// Commits the memory file refuses: each is reported, the bytes stay pending in
// the kit, and a later commit saves them.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "memory_test_support.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

TEST(MemoryFile, AFailedCommitKeepsTheBytesForTheNextOne) {
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

// A full disk is said plainly and the bytes wait in the kit for the next
// commit. The disk is a device node that is always full, standing where SQLite
// writes its journal.
TEST(MemoryFile, AFullDiskIsNamedAndTheBytesAreKept) {
    TempDir dir;
    auto file = dir / "kit.sqlite";
    MemoryTable::open(file).reset();
    const std::string journal = file.string() + "-journal";
    if (mknod(journal.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "no device node that is always full can be made here (" << std::strerror(errno) << ")";
    auto t = MemoryTable::open(file);
    t->findAddress(Text("8000"));
    t->setText2(Text("3E"));
    try {
        t->flush();
        ADD_FAILURE() << "the commit went through";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("the disk is full"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("1 byte(s) are kept in the kit"), std::string::npos) << e.what();
    }
    EXPECT_EQ(t->pendingWrites(), 1u);
    std::error_code ec;
    fs::remove(journal, ec);
    t->flush();
    t.reset();
    EXPECT_EQ(column(file, "SELECT data FROM d2 WHERE address = '8000'"), std::vector<std::string>{"3E"});
}

// A commit the file system refuses at COMMIT itself: the write-ahead log must
// grow by a frame for each page written, and the process may not make files
// any larger. The error is reported, every byte stays pending, and the next
// commit, with the limit lifted, saves them. Run in a child, whose limit is
// its own.
TEST(MemoryFile, ACommitRefusedAtTheEndKeepsTheBytesForTheNextOne) {
    TempDir dir;
    const fs::path file = dir / "kit.sqlite";
    constexpr int kRowsWritten = 64;  // 1024 addresses apart: each on a page of its own
    const std::string got = inChild([&]() -> std::string {
        auto t = MemoryTable::open(file);
        t->findAddress(Text("8000"));
        t->setText2(Text("01"));
        t->flush();  // the file is in write-ahead logging now, and its log holds a frame or two
        for (int i = 0; i < kRowsWritten; ++i) {
            t->findAddress(Text::word(static_cast<uint32_t>(i * 1024)));
            t->setText2(Text("5A"));
        }
        rlimit old{};
        if (getrlimit(RLIMIT_FSIZE, &old) != 0) return "no limit to read";
        rlimit capped = old;
        capped.rlim_cur = fs::file_size(file.string() + "-wal");
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        if (setrlimit(RLIMIT_FSIZE, &capped) != 0) return "no limit to set";
        std::string out;
        try {
            t->flush();
            out = "committed";
        } catch (const StoreError& e) {
            out = e.what();
        }
        out += " | pending " + std::to_string(t->pendingWrites());
        setrlimit(RLIMIT_FSIZE, &old);
        try {
            t->flush();
        } catch (const StoreError& e) {
            out += " | " + std::string(e.what());
        }
        return out + " | then pending " + std::to_string(t->pendingWrites());
    });
    const std::string n = std::to_string(kRowsWritten);
    EXPECT_NE(got.find("cannot commit"), std::string::npos) << got;
    EXPECT_NE(got.find("this process may write files of at most"), std::string::npos) << got;
    EXPECT_NE(got.find(n + " byte(s) are kept in the kit and not yet saved | pending " + n + " | then pending 0"),
              std::string::npos)
        << got;
    EXPECT_EQ(column(file, "SELECT count(*) FROM d2 WHERE data = '5A'"), std::vector<std::string>{n});
    EXPECT_EQ(column(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

}  // namespace
}  // namespace kit85::testing
