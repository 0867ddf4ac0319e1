// Opening the memory file: taking it for this process, checking table d2 and
// reading its rows.
#include "memory/memory_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "memory/store_support.h"
#include "values/ascii.h"
#include "values/errors.h"

namespace kit85 {
namespace fs = std::filesystem;
using namespace store;

namespace {

// Files this process has open as memory tables, by device and inode. A second
// table on the same file is refused before any descriptor is opened on it:
// closing a descriptor drops every POSIX lock the process holds on that file,
// SQLite's included.
std::mutex gOpenMutex;
// (A child made by fork() inherits the set but not the tables, hence the pid.)
std::set<std::tuple<dev_t, ino_t, pid_t>> gOpenFiles;

}  // namespace

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
        if (ec.value() == ELOOP) fail(file, "is a symbolic link, and its symbolic links form a loop");
        if (fs::is_symlink(fs::symlink_status(file, ec)))
            fail(file, "is a symbolic link to " + fs::read_symlink(file, ec).string() + ", which does not exist");
        if (!fs::is_directory(dir, ec)) fail(file, "its folder " + dir.string() + " does not exist");
        create(file);
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

    checkColumns();
}

namespace {

// SQLite's column affinity from a declared type, by its rules in their order.
enum class Affinity { Integer, Text, None, Real, Numeric };

Affinity affinityOf(const std::string& declared) {
    const std::string t = upperAscii(declared);
    auto has = [&](const char* part) { return t.find(part) != std::string::npos; };
    if (has("INT")) return Affinity::Integer;
    if (has("CHAR") || has("CLOB") || has("TEXT")) return Affinity::Text;
    if (has("BLOB") || t.empty()) return Affinity::None;
    if (has("REAL") || has("FLOA") || has("DOUB")) return Affinity::Real;
    return Affinity::Numeric;
}

}  // namespace

// Both columns must be there and keep a text as it is written. Under text
// affinity a value is stored as text; under none (no declared type, BLOB, or
// ANY in a STRICT table) it is stored as given, and the kit only ever writes
// texts. Any other affinity stores a text that looks like a number as that
// number, so "00" would come back as "0".
void MemoryFile::checkColumns() {
    Statement cols;
    if (sqlite3_prepare_v2(db_, "SELECT name, type FROM pragma_table_info('d2')", -1, &cols.s, nullptr) != SQLITE_OK)
        fail(path_, "cannot be read (" + problemOf(db_) + ")");
    const bool strict = isStrict("d2");
    bool hasAddress = false, hasData = false;
    int rc;
    while ((rc = sqlite3_step(cols.s)) == SQLITE_ROW) {
        const std::string name = upperAscii(reinterpret_cast<const char*>(sqlite3_column_text(cols.s, 0)));
        if (name != "ADDRESS" && name != "DATA") continue;
        const bool address = name == "ADDRESS";
        (address ? hasAddress : hasData) = true;
        const unsigned char* p = sqlite3_column_text(cols.s, 1);
        const std::string type = p ? reinterpret_cast<const char*>(p) : "";
        const Affinity a = strict && upperAscii(type) == "ANY" ? Affinity::None : affinityOf(type);
        if (a != Affinity::Text && a != Affinity::None)
            fail(path_, std::string("column ") + (address ? "address" : "data") + " of table d2 is declared " + type +
                            ", so SQLite would store \"00\" as the number 0; kit85 needs text columns (declared TEXT)");
    }
    if (rc != SQLITE_DONE) fail(path_, "cannot be read (" + problemOf(db_) + ")");
    if (!hasAddress || !hasData)
        fail(path_, std::string("table d2 lacks the column ") + (hasAddress ? "data" : "address"));
}

// A STRICT table (SQLite 3.37 on); an older SQLite knows none.
bool MemoryFile::isStrict(const char* table) {
    Statement q;
    if (sqlite3_prepare_v2(db_, "SELECT strict FROM pragma_table_list(?1)", -1, &q.s, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(q.s, 1, table, -1, SQLITE_STATIC);
    return sqlite3_step(q.s) == SQLITE_ROW && sqlite3_column_int(q.s, 0) != 0;
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
                ordered =
                    text && a.find('\0') == std::string_view::npos && (rows.empty() || compareNoCase(last, a) <= 0);
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

}  // namespace kit85
