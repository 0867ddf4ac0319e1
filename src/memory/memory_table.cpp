#include "memory/memory_table.h"

#include <algorithm>
#include <utility>

#include "memory/shown.h"
#include "values/ascii.h"

namespace kit85 {
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 65536;

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
    t->loadSideTables(*store);
    try {
        t->history_.load(store->loadHistory());
    } catch (const StoreError& e) {
        t->history_.stop(std::string("the undo history cannot be read: ") + e.what());
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
        if (key.isWord()) {
            if (byWord_[key.hexValue()] < 0) byWord_[key.hexValue()] = i;
        } else {
            byOther_.emplace(key.str(), i);
        }
    }
}

std::optional<int> MemoryTable::rowOf(const Text& address) const {
    Text key = address.isHex() ? address : Text(upperAscii(address.str()));
    if (key.isWord()) {
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

// A stored address of another shape can match no row the run stops on, and a
// watchpoint's access other than r, w or rw watches nothing; such rows are
// left in the file as they are.
void MemoryTable::loadSideTables(MemoryFile& store) {
    for (const std::string& a : store.loadBreakpoints())
        if (std::optional<uint16_t> v = Breakpoints::parse(a)) breakpoints_.insert(*v);
    // One in both tables (a file edited by hand) is on: a run stops there.
    for (const std::string& a : store.loadBreakpointsOff())
        if (std::optional<uint16_t> v = Breakpoints::parse(a); v && !breakpoints_.contains(*v))
            breakpointsOff_.insert(*v);
    for (const auto& [a, access] : store.loadWatchpoints()) {
        const std::optional<uint16_t> v = Breakpoints::parse(a);
        const std::string upper = upperAscii(access);
        const uint8_t mode = upper == "R" ? kWatchRead : upper == "W" ? kWatchWrite : upper == "RW" ? kWatchBoth : 0;
        if (v && mode) watchpoints_.set(*v, watchpoints_.access(*v) | mode);
    }
}

uint16_t MemoryTable::breakpointAddress(const Text& address, const char* what) {
    std::optional<uint16_t> v = Breakpoints::parse(address.str());
    if (!v) throw KitError(std::string(what) + " needs an address of four hex digits, not " + shown(address));
    return *v;
}

void MemoryTable::setWatchpoint(const Text& address, uint8_t access) {
    const uint16_t a = breakpointAddress(address, "a watchpoint");
    access &= kWatchBoth;
    if (watchpoints_.access(a) == access) return;
    if (store_) store_->saveWatchpoint(Text::word(a).str(), std::string(watchAccessName(access)));
    watchpoints_.set(a, access);
}

void MemoryTable::clearWatchpoints() {
    for (const Watchpoints::Entry& e : watchpoints_.entries()) setWatchpoint(Text::word(e.address), 0);
}

void MemoryTable::setBreakpoint(const Text& address, BreakpointState state) {
    const uint16_t a = breakpointAddress(address);
    const BreakpointState now = breakpoints_.contains(a)      ? BreakpointState::On
                                : breakpointsOff_.contains(a) ? BreakpointState::Off
                                                              : BreakpointState::Gone;
    if (now == state) return;
    if (store_) store_->saveBreakpoint(Text::word(a).str(), state);
    breakpoints_.erase(a);
    breakpointsOff_.erase(a);
    if (state == BreakpointState::On) breakpoints_.insert(a);
    if (state == BreakpointState::Off) breakpointsOff_.insert(a);
}

bool MemoryTable::toggleBreakpoint(const Text& address) {
    const bool on = !breakpoints_.contains(breakpointAddress(address));
    setBreakpoint(address, on);
    return on;
}

// A history the file refuses does not hold the bytes back: they are
// committed without it, and the history stops. When the bytes are refused
// too, that is the error, and the history waits with them.
void MemoryTable::flush() {
    const HistoryUpdate* history = history_.due();
    if (pendingCount_ == 0 && !history) return;
    try {
        commitPending(history);
    } catch (const HistoryError& e) {
        commitPending(nullptr);
        history_.refused(e);
    }
}

void MemoryTable::commitPending(const HistoryUpdate* history) {
    if (store_) {
        writes_.clear();
        for (std::size_t k = 0; k < pendingCount_; ++k)
            writes_.push_back(RowWrite{rows_[pending_[k]].rowid, &rows_[pending_[k]].data});
        store_->commit(writes_, history);  // throws with every write still pending
    }
    if (committedRows_)
        committedRows_->insert(committedRows_->end(), pending_.begin(),
                               pending_.begin() + static_cast<std::ptrdiff_t>(pendingCount_));
    for (std::size_t k = 0; k < pendingCount_; ++k) rows_[pending_[k]].pending = false;
    pendingCount_ = 0;
    history_.saved();
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
    history_.record(rows_[row].address, old, data);
    if (!history_.inGroup()) flush();
}

void MemoryTable::endEdit() {
    if (history_.end()) {
        flush();
        history_.saved();  // committed, or the group keyed nothing
    }
}

// The rows as the undo history sees them.
class MemoryTable::HistoryAccess final : public HistoryRows {
public:
    explicit HistoryAccess(MemoryTable& t) : t_(t) {}
    std::optional<int> rowOf(const Text& address) const override { return t_.rowOf(address); }
    const Text& dataAt(int row) const override { return t_.dataAt(row); }
    void assign(int row, const Text& data) override { t_.assign(row, data); }
    void flush() override { t_.flush(); }
    void commit(const HistoryUpdate& update) override { t_.commitPending(&update); }

private:
    MemoryTable& t_;
};

MemoryTable::UndoResult MemoryTable::undo(HistoryOutside* outside) {
    HistoryAccess rows(*this);
    return history_.undo(rows, outside);
}

MemoryTable::UndoResult MemoryTable::redo(HistoryOutside* outside) {
    HistoryAccess rows(*this);
    return history_.redo(rows, outside);
}

void MemoryTable::recordOutside(const Text& name, const Text& old, const Text& now) {
    history_.recordOutside(name, old, now);
    if (!history_.inGroup()) flush();  // the undone steps it ended leave the file too
}

}  // namespace kit85
