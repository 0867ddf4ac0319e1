#include "memory/memory_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <tuple>
#include <utility>

#include "values/errors.h"

namespace kit85 {
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 65536;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

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

// A statement that is finalized however the scope is left.
struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

void exec(sqlite3* db, const fs::path& file, const char* sql, const char* what) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        fail(file, std::string(what) + " failed (" + msg + ")");
    }
}

// Writes a new table of 0000..FFFF, each "00", to a temporary file beside the
// target and links it into place only when complete, so a process killed while
// creating never leaves a half-made memory file behind.
void createFile(const fs::path& file) {
    fs::path tmp = file;
    tmp += ".creating-" + std::to_string(::getpid());
    std::error_code ec;
    fs::remove(tmp, ec);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        fail(file, "cannot be created (" + msg + ")");
    }
    try {
        exec(db, file, "PRAGMA journal_mode=DELETE", "creating");
        exec(db, file, "BEGIN", "creating");
        exec(db, file, "CREATE TABLE d2 (address TEXT, data TEXT)", "creating");
        Statement ins;
        if (sqlite3_prepare_v2(db, "INSERT INTO d2 (address, data) VALUES (?1, '00')", -1, &ins.s, nullptr) !=
            SQLITE_OK)
            fail(file, std::string("creating failed (") + sqlite3_errmsg(db) + ")");
        for (int a = 0; a < kRows; ++a) {
            std::string addr = Text::word(static_cast<uint32_t>(a)).str();
            sqlite3_bind_text(ins.s, 1, addr.c_str(), 4, SQLITE_TRANSIENT);
            if (sqlite3_step(ins.s) != SQLITE_DONE)
                fail(file, std::string("creating failed (") + sqlite3_errmsg(db) + ")");
            sqlite3_reset(ins.s);
        }
        exec(db, file, "COMMIT", "creating");
    } catch (...) {
        sqlite3_close(db);
        fs::remove(tmp, ec);
        throw;
    }
    sqlite3_close(db);
    // link() refuses to replace a file that appeared meanwhile.
    if (::link(tmp.c_str(), file.c_str()) != 0 && errno != EEXIST) {
        int e = errno;
        fs::remove(tmp, ec);
        fail(file, std::string("cannot be created (") + std::strerror(e) + ")");
    }
    fs::remove(tmp, ec);
}

}  // namespace

std::unique_ptr<MemoryTable> MemoryTable::fresh() {
    std::unique_ptr<MemoryTable> t(new MemoryTable());
    t->rows_.resize(kRows);
    for (int a = 0; a < kRows; ++a) {
        t->rows_[a].address = Text::word(static_cast<uint32_t>(a));
        t->rows_[a].data = Text::byte(0);
        t->rows_[a].rowid = a + 1;
    }
    t->buildIndex();
    t->pending_.reserve(t->rows_.size());
    return t;
}

std::unique_ptr<MemoryTable> MemoryTable::open(const fs::path& file) {
    std::error_code ec;
    fs::file_status st = fs::status(file, ec);
    if (!fs::exists(st)) {
        fs::path dir = file.parent_path();
        if (!dir.empty() && !fs::is_directory(dir, ec)) fail(file, "its folder " + dir.string() + " does not exist");
        createFile(file);
        st = fs::status(file, ec);
    }
    if (!fs::is_regular_file(st)) fail(file, "is not a regular file");

    struct stat sb {};
    if (::stat(file.c_str(), &sb) != 0) fail(file, std::string("cannot be read (") + std::strerror(errno) + ")");
    // Root may write anywhere, so the mode bits are checked as well as access().
    if ((sb.st_mode & 0222) == 0 || ::access(file.c_str(), R_OK | W_OK) != 0)
        fail(file, "is read-only; kit85 needs to write to it");

    std::unique_ptr<MemoryTable> t(new MemoryTable());
    t->file_ = file;
    {
        std::lock_guard<std::mutex> g(gOpenMutex);
        if (!gOpenFiles.insert({sb.st_dev, sb.st_ino, ::getpid()}).second) fail(file, "is already open in this kit85");
        t->fileId_ = {sb.st_dev, sb.st_ino};
        t->registered_ = true;
    }
    t->lockFd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (t->lockFd_ < 0) fail(file, std::string("cannot be opened (") + std::strerror(errno) + ")");
    if (::flock(t->lockFd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) fail(file, "is in use by another kit85 process");
        fail(file, std::string("cannot be locked (") + std::strerror(errno) + ")");
    }

    if (sqlite3_open_v2(file.c_str(), &t->db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        fail(file, std::string("cannot be opened (") + (t->db_ ? sqlite3_errmsg(t->db_) : "out of memory") + ")");
    if (sqlite3_db_readonly(t->db_, "main") == 1) fail(file, "is read-only; kit85 needs to write to it");
    sqlite3_busy_timeout(t->db_, 2000);

    // Check the file before anything is written to it.
    {
        Statement cols;
        if (sqlite3_prepare_v2(t->db_, "SELECT name FROM pragma_table_info('d2')", -1, &cols.s, nullptr) != SQLITE_OK) {
            int code = sqlite3_errcode(t->db_);
            if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) fail(file, "is not an SQLite database");
            fail(file, std::string("cannot be read (") + sqlite3_errmsg(t->db_) + ")");
        }
        bool hasAddress = false, hasData = false, any = false;
        int rc;
        while ((rc = sqlite3_step(cols.s)) == SQLITE_ROW) {
            any = true;
            std::string name = upper(reinterpret_cast<const char*>(sqlite3_column_text(cols.s, 0)));
            hasAddress |= name == "ADDRESS";
            hasData |= name == "DATA";
        }
        if (rc != SQLITE_DONE) {
            int code = sqlite3_errcode(t->db_);
            if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) fail(file, "is not an SQLite database");
            fail(file, std::string("cannot be read (") + sqlite3_errmsg(t->db_) + ")");
        }
        if (!any) fail(file, "has no table d2");
        if (!hasAddress || !hasData)
            fail(file, std::string("table d2 lacks the column ") + (hasAddress ? "data" : "address"));
    }

    t->load();
    // WAL keeps committed writes safe if the process is killed; NORMAL
    // synchronisation is enough for that and keeps a keypad write quick.
    {
        Statement mode;
        if (sqlite3_prepare_v2(t->db_, "PRAGMA journal_mode=WAL", -1, &mode.s, nullptr) != SQLITE_OK ||
            sqlite3_step(mode.s) != SQLITE_ROW)
            fail(file, std::string("cannot switch to write-ahead logging (") + sqlite3_errmsg(t->db_) + ")");
    }
    exec(t->db_, file, "PRAGMA synchronous=NORMAL", "setting up");
    if (sqlite3_prepare_v2(t->db_, "UPDATE d2 SET data = ?1 WHERE rowid = ?2", -1, &t->update_, nullptr) != SQLITE_OK)
        fail(file, std::string("cannot prepare writes (") + sqlite3_errmsg(t->db_) + ")");
    t->lastFlush_ = std::chrono::steady_clock::now();
    return t;
}

void MemoryTable::load() {
    Statement q;
    if (sqlite3_prepare_v2(db_, "SELECT rowid, address, data FROM d2 ORDER BY address COLLATE NOCASE, rowid", -1, &q.s,
                           nullptr) != SQLITE_OK)
        fail(file_, std::string("table d2 cannot be read (") + sqlite3_errmsg(db_) + ")");
    auto text = [&](int col) {
        const unsigned char* p = sqlite3_column_text(q.s, col);
        return p ? Text(std::string_view(reinterpret_cast<const char*>(p), sqlite3_column_bytes(q.s, col))) : Text();
    };
    int rc;
    while ((rc = sqlite3_step(q.s)) == SQLITE_ROW) {
        Row r;
        r.rowid = sqlite3_column_int64(q.s, 0);
        r.address = text(1);
        r.data = text(2);
        rows_.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) fail(file_, std::string("table d2 cannot be read (") + sqlite3_errmsg(db_) + ")");
    buildIndex();
    pending_.reserve(rows_.size());
    cursor_ = 0;
}

MemoryTable::~MemoryTable() {
    if (db_) {
        try {
            flush();
        } catch (const KitError&) {
            // The front ends flush and report before they close; here there is
            // no one left to tell.
        }
        sqlite3_finalize(update_);
        sqlite3_close(db_);
    }
    if (lockFd_ >= 0) ::close(lockFd_);
    if (registered_) {
        std::lock_guard<std::mutex> g(gOpenMutex);
        gOpenFiles.erase({fileId_.first, fileId_.second, ::getpid()});
    }
}

void MemoryTable::buildIndex() {
    byWord_.fill(-1);
    byOther_.clear();
    for (int i = 0; i < size(); ++i) {
        Text key = rows_[i].address.isHex() ? rows_[i].address : Text(upper(rows_[i].address.str()));
        if (key.isHex() && key.size() == 4) {
            if (byWord_[key.hexValue()] < 0) byWord_[key.hexValue()] = i;
        } else {
            byOther_.emplace(key.str(), i);
        }
    }
}

std::optional<int> MemoryTable::rowOf(const Text& address) const {
    Text key = address.isHex() ? address : Text(upper(address.str()));
    if (key.isHex() && key.size() == 4) {
        int r = byWord_[key.hexValue()];
        return r < 0 ? std::nullopt : std::optional<int>(r);
    }
    auto it = byOther_.find(key.str());
    return it == byOther_.end() ? std::nullopt : std::optional<int>(it->second);
}

void MemoryTable::findOther(const Text& address) {
    std::optional<int> r = rowOf(address);
    missedFind_ = false;
    if (r)
        cursor_ = *r;
    else
        missed(address);
}

void MemoryTable::missed(const Text& address) {
    cursor_ = size();
    missedFind_ = true;
    missedAddress_ = address.str();
}

void MemoryTable::Find(std::string_view c) {
    // "address" [blank] "=" [blank] "#" digits "#"
    auto fold = [](std::string_view s) { return upper(std::string(s)); };
    std::string_view rest = c;
    if (rest.size() < 7 || fold(rest.substr(0, 7)) != "ADDRESS") return missed(Text(c));
    rest.remove_prefix(7);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.empty() || rest.front() != '=') return missed(Text(c));
    rest.remove_prefix(1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.size() < 2 || rest.front() != '#' || rest.back() != '#') return missed(Text(c));
    findAddress(Text(rest.substr(1, rest.size() - 2)));
}

void MemoryTable::refuseWrite() const {
    if (missedFind_) throw NoRowError("no memory row has the address \"" + missedAddress_ + "\"; nothing was written");
    if (cursor_ < 0) throw NoRowError("the memory cursor is before the first row; nothing was written");
    throw NoRowError("the memory cursor is past the last row; nothing was written");
}

void MemoryTable::flush() {
    if (pending_.empty()) return;
    if (!db_) {
        for (uint32_t i : pending_) rows_[i].pending = false;
        pending_.clear();
        return;
    }
    auto refuse = [&](const char* what) {
        std::string msg = sqlite3_errmsg(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_reset(update_);
        fail(file_, std::string(what) + " (" + msg + "); " + std::to_string(pending_.size()) +
                        " byte(s) are kept in the kit and not yet saved");
    };
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) refuse("cannot start a write");
    for (uint32_t i : pending_) {
        std::string data = rows_[i].data.str();
        sqlite3_bind_text(update_, 1, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(update_, 2, rows_[i].rowid);
        if (sqlite3_step(update_) != SQLITE_DONE) refuse("cannot save a byte");
        sqlite3_reset(update_);
    }
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) refuse("cannot commit");
    for (uint32_t i : pending_) rows_[i].pending = false;
    pending_.clear();
    lastFlush_ = std::chrono::steady_clock::now();
}

void MemoryTable::flushIfDue() {
    if (!pending_.empty() && std::chrono::steady_clock::now() - lastFlush_ >= std::chrono::seconds(1)) flush();
}

}  // namespace kit85
