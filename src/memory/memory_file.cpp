#include "memory/memory_file.h"

#include <algorithm>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "values/ascii.h"
#include "values/errors.h"

namespace kit85 {
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 65536;
constexpr std::string_view kTempPrefix = ".kit85-";
constexpr std::string_view kOldTempInfix = ".creating-";
constexpr std::string_view kJournalSuffix = "-journal";

[[noreturn]] void fail(const fs::path& file, const std::string& problem) {
    throw StoreError("memory file " + file.string() + ": " + problem);
}

// Files this process has open as memory tables, by device and inode. A second
// table on the same file is refused before any descriptor is opened on it:
// closing a descriptor drops every POSIX lock the process holds on that file,
// SQLite's included.
std::mutex gOpenMutex;
// (A child made by fork() inherits the set but not the tables, hence the pid.)
std::set<std::tuple<dev_t, ino_t, pid_t>> gOpenFiles;

// Numbers this process's temporary files, so two creations never share a name.
std::atomic<unsigned> gTempCounter{0};

// A statement that is finalized however the scope is left.
struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

bool diskFull(int sqliteCode, int systemErrno) {
    return sqliteCode == SQLITE_FULL || systemErrno == ENOSPC || systemErrno == EDQUOT;
}

// What SQLite's last failure means for the user: a full disk said plainly,
// anything else in SQLite's words.
std::string problemOf(sqlite3* db) {
    if (diskFull(sqlite3_errcode(db), sqlite3_system_errno(db))) return "the disk is full";
    return sqlite3_errmsg(db);
}

// What a failed system call on a file in `dir` means for the user.
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

// A column's text as the kit holds it; NULL reads as the empty text.
Text columnText(sqlite3_stmt* s, int col) {
    const unsigned char* p = sqlite3_column_text(s, col);
    return p ? Text(std::string_view(reinterpret_cast<const char*>(p),
                                     static_cast<std::size_t>(sqlite3_column_bytes(s, col))))
             : Text();
}

// Sets the journal mode and returns the mode SQLite reports afterwards.
std::string journalMode(sqlite3* db, const std::string& mode) {
    std::string sql = mode.empty() ? "PRAGMA journal_mode" : "PRAGMA journal_mode=" + mode;
    Statement s;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s.s, nullptr) != SQLITE_OK || sqlite3_step(s.s) != SQLITE_ROW)
        return "";
    const unsigned char* t = sqlite3_column_text(s.s, 0);
    return t ? reinterpret_cast<const char*>(t) : "";
}

// The pid in a creation leftover's name: ".kit85-PID-N" or "BASE.creating-PID",
// either with "-journal" after it. -1 for any other name.
pid_t leftoverPid(std::string_view name, std::string_view base) {
    if (name.ends_with(kJournalSuffix)) name.remove_suffix(kJournalSuffix.size());
    std::string_view digits;
    if (name.starts_with(kTempPrefix)) {
        name.remove_prefix(kTempPrefix.size());
        std::size_t dash = name.find('-');
        if (dash == std::string_view::npos || dash + 1 == name.size()) return -1;
        for (char c : name.substr(dash + 1))
            if (c < '0' || c > '9') return -1;
        digits = name.substr(0, dash);
    } else if (name.size() > base.size() + kOldTempInfix.size() && name.starts_with(base) &&
               name.substr(base.size()).starts_with(kOldTempInfix)) {
        digits = name.substr(base.size() + kOldTempInfix.size());
    } else {
        return -1;
    }
    if (digits.empty() || digits.size() > 9) return -1;
    pid_t pid = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 ? pid : -1;
}

// Writes a new table of 0000..FFFF, each "00", to a temporary file in the same
// folder and links it into place only when complete, so a process killed while
// creating never leaves a half-made memory file behind. The temporary name is
// short, so any name the folder allows for the file itself can be created.
void createFile(const fs::path& file) {
    const fs::path dir = folderOf(file);
    fs::path tmp;
    for (int attempt = 0;; ++attempt) {
        tmp = dir / (std::string(kTempPrefix) + std::to_string(::getpid()) + "-" + std::to_string(gTempCounter++));
        // 0644 as SQLite would create it, less the umask.
        int fd = ::open(tmp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        int e = errno;
        // Left by a dead process that had our pid: it is garbage.
        if (e == EEXIST && attempt == 0 && ::unlink(tmp.c_str()) == 0) continue;
        fail(file, "cannot be created: " + folderProblem(dir, e));
    }
    std::error_code ec;
    sqlite3* db = nullptr;
    try {
        if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail(file, "cannot be created (" + (db ? problemOf(db) : std::string("out of memory")) + ")");
        // No journal: an interrupted creation leaves only the temporary file,
        // which is never linked and is removed by the next open.
        const std::string creating = "cannot be created";
        exec(db, file, "PRAGMA journal_mode=OFF", creating);
        exec(db, file, "BEGIN", creating);
        exec(db, file, "CREATE TABLE d2 (address TEXT, data TEXT)", creating);
        {
            Statement ins;
            if (sqlite3_prepare_v2(db, "INSERT INTO d2 (address, data) VALUES (?1, '00')", -1, &ins.s, nullptr) !=
                SQLITE_OK)
                fail(file, creating + " (" + problemOf(db) + ")");
            for (int a = 0; a < kRows; ++a) {
                std::string addr = Text::word(static_cast<uint32_t>(a)).str();
                sqlite3_bind_text(ins.s, 1, addr.c_str(), 4, SQLITE_TRANSIENT);
                if (sqlite3_step(ins.s) != SQLITE_DONE) fail(file, creating + " (" + problemOf(db) + ")");
                sqlite3_reset(ins.s);
            }
        }
        exec(db, file, "COMMIT", creating);
        if (sqlite3_close(db) != SQLITE_OK) fail(file, creating + " (" + problemOf(db) + ")");
        db = nullptr;
        // link() refuses to replace a file that appeared meanwhile; that one is used.
        if (::link(tmp.c_str(), file.c_str()) != 0 && errno != EEXIST)
            fail(file, "cannot be created: " + folderProblem(dir, errno));
    } catch (...) {
        sqlite3_close(db);
        fs::remove(tmp, ec);
        throw;
    }
    fs::remove(tmp, ec);
}

}  // namespace

void MemoryFile::removeStaleLeftovers(const fs::path& file) {
    const std::string base = file.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(folderOf(file), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        pid_t pid = leftoverPid(name, base);
        // Our own pid may be a creation going on in another thread.
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code rm;
            fs::remove(it->path(), rm);
        }
    }
}

std::unique_ptr<MemoryFile> MemoryFile::open(const fs::path& file, std::vector<StoredRow>& rows) {
    const std::size_t nameBytes = file.filename().native().size();
    if (nameBytes > kMaxNameBytes)
        fail(file, "its name is " + std::to_string(nameBytes) + " bytes long; SQLite keeps a journal named " +
                       "after it with \"-journal\" added, so the name may be at most " + std::to_string(kMaxNameBytes) +
                       " bytes");
    const fs::path dir = folderOf(file);
    removeStaleLeftovers(file);

    std::error_code ec;
    fs::file_status st = fs::status(file, ec);
    if (!fs::exists(st)) {
        if (fs::is_symlink(fs::symlink_status(file, ec)))
            fail(file, "is a symbolic link to " + fs::read_symlink(file, ec).string() + ", which does not exist");
        if (!fs::is_directory(dir, ec)) fail(file, "its folder " + dir.string() + " does not exist");
        createFile(file);
        st = fs::status(file, ec);
    }
    if (!fs::is_regular_file(st)) fail(file, "is not a regular file");

    struct stat sb {};
    if (::stat(file.c_str(), &sb) != 0) fail(file, std::string("cannot be read (") + std::strerror(errno) + ")");
    // Root may write anywhere, so the mode bits are checked as well as access().
    if ((sb.st_mode & 0222) == 0 || ::access(file.c_str(), R_OK | W_OK) != 0)
        fail(file, "is read-only; kit85 needs to write to it");
    // SQLite keeps its journal beside the file (beside its target, for a
    // symbolic link), so that folder must take new files.
    fs::path journalDir = fs::canonical(file, ec).parent_path();
    if (ec) journalDir = dir;
    if (::access(journalDir.c_str(), W_OK | X_OK) != 0)
        fail(file, folderProblem(journalDir, errno) + "; kit85 needs to keep SQLite's journal beside the file");

    std::unique_ptr<MemoryFile> f(new MemoryFile());
    f->path_ = file;
    {
        std::lock_guard<std::mutex> g(gOpenMutex);
        if (!gOpenFiles.insert({sb.st_dev, sb.st_ino, ::getpid()}).second) fail(file, "is already open in this kit85");
        f->fileId_ = {sb.st_dev, sb.st_ino};
        f->registered_ = true;
    }
    f->lockFd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (f->lockFd_ < 0) fail(file, std::string("cannot be opened (") + std::strerror(errno) + ")");
    if (::flock(f->lockFd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) fail(file, "is in use by another kit85 process");
        fail(file, std::string("cannot be locked (") + std::strerror(errno) + ")");
    }

    // One thread uses a connection at a time (the window and the runner run
    // the kit on one thread), so SQLite need not lock around every call.
    if (sqlite3_open_v2(file.c_str(), &f->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        fail(file, "cannot be opened (" + (f->db_ ? problemOf(f->db_) : std::string("out of memory")) + ")");
    if (sqlite3_db_readonly(f->db_, "main") == 1) fail(file, "is read-only; kit85 needs to write to it");
    sqlite3_busy_timeout(f->db_, 2000);

    f->checkTable();
    f->load(rows);
    f->wal_ = journalMode(f->db_, "") == "wal";
    // NORMAL synchronisation keeps committed writes safe if the process is
    // killed and keeps a keypad write quick. Setting it writes nothing.
    exec(f->db_, file, "PRAGMA synchronous=NORMAL", "cannot be set up");
    if (sqlite3_prepare_v2(f->db_, "UPDATE d2 SET data = ?1 WHERE rowid = ?2", -1, &f->update_, nullptr) != SQLITE_OK)
        fail(file, "cannot prepare writes (" + problemOf(f->db_) + ")");
    return f;
}

void MemoryFile::checkTable() {
    auto unreadable = [&] {
        int code = sqlite3_errcode(db_);
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) fail(path_, "is not an SQLite database");
        fail(path_, "cannot be read (" + problemOf(db_) + ")");
    };
    Statement kind;
    if (sqlite3_prepare_v2(
            db_, "SELECT type FROM sqlite_master WHERE type IN ('table', 'view') AND name = 'd2' COLLATE NOCASE", -1,
            &kind.s, nullptr) != SQLITE_OK)
        unreadable();
    int rc = sqlite3_step(kind.s);
    if (rc == SQLITE_DONE) fail(path_, "has no table d2");
    if (rc != SQLITE_ROW) unreadable();
    std::string type = reinterpret_cast<const char*>(sqlite3_column_text(kind.s, 0));
    if (type != "table") fail(path_, "d2 is a " + type + ", not a table");

    Statement cols;
    if (sqlite3_prepare_v2(db_, "SELECT name FROM pragma_table_info('d2')", -1, &cols.s, nullptr) != SQLITE_OK)
        unreadable();
    bool hasAddress = false, hasData = false;
    while ((rc = sqlite3_step(cols.s)) == SQLITE_ROW) {
        std::string name = upperAscii(reinterpret_cast<const char*>(sqlite3_column_text(cols.s, 0)));
        hasAddress |= name == "ADDRESS";
        hasData |= name == "DATA";
    }
    if (rc != SQLITE_DONE) unreadable();
    if (!hasAddress || !hasData)
        fail(path_, std::string("table d2 lacks the column ") + (hasAddress ? "data" : "address"));
}

namespace {

// SQLite's NOCASE collation on two texts without NUL bytes: ASCII letters
// compared as lower case, byte by byte, then the shorter first.
int compareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : static_cast<unsigned char>(c); };
        const int ca = lower(a[i]);
        const int cb = lower(b[i]);
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

// The rows in table order: by address (NOCASE), then rowid. A file the kit
// made holds its rows in that order already, so they are read in rowid order
// and only checked; SQLite sorts them only when they are not (or hold an
// address that is no plain text, whose place only SQLite's own order knows).
// Sorting 65,536 rows is most of what opening a file costs.
void MemoryFile::load(std::vector<StoredRow>& rows) {
    auto read = [&](const char* sql) {
        Statement q;
        if (sqlite3_prepare_v2(db_, sql, -1, &q.s, nullptr) != SQLITE_OK)
            fail(path_, "table d2 cannot be read (" + problemOf(db_) + ")");
        rows.clear();
        bool ordered = true;
        std::string last;
        int rc;
        while ((rc = sqlite3_step(q.s)) == SQLITE_ROW) {
            if (ordered) {
                const bool text = sqlite3_column_type(q.s, 1) == SQLITE_TEXT;  // asked before any conversion
                const char* p = reinterpret_cast<const char*>(sqlite3_column_text(q.s, 1));
                const std::string_view a(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(q.s, 1)));
                ordered = text && a.find('\0') == std::string_view::npos && (rows.empty() || compareNoCase(last, a) <= 0);
                last.assign(a);
            }
            rows.push_back(StoredRow{sqlite3_column_int64(q.s, 0), columnText(q.s, 1), columnText(q.s, 2)});
        }
        if (rc != SQLITE_DONE) fail(path_, "table d2 cannot be read (" + problemOf(db_) + ")");
        return ordered;
    };
    if (!read("SELECT rowid, address, data FROM d2 ORDER BY rowid"))
        read("SELECT rowid, address, data FROM d2 ORDER BY address COLLATE NOCASE, rowid");
}

MemoryFile::~MemoryFile() {
    sqlite3_finalize(update_);
    sqlite3_close(db_);
    if (lockFd_ >= 0) ::close(lockFd_);
    if (registered_) {
        std::lock_guard<std::mutex> g(gOpenMutex);
        gOpenFiles.erase({fileId_.first, fileId_.second, ::getpid()});
    }
}

// Runs body(refuse) in one transaction; in a dry run the journal is kept in
// memory and the transaction rolled back, so the file is not written. A
// failure rolls back and throws StoreError naming the problem and `kept`, what
// the kit still holds unsaved.
template <class Body>
void MemoryFile::transact(bool dryRun, const std::string& kept, Body body) {
    std::string mode;
    if (dryRun) {
        mode = journalMode(db_, "");
        if (journalMode(db_, "MEMORY") != "memory") fail(path_, "cannot check a write (" + problemOf(db_) + ")");
        // Keeps every changed page in memory, so the file is not written.
        sqlite3_exec(db_, "PRAGMA cache_spill=OFF", nullptr, nullptr, nullptr);
    }
    auto restore = [&] {
        if (!dryRun) return;
        sqlite3_exec(db_, "PRAGMA cache_spill=ON", nullptr, nullptr, nullptr);
        journalMode(db_, mode);
    };
    auto refuse = [&](const char* what) {
        std::string msg = problemOf(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        restore();
        fail(path_, std::string(what) + " (" + msg + "); " + kept);
    };
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) refuse("cannot start a write");
    try {
        body(refuse);
    } catch (const KitError&) {
        throw;  // refuse() has rolled back
    } catch (...) {
        // Memory ran out for a long text: no transaction may stay open, or no
        // later commit could start.
        sqlite3_reset(update_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        restore();
        throw;
    }
    if (dryRun) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        restore();
        return;
    }
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) refuse("cannot commit");
}

namespace {

std::string keptBytes(std::size_t count) {
    return std::to_string(count) + " byte(s) are kept in the kit and not yet saved";
}

}  // namespace

void MemoryFile::commit(std::span<const RowWrite> writes, const HistoryUpdate* history) {
    if (writes.empty() && !history) return;
    auto body = [&](auto& refuse) {
        if (history) saveHistory(*history, refuse);
        for (const RowWrite& w : writes) {
            std::string data = w.data->str();
            sqlite3_bind_text(update_, 1, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(update_, 2, w.rowid);
            if (sqlite3_step(update_) != SQLITE_DONE) {
                sqlite3_reset(update_);
                refuse("cannot save a byte");
            }
            sqlite3_reset(update_);
        }
    };
    if (!wal_) {
        // Until the file is first written it keeps its journal mode and every
        // byte; a write it refuses is found here, in a journal kept in memory.
        transact(true, keptBytes(writes.size()), body);
        switchToWal(keptBytes(writes.size()));
    }
    transact(false, keptBytes(writes.size()), body);
}

namespace {

void bindText(sqlite3_stmt* s, int at, const Text& t) {
    const std::string v = t.str();
    sqlite3_bind_text(s, at, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

}  // namespace

template <class Refuse>
void MemoryFile::saveHistory(const HistoryUpdate& h, Refuse& refuse) {
    auto run = [&](const char* sql, auto bind) {
        Statement s;
        if (sqlite3_prepare_v2(db_, sql, -1, &s.s, nullptr) != SQLITE_OK) refuse("cannot save the undo history");
        bind(s.s);
        if (sqlite3_step(s.s) != SQLITE_DONE) refuse("cannot save the undo history");
    };
    if (!h.added.empty() &&
        sqlite3_exec(db_,
                     "CREATE TABLE IF NOT EXISTS history (seq INTEGER PRIMARY KEY, step INTEGER, address TEXT, old "
                     "TEXT, new TEXT, undone INTEGER NOT NULL DEFAULT 0)",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        refuse("cannot make table history");
    if (h.dropUndone) run("DELETE FROM history WHERE undone = 1", [](sqlite3_stmt*) {});
    for (std::size_t i = 0; i < h.added.size(); ++i) {
        const HistoryRow& r = h.added[i];
        if (i == 0 && h.amendLast)
            run("UPDATE history SET new = ?1 WHERE seq = (SELECT max(seq) FROM history)",
                [&](sqlite3_stmt* s) { bindText(s, 1, r.now); });
        else
            run("INSERT INTO history (step, address, old, new) VALUES (?1, ?2, ?3, ?4)", [&](sqlite3_stmt* s) {
                sqlite3_bind_int64(s, 1, r.step);
                bindText(s, 2, r.address);
                bindText(s, 3, r.old);
                bindText(s, 4, r.now);
            });
    }
    if (h.markStep)
        run("UPDATE history SET undone = ?1 WHERE step = ?2", [&](sqlite3_stmt* s) {
            sqlite3_bind_int(s, 1, h.undone ? 1 : 0);
            sqlite3_bind_int64(s, 2, h.markStep);
        });
}

std::vector<HistoryRow> MemoryFile::loadHistory() {
    std::vector<HistoryRow> out;
    if (!hasTable("history")) return out;
    Statement q;
    if (sqlite3_prepare_v2(db_, "SELECT step, address, old, new, undone FROM history ORDER BY seq", -1, &q.s,
                           nullptr) != SQLITE_OK)
        fail(path_, "table history cannot be read (" + problemOf(db_) + ")");
    auto text = [&](int col) { return columnText(q.s, col); };
    int rc;
    while ((rc = sqlite3_step(q.s)) == SQLITE_ROW)
        out.push_back({sqlite3_column_int64(q.s, 0), text(1), text(2), text(3), sqlite3_column_int(q.s, 4) != 0});
    if (rc != SQLITE_DONE) fail(path_, "table history cannot be read (" + problemOf(db_) + ")");
    return out;
}

bool MemoryFile::hasTable(const char* name) {
    Statement q;
    if (sqlite3_prepare_v2(db_,
                           "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
                           -1, &q.s, nullptr) != SQLITE_OK)
        fail(path_, "cannot be read (" + problemOf(db_) + ")");
    sqlite3_bind_text(q.s, 1, name, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(q.s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(path_, "cannot be read (" + problemOf(db_) + ")");
    return rc == SQLITE_ROW;
}

std::vector<std::string> MemoryFile::loadBreakpoints() {
    std::vector<std::string> out;
    if (!hasTable("breakpoints")) return out;
    Statement q;
    if (sqlite3_prepare_v2(db_, "SELECT address FROM breakpoints", -1, &q.s, nullptr) != SQLITE_OK)
        fail(path_, "table breakpoints cannot be read (" + problemOf(db_) + ")");
    int rc;
    while ((rc = sqlite3_step(q.s)) == SQLITE_ROW) {
        const unsigned char* p = sqlite3_column_text(q.s, 0);
        if (p) out.emplace_back(reinterpret_cast<const char*>(p), sqlite3_column_bytes(q.s, 0));
    }
    if (rc != SQLITE_DONE) fail(path_, "table breakpoints cannot be read (" + problemOf(db_) + ")");
    return out;
}

void MemoryFile::saveBreakpoint(const std::string& address, bool set) {
    // Clearing in a file that never had a breakpoint writes nothing.
    if (!set && !hasTable("breakpoints")) return;
    const std::string kept = "breakpoint " + address + " is left " + (set ? "unset" : "set");
    auto body = [&](auto& refuse) {
        if (set && sqlite3_exec(db_, "CREATE TABLE IF NOT EXISTS breakpoints (address TEXT PRIMARY KEY)", nullptr,
                                nullptr, nullptr) != SQLITE_OK)
            refuse("cannot make table breakpoints");
        Statement s;
        const char* sql = set ? "INSERT OR IGNORE INTO breakpoints (address) VALUES (?1)"
                              : "DELETE FROM breakpoints WHERE upper(address) = ?1";
        if (sqlite3_prepare_v2(db_, sql, -1, &s.s, nullptr) != SQLITE_OK) refuse("cannot save a breakpoint");
        sqlite3_bind_text(s.s, 1, address.data(), static_cast<int>(address.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(s.s) != SQLITE_DONE) {
            sqlite3_reset(s.s);
            refuse("cannot save a breakpoint");
        }
    };
    if (!wal_) {
        transact(true, kept, body);
        switchToWal(kept);
    }
    transact(false, kept, body);
}

void MemoryFile::switchToWal(const std::string& kept) {
    // Write-ahead logging keeps committed writes safe if the process is killed
    // and makes each commit one append.
    if (journalMode(db_, "WAL") != "wal")
        fail(path_, "cannot switch to write-ahead logging (" + problemOf(db_) + "); " + kept);
    wal_ = true;
}

}  // namespace kit85
