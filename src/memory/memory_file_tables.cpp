// The tables the memory file keeps beside d2: the undo history and the
// breakpoints. Neither is needed to open a file; each is made when first saved.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "memory/memory_file.h"
#include "memory/store_support.h"

namespace kit85 {
using namespace store;

namespace {

void bindText(sqlite3_stmt* s, int at, const Text& t) {
    const std::string v = t.str();
    sqlite3_bind_text(s, at, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

}  // namespace

void MemoryFile::saveHistory(const HistoryUpdate& h, const Write& w) {
    auto run = [&](const char* sql, auto bind) {
        Statement s;
        if (sqlite3_prepare_v2(db_, sql, -1, &s.s, nullptr) != SQLITE_OK)
            w.refuseHistory("cannot save the undo history");
        bind(s.s);
        if (sqlite3_step(s.s) != SQLITE_DONE) w.refuseHistory("cannot save the undo history");
    };
    if (!h.added.empty() &&
        sqlite3_exec(db_,
                     "CREATE TABLE IF NOT EXISTS history (seq INTEGER PRIMARY KEY, step INTEGER, address TEXT, old "
                     "TEXT, new TEXT, undone INTEGER NOT NULL DEFAULT 0)",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        w.refuseHistory("cannot make table history");
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

// One row of a side table set or cleared in a transaction of its own:
// `create` makes the table when it is missing (for a set), `sql` does the
// change with `binds` as ?1, ?2...; `what` names it in a refusal.
void MemoryFile::saveSideRow(const SideRow& r) {
    // Clearing in a file that never had the table writes nothing.
    if (!r.set && !hasTable(r.table)) return;
    auto body = [&](const Write& w) {
        if (r.set && sqlite3_exec(db_, r.create, nullptr, nullptr, nullptr) != SQLITE_OK)
            w.refuse(r.cannotMake);
        Statement s;
        if (sqlite3_prepare_v2(db_, r.sql, -1, &s.s, nullptr) != SQLITE_OK) w.refuse(r.what);
        for (std::size_t i = 0; i < r.binds.size(); ++i)
            sqlite3_bind_text(s.s, static_cast<int>(i + 1), r.binds[i].data(), static_cast<int>(r.binds[i].size()),
                              SQLITE_TRANSIENT);
        if (sqlite3_step(s.s) != SQLITE_DONE) {
            sqlite3_reset(s.s);
            w.refuse(r.what);
        }
    };
    if (!wal_) {
        transact(true, r.kept, body);
        switchToWal(r.kept);
    }
    transact(false, r.kept, body);
}

void MemoryFile::saveBreakpoint(const std::string& address, bool set) {
    saveSideRow({"breakpoints", "cannot make table breakpoints", "CREATE TABLE IF NOT EXISTS breakpoints (address TEXT PRIMARY KEY)",
                 set ? "INSERT OR IGNORE INTO breakpoints (address) VALUES (?1)"
                     : "DELETE FROM breakpoints WHERE upper(address) = ?1",
                 {address}, set, "breakpoint " + address + " is left " + (set ? "unset" : "set"),
                 "cannot save a breakpoint"});
}

std::vector<std::pair<std::string, std::string>> MemoryFile::loadWatchpoints() {
    std::vector<std::pair<std::string, std::string>> out;
    if (!hasTable("watchpoints")) return out;
    Statement q;
    if (sqlite3_prepare_v2(db_, "SELECT address, access FROM watchpoints", -1, &q.s, nullptr) != SQLITE_OK)
        fail(path_, "table watchpoints cannot be read (" + problemOf(db_) + ")");
    int rc;
    while ((rc = sqlite3_step(q.s)) == SQLITE_ROW) out.emplace_back(columnText(q.s, 0).str(), columnText(q.s, 1).str());
    if (rc != SQLITE_DONE) fail(path_, "table watchpoints cannot be read (" + problemOf(db_) + ")");
    return out;
}

void MemoryFile::saveWatchpoint(const std::string& address, const std::string& access) {
    const bool set = !access.empty();
    // Any earlier row of the address, in either case, goes first.
    saveSideRow({"watchpoints", "cannot make table watchpoints", "CREATE TABLE IF NOT EXISTS watchpoints (address TEXT PRIMARY KEY, access TEXT)",
                 set ? "INSERT OR REPLACE INTO watchpoints (address, access) VALUES (?1, ?2)"
                     : "DELETE FROM watchpoints WHERE upper(address) = ?1",
                 set ? std::vector<std::string>{address, access} : std::vector<std::string>{address}, set,
                 "watchpoint " + address + " is left as it was", "cannot save a watchpoint"});
}

}  // namespace kit85
