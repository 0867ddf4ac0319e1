// Writing to the memory file: transactions, the dry run of the first write,
// and the switch to write-ahead logging.
#include <sqlite3.h>

#include <string>

#include "memory/memory_file.h"
#include "memory/store_support.h"
#include "values/errors.h"

namespace kit85 {
using namespace store;

MemoryFile::Write::Write(MemoryFile& file, bool dryRun, const std::string& kept)
    : f_(file), dryRun_(dryRun), kept_(kept) {
    if (!dryRun_) return;
    mode_ = journalMode(f_.db_, "");
    if (journalMode(f_.db_, "MEMORY") != "memory") fail(f_.path_, "cannot check a write (" + problemOf(f_.db_) + ")");
    // Keeps every changed page in memory, so the file is not written.
    sqlite3_exec(f_.db_, "PRAGMA cache_spill=OFF", nullptr, nullptr, nullptr);
}

void MemoryFile::Write::rollBack() const {
    sqlite3_exec(f_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!dryRun_) return;
    sqlite3_exec(f_.db_, "PRAGMA cache_spill=ON", nullptr, nullptr, nullptr);
    journalMode(f_.db_, mode_);
}

void MemoryFile::Write::refuse(const char* what) const {
    const std::string msg = problemOf(f_.db_);
    rollBack();
    fail(f_.path_, std::string(what) + " (" + msg + "); " + kept_);
}

void MemoryFile::Write::refuseHistory(const char* what) const {
    const std::string msg = problemOf(f_.db_);
    rollBack();
    throw HistoryError("memory file " + f_.path_.string() + ": " + what + " (" + msg + ")", kept_);
}

// Runs body in one transaction; in a dry run the journal is kept in memory and
// the transaction rolled back, so the file is not written. A failure rolls
// back and throws StoreError naming the problem and `kept`, what the kit still
// holds unsaved.
void MemoryFile::transact(bool dryRun, const std::string& kept, const std::function<void(const Write&)>& body) {
    const Write w(*this, dryRun, kept);
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) w.refuse("cannot start a write");
    try {
        body(w);
    } catch (const KitError&) {
        throw;  // refuse() has rolled back
    } catch (...) {
        // Memory ran out for a long text: no transaction may stay open, or no
        // later commit could start.
        sqlite3_reset(update_);
        w.rollBack();
        throw;
    }
    if (dryRun) return w.rollBack();
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) w.refuse("cannot commit");
}

namespace {

std::string keptBytes(std::size_t count) {
    return std::to_string(count) + " byte(s) are kept in the kit and not yet saved";
}

}  // namespace

void MemoryFile::commit(std::span<const RowWrite> writes, const HistoryUpdate* history) {
    if (writes.empty() && !history) return;
    auto body = [&](const Write& write) {
        if (history) saveHistory(*history, write);
        for (const RowWrite& w : writes) {
            std::string data = w.data->str();
            sqlite3_bind_text(update_, 1, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(update_, 2, w.rowid);
            if (sqlite3_step(update_) != SQLITE_DONE) {
                sqlite3_reset(update_);
                write.refuse("cannot save a byte");
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

void MemoryFile::switchToWal(const std::string& kept) {
    // Write-ahead logging keeps committed writes safe if the process is killed
    // and makes each commit one append.
    if (journalMode(db_, "WAL") != "wal")
        fail(path_, "cannot switch to write-ahead logging (" + problemOf(db_) + "); " + kept);
    wal_ = true;
}

}  // namespace kit85
