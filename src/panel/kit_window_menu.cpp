// The kit window's actions: its right-click menu and the keys that have no
// kit key (the study view, breakpoints, undo, programs as files, checking a
// program, Execute's speed, help), and the panes made with the window.

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "panel/check_pane.h"
#include "panel/editor/source_editor.h"
#include "panel/kit_window.h"
#include "panel/program_files.h"
#include "panel/shortcuts.h"
#include "panel/study_view.h"

namespace kit85 {

namespace {

QAction* separator(QWidget* owner) {
    auto* s = new QAction(owner);
    s->setSeparator(true);
    owner->addAction(s);
    return s;
}

}  // namespace

void KitWindow::makeActions() {
    // The study view stays outside the kit's drawn layout: F7, or the board's
    // context menu, opens it.
    studyAction_ = new QAction("Study view: memory, instructions, stack", this);
    studyAction_->setObjectName("studyAction");
    studyAction_->setCheckable(true);
    studyAction_->setShortcut(QKeySequence(Qt::Key_F7));
    connect(studyAction_, &QAction::toggled, this, &KitWindow::setStudyOpen);
    addAction(studyAction_);
    dockAction_ = new QAction("Study view docked to the kit (one window)", this);
    dockAction_->setObjectName("dockAction");
    dockAction_->setCheckable(true);
    connect(dockAction_, &QAction::toggled, this, &KitWindow::setStudyDocked);
    addAction(dockAction_);
    breakpointAction_ = new QAction("Breakpoint on the current row", this);
    breakpointAction_->setObjectName("breakpointAction");
    breakpointAction_->setShortcut(QKeySequence(Qt::Key_F9));
    connect(breakpointAction_, &QAction::triggered, this, [this] {
        if (memory_->onRow()) toggleBreakpoint(memory_->cursor());
    });
    addAction(breakpointAction_);
    for (const bool undo : {true, false}) {
        const char* name = undo ? "undo" : "redo";
        auto* a = new QAction(undo ? "Undo the last keyed byte or opened program" : "Redo", this);
        a->setObjectName(name);
        if (const Shortcut* s = shortcutFor(name)) a->setShortcut(QKeySequence(QString(s->keys)));
        connect(a, &QAction::triggered, this, [this, undo] { undoKeyed(undo); });
        addAction(a);
        (undo ? undoAction_ : redoAction_) = a;
    }
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(boardMenu()->menuAction());
    makeFilePanes();
    separator(this);
    addAction(speedMenu()->menuAction());
    helpAction_ = new QAction("Help: a first program, the keys, every instruction (F1)", this);
    helpAction_->setObjectName("helpAction");
    connect(helpAction_, &QAction::triggered, this, &KitWindow::showHelp);
    addAction(helpAction_);
    auto* close = new QAction("Close the kit (CLOSE, Ctrl+Q)", this);
    close->setObjectName("closeAction");
    connect(close, &QAction::triggered, this, &KitWindow::end_Click);
    addAction(close);
}

// Check my program against a lab file (its action first), then Open, Save as
// Intel HEX, Save as source, Export keying sheet: each given the services it
// works on, and a key's work for its changes to the kit.
void KitWindow::makeFilePanes() {
    check_ = new CheckPane(kit_, session_, keyWorker(), status_, this);
    addAction(check_->action());
    connect(check_, &CheckPane::placeWanted, this, &KitWindow::placeCheckPane);
    files_ = new ProgramFiles(*this, panel_, session_, starts_, status_, {keyWorker(), [this] { refresh(); }});
    connect(files_, &ProgramFiles::sourceOpened, this, &KitWindow::openInEditor);
    connect(files_, &ProgramFiles::sourceRefused, this, [this](const QString& file) {
        setStudyOpen(true);
        if (sourceEditor().showRefused(file)) study_->showEditor();
    });
}

// A lab being opened: the check pane goes under the study view's panes.
void KitWindow::placeCheckPane() {
    setStudyOpen(true);
    if (study_ && check_->parentWidget() != study_) study_->addPane(check_);
}

// Execute's speed, as the study view's chooser sets it.
QMenu* KitWindow::speedMenu() {
    // Owned here, not by the window: the kit's own children are its layout's.
    speedMenu_ = std::make_unique<QMenu>("Execute at");
    QMenu* menu = speedMenu_.get();
    menu->setObjectName("speedMenu");
    auto* group = new QActionGroup(menu);
    const std::pair<Speed, const char*> speeds[] = {
        {Speed::Fast, "Full speed"}, {Speed::Kit, "Kit speed (3.072 MHz)"}, {Speed::Slow, "Slow motion"}};
    for (const auto& [speed, name] : speeds) {
        QAction* a = menu->addAction(name);
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, speed] {
            setRunSpeed({speed, runSpeed().perSecond});
            if (study_) study_->showSpeed();
        });
    }
    // Checked as the speed stands each time the menu opens.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        const QList<QAction*> all = menu->actions();
        for (int i = 0; i < all.size(); ++i) all[i]->setChecked(static_cast<int>(runSpeed().speed) == i);
    });
    return menu;
}

// Kit speed and slow motion redraw as each slice's instructions are due, so
// the displays follow the run; Stop ends it at once.
void KitWindow::setRunSpeed(const RunSpeed& speed) {
    session_.controller().setSpeed(speed.speed, speed.perSecond);
    rememberRunSpeed(runSpeed());
}

RunSpeed KitWindow::runSpeed() const { return {session_.controller().speed(), session_.controller().perSecond()}; }

}  // namespace kit85
