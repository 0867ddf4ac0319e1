// The kit window's interfacing board: switched on with a kit profile from the
// right-click menu (remembered for the next start), drawn by the Board pane
// in a tab of the study view, off by default so the kit is the kit alone.

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

#include "board/board.h"
#include "panel/board_pane.h"
#include "panel/kit_window.h"
#include "panel/study_view.h"
#include "profile/profile_file.h"

namespace kit85 {

// Off, each shipped profile with its description, and another profile file.
QMenu* KitWindow::boardMenu() {
    // Owned here, not by the window: the kit's own children are its layout's.
    boardMenu_ = std::make_unique<QMenu>("Interfacing board");
    QMenu* menu = boardMenu_.get();
    menu->setObjectName("boardMenu");
    auto* group = new QActionGroup(menu);
    auto add = [&](const QString& text, const QString& profile, const QString& name) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        a->setCheckable(true);
        a->setData(profile);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, profile] { setBoard(profile); });
        return a;
    };
    add("Off: the kit alone", "", "boardOff");
    for (const std::string& name : profile::shippedProfiles()) {
        const profile::ProfileRead read = profile::readProfile(name);
        const QString shown = QString::fromStdString(read.profile ? name + ": " + read.profile->description : name);
        add(shown, QString::fromStdString(name), QString::fromStdString("board-" + name));
    }
    // A profile file chosen earlier: its path, ticked while it is on.
    QAction* other = add("", "", "boardOther");
    menu->addSeparator();
    QAction* file = menu->addAction("Another profile file\u2026");
    file->setObjectName("boardFile");
    connect(file, &QAction::triggered, this, &KitWindow::chooseBoardFile);
    connect(menu, &QMenu::aboutToShow, this, [this, menu, other] {
        bool known = false;
        for (QAction* a : menu->actions())
            if (a != other && a->isCheckable() && a->data().toString() == boardProfile_) {
                a->setChecked(true);
                known = true;
            }
        other->setVisible(!known);
        other->setData(boardProfile_);
        other->setText(boardProfile_);
        other->setChecked(!known);
    });
    return menu;
}

void KitWindow::chooseBoardFile() {
    const QString folder = boardProfile_.contains('/') ? QFileInfo(boardProfile_).absolutePath() : QString();
    const QString file =
        QFileDialog::getOpenFileName(this, "A kit profile", folder, "Kit profiles (*.toml);;All files (*)");
    if (!file.isEmpty()) setBoard(file);
}

bool KitWindow::setBoard(const QString& profile) {
    if (profile == boardProfile_) return true;
    if (running()) {
        status_.say("the board is not switched while a run goes on: Stop it first", true);
        return false;
    }
    if (profile.isEmpty()) {
        delete boardPane_.data();
        kit_.board = nullptr;
        board_.reset();
        boardProfile_.clear();
        rememberBoard({});
        status_.say("interfacing board off: IN, OUT, RIM, SIM, EI, DI and RST as the kit alone makes them");
        refresh();
        return true;
    }
    const profile::ProfileRead read = profile::readProfile(profile.toStdString());
    if (!read.profile) {
        const std::string problem = read.error ? read.error->message() : profile.toStdString() + ": not read";
        kit_.presenter().message("The board's profile could not be read, so the board stays as it was.\n" + problem,
                                 "Interfacing board", Icon::Exclamation);
        return false;
    }
    delete boardPane_.data();
    board_ = std::make_unique<board::Board>(*read.profile);
    // The pane's keys can wake a HLT at any time: a HLT with IE on waits.
    board_->setLive(true);
    kit_.board = board_.get();
    boardProfile_ = profile;
    rememberBoard(profile);
    boardPane_ = new BoardPane(*board_);
    connect(boardPane_, &BoardPane::inputApplied, this, [this] {
        if (!running()) refresh();
    });
    connect(boardPane_, &BoardPane::resetWanted, this, &KitWindow::resetBoard);
    placeBoardPane();
    status_.say("interfacing board on: " + read.profile->name + " (" + read.profile->description + ")");
    refresh();
    return true;
}

// The pane is a tab of the study view, which opens on it.
void KitWindow::placeBoardPane() {
    if (!boardPane_) return;
    if (!studyOpen()) setStudyOpen(true);
    makeStudyView();
    if (!study_->isAncestorOf(boardPane_)) study_->addTab(boardPane_, "Board");
    study_->showTab(boardPane_);
}

void KitWindow::resetBoard() {
    if (!board_) return;
    if (running()) {
        status_.say("the board is not reset while a run goes on: Stop it first", true);
        return;
    }
    board_->reset();
    boardPane_->refresh();
    status_.say("the board is as at power on");
}

void KitWindow::restoreBoard() {
    const QString profile = rememberedBoard();
    if (profile.isEmpty()) return;
    const profile::ProfileRead read = profile::readProfile(profile.toStdString());
    if (!read.profile) {
        const std::string problem = read.error ? read.error->message() : profile.toStdString();
        status_.say("the interfacing board stays off: " + problem, true);
        return;
    }
    setBoard(profile);
}

}  // namespace kit85
