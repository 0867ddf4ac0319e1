// The kit window's study view: opening and closing it, where it stands, the
// services and signals it is made with, and what its requests do to the kit.

#include <QAction>
#include <QDir>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>

#include "panel/editor/source_editor.h"
#include "panel/key_button.h"
#include "panel/kit_dock.h"
#include "panel/kit_window.h"
#include "panel/model/program_loader.h"
#include "panel/program_files.h"
#include "panel/study_placement.h"
#include "panel/study_view.h"
#include "values/ascii.h"
#include "values/errors.h"

namespace kit85 {

// --- The study view ---------------------------------------------------------

void KitWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownBefore_) return;
    shownBefore_ = true;
    if (studyViewRemembered()) setStudyOpen(true);
    restoreBoard();
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

// The actions' ticks follow the choice (F7 and the menu come here through
// toggled()); they are never read back.
void KitWindow::setStudyOpen(bool open) {
    {
        const QSignalBlocker quiet(studyAction_);
        studyAction_->setChecked(open);
    }
    if (open)
        showStudyView();
    else
        hideStudyView();
    if (!ended_) rememberStudyView(open);
}

void KitWindow::setStudyDocked(bool docked) {
    {
        const QSignalBlocker quiet(dockAction_);
        dockAction_->setChecked(docked);
    }
    if (!ended_) rememberStudyDocked(docked, screenSizeKey(this));
    if (studyOpen()) {
        hideStudyView();
        showStudyView();
    }
}

// The editor stores and exports through the program files, as Ctrl+O and
// Ctrl+P do; the view reads the kit's services.
void KitWindow::makeStudyView() {
    if (study_) return;
    SourceEditor::Calls calls{
        keyWorker(),
        [this](ProgramLoad read, const QString& file) { return files_->storeRead(std::move(read), file); },
        [this](const assembler::Assembly& source, const QString& file) { return files_->exportSheetOf(source, file); },
        [this](const std::string& words) { status_.say(words); },
    };
    auto* editor = new SourceEditor(*memory_, kit_.presenter(), session_, std::move(calls), nullptr);
    study_ = new StudyView({panel_, session_, starts_, breakpoints_, status_}, *editor, *this);
    studyShortcuts_ = addShortcuts(study_);
    study_->addActions({studyAction_, dockAction_, breakpointAction_, undoAction_, redoAction_, helpAction_});
    wireStudyView();
}

// What the view and its panes ask of the kit, each answered as its key would.
void KitWindow::wireStudyView() {
    connect(study_, &StudyView::closedByUser, this, [this] { setStudyOpen(false); });
    connect(study_, &StudyView::addressChosen, this, &KitWindow::selectAddress);
    connect(study_, &StudyView::hexTyped, this, &KitWindow::keyHex);
    connect(study_, &StudyView::fillRequested, this, &KitWindow::fillRange);
    connect(study_, &StudyView::resetRequested, this, &KitWindow::resetRegisters);
    connect(study_, &StudyView::speedChosen, this, &KitWindow::setRunSpeed);
    connect(study_->editor(), &SourceEditor::breakpointClicked, this, &KitWindow::toggleBreakpoint);
    InstructionsPane* instructions = study_->instructionsPane();
    connect(instructions, &InstructionsPane::gutterClicked, this, &KitWindow::toggleBreakpoint);
    connect(instructions, &InstructionsPane::runToHere, this, &KitWindow::runToHere);
    connect(study_->memoryPane(), &MemoryPane::watchRequested, this, [this](uint16_t address, uint8_t access) {
        changeBreakpoints([this, address, access] { return breakpoints_.watch(address, access); });
    });
    BreakpointsPane* list = study_->breakpointsPane();
    connect(list, &BreakpointsPane::switched, this, [this](uint16_t address, bool on) {
        changeBreakpoints([this, address, on] { return breakpoints_.turn(address, on); });
    });
    connect(list, &BreakpointsPane::removed, this,
            [this](uint16_t address) { changeBreakpoints([this, address] { return breakpoints_.remove(address); }); });
    connect(list, &BreakpointsPane::watchRemoved, this,
            [this](uint16_t address) { changeBreakpoints([this, address] { return breakpoints_.unwatch(address); }); });
    connect(list, &BreakpointsPane::clearedAll, this,
            [this] { changeBreakpoints([this] { return breakpoints_.clear(); }); });
}

void KitWindow::showStudyView() {
    if (!study_) makeStudyView();
    if (studyOpen()) return;
    if (!home_) home_ = window()->pos();
    const bool docked = studyDockedRemembered(!fitsBeside(), screenSizeKey(this));
    {
        const QSignalBlocker quiet(dockAction_);
        dockAction_->setChecked(docked);
    }
    for (QShortcut* s : studyShortcuts_) s->setEnabled(!docked);
    if (docked) {
        if (!dock_) dock_ = new KitDock(*this, *study_);
        dock_->showOnScreen();
    } else {
        sizeStudyView();
        study_->show();
        placeStudyView();
    }
    study_->refresh();
    setFocus();
}

// The kit goes back to where it stood before the view opened.
void KitWindow::hideStudyView() {
    if (study_ && study_->isWindow() && study_->isVisible())
        rememberWindow("study", screenSizeKey(this), {study_->size(), false});
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
    return frameGeometry().width() + 8 + study_->besideWidth() + 16 <= s->availableGeometry().width();
}

// Floating, the view opens at the size kept for this screen size, else as
// tall as the screen's free area, so the editor gets every line it can.
void KitWindow::sizeStudyView() {
    const QScreen* s = screen();
    if (!s) return;
    const QSize room = s->availableGeometry().size() - QSize(16, 48);
    if (const std::optional<KeptWindow> kept = rememberedWindow("study", screenSizeKey(this)))
        study_->resize(kept->size.boundedTo(room));
    else
        study_->resize(std::min(room.width(), std::max(study_->sizeHint().width(), study_->sideBySideWidth())),
                       room.height());
}

// Beside the kit (placeStudyBeside): a view left larger than the room there
// gets smaller rather than covering the kit's keys.
void KitWindow::placeStudyView() {
    QScreen* s = screen();
    if (!s) return;
    const QSize frame = study_->frameGeometry().size() - study_->size();
    const int room = s->availableGeometry().width() - frameGeometry().width() - 8 - frame.width();
    if (study_->width() > room) study_->arrangeFor(room);
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

// Stored in the memory file at once, like a keyed byte; the status line says
// what was done.
void KitWindow::changeBreakpoints(const std::function<std::string()>& change) {
    keyWork([this, &change] { status_.keep({change(), false}); });
}

void KitWindow::toggleBreakpoint(int row) {
    if (row < 0 || row >= memory_->size()) return;
    changeBreakpoints([this, row] { return breakpoints_.toggle(row); });
}

void KitWindow::fillRange(uint16_t start, uint16_t end, uint8_t value) {
    keyWork([this, start, end, value] { status_.keep({panel_.fill(start, end, value), false}); });
}

void KitWindow::resetRegisters() {
    keyWork([this] {
        status_.keep({panel_.resetRegisters()
                          ? "registers 00, PC and SP 0000, flags 0 (Ctrl+Z takes it back until a run or step "
                            "changes them)"
                          : "the registers and flags were 00 already",
                      false});
    });
}

void KitWindow::keyHex(char digit) {
    const int v = hexDigitValue(digit);
    if (v >= 0) press(hexKeys_[v]);
}

}  // namespace kit85
