// Reading a memory file that is not the kit's own (a submission to grade):
// read-only, immutable, and only once table d2 is known to be a plain table of
// the kit's shape.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>

#include "memory/memory_file.h"
#include "memory/store_support.h"

namespace kit85 {
namespace fs = std::filesystem;
using namespace store;

namespace {

// A file: URI for SQLite, read-only and immutable, with the characters a URI
// gives meaning escaped.
std::string immutableUri(const fs::path& file) {
    std::string uri = "file:";
    for (char c : fs::absolute(file).string()) {
        if (c == '%' || c == '?' || c == '#' || static_cast<unsigned char>(c) < 0x20) {
            char esc[4];
            std::snprintf(esc, sizeof esc, "%%%02X", static_cast<unsigned char>(c));
            uri += esc;
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro&immutable=1";
}

// A virtual table's rows come from its module's code, not from the file.
bool isVirtual(sqlite3* db) {
    Statement q;
    if (sqlite3_prepare_v2(db,
                           "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'd2' COLLATE NOCASE AND "
                           "sql LIKE 'CREATE VIRTUAL%'",
                           -1, &q.s, nullptr) != SQLITE_OK)
        return false;
    return sqlite3_step(q.s) == SQLITE_ROW;
}

// Every row a kit has, and no more: a file of more rows is no memory file.
constexpr sqlite3_int64 kMostRows = 0x10000;
// However SQLite is asked to read the file, it gives up after this long, so a
// file made to make its reading slow stalls no one.
constexpr auto kMostReadTime = std::chrono::seconds(5);
// The longest text or blob SQLite makes while reading; a row's data is a few
// characters, its address four.
constexpr int kMostValueBytes = 4096;

// SQLite calls it every thousand virtual machine steps; non-zero interrupts.
int pastDeadline(void* deadline) {
    return std::chrono::steady_clock::now() > *static_cast<std::chrono::steady_clock::time_point*>(deadline) ? 1 : 0;
}

sqlite3_int64 rowCount(sqlite3* db) {
    Statement q;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM d2", -1, &q.s, nullptr) != SQLITE_OK) return -1;
    return sqlite3_step(q.s) == SQLITE_ROW ? sqlite3_column_int64(q.s, 0) : -1;
}

}  // namespace

std::vector<StoredRow> MemoryFile::readOnly(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        fail(file, fs::exists(file, ec) ? "is not a regular file" : "cannot be read (No such file or directory)");
    std::unique_ptr<MemoryFile> f(new MemoryFile());
    f->path_ = file;
    // A link is not followed: the file read is the one named.
    if (sqlite3_open_v2(immutableUri(file).c_str(), &f->db_,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK)
        fail(file, "cannot be opened (" + (f->db_ ? problemOf(f->db_) : std::string("out of memory")) + ")");
    sqlite3_limit(f->db_, SQLITE_LIMIT_LENGTH, kMostValueBytes);
    auto deadline = std::chrono::steady_clock::now() + kMostReadTime;
    sqlite3_progress_handler(f->db_, 1000, pastDeadline, &deadline);
    try {
        f->checkTable();
        if (isVirtual(f->db_)) fail(file, "d2 is a virtual table, not a table");
        const sqlite3_int64 count = rowCount(f->db_);
        if (count > kMostRows) fail(file, "d2 holds " + std::to_string(count) + " rows, more than a kit's 65536");
        std::vector<StoredRow> rows;
        f->load(rows);
        return rows;
    } catch (const StoreError&) {
        if (std::chrono::steady_clock::now() > deadline)
            fail(file, "took more than " + std::to_string(kMostReadTime.count()) +
                           " seconds to read; not a kit's memory file");
        throw;
    }
}

}  // namespace kit85
