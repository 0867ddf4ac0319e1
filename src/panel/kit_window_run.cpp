// The kit window's Execute, Step Exe, Stop and CLOSE, and "Run to here".

#include <QCloseEvent>
#include <QLineEdit>

#include <chrono>
#include <utility>

#include "panel/key_button.h"
#include "panel/kit_window.h"
#include "panel/study_view.h"
#include "values/errors.h"

namespace kit85 {

namespace {

// A run gives the event loop a turn this often, and redraws the panel then.
constexpr auto kSlice = std::chrono::milliseconds(30);
// At Kit speed a slice runs what the clock allows since the last one: this
// wait keeps the window redrawing some 80 times a second without a busy loop.
constexpr auto kKitSliceWait = std::chrono::milliseconds(12);

}  // namespace

// --- Execute, Step Exe, Stop ------------------------------------------------

// The row a run or step begins on is an instruction for a fact.
void KitWindow::noteRunStart() {
    const Text& here = memory_->text1();
    if (memory_->onRow() && here.isHex() && here.size() == 4)
        starts_.noteRunStart(static_cast<uint16_t>(here.hexValue()));
}

void KitWindow::execute_Click() {
    if (busy_ || running() || ended_) return;
    status_.clear();
    if (study_) study_->beginAction(true);
    noteRunStart();
    session_.startRun();
    setRunning(true);
    runSlice();
}

void KitWindow::runSlice() {
    if (!running() || inSlice_) return;
    inSlice_ = true;
    const bool goesOn = session_.slice(kSlice);
    inSlice_ = false;
    if (ended_) return;  // the kit ended while a message box of this slice was open
    if (goesOn) {
        refresh();
        // The next slice starts once the events that came meanwhile are done,
        // and for a paced run not before its next instruction is due.
        using namespace std::chrono;
        const auto due = ceil<milliseconds>(session_.controller().untilNextSlice());
        const milliseconds floor = session_.pace() == Speed::Kit ? kKitSliceWait : milliseconds(0);
        sliceTimer_.start(std::max(floor, due));
        return;
    }
    finishRun();
}

void KitWindow::finishRun() {
    sliceTimer_.stop();
    setRunning(false);
    session_.finishRun();
    if (std::exchange(oneOffRun_, false)) session_.controller().setBreakpoints(nullptr);
    if (study_) study_->endAction();
    // A stop on a breakpoint or a watchpoint is explained in the study view: it opens.
    const RunResult& last = session_.controller().last();
    const StopReason r = last.reason;
    if ((r == StopReason::Breakpoint || r == StopReason::Watch) && !studyOpen() && !ended_) setStudyOpen(true);
    refresh();
    if (last.reason == StopReason::Error) report(last.message);
    emit runFinished();
}

void KitWindow::stop_Click() {
    if (!running()) return;
    session_.controller().requestStop();
    if (inSlice_) return;  // the slice sees the request and ends the run itself
    // Between slices: every write of the last slice is committed, and the
    // cursor stands on the row of the next instruction.
    session_.interrupt();
    finishRun();
}

void KitWindow::stepexe_Click() {
    marksItsOwn_ = true;
    keyWork([this] {
        noteRunStart();
        const RunResult& r = session_.step();
        if (r.reason == StopReason::Error) throw KitError(r.message);
    });
}

// While a run goes on only Stop and CLOSE take clicks, and the register
// fields take no typing.
void KitWindow::setRunning(bool on) {
    for (KeyButton* k : keys_) k->setEnabled(k == stop_ ? on : k == end_ || !on);
    for (LineField& f : register_)
        if (f.edit) f.edit->setReadOnly(on);
    if (on) setFocus();
}

void KitWindow::runToHere(int row) {
    if (busy_ || running() || ended_ || row < 0 || row >= memory_->size()) return;
    const std::optional<uint16_t> a = Breakpoints::parse(memory_->addressAt(row).str());
    if (!a) return;
    session_.controller().setBreakpoints(&breakpoints_.runningTo(*a));
    oneOffRun_ = true;
    execute_Click();
}

// --- CLOSE ------------------------------------------------------------------

void KitWindow::endKit() {
    if (ended_) return;
    ended_ = true;
    if (running()) {
        session_.controller().requestStop();
        sliceTimer_.stop();
        session_.interrupt();
    }
    try {
        memory_->flush();
    } catch (const KitError& e) {
        report(std::string("The kit ends, but its memory could not be saved: ") + e.what());
    }
    emit ended();
}

void KitWindow::end_Click() {
    if (!editorLetsGo()) return;
    endKit();
    window()->close();  // the dock, when the view is docked
}

void KitWindow::closeEvent(QCloseEvent* event) {
    if (!ended_ && !editorLetsGo()) {
        event->ignore();
        return;
    }
    endKit();
    event->accept();
}

}  // namespace kit85
