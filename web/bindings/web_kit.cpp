#include "web_kit.h"

#include <chrono>
#include <new>
#include <utility>

#include "panel/model/live_decode.h"
#include "panel/model/study_status.h"
#include "values/errors.h"

namespace kit85::web {

void CollectingPresenter::message(std::string_view text, std::string_view title, Icon icon) {
    if (onMessage) onMessage(text);
    shown_.push_back({std::string(text), std::string(title), icon == Icon::Exclamation});
}

std::vector<ShownMessage> CollectingPresenter::take() { return std::exchange(shown_, {}); }

namespace {

std::unique_ptr<MemoryTable> openTable(const std::string& file, std::string& problem) {
    if (file.empty()) return MemoryTable::fresh();
    try {
        return MemoryTable::open(file);
    } catch (const KitError& e) {
        problem = e.what();
    }
    return MemoryTable::fresh();
}

// The kit's own "error :" box for a failed key, as the window words it.
constexpr std::string_view kErrorTitle = "error :";

}  // namespace

WebKit::WebKit(const std::string& file)
    : memory_(openTable(file, openProblem_)), file_(file), kit_(*memory_, presenter_), panel_(kit_), session_(kit_) {
    presenter_.onMessage = [this](std::string_view text) { session_.noteMessage(text); };
    panel_.Form_Load();
    if (openProblem_.empty() && persistent())
        say(breakpointsAtStart(memory_->breakpoints(), memory_->breakpointsOff().size(), memory_->watchpoints()),
            false);
}

void WebKit::say(std::string text, bool problem) {
    note_ = std::move(text);
    noteProblem_ = problem;
}

// A key's work, as the window runs it: nothing while a run goes on; a
// failure is shown in the kit's error box and kept on the status line.
void WebKit::keyWork(const std::function<void()>& work) {
    if (session_.running()) return;
    say("", false);
    session_.clearTrace();
    std::string failure;
    try {
        work();
    } catch (const KitError& e) {
        failure = e.what();
    } catch (const std::bad_alloc&) {
        failure = "out of memory";
    } catch (const std::exception& e) {
        failure = std::string("internal error: ") + e.what();
    }
    if (!failure.empty()) presenter_.message(failure, kErrorTitle, Icon::Exclamation);
    if (const std::string notice = memory_->takeHistoryNotice(); !notice.empty()) {
        say(notice, true);
        presenter_.message(notice, "", Icon::Information);
    }
}

void WebKit::press(const std::string& key) {
    if (key.size() == 1 && std::string_view("0123456789ABCDEF").find(key[0]) != std::string_view::npos) {
        keyWork([&] {
            const bool entering = panel_.addressEntry();
            panel_.hexKey_Click(key[0]);
            const Text& here = memory_->text1();
            if (entering && !panel_.addressEntry() && memory_->onRow() && here.isHex() && here.size() == 4)
                starts_.noteKeyedAddress(static_cast<uint16_t>(here.hexValue()));
        });
    } else if (key == "address") {
        keyWork([&] { panel_.address_Click(); });
    } else if (key == "next") {
        keyWork([&] { panel_.next_Click(); });
    } else if (key == "prev") {
        keyWork([&] { panel_.prev_Click(); });
    } else if (key == "regmod") {
        keyWork([&] { panel_.regmod_Click(); });
    }
}

void WebKit::undo(bool undo) {
    keyWork([&] {
        MemoryTable::UndoResult r = panel_.undoStep(undo);
        if (!r.done) {
            say(r.message, true);
            throw KitError(r.message);
        }
        const std::string done = r.rows.empty() ? std::string() : undoText(undo, r.rows);
        say(r.message.empty() ? done : done.empty() ? r.message : r.message + "; " + done, false);
    });
}

std::string WebKit::typeRegister(const std::string& name, const std::string& typed) {
    const std::optional<RegisterField> f = registerNamed(name);
    if (!f) return "";
    std::string kept;
    for (char c : typed) {
        if (kept.size() >= f->width) break;
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) kept.push_back(c);
    }
    if (!session_.running()) kit_[f->reg] = Text(kept);
    return kit_[f->reg].str();
}

void WebKit::setFlag(const std::string& name, const std::string& text) {
    if (const std::optional<FlagField> f = flagNamed(name); f && !session_.running()) kit_.flags.*f->label = Text(text);
}

// --- Execute, Step Exe, Stop --------------------------------------------------

void WebKit::noteRunStart() {
    const Text& here = memory_->text1();
    if (memory_->onRow() && here.isHex() && here.size() == 4)
        starts_.noteRunStart(static_cast<uint16_t>(here.hexValue()));
}

void WebKit::execute() {
    if (session_.running()) return;
    say("", false);
    noteRunStart();
    session_.startRun();
}

bool WebKit::slice(double ms) {
    if (!session_.running()) return false;
    const auto length = std::chrono::microseconds(static_cast<int64_t>(ms * 1000));
    if (session_.slice(length)) return true;
    session_.finishRun();
    const RunResult& last = session_.controller().last();
    if (last.reason == StopReason::Error) presenter_.message(last.message, kErrorTitle, Icon::Exclamation);
    return false;
}

void WebKit::stop() {
    if (!session_.running()) return;
    session_.controller().requestStop();
    session_.interrupt();
    session_.finishRun();
}

void WebKit::setSpeed(int pace, int perSecond) {
    const Speed speed = pace == 1 ? Speed::Kit : pace == 2 ? Speed::Slow : Speed::Fast;
    session_.controller().setSpeed(speed, perSecond);
}

double WebKit::untilNextSlice() const {
    return std::chrono::duration<double, std::milli>(session_.controller().untilNextSlice()).count();
}

void WebKit::stepExe() {
    keyWork([&] {
        noteRunStart();
        const RunResult& r = session_.step();
        if (r.reason == StopReason::Error) throw KitError(r.message);
    });
}

std::string WebKit::executeBounded(double maxSteps) {
    if (session_.running()) return "running";
    noteRunStart();
    RunController& run = session_.controller();
    run.start(static_cast<uint64_t>(maxSteps));
    const RunResult& last = run.slice();
    if (last.reason == StopReason::Error) presenter_.message(last.message, kErrorTitle, Icon::Exclamation);
    return std::string(stopName(last.reason));
}

// --- Breakpoints ----------------------------------------------------------------

std::string WebKit::toggleBreakpoint(uint16_t address) {
    std::string said;
    keyWork([&] {
        const bool on = memory_->toggleBreakpoint(Text::word(address));
        said = on ? breakpointSetText(*memory_, starts_, kit_[PC], address)
                  : "breakpoint cleared at " + Text::word(address).str();
        say(said, false);
    });
    return said;
}

std::vector<uint16_t> WebKit::breakpoints() const { return memory_->breakpoints().addresses(); }

// --- Reading the kit ----------------------------------------------------------------

std::string WebKit::statusLine() const {
    if (!note_.empty()) return note_;
    return statusText(session_.outcome());
}

bool WebKit::statusProblem() const {
    if (!note_.empty()) return noteProblem_;
    const ActionOutcome& o = session_.outcome();
    const StopReason r = o.result.reason;
    return o.action != StudyAction::None && (r == StopReason::Error || r == StopReason::InvalidCode || o.invalidCode);
}

std::string WebKit::decodeLine() const {
    if (!memory_->onRow()) return "";
    return liveDecode(*memory_, memory_->cursor());
}

std::vector<Disassembly> WebKit::instructions(int lo, int hi) const {
    return starts_.lines(*memory_, kit_[PC], lo, hi);
}

// --- The memory file -----------------------------------------------------------

void WebKit::flush() {
    keyWork([&] { memory_->flush(); });
}

std::string WebKit::reopen() {
    if (file_.empty() || session_.running()) return "";
    std::string problem;
    try {
        memory_->flush();
    } catch (const KitError& e) {
        return e.what();
    }
    const int cursor = memory_->cursor();
    memory_.reset();  // closing folds the log into the file
    memory_ = openTable(file_, problem);
    kit_.setMemory(*memory_);
    memory_->setCursor(std::min(cursor, memory_->size() - 1));
    return problem;
}

}  // namespace kit85::web
