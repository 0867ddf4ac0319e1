#include "memory/store_support.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstring>

#include "values/errors.h"

namespace kit85::store {
namespace fs = std::filesystem;

void fail(const fs::path& file, const std::string& problem) {
    throw StoreError("memory file " + file.string() + ": " + problem);
}

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

namespace {

bool diskFull(int sqliteCode, int systemErrno) {
    return sqliteCode == SQLITE_FULL || systemErrno == ENOSPC || systemErrno == EDQUOT;
}

}  // namespace

std::string problemOf(sqlite3* db) {
    if (diskFull(sqlite3_errcode(db), sqlite3_system_errno(db))) return "the disk is full";
    // A write past the process's file size limit fails as an I/O error; the
    // limit, when there is one, is then likely the cause.
    rlimit limit{};
    if (sqlite3_extended_errcode(db) == SQLITE_IOERR_WRITE && getrlimit(RLIMIT_FSIZE, &limit) == 0 &&
        limit.rlim_cur != RLIM_INFINITY)
        return std::string(sqlite3_errmsg(db)) + "; this process may write files of at most " +
               std::to_string(limit.rlim_cur) + " bytes";
    return sqlite3_errmsg(db);
}

std::string folderProblem(const fs::path& dir, int err) {
    switch (err) {
        case EACCES:
        case EPERM: return "the folder " + dir.string() + " is not writable";
        case EROFS: return "the folder " + dir.string() + " is on a read-only file system";
        case ENOSPC:
        case EDQUOT: return "the disk is full";
        default: return std::strerror(err);
    }
}

void exec(sqlite3* db, const fs::path& file, const char* sql, const std::string& what) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = diskFull(sqlite3_errcode(db), sqlite3_system_errno(db)) ? "the disk is full"
                          : err                                                   ? err
                                                                                  : sqlite3_errmsg(db);
        sqlite3_free(err);
        fail(file, what + " (" + msg + ")");
    }
}

Text columnText(sqlite3_stmt* s, int col) {
    const unsigned char* p = sqlite3_column_text(s, col);
    return p ? Text(std::string_view(reinterpret_cast<const char*>(p),
                                     static_cast<std::size_t>(sqlite3_column_bytes(s, col))))
             : Text();
}

std::string journalMode(sqlite3* db, const std::string& mode) {
    std::string sql = mode.empty() ? "PRAGMA journal_mode" : "PRAGMA journal_mode=" + mode;
    Statement s;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s.s, nullptr) != SQLITE_OK || sqlite3_step(s.s) != SQLITE_ROW)
        return "";
    const unsigned char* t = sqlite3_column_text(s.s, 0);
    return t ? reinterpret_cast<const char*>(t) : "";
}

}  // namespace kit85::store
