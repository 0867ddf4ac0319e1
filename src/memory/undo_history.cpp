#include "memory/undo_history.h"

#include <algorithm>
#include <utility>

#include "memory/shown.h"
#include "values/errors.h"

namespace kit85 {

void UndoHistory::stop(std::string reason) {
    reason_ = std::move(reason);
    noticeDue_ = true;
    rows_.clear();
    pending_ = HistoryUpdate{};
    due_ = false;
    groupStep_ = 0;
    groupStart_.reset();
}

void UndoHistory::refused(const HistoryError& e) {
    stop(e.problem() + "; keyed bytes are saved without undo from now on");
}

std::string UndoHistory::takeNotice() {
    if (!noticeDue_) return "";
    noticeDue_ = false;
    return reason_;
}

// The second digit of a byte, keyed on the row its first digit went to, with
// nothing keyed between, outside a group.
bool UndoHistory::completesLast(const Text& address, const Text& old, const Text& now) const {
    if (depth_ != 0 || rows_.empty()) return false;
    const HistoryRow& last = rows_.back();
    const bool stepOfOneRow = rows_.size() < 2 || rows_[rows_.size() - 2].step != last.step;
    return !last.undone && !last.outside && last.address == address && last.now.size() == 1 && now.size() == 2 &&
           now.left(1) == last.now && old == last.now && stepOfOneRow;
}

void UndoHistory::endRedo() {
    if (rows_.empty() || !rows_.back().undone) return;
    if (groupStart_ && !groupStart_->rows) groupStart_->rows = rows_;
    std::erase_if(rows_, [](const HistoryRow& r) { return r.undone; });
    pending_.dropUndone = true;
    due_ = true;
}

int64_t UndoHistory::nextStep() {
    overtaken_ = 0;  // a new step: a refusal said before it is said again
    int64_t step = groupStep_;
    if (depth_ == 0 || step == 0) step = (rows_.empty() ? 0 : rows_.back().step) + 1;
    if (depth_ > 0) groupStep_ = step;
    return step;
}

void UndoHistory::record(const Text& address, const Text& old, const Text& now) {
    if (!recording()) return;
    if (completesLast(address, old, now)) {
        HistoryRow& last = rows_.back();
        last.now = now;
        if (!pending_.added.empty()) {
            pending_.added.back().now = now;
        } else {
            pending_.added.push_back(last);
            pending_.amendLast = true;
        }
    } else {
        endRedo();
        rows_.push_back(HistoryRow{nextStep(), address, old, now, false, false});
        pending_.added.push_back(rows_.back());
    }
    due_ = true;
}

void UndoHistory::recordOutside(const Text& name, const Text& old, const Text& now) {
    if (!recording()) return;
    endRedo();
    rows_.push_back(HistoryRow{nextStep(), name, old, now, false, true});
}

void UndoHistory::begin() {
    if (depth_++ == 0) {
        groupStep_ = 0;
        groupStart_ = GroupStart{rows_.size(), std::nullopt, pending_, due_};
    }
}

bool UndoHistory::end() {
    if (depth_ == 0 || --depth_ != 0) return false;
    groupStep_ = 0;
    return true;
}

void UndoHistory::abandon() {
    depth_ = 0;
    groupStep_ = 0;
    if (!groupStart_) return;
    GroupStart& s = *groupStart_;
    if (s.rows)
        rows_ = std::move(*s.rows);
    else
        rows_.resize(s.size);  // the group only appended
    pending_ = std::move(s.pending);
    due_ = s.due;
    groupStart_.reset();
}

void UndoHistory::saved() {
    pending_ = HistoryUpdate{};
    due_ = false;
    groupStart_.reset();  // what an open group recorded is in the file now
}

bool UndoHistory::undone(int64_t step) const {
    for (const HistoryRow& r : rows_)
        if (r.step == step) return r.undone;
    return false;
}

std::vector<Edit> UndoHistory::last(std::size_t n) const {
    std::vector<Edit> out;
    for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
        if (out.empty() || out.back().step != it->step) {
            if (out.size() == n) break;
            out.push_back(Edit{it->step, {}});
        }
        out.back().rows.push_back(EditedRow{it->address, it->old, it->now, it->outside});
    }
    // Gathered last row first; a step of a whole program is too long to
    // gather front-inserted.
    for (Edit& e : out) std::reverse(e.rows.begin(), e.rows.end());
    return out;
}

// Undo takes the last step not undone; redo the first undone one.
UndoHistory::Span UndoHistory::stepToTake(bool undo) const {
    Span s;
    if (undo) {
        s.end = rows_.size();
        while (s.end > 0 && rows_[s.end - 1].undone) --s.end;
        if (s.end == 0) return Span{0, 0, "nothing to undo"};
        s.first = s.end - 1;
        while (s.first > 0 && rows_[s.first - 1].step == rows_[s.end - 1].step) --s.first;
    } else {
        while (s.first < rows_.size() && !rows_[s.first].undone) ++s.first;
        if (s.first == rows_.size()) return Span{0, 0, "nothing to redo"};
        s.end = s.first + 1;
        while (s.end < rows_.size() && rows_[s.end].step == rows_[s.first].step) ++s.end;
    }
    return s;
}

namespace {

std::string rowRefused(bool undo, const HistoryRow& h, const Text& expected, const Text* holds) {
    std::string why;
    if (h.outside)
        why = holds ? h.address.str() + " now holds " + shown(*holds) + ", not " + shown(expected) +
                          (undo ? " as the step left it" : " as undo left it") + " (a run or a key changed it since)"
                    : "the kit's " + h.address.str() + " is not at hand here";
    else
        why = holds ? "row " + shown(h.address) + " now holds " + shown(*holds) + ", not " + shown(expected) +
                          (undo ? " as keyed" : " as undo left it") + " (a program wrote it since)"
                    : "no row has the address " + shown(h.address);
    return std::string(undo ? "cannot undo: " : "cannot redo: ") + why + "; nothing was changed";
}

// Registers change with every run and step, so a register step a run has
// overtaken could never be taken back, and would bar every step behind it.
std::string droppedNote(bool undo) {
    return std::string("; the step is dropped from the history, so ") +
           (undo ? "undo goes on with the step before it" : "redo goes on with the step after it");
}

}  // namespace

// A step of registers and flags only (kept for the session, nothing of it in
// the file) whose texts changed since is dropped, so that the steps around it
// can still be taken; a step with table rows stays as it is.
bool UndoHistory::dropOverrun(const Span& span) {
    for (std::size_t i = span.first; i < span.end; ++i)
        if (!rows_[i].outside) return false;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(span.first),
                rows_.begin() + static_cast<std::ptrdiff_t>(span.end));
    return true;
}

UndoResult UndoHistory::dropOvertaken(const Span& span, HistoryRows& rows, HistoryOutside* outside) {
    const HistoryRow& first = rows_[span.first];
    const std::string what =
        span.end - span.first == 1 ? "row " + first.address.str() : std::to_string(span.end - span.first) + " rows";
    HistoryUpdate drop;
    drop.dropStep = first.step;
    try {
        rows.commit(drop);
    } catch (const HistoryError& e) {
        refused(e);
        return UndoResult{false, reason_ + "; nothing was changed", {}};
    }
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(span.first),
                rows_.begin() + static_cast<std::ptrdiff_t>(span.end));
    overtaken_ = 0;
    const std::string dropped = "dropped the step of " + what + " that a run wrote over";
    UndoResult next = takeStep(true, rows, outside);
    if (next.done || next.message == "nothing to undo") {
        next.message = next.done ? dropped : dropped + "; nothing else to undo";
        next.done = true;
        return next;
    }
    next.message = dropped + "; " + next.message;
    return next;
}

// Undo sets the step's rows from its last, redo from its first. Every row must
// hold the text the step left there (undo) or found there (redo), else
// nothing changes. A step of registers and flags only is in memory alone, so
// nothing goes to the file for it.
UndoResult UndoHistory::takeStep(bool undo, HistoryRows& rows, HistoryOutside* outside) {
    UndoResult res;
    if (recording()) rows.flush();  // what is pending goes first, on its own
    if (!recording()) {
        res.message = reason_;
        return res;
    }
    const Span span = stepToTake(undo);
    if (!span.none.empty()) {
        res.message = span.none;
        return res;
    }
    struct Applied {
        const HistoryRow* h;
        int row;  // for a table row
        Text before;
    };
    std::vector<Applied> applied;
    auto rollBack = [&] {
        for (auto it = applied.rbegin(); it != applied.rend(); ++it) {
            if (it->h->outside)
                outside->set(it->h->address, it->before);
            else
                rows.assign(it->row, it->before);
        }
    };
    bool inFile = false;
    for (std::size_t k = 0; k < span.end - span.first; ++k) {
        const HistoryRow& h = rows_[undo ? span.end - 1 - k : span.first + k];
        const Text& expected = undo ? h.now : h.old;
        const Text& wanted = undo ? h.old : h.now;
        Applied a{&h, -1, Text()};
        if (h.outside) {
            const std::optional<Text> now = outside ? outside->textOf(h.address) : std::nullopt;
            if (!now || *now != expected) {
                rollBack();
                UndoResult refusal{false, rowRefused(undo, h, expected, now ? &*now : nullptr), {}};
                if (now && dropOverrun(span)) refusal.message += droppedNote(undo);
                return refusal;
            }
            a.before = *now;
            outside->set(h.address, wanted);
        } else {
            const std::optional<int> row = rows.rowOf(h.address);
            if (!row || rows.dataAt(*row) != expected) {
                rollBack();
                UndoResult refusal{false, rowRefused(undo, h, expected, row ? &rows.dataAt(*row) : nullptr), {}};
                if (!undo || !row) return refusal;
                // Said once; asked again, the step goes and undo goes on.
                if (overtaken_ == h.step) return dropOvertaken(span, rows, outside);
                overtaken_ = h.step;
                refusal.message += "; Ctrl+Z again drops this step from the history and undoes the one before it";
                return refusal;
            }
            a.row = *row;
            a.before = rows.dataAt(*row);
            rows.assign(*row, wanted);
            inFile = true;
        }
        res.rows.push_back(EditedRow{h.address, a.before, wanted, h.outside});
        applied.push_back(std::move(a));
    }
    HistoryUpdate mark;
    mark.markStep = rows_[span.first].step;
    mark.undone = undo;
    try {
        if (inFile) rows.commit(mark);
    } catch (const HistoryError& e) {
        rollBack();  // the rows stay pending with the texts the file holds
        refused(e);
        return UndoResult{false, reason_ + "; nothing was changed", {}};
    } catch (...) {
        rollBack();
        throw;
    }
    for (std::size_t i = span.first; i < span.end; ++i) rows_[i].undone = undo;
    overtaken_ = 0;
    res.done = true;
    return res;
}

}  // namespace kit85
