#pragma once

// The kit's memory: table d2 of rows (address, data), both text, one row per
// memory location, in ascending address order, with a cursor on one row.
//
// The rows live in memory for speed and are backed by an SQLite file
// (MemoryFile). Reads never touch the file. A write changes the row at once and
// is recorded as pending; flush() commits every pending write in one
// transaction. The keypad flushes after each byte; a run flushes when it ends
// and at least once a second while it goes on (flushIfDue). An uncommitted
// write is never lost from memory: a failed flush keeps it pending for the next
// one.
//
// The cursor may stand on no row: after a Find that matched nothing, after
// MoveNext past the last row (EOF) or MovePrevious before the first (BOF).
// Then both displays read as the empty text and a write is refused with a
// NoRowError that names the address.
//
// Keyed bytes have an undo history (keyText2, undo, redo, lastEdits; the
// class UndoHistory in undo_history.h), kept in the file beside d2
// (memory_file.h) and in memory for a private table. Bytes written by a
// running program (setText2) are not in it.
//
// The table also holds the breakpoints and watchpoints stored with it:
// loaded at open, and saved at once when one is set or cleared (a fresh table
// keeps them in memory only).

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "memory/breakpoints.h"
#include "memory/memory_file.h"
#include "memory/undo_history.h"
#include "memory/watchpoints.h"
#include "values/errors.h"
#include "values/text.h"

namespace kit85 {

// The longest text a row holds, address or data: the longest the kit's table
// store ever held. A longer one is refused at open and by setText2.
inline constexpr std::size_t kMaxTextLength = 255;

// A write of a text longer than kMaxTextLength; nothing was written.
class TextTooLongError : public KitError {
public:
    using KitError::KitError;
};

class MemoryTable {
    struct Row;

public:
    // A private table of 0000..FFFF, each "00", kept in memory only.
    static std::unique_ptr<MemoryTable> fresh();

    // The table in an SQLite file. A missing file is created holding 0000..FFFF,
    // each "00". An existing file is used as it is; one that is not SQLite,
    // lacks table d2 or its columns, declares a column that would store "00"
    // as a number, is read-only or is open in another kit85 process, or holds
    // a text longer than kMaxTextLength, is refused with a StoreError naming
    // the file and the problem, and is left untouched.
    static std::unique_ptr<MemoryTable> open(const std::filesystem::path& file);

    ~MemoryTable();
    MemoryTable(const MemoryTable&) = delete;
    MemoryTable& operator=(const MemoryTable&) = delete;

    // --- The cursor ---------------------------------------------------------

    // Find with a criterion as the panel writes it: "address= #8000#" (a blank
    // before "=" is allowed too). A criterion of any other shape finds nothing.
    void Find(std::string_view criterion);
    // Find by the address digits alone: the first row whose address equals
    // them, hex digits compared without regard to case. No match: no row.
    void findAddress(const Text& address) {
        if (address.isWord()) {
            cursor_ = byWord_[address.hexValue()];
            missedFind_ = false;
            if (cursor_ < 0) missed(address);
            return;
        }
        findOther(address);
    }
    void MoveNext() {
        missedFind_ = false;
        if (cursor_ < 0)
            cursor_ = 0;
        else if (cursor_ < size())
            ++cursor_;
    }
    // After a Find that missed, the cursor is at the end, so this lands on the
    // last row, as after MoveNext past it.
    void MovePrevious() {
        missedFind_ = false;
        if (cursor_ >= size())
            cursor_ = size() - 1;
        else if (cursor_ >= 0)
            --cursor_;
    }
    // EOF and BOF (named so because EOF is a C macro): the cursor has left the
    // last row forwards, or the first row backwards.
    bool atEOF() const { return cursor_ >= size(); }
    bool atBOF() const { return cursor_ < 0; }
    bool onRow() const { return cursor_ >= 0 && cursor_ < size(); }

    // The current row's address and data; the empty text on no row.
    const Text& text1() const { return onRow() ? rows_[cursor_].address : empty_; }
    const Text& text2() const { return onRow() ? rows_[cursor_].data : empty_; }
    // Store a byte text in the current row. On no row nothing is written
    // anywhere and NoRowError says where the cursor was meant to be; a text
    // longer than kMaxTextLength is refused with TextTooLongError.
    void setText2(const Text& data) {
        if (!onRow()) refuseWrite();
        if (data.size() > kMaxTextLength) refuseLong(data);
        assign(cursor_, data);
    }

    // --- Keyed edits and their undo history (undo_history.h) ----------------

    // The keypad's byte write: setText2 on the current row, recorded in the
    // history and committed at once, in one transaction with its history row.
    // The second digit of a byte completes the step its first digit began, so
    // one byte keyed is one step. Between beginEdit and endEdit the bytes
    // keyed (e.g. a program opened from a file) are one step, committed by
    // endEdit. A failed commit throws StoreError; the bytes stay pending and
    // the step is kept for the next flush. A history the file refuses does
    // not fail it: the bytes are saved without it and the history stops
    // (historyProblem, takeHistoryNotice).
    void keyText2(const Text& data);
    void beginEdit() { history_.begin(); }
    void endEdit();
    // Drops the group begun by the outermost beginEdit, for a caller that
    // wants all or nothing: while the group is open, or after an endEdit whose
    // commit failed. The history (steps, undone marks, what the next flush
    // would save) is put back as it was at beginEdit, so no flush commits the
    // group's steps; the edit depth goes back to 0. The rows keep the texts
    // keyed and stay pending: the caller writes their old texts back with
    // setText2. Once a commit has saved the group's history there is nothing
    // left to drop, and this does nothing.
    void abandonEdit() { history_.abandon(); }

    using EditedRow = kit85::EditedRow;
    using Edit = kit85::Edit;
    using UndoResult = kit85::UndoResult;
    // Takes back the last step not yet undone. Refused, touching nothing,
    // when a row no longer holds the text the step keyed (a program wrote it
    // since): the message names the row and its text now. Committed at once.
    // A step that set registers or flags (recordOutside) is taken back through
    // `outside`, and refused without it.
    UndoResult undo(HistoryOutside* outside = nullptr);
    // Puts back the step undone last; refused the same way when a row no
    // longer holds the text undo left in it. A new keyed edit ends redo.
    UndoResult redo(HistoryOutside* outside = nullptr);
    // Records a register or flag, `name`, set from `old` to `now` as an undo
    // step (or part of the open edit's step), kept for this session only: the
    // file keeps no registers. Ends redo as a keyed byte does.
    void recordOutside(const Text& name, const Text& old, const Text& now);
    // The last `n` steps, newest first, those undone included (for the study
    // view's list).
    std::vector<Edit> lastEdits(std::size_t n) const { return history_.last(n); }
    bool undone(int64_t step) const { return history_.undone(step); }
    // Why the history stopped: it could not be read at open, or a commit
    // could not save it ("" while it records). The table records nothing
    // more then; keyed bytes are saved without it and undo is refused.
    const std::string& historyProblem() const { return history_.reason(); }
    // historyProblem() once, the first time it is asked after the history
    // stopped, for a front end that tells the user once; "" otherwise.
    std::string takeHistoryNotice() { return history_.takeNotice(); }

    // --- Durability ---------------------------------------------------------

    // Commits every pending write in one transaction. Throws StoreError (the
    // writes stay pending) when the file refuses.
    void flush();
    // flush() when writes are pending and the last flush is flushInterval() old.
    void flushIfDue();
    std::size_t pendingWrites() const { return pendingCount_; }
    bool persistent() const { return store_ != nullptr; }
    const std::filesystem::path& file() const { return path_; }
    // A second unless set otherwise (tests shorten it to see flushIfDue work).
    std::chrono::steady_clock::duration flushInterval() const { return flushInterval_; }
    void setFlushInterval(std::chrono::steady_clock::duration d) { flushInterval_ = d; }
    // Flushes that stored something since the table was made.
    uint64_t commits() const { return commits_; }
    // While set, each row a flush commits is also appended to `rows` (with
    // repeats), so that a caller learns which rows were written without
    // comparing all of memory; nullptr stops it.
    void noteCommittedRows(std::vector<int>* rows) { committedRows_ = rows; }

    // --- Breakpoints ---------------------------------------------------------

    const Breakpoints& breakpoints() const { return breakpoints_; }
    // The breakpoints turned off: kept, with the file, but not stopped at.
    const Breakpoints& breakpointsOff() const { return breakpointsOff_; }
    // Sets the breakpoint at `address`, four hex digits of either case, on,
    // off or gone, and saves it to the file at once. Another address text is
    // refused with a KitError naming it; a save the file refuses throws
    // StoreError and leaves the sets as they were.
    void setBreakpoint(const Text& address, BreakpointState state);
    // On, or gone.
    void setBreakpoint(const Text& address, bool on) {
        setBreakpoint(address, on ? BreakpointState::On : BreakpointState::Gone);
    }
    // Sets the breakpoint when it is not on (also when off), else clears it;
    // returns whether it is on now. Refused as setBreakpoint is.
    bool toggleBreakpoint(const Text& address);

    // --- Watchpoints ---------------------------------------------------------

    const Watchpoints& watchpoints() const { return watchpoints_; }
    // Watches the row of `address` for `access` (kWatchRead, kWatchWrite or
    // both; 0 clears it) and saves it at once; refused as setBreakpoint is.
    void setWatchpoint(const Text& address, uint8_t access);
    // Clears every watchpoint, each saved as it goes; a refusal keeps those not
    // yet cleared.
    void clearWatchpoints();

    // --- The byte view, for the run loop's integer path ---------------------

    // True when the table has the kit's own shape: 65,536 rows, the row at
    // index i holding address i as four upper-case hex digits. Then a row's
    // index is its address, and MoveNext from row i lands on row i + 1.
    bool plain() const { return plain_; }
    // Per row, the value of its data when that is exactly two upper-case hex
    // digits (the canonical byte), else kOddByte. Kept in step with every write.
    // One entry more than there are rows, always kOddByte: reading it stands for
    // reading no row.
    static constexpr uint16_t kOddByte = 0x100;
    const uint16_t* bytes() const { return bytes_.data(); }
    // The integer path's store: setText2(Text::byte(value)) on `row` (the
    // cursor left where it is), for a row whose text is a canonical byte now
    // (bytes()[row] <= FF). It holds the table's arrays directly and makes no
    // call, so a run loop that uses it keeps its values in registers. The arrays are sized when the table is made and
    // never move, so a ByteStore is good for as long as the table lives.
    class ByteStore {
    public:
        void operator()(uint32_t row, uint8_t value) const {
            Row& r = rows_[row];
            r.data.replaceHexWithByte(value);
            bytes_[row] = value;
            if (!r.pending) {
                r.pending = true;
                pending_[(*pendingCount_)++] = row;
            }
        }

    private:
        friend class MemoryTable;
        Row* rows_;
        uint16_t* bytes_;
        uint32_t* pending_;
        std::size_t* pendingCount_;
    };
    ByteStore byteStore() {
        ByteStore b;
        b.rows_ = rows_.data();
        b.bytes_ = bytes_.data();
        b.pending_ = pending_.data();
        b.pendingCount_ = &pendingCount_;
        return b;
    }
    // The rows written and not yet committed, in ascending order (for tests
    // that compare two runs).
    std::vector<int> pendingRows() const;

    // --- Whole-table access for front ends and tests ------------------------

    int size() const { return static_cast<int>(rows_.size()); }
    int cursor() const { return cursor_; }  // -1 before the first row, size() past the last
    void setCursor(int row) {
        cursor_ = row;
        missedFind_ = false;
    }
    const Text& addressAt(int row) const { return rows_[row].address; }
    const Text& dataAt(int row) const { return rows_[row].data; }
    // The row index of an address, as find() would select it.
    std::optional<int> rowOf(const Text& address) const;

private:
    struct Row {
        Text address;
        Text data;
        int64_t rowid = 0;
        bool pending = false;
    };

    MemoryTable() = default;
    static uint16_t byteOf(const Text& t) { return t.isByte() ? static_cast<uint16_t>(t.hexValue()) : kOddByte; }
    void markPending(int row) {
        if (!rows_[row].pending) {
            rows_[row].pending = true;
            pending_[pendingCount_++] = static_cast<uint32_t>(row);
        }
    }
    // Every change of a row's data goes through here (or ByteStore), so the
    // byte view never goes stale.
    void assign(int row, const Text& data) {
        rows_[row].data = data;
        bytes_[row] = byteOf(data);
        markPending(row);
    }
    void buildIndex();
    void findOther(const Text& address);
    void missed(const Text& address);
    [[noreturn]] void refuseWrite() const;
    [[noreturn]] void refuseLong(const Text& data) const;
    static uint16_t breakpointAddress(const Text& address, const char* what = "a breakpoint");
    void loadSideTables(MemoryFile& store);

    class HistoryAccess;
    // Commits the pending writes, with `history` when it is not null, in one
    // transaction.
    void commitPending(const HistoryUpdate* history);

    std::vector<Row> rows_;
    std::vector<uint16_t> bytes_;  // the byte view: one per row, and kOddByte for no row
    bool plain_ = false;
    UndoHistory history_;
    std::array<int32_t, 65536> byWord_{};               // four upper-case hex digits -> first row
    std::unordered_map<std::string, int32_t> byOther_;  // any other address, upper-cased
    // The rows written since the last commit, each once, in the order first
    // written: the first pendingCount_ entries of an array of one per row.
    std::vector<uint32_t> pending_;
    std::size_t pendingCount_ = 0;
    Breakpoints breakpoints_;
    Breakpoints breakpointsOff_;  // never one that is in breakpoints_ too
    Watchpoints watchpoints_;
    int cursor_ = 0;
    bool missedFind_ = false;
    std::string missedAddress_;
    Text empty_;

    std::filesystem::path path_;
    std::unique_ptr<MemoryFile> store_;  // null for a private table
    std::vector<RowWrite> writes_;       // reused by flush()
    std::chrono::steady_clock::duration flushInterval_ = std::chrono::seconds(1);
    std::chrono::steady_clock::time_point lastFlush_{};
    std::vector<int>* committedRows_ = nullptr;
    uint64_t commits_ = 0;
};

}  // namespace kit85
