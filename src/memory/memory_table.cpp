#include "memory/memory_table.h"

#include <algorithm>
#include <utility>

#include "values/ascii.h"

namespace kit85 {
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 65536;

// A text for a message: whole when short, else its start and its length.
// Built by appending: `"\"" + s` here trips a false -Wrestrict in GCC 12.
std::string shown(const Text& t) {
    const std::string s = t.str();
    std::string out(1, '"');
    out.append(s, 0, 40);
    if (s.size() <= 40) return out += '"';
    return out.append("...\" (").append(std::to_string(s.size())).append(" characters)");
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
    t->pending_.resize(t->rows_.size());
    return t;
}

std::unique_ptr<MemoryTable> MemoryTable::open(const fs::path& file) {
    std::vector<StoredRow> stored;
    std::unique_ptr<MemoryFile> store = MemoryFile::open(file, stored);
    for (const StoredRow& r : stored) {
        const char* which = r.address.size() > kMaxTextLength ? "an address"
                            : r.data.size() > kMaxTextLength  ? "a data"
                                                              : nullptr;
        if (which)
            throw StoreError("memory file " + file.string() + ": the row with address " + shown(r.address) + " holds " +
                             which + " text longer than " + std::to_string(kMaxTextLength) +
                             " characters; kit85 keeps texts of at most " + std::to_string(kMaxTextLength));
    }
    std::unique_ptr<MemoryTable> t(new MemoryTable());
    // A stored address of another shape can match no row the run stops on; it
    // is left in the file as it is.
    for (const std::string& a : store->loadBreakpoints())
        if (std::optional<uint16_t> v = Breakpoints::parse(a)) t->breakpoints_.insert(*v);
    try {
        t->history_ = store->loadHistory();
    } catch (const StoreError& e) {
        t->historyProblem_ = e.what();
    }
    t->rows_.reserve(stored.size());
    for (StoredRow& r : stored) t->rows_.push_back(Row{std::move(r.address), std::move(r.data), r.rowid, false});
    t->buildIndex();
    t->pending_.resize(t->rows_.size());
    t->writes_.reserve(t->rows_.size());
    t->path_ = file;
    t->store_ = std::move(store);
    t->lastFlush_ = std::chrono::steady_clock::now();
    return t;
}

MemoryTable::~MemoryTable() {
    if (store_) {
        try {
            flush();
        } catch (const KitError&) {
            // The front ends flush and report before they close; here there is
            // no one left to tell.
        }
    }
}

void MemoryTable::buildIndex() {
    byWord_.fill(-1);
    byOther_.clear();
    bytes_.assign(rows_.size() + 1, kOddByte);
    plain_ = rows_.size() == kRows;
    for (int i = 0; i < size(); ++i) {
        bytes_[i] = byteOf(rows_[i].data);
        if (!rows_[i].address.is(static_cast<uint32_t>(i), 4)) plain_ = false;
    }
    for (int i = 0; i < size(); ++i) {
        Text key = rows_[i].address.isHex() ? rows_[i].address : Text(upperAscii(rows_[i].address.str()));
        if (key.isHex() && key.size() == 4) {
            if (byWord_[key.hexValue()] < 0) byWord_[key.hexValue()] = i;
        } else {
            byOther_.emplace(key.str(), i);
        }
    }
}

std::optional<int> MemoryTable::rowOf(const Text& address) const {
    Text key = address.isHex() ? address : Text(upperAscii(address.str()));
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
    std::string_view rest = c;
    if (rest.size() < 7 || upperAscii(rest.substr(0, 7)) != "ADDRESS") return missed(Text(c));
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

void MemoryTable::refuseLong(const Text& data) const {
    throw TextTooLongError("the text " + shown(data) + " for memory row " + addressAt(cursor_).str() +
                           " is longer than " + std::to_string(kMaxTextLength) + " characters; nothing was written");
}

uint16_t MemoryTable::breakpointAddress(const Text& address) {
    std::optional<uint16_t> v = Breakpoints::parse(address.str());
    if (!v) throw KitError("a breakpoint needs an address of four hex digits, not " + shown(address));
    return *v;
}

void MemoryTable::setBreakpoint(const Text& address, bool on) {
    const uint16_t a = breakpointAddress(address);
    if (breakpoints_.contains(a) == on) return;
    if (store_) store_->saveBreakpoint(Text::word(a).str(), on);
    if (on)
        breakpoints_.insert(a);
    else
        breakpoints_.erase(a);
}

bool MemoryTable::toggleBreakpoint(const Text& address) {
    const bool on = !breakpoints_.contains(breakpointAddress(address));
    setBreakpoint(address, on);
    return on;
}

void MemoryTable::flush() {
    if (pendingCount_ == 0 && !historyDue_) return;
    commitHistory(historyPending_);
    historyPending_ = HistoryUpdate{};
    historyDue_ = false;
}

// Commits the pending writes with `update` to the history (when any is due or
// it marks a step) in one transaction.
void MemoryTable::commitHistory(HistoryUpdate& update) {
    if (store_) {
        writes_.clear();
        for (std::size_t k = 0; k < pendingCount_; ++k)
            writes_.push_back(RowWrite{rows_[pending_[k]].rowid, &rows_[pending_[k]].data});
        const bool withHistory = historyProblem_.empty() && (historyDue_ || update.markStep);
        store_->commit(writes_, withHistory ? &update : nullptr);  // throws with every write still pending
    }
    for (std::size_t k = 0; k < pendingCount_; ++k) rows_[pending_[k]].pending = false;
    pendingCount_ = 0;
    editStart_.reset();  // what an open group recorded is in the file now
    ++commits_;
    lastFlush_ = std::chrono::steady_clock::now();
}

std::vector<int> MemoryTable::pendingRows() const {
    std::vector<int> rows(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingCount_));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MemoryTable::flushIfDue() {
    if (pendingCount_ != 0 && std::chrono::steady_clock::now() - lastFlush_ >= flushInterval_) flush();
}

// --- Keyed edits -------------------------------------------------------------

void MemoryTable::keyText2(const Text& data) {
    if (!onRow()) refuseWrite();
    const int row = cursor_;
    const Text old = rows_[row].data;
    setText2(data);  // a text too long is refused here, recording nothing
    const Text& address = rows_[row].address;
    if (!historyProblem_.empty()) {
        if (editDepth_ == 0) flush();
        return;
    }
    HistoryRow* last = history_.empty() ? nullptr : &history_.back();
    const bool completes = editDepth_ == 0 && last && !last->undone && last->address == address &&
                           last->now.size() == 1 && data.size() == 2 && data.left(1) == last->now && old == last->now &&
                           (history_.size() < 2 || history_[history_.size() - 2].step != last->step);
    if (completes) {
        last->now = data;
        if (!historyPending_.added.empty())
            historyPending_.added.back().now = data;
        else {
            historyPending_.added.push_back(*last);
            historyPending_.amendLast = true;
        }
    } else {
        if (!history_.empty() && history_.back().undone) {
            if (editStart_ && !editStart_->history) editStart_->history = history_;
            std::erase_if(history_, [](const HistoryRow& r) { return r.undone; });
            historyPending_.dropUndone = true;
        }
        int64_t step = editStep_;
        if (editDepth_ == 0 || step == 0) step = (history_.empty() ? 0 : history_.back().step) + 1;
        if (editDepth_ > 0) editStep_ = step;
        history_.push_back(HistoryRow{step, address, old, data, false});
        historyPending_.added.push_back(history_.back());
    }
    historyDue_ = true;
    if (editDepth_ == 0) flush();
}

void MemoryTable::beginEdit() {
    if (editDepth_++ == 0) {
        editStep_ = 0;
        editStart_ = EditStart{history_.size(), std::nullopt, historyPending_, historyDue_};
    }
}

void MemoryTable::abandonEdit() {
    editDepth_ = 0;
    editStep_ = 0;
    if (!editStart_) return;
    EditStart& s = *editStart_;
    if (s.history)
        history_ = std::move(*s.history);
    else
        history_.resize(s.historySize);  // the group only appended
    historyPending_ = std::move(s.pending);
    historyDue_ = s.due;
    editStart_.reset();
}

void MemoryTable::endEdit() {
    if (editDepth_ > 0 && --editDepth_ == 0) {
        editStep_ = 0;
        flush();
        editStart_.reset();  // committed, or the group keyed nothing
    }
}

bool MemoryTable::undone(int64_t step) const {
    for (const HistoryRow& r : history_)
        if (r.step == step) return r.undone;
    return false;
}

std::vector<MemoryTable::Edit> MemoryTable::lastEdits(std::size_t n) const {
    std::vector<Edit> out;
    for (auto it = history_.rbegin(); it != history_.rend(); ++it) {
        if (out.empty() || out.back().step != it->step) {
            if (out.size() == n) break;
            out.push_back(Edit{it->step, {}});
        }
        out.back().rows.insert(out.back().rows.begin(), EditedRow{it->address, it->old, it->now});
    }
    return out;
}

MemoryTable::UndoResult MemoryTable::undo() { return takeStep(true); }
MemoryTable::UndoResult MemoryTable::redo() { return takeStep(false); }

// Undo takes the last step not undone back, row by row from its last; redo
// puts the first undone step back, from its first row. Every row must hold the
// text the step left there (undo) or found there (redo), else nothing changes.
MemoryTable::UndoResult MemoryTable::takeStep(bool undo) {
    UndoResult res;
    if (!historyProblem_.empty()) {
        res.message = "the undo history cannot be read: " + historyProblem_;
        return res;
    }
    flush();  // what is pending goes first, on its own
    std::size_t first = history_.size(), end = history_.size();
    if (undo) {
        while (end > 0 && history_[end - 1].undone) --end;
        if (end == 0) {
            res.message = "nothing to undo";
            return res;
        }
        first = end - 1;
        while (first > 0 && history_[first - 1].step == history_[end - 1].step) --first;
    } else {
        first = 0;
        while (first < history_.size() && !history_[first].undone) ++first;
        if (first == history_.size()) {
            res.message = "nothing to redo";
            return res;
        }
        end = first + 1;
        while (end < history_.size() && history_[end].step == history_[first].step) ++end;
    }

    struct Applied {
        int row;
        Text before;
    };
    std::vector<Applied> applied;
    auto rollBack = [&] {
        for (auto it = applied.rbegin(); it != applied.rend(); ++it) assign(it->row, it->before);
    };
    auto setRow = [&](int row, const Text& t) {
        applied.push_back({row, rows_[row].data});
        assign(row, t);
    };
    for (std::size_t k = 0; k < end - first; ++k) {
        const HistoryRow& h = history_[undo ? end - 1 - k : first + k];
        const Text& expected = undo ? h.now : h.old;
        const std::optional<int> row = rowOf(h.address);
        if (!row || rows_[*row].data != expected) {
            rollBack();
            res.rows.clear();  // refused: no row was set
            res.message = std::string(undo ? "cannot undo: " : "cannot redo: ") +
                          (row ? "row " + shown(h.address) + " now holds " + shown(rows_[*row].data) + ", not " +
                                     shown(expected) + (undo ? " as keyed" : " as undo left it") +
                                     " (a program wrote it since); nothing was changed"
                               : "no row has the address " + shown(h.address) + "; nothing was changed");
            return res;
        }
        res.rows.push_back(EditedRow{h.address, rows_[*row].data, undo ? h.old : h.now});
        setRow(*row, undo ? h.old : h.now);
    }
    HistoryUpdate mark;
    mark.markStep = history_[first].step;
    mark.undone = undo;
    try {
        commitHistory(mark);
    } catch (...) {
        rollBack();  // the rows stay pending with the texts the file holds
        throw;
    }
    for (std::size_t i = first; i < end; ++i) history_[i].undone = undo;
    res.done = true;
    return res;
}

}  // namespace kit85
