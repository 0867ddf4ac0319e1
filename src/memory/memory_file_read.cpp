// Reading a memory file that is not the kit's own (a submission to grade):
// read-only, immutable, and only once table d2 is known to be a plain table of
// the kit's shape.
#include <sqlite3.h>

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

}  // namespace

std::vector<StoredRow> MemoryFile::readOnly(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        fail(file, fs::exists(file, ec) ? "is not a regular file" : "cannot be read (No such file or directory)");
    std::unique_ptr<MemoryFile> f(new MemoryFile());
    f->path_ = file;
    if (sqlite3_open_v2(immutableUri(file).c_str(), &f->db_,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        fail(file, "cannot be opened (" + (f->db_ ? problemOf(f->db_) : std::string("out of memory")) + ")");
    f->checkTable();
    if (isVirtual(f->db_)) fail(file, "d2 is a virtual table, not a table");
    std::vector<StoredRow> rows;
    f->load(rows);
    return rows;
}

}  // namespace kit85
