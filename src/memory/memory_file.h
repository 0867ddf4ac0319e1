#pragma once

// The SQLite side of the memory table: the file holding table d2.
//
// open() creates a missing file (a complete table written to a temporary file
// and linked into place), takes the file for this process alone (flock plus a
// per-process registry), checks it and reads its rows. Nothing is written to
// the file until the first commit, so a file that is refused, or opened and
// closed without a write, keeps every byte it had.
//
// The first commit is tried first in a memory journal and rolled back, so a
// write the file refuses (a trigger, a CHECK) is found while the file is still
// untouched; only then is the file switched to write-ahead logging and the
// write committed for real.
//
// Breakpoints live beside d2 in a table of their own, breakpoints (address
// TEXT PRIMARY KEY), which d2 never depends on: a file without it opens with
// no breakpoints and gets the table when the first breakpoint is saved. A
// breakpoint turned off, kept to be turned on again, moves to table
// breakpoints_off of the same shape, so that every reader of breakpoints
// sees only the ones a run stops at.
// Watchpoints are kept the same way in table watchpoints (address TEXT
// PRIMARY KEY, access TEXT: "r", "w" or "rw").
//
// The undo history of keyed bytes lives in table history (seq INTEGER PRIMARY
// KEY, step INTEGER, address TEXT, old TEXT, new TEXT, undone INTEGER): one
// row a byte, the rows of one edit sharing a step number, undone 1 for a step
// taken back (redo puts it back). It is made at the first recorded edit, in
// the same transaction as that edit's bytes.
//
// The code: memory_file.cpp opens, checks and loads (memory_file_read.cpp
// only reads, for a file that is not the kit's own); memory_file_commit.cpp
// writes; memory_file_tables.cpp keeps the history, breakpoints and
// watchpoints tables;
// memory_file_create.cpp makes a new file and clears leftovers of killed ones.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "values/errors.h"
#include "values/text.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kit85 {

// One row of d2 as read from the file, with its rowid for later writes.
struct StoredRow {
    int64_t rowid = 0;
    Text address;
    Text data;
};

// A write to commit: the new data of the row with this rowid.
struct RowWrite {
    int64_t rowid = 0;
    const Text* data = nullptr;
};

// A breakpoint as the file keeps it.
enum class BreakpointState { Gone, On, Off };

// One keyed byte of the history.
struct HistoryRow {
    int64_t step = 0;
    Text address;
    Text old;
    Text now;
    bool undone = false;
    // A register or flag set by a step (`address` holds its name): kept in
    // the session's history only, never written to the file, which does not
    // keep registers.
    bool outside = false;
};

// What a commit also does to the history, in the same transaction.
struct HistoryUpdate {
    std::vector<HistoryRow> added;  // the bytes of a new edit (or a step's new text amended)
    bool amendLast = false;         // added[0] replaces the new text of the last stored row
    bool dropUndone = false;        // a new edit: the undone steps can no longer be redone
    int64_t markStep = 0;           // undo or redo: this step's undone flag becomes `undone`
    bool undone = false;
    int64_t dropStep = 0;  // a step a run overtook leaves the history
};

// A commit refused because of its history rows: nothing was stored.
// problem() says what was refused, without what the kit keeps.
class HistoryError : public StoreError {
public:
    HistoryError(const std::string& problem, const std::string& kept)
        : StoreError(problem + "; " + kept), problem_(problem) {}
    const std::string& problem() const { return problem_; }

private:
    std::string problem_;
};

class MemoryFile {
public:
    // SQLite keeps "FILE-journal" beside the file; that name must fit in 255 bytes.
    static constexpr std::size_t kMaxNameBytes = 255 - 8;

    // Opens `file`, creating it when missing, and appends its rows to `rows`
    // in ascending address order. Throws StoreError naming the file and the
    // problem; the file is left as it was.
    static std::unique_ptr<MemoryFile> open(const std::filesystem::path& file, std::vector<StoredRow>& rows);

    // The rows of table d2 of a file that is only to be read, never kept open
    // (a submission handed in for grading), in ascending address order. The
    // file is opened read-only and immutable: SQLite takes no lock and writes
    // no journal, so the file and its folder stay exactly as they were. d2 is
    // checked as open() checks it before a row is read, and must be a plain
    // table: a view (which may recurse without end) or a virtual table is
    // refused. Throws StoreError naming the file and the problem.
    static std::vector<StoredRow> readOnly(const std::filesystem::path& file);

    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Commits the writes in one transaction. Throws StoreError naming the
    // problem (nothing of the writes is stored then): a HistoryError when it
    // was the history update that the file refused.
    void commit(std::span<const RowWrite> writes, const HistoryUpdate* history = nullptr);

    // The history rows in order (none without the table); reading writes nothing.
    std::vector<HistoryRow> loadHistory();

    // The addresses in table breakpoints (none when the file has no such
    // table), as stored; reading writes nothing.
    std::vector<std::string> loadBreakpoints();
    // The breakpoints turned off (kept, but not stopping a run), from table
    // breakpoints_off, as loadBreakpoints reads its table.
    std::vector<std::string> loadBreakpointsOff();
    // Saves a breakpoint on (in table breakpoints), off (in breakpoints_off)
    // or gone (in neither), the tables made when missing, in a transaction of
    // its own. `address` is four upper-case hex digits; one stored in lower
    // case is cleared too. Throws StoreError (nothing stored).
    void saveBreakpoint(const std::string& address, BreakpointState state);

    // The rows of table watchpoints, address and access as stored (none
    // without the table); reading writes nothing.
    std::vector<std::pair<std::string, std::string>> loadWatchpoints();
    // Saves a watchpoint with its access ("r", "w" or "rw"; the table made
    // when missing) or, for "", clears it, as saveBreakpoint does.
    void saveWatchpoint(const std::string& address, const std::string& access);

    const std::filesystem::path& path() const { return path_; }

    // Removes the temporary files of creations whose process is gone, in the
    // folder of `file`: ".kit85-PID-N" and, from older versions,
    // "FILE.creating-PID", each with its "-journal".
    static void removeStaleLeftovers(const std::filesystem::path& file);

private:
    MemoryFile() = default;
    // A change to a side table: statements run in order in one transaction.
    struct SideRows {
        struct Step {
            const char* sql;
            const char* refusal;  // its error when the file refuses it
        };
        std::vector<Step> steps;
        std::vector<std::string> binds;  // ?1, ?2... of each statement
        std::string kept;                // what a refusal leaves, for its message
    };
    void saveSideRows(const SideRows& rows);
    std::vector<std::string> loadAddresses(const char* table);
    // Writes a new file of 0000..FFFF, each "00" (memory_file_create.cpp).
    static void create(const std::filesystem::path& file);
    void checkTable();
    void checkColumns();
    bool isStrict(const char* table);
    void load(std::vector<StoredRow>& rows);

    // A write in progress, handed to the body of transact().
    class Write {
    public:
        // A dry run keeps its journal in memory and never spills to the file.
        Write(MemoryFile& file, bool dryRun, const std::string& kept);
        // Rolls the write back and throws StoreError: "WHAT (SQLite's
        // reason); KEPT".
        [[noreturn]] void refuse(const char* what) const;
        // refuse(), throwing HistoryError.
        [[noreturn]] void refuseHistory(const char* what) const;
        // Rolls the write back (and ends a dry run).
        void rollBack() const;

    private:
        MemoryFile& f_;
        bool dryRun_;
        std::string mode_;  // a dry run's journal mode before it
        const std::string& kept_;
    };
    void transact(bool dryRun, const std::string& kept, const std::function<void(const Write&)>& body);
    void switchToWal(const std::string& kept);
    bool hasTable(const char* name);  // a table or view of that name
    void saveHistory(const HistoryUpdate& h, const Write& w);

    std::filesystem::path path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
    int lockFd_ = -1;
    std::pair<dev_t, ino_t> fileId_{};
    bool registered_ = false;
    bool wal_ = false;  // the file is in write-ahead logging
};

}  // namespace kit85
