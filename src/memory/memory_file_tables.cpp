// The tables the memory file keeps beside d2: the undo history, the
// breakpoints (those turned off in a table of their own) and the watchpoints.
// None is needed to open a file; each is made when first saved.
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
    if (h.dropStep)
        run("DELETE FROM history WHERE step = ?1", [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, h.dropStep); });
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

std::vector<std::string> MemoryFile::loadAddresses(const char* table) {
    std::vector<std::string> out;
    if (!hasTable(table)) return out;
    const std::string unreadable = std::string("table ") + table + " cannot be read (";
    Statement q;
    if (sqlite3_prepare_v2(db_, (std::string("SELECT address FROM ") + table).c_str(), -1, &q.s, nullptr) != SQLITE_OK)
        fail(path_, unreadable + problemOf(db_) + ")");
    int rc;
    while ((rc = sqlite3_step(q.s)) == SQLITE_ROW) {
        const unsigned char* p = sqlite3_column_text(q.s, 0);
        if (p) out.emplace_back(reinterpret_cast<const char*>(p), sqlite3_column_bytes(q.s, 0));
    }
    if (rc != SQLITE_DONE) fail(path_, unreadable + problemOf(db_) + ")");
    return out;
}

std::vector<std::string> MemoryFile::loadBreakpoints() { return loadAddresses("breakpoints"); }

std::vector<std::string> MemoryFile::loadBreakpointsOff() { return loadAddresses("breakpoints_off"); }

// The statements of one side-table change, run in order in a transaction of
// their own, each with `binds` as ?1, ?2...; nothing to run writes nothing.
void MemoryFile::saveSideRows(const SideRows& r) {
    if (r.steps.empty()) return;
    auto body = [&](const Write& w) {
        for (const SideRows::Step& step : r.steps) {
            Statement s;
            if (sqlite3_prepare_v2(db_, step.sql, -1, &s.s, nullptr) != SQLITE_OK) w.refuse(step.refusal);
            const int params = sqlite3_bind_parameter_count(s.s);
            for (int i = 0; i < params && i < static_cast<int>(r.binds.size()); ++i)
                sqlite3_bind_text(s.s, i + 1, r.binds[i].data(), static_cast<int>(r.binds[i].size()), SQLITE_TRANSIENT);
            if (sqlite3_step(s.s) != SQLITE_DONE) {
                sqlite3_reset(s.s);
                w.refuse(step.refusal);
            }
        }
    };
    if (!wal_) {
        transact(true, r.kept, body);
        switchToWal(r.kept);
    }
    transact(false, r.kept, body);
}

void MemoryFile::saveBreakpoint(const std::string& address, BreakpointState state) {
    static constexpr const char* kSave = "cannot save a breakpoint";
    SideRows r{{}, {address}, "breakpoint " + address + " is left as it was"};
    // Clearing in a file that never had the table writes nothing to it.
    if (state == BreakpointState::On) {
        r.steps.push_back(
            {"CREATE TABLE IF NOT EXISTS breakpoints (address TEXT PRIMARY KEY)", "cannot make table breakpoints"});
        r.steps.push_back({"INSERT OR IGNORE INTO breakpoints (address) VALUES (?1)", kSave});
    } else if (hasTable("breakpoints")) {
        r.steps.push_back({"DELETE FROM breakpoints WHERE upper(address) = ?1", kSave});
    }
    if (state == BreakpointState::Off) {
        r.steps.push_back({"CREATE TABLE IF NOT EXISTS breakpoints_off (address TEXT PRIMARY KEY)",
                           "cannot make table breakpoints_off"});
        r.steps.push_back({"INSERT OR IGNORE INTO breakpoints_off (address) VALUES (?1)", kSave});
    } else if (hasTable("breakpoints_off")) {
        r.steps.push_back({"DELETE FROM breakpoints_off WHERE upper(address) = ?1", kSave});
    }
    saveSideRows(r);
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
    static constexpr const char* kSave = "cannot save a watchpoint";
    SideRows r{{}, {address, access}, "watchpoint " + address + " is left as it was"};
    if (!access.empty()) {
        r.steps.push_back({"CREATE TABLE IF NOT EXISTS watchpoints (address TEXT PRIMARY KEY, access TEXT)",
                           "cannot make table watchpoints"});
        // Any earlier row of the address, in either case, goes first.
        r.steps.push_back({"DELETE FROM watchpoints WHERE upper(address) = ?1", kSave});
        r.steps.push_back({"INSERT INTO watchpoints (address, access) VALUES (?1, ?2)", kSave});
    } else if (hasTable("watchpoints")) {
        r.steps.push_back({"DELETE FROM watchpoints WHERE upper(address) = ?1", kSave});
    }
    saveSideRows(r);
}

}  // namespace kit85
