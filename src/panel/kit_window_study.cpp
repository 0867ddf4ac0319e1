// The kit window's study view: opening and closing it, where it stands, and
// what its clicks and breakpoints do to the kit.

#include <QAction>
#include <QDir>
#include <QScreen>
#include <QTimer>

#include "panel/editor/source_editor.h"
#include "panel/kit_window.h"

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

void KitWindow::makeStudyView() {
    if (study_) return;
    study_ = new StudyView(*this);
    addShortcuts(study_);
    study_->addActions({studyAction_, breakpointAction_, undoAction_, redoAction_});
    connect(study_, &StudyView::closedByUser, this, [this] { setStudyOpen(false); });
}

bool KitWindow::studyOpen() const { return study_ && study_->isVisible(); }

void KitWindow::setStudyOpen(bool open) {
    if (studyAction_->isChecked() != open) {
        studyAction_->setChecked(open);  // comes back here through toggled()
        return;
    }
    if (open) {
        makeStudyView();
        // Placed when first opened: the view may have been made before the
        // kit stood where it does (a source opened at start).
        if (!studyPlaced_) placeStudyView();
        studyPlaced_ = true;
    }
    if (study_) {
        study_->setVisible(open);
        study_->refresh();
    }
    if (!ended_) rememberStudyView(open);
}

// Beside the kit, on the right when it fits, else on the left; when neither
// side has room the kit moves over so both are seen.
void KitWindow::placeStudyView() {
    QScreen* s = screen();
    if (!s) return;
    const QRect avail = s->availableGeometry();
    const QRect kit = frameGeometry();
    const int gap = 8;
    const QSize size = study_->frameGeometry().size().expandedTo(study_->size());
    const int top = std::max(avail.top(), std::min(kit.top(), avail.bottom() - size.height()));
    if (kit.right() + gap + size.width() <= avail.right()) {
        study_->move(kit.right() + gap, top);
    } else if (kit.left() - gap - size.width() >= avail.left()) {
        study_->move(kit.left() - gap - size.width(), top);
    } else {
        const int left = std::max(avail.left(), avail.left() + (avail.width() - kit.width() - gap - size.width()) / 2);
        move(left, pos().y());
        study_->move(std::min(left + kit.width() + gap, avail.right() - size.width()), top);
    }
}

void KitWindow::selectAddress(uint16_t address) {
    keyWork([this, address] {
        panel_.address_Click();
        for (char c : Text::word(address).str()) panel_.hexKey_Click(c);
    });
}

void KitWindow::toggleBreakpoint(int row) {
    if (row < 0 || row >= memory_->size()) return;
    keyWork([this, row] { memory_->toggleBreakpoint(memory_->addressAt(row)); });
}

void KitWindow::keyHex(char digit) {
    const int v = hexDigitValue(digit);
    if (v >= 0) press(hexKeys_[v]);
}

// The status line must already say what a message box reports while the box
// is open: an invalid code ends the run or step inside the message.
void KitWindow::noteMessage(std::string_view text) { session_.noteMessage(text); }

}  // namespace kit85
