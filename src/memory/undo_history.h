#pragma once

// The undo history of keyed bytes, for the memory table.
//
// Each byte keyed is one row (address, text before, text after) of a step;
// the bytes keyed between begin() and end() share one step. The history
// decides what a commit must save of it (due()), and takes a step back or puts
// it back on the table's rows through HistoryRows. It is kept in the memory
// file beside d2 (memory_file.h), or in memory only for a private table.
//
// A step may also set texts outside the table, the registers and flags
// (recordOutside): those steps take their place among the keyed ones for undo
// and redo, but live in memory only, since the file does not keep registers;
// after a restart they are gone, and the steps the file keeps are as before.
//
// When the file's history cannot be read at open, or cannot be written by a
// commit, the history stops: it records nothing more, undo and redo are
// refused with the reason, and keyed bytes are saved without it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "memory/memory_file.h"
#include "values/text.h"

namespace kit85 {

struct EditedRow {
    Text address;  // or, for a register or flag, its name ("register A")
    Text old;      // before this step
    Text now;      // after it
    bool outside = false;
};

struct Edit {
    int64_t step = 0;
    std::vector<EditedRow> rows;
};

// What undo or redo did: the rows it set (address, text before, text shown
// now), or, when refused, nothing changed and `message` says why.
struct UndoResult {
    bool done = false;
    std::string message;
    std::vector<EditedRow> rows;
};

// What the history needs of the table whose rows it takes back and puts back.
class HistoryRows {
public:
    virtual std::optional<int> rowOf(const Text& address) const = 0;
    virtual const Text& dataAt(int row) const = 0;
    // Sets a row's data; it is pending until the next commit.
    virtual void assign(int row, const Text& data) = 0;
    // Commits what is pending, as the table's flush does.
    virtual void flush() = 0;
    // Commits every pending write with `update` in one transaction. Throws
    // StoreError (HistoryError when it was the history that was refused).
    virtual void commit(const HistoryUpdate& update) = 0;

protected:
    ~HistoryRows() = default;
};

// The texts outside the table a step may set, by the names recordOutside was
// given: the registers and flags of the kit.
class HistoryOutside {
public:
    // The text under `name` now; nullopt for a name it does not know.
    virtual std::optional<Text> textOf(const Text& name) const = 0;
    virtual void set(const Text& name, const Text& text) = 0;

protected:
    ~HistoryOutside() = default;
};

class UndoHistory {
public:
    // The rows read from the file at open, in order.
    void load(std::vector<HistoryRow> rows) { rows_ = std::move(rows); }
    // Stops the history for good: `reason` says why, and is what undo and redo
    // answer from now on. Everything recorded and not yet saved is dropped.
    void stop(std::string reason);
    // stop() for a commit whose history the file refused.
    void refused(const HistoryError& e);
    bool recording() const { return reason_.empty(); }
    // Why the history stopped ("" while it records).
    const std::string& reason() const { return reason_; }
    // The reason once, the first time it is asked after the history stopped;
    // "" otherwise (for a front end that tells the user once).
    std::string takeNotice();

    // Records a keyed byte: `now` written over `old` in the row of `address`.
    // The second digit of a byte completes the step its first digit began (a
    // one-character text on the same row, nothing else keyed between), so one
    // byte keyed is one step.
    void record(const Text& address, const Text& old, const Text& now);
    // Records a text outside the table, `name` (a register or flag), set from
    // `old` to `now`: a step of its own, or part of the open group's. Kept for
    // the session only; it ends redo as a keyed byte does.
    void recordOutside(const Text& name, const Text& old, const Text& now);
    void begin();
    // Closes a group; true when the outermost one closed (the caller commits).
    bool end();
    // Drops the group begun by the outermost begin(): the history, what the
    // next commit would save and the undone marks are put back as begin()
    // found them. Nothing to drop once a commit has saved the group.
    void abandon();
    bool inGroup() const { return depth_ > 0; }

    // What the next commit must save with the bytes; null when nothing is due.
    const HistoryUpdate* due() const { return due_ ? &pending_ : nullptr; }
    // A commit saved the pending bytes with due(), or there was none to save.
    void saved();

    // Takes back the last step not yet undone, or puts back the step undone
    // last. Refused, touching nothing, when a row no longer holds the text the
    // step left there (undo) or found there (redo). Committed at once through
    // `rows`; a commit the file refuses throws StoreError, the rows as before,
    // except that a history the file refuses stops it and is answered here.
    // A step that set registers or flags needs `outside` to set them back,
    // and is refused without it.
    UndoResult undo(HistoryRows& rows, HistoryOutside* outside = nullptr) { return takeStep(true, rows, outside); }
    UndoResult redo(HistoryRows& rows, HistoryOutside* outside = nullptr) { return takeStep(false, rows, outside); }

    // The last `n` steps, newest first, those undone included.
    std::vector<Edit> last(std::size_t n) const;
    bool undone(int64_t step) const;

private:
    // Where the step to take lies in rows_, [first, end); empty with the
    // message when there is none.
    struct Span {
        std::size_t first = 0, end = 0;
        std::string none;
    };
    Span stepToTake(bool undo) const;
    // Drops the step in `span` when it set registers and flags only; true
    // when it did.
    bool dropOverrun(const Span& span);
    // Drops the step in `span` from the history, here and in the file (a
    // step of table rows that a run overtook, dropped at the user's word).
    UndoResult dropOvertaken(const Span& span, HistoryRows& rows, HistoryOutside* outside);
    UndoResult takeStep(bool undo, HistoryRows& rows, HistoryOutside* outside);
    // Before a new step: the undone steps go, here and (at the next commit)
    // in the file; then the number the new row takes.
    void endRedo();
    int64_t nextStep();
    bool completesLast(const Text& address, const Text& old, const Text& now) const;

    std::vector<HistoryRow> rows_;  // in order; the rows of a step together
    HistoryUpdate pending_;         // recorded, not yet committed
    bool due_ = false;
    int depth_ = 0;
    int64_t groupStep_ = 0;  // the step of the group open between begin and end
    // The history as the outermost begin() found it, for abandon(); kept
    // until a commit saves the group's history.
    struct GroupStart {
        std::size_t size = 0;
        // The whole history, copied only when the group drops undone steps
        // (the one change to rows_ besides rows appended at its end).
        std::optional<std::vector<HistoryRow>> rows;
        HistoryUpdate pending;
        bool due = false;
    };
    std::optional<GroupStart> groupStart_;
    // The step undo last refused because a run wrote over its rows: asked
    // again, undo drops it and goes on with the step before it.
    int64_t overtaken_ = 0;
    std::string reason_;
    bool noticeDue_ = false;
};

}  // namespace kit85
