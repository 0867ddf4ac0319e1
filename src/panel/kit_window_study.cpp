// The kit window's study view: opening and closing it, where it stands, and
// what its clicks and breakpoints do to the kit.

#include <QAction>
#include <QDir>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>

#include "panel/editor/source_editor.h"
#include "panel/kit_window.h"
#include "panel/study_placement.h"
#include "run/watch.h"
#include "values/errors.h"

namespace kit85 {

// --- The study view ---------------------------------------------------------

void KitWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownBefore_) return;
    shownBefore_ = true;
    if (studyViewRemembered()) studyAction_->setChecked(true);
    QTimer::singleShot(0, this, &KitWindow::offerRecoveredSources);
}

// A source kept by a kit that did not end cleanly is offered back at start.
void KitWindow::offerRecoveredSources() {
    if (ended_ || QDir(SourceEditor::recoveryFolder()).isEmpty(QDir::Files)) return;
    if (sourceEditor().offerRecovery()) {
        setStudyOpen(true);
        study_->showEditor();
    }
}

SourceEditor& KitWindow::sourceEditor() {
    makeStudyView();
    return *study_->editor();
}

void KitWindow::openInEditor(const QString& file, const assembler::Assembly& assembly) {
    sourceEditor().showLoaded(file, assembly);
    if (studyOpen()) study_->showEditor();
}

bool KitWindow::editorLetsGo() { return !study_ || study_->editor()->maybeClose(); }

bool KitWindow::studyOpen() const { return study_ && study_->isVisible(); }

void KitWindow::setStudyOpen(bool open) {
    if (studyAction_->isChecked() != open) {
        studyAction_->setChecked(open);  // comes back here through toggled()
        return;
    }
    if (open)
        showStudyView();
    else
        hideStudyView();
    if (!ended_) rememberStudyView(open);
}

void KitWindow::setStudyDocked(bool docked) {
    if (dockAction_->isChecked() != docked) {
        dockAction_->setChecked(docked);  // comes back here through toggled()
        return;
    }
    if (!ended_) rememberStudyDocked(docked);
    if (studyOpen()) {
        hideStudyView();
        showStudyView();
    }
}

void KitWindow::makeStudyView() {
    if (study_) return;
    study_ = new StudyView(*this);
    studyShortcuts_ = addShortcuts(study_);
    study_->addActions({studyAction_, dockAction_, breakpointAction_, undoAction_, redoAction_, helpAction_});
    connect(study_, &StudyView::closedByUser, this, [this] { setStudyOpen(false); });
}

void KitWindow::showStudyView() {
    if (!study_) makeStudyView();
    if (studyOpen()) return;
    if (!home_) home_ = window()->pos();
    const bool docked = studyDockedRemembered(!fitsBeside());
    if (dockAction_->isChecked() != docked) {
        const QSignalBlocker quiet(dockAction_);
        dockAction_->setChecked(docked);
    }
    for (QShortcut* s : studyShortcuts_) s->setEnabled(!docked);
    if (docked) {
        if (!dock_) dock_ = new KitDock(*this, *study_);
        dock_->show();
    } else {
        study_->show();
        placeStudyView();
    }
    study_->refresh();
    setFocus();
}

// The kit goes back to where it stood before the view opened.
void KitWindow::hideStudyView() {
    if (dock_) {
        dock_->release();
        dock_->deleteLater();
        dock_ = nullptr;
    }
    if (study_) study_->hide();
    if (home_) move(*home_);
    home_.reset();
    setFocus();
}

// The view beside the kit, on a screen with room for both.
bool KitWindow::fitsBeside() const {
    const QScreen* s = screen();
    if (!s || !study_) return true;
    return frameGeometry().width() + 8 + study_->sideBySideWidth() + 16 <= s->availableGeometry().width();
}

// Beside the kit (placeStudyBeside): a view left larger than the room there
// gets smaller rather than covering the kit's keys.
void KitWindow::placeStudyView() {
    QScreen* s = screen();
    if (!s) return;
    const QSize frame = study_->frameGeometry().size() - study_->size();
    const QSize minimum = study_->minimumSizeHint().expandedTo(study_->minimumSize());
    const StudyPlacement p = placeStudyBeside(s->availableGeometry(), frameGeometry(),
                                              study_->frameGeometry().size().expandedTo(study_->size()),
                                              minimum + frame, 8);
    if (p.view.size() - frame != study_->size()) study_->resize(p.view.size() - frame);
    if (p.kit != frameGeometry().topLeft()) move(p.kit);
    study_->move(p.view.topLeft());
}

void KitWindow::selectAddress(uint16_t address) {
    keyWork([this, address] {
        panel_.address_Click();
        for (char c : Text::word(address).str()) panel_.hexKey_Click(c);
    });
}

void KitWindow::toggleBreakpoint(int row) {
    if (row < 0 || row >= memory_->size()) return;
    keyWork([this, row] {
        const Text& address = memory_->addressAt(row);
        const std::optional<uint16_t> a = Breakpoints::parse(address.str());
        if (!a) throw KitError("row \"" + address.str() + "\" has no address of four hex digits for a breakpoint");
        const bool on = memory_->toggleBreakpoint(Text::word(*a));
        note_ = {on ? breakpointSetText(*memory_, starts_, kit_[PC], *a) : "breakpoint at " + address.str() + " cleared",
                 false};
    });
}

std::vector<BreakpointEntry> KitWindow::breakpointEntries() const {
    return kit85::breakpointEntries(*memory_, starts_, kit_[PC]);
}

void KitWindow::switchBreakpoint(uint16_t address, bool on) {
    keyWork([this, address, on] {
        memory_->setBreakpoint(Text::word(address), on ? BreakpointState::On : BreakpointState::Off);
        note_ = {"breakpoint at " + Text::word(address).str() + (on ? " on" : " off (kept in the list)"), false};
    });
}

void KitWindow::removeBreakpoint(uint16_t address) {
    keyWork([this, address] {
        memory_->setBreakpoint(Text::word(address), BreakpointState::Gone);
        note_ = {"breakpoint at " + Text::word(address).str() + " removed", false};
    });
}

void KitWindow::clearBreakpoints() {
    keyWork([this] {
        const std::size_t n = breakpointEntries().size();
        const std::size_t w = memory_->watchpoints().size();
        clearAllBreakpoints(*memory_);
        memory_->clearWatchpoints();
        note_ = {"cleared " + std::to_string(n) + (n == 1 ? " breakpoint" : " breakpoints") +
                     (w ? " and " + std::to_string(w) + (w == 1 ? " watchpoint" : " watchpoints") : std::string()),
                 false};
    });
}

void KitWindow::addWatchpoint(uint16_t address, uint8_t access) {
    keyWork([this, address, access] {
        const Text row = Text::word(address);
        memory_->setWatchpoint(row, memory_->watchpoints().access(address) | access);
        note_ = {"watchpoint: Execute stops after " + row.str() + " is " +
                     std::string(run::watchAccessWords(memory_->watchpoints().access(address))),
                 false};
    });
}

void KitWindow::removeWatchpoint(uint16_t address) {
    keyWork([this, address] {
        memory_->setWatchpoint(Text::word(address), 0);
        note_ = {"watchpoint at " + Text::word(address).str() + " removed", false};
    });
}

void KitWindow::runToHere(int row) {
    if (busy_ || running() || ended_ || row < 0 || row >= memory_->size()) return;
    const std::optional<uint16_t> a = Breakpoints::parse(memory_->addressAt(row).str());
    if (!a) return;
    oneOff_.clear();
    oneOff_.insertAll(memory_->breakpoints());
    oneOff_.insert(*a);
    session_.controller().setBreakpoints(&oneOff_);
    oneOffRun_ = true;
    execute_Click();
}

void KitWindow::keyHex(char digit) {
    const int v = hexDigitValue(digit);
    if (v >= 0) press(hexKeys_[v]);
}

// The status line must already say what a message box reports while the box
// is open: an invalid code ends the run or step inside the message.
void KitWindow::noteMessage(std::string_view text) { session_.noteMessage(text); }

}  // namespace kit85
