#pragma once

// The study view: a window beside the kit that shows what the kit's two
// displays cannot. Memory sixteen bytes a line around the current row, the
// instructions from there on, the stack, how the last action ended, and what
// the byte being keyed means.
//
// It holds nothing of the machine: every redraw reads the kit's services (the
// panel model and the kit state behind it, the run session, the instruction
// starts, the breakpoint list, the status line), and a click or a typed digit
// goes out as a signal the kit window answers with its own keys, so the view
// follows the kit and never the other way round. Only what is on screen is
// drawn: a redraw costs the same during a long run as after a key.

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "panel/breakpoints_pane.h"
#include "panel/instructions_pane.h"
#include "panel/memory_pane.h"
#include "panel/study_dialogs.h"
#include "panel/study_settings.h"
#include "values/text.h"

class QComboBox;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QListWidget;
class QScrollArea;
class QSplitter;
class QTabWidget;

namespace kit85 {

class BreakpointList;
class PanelModel;
class RateBox;
class RunSession;
class SourceEditor;
class StatusLine;

// What the study view reads at every redraw.
struct StudySources {
    const PanelModel& panel;  // the keypad's mode; the kit's registers and memory behind it
    const RunSession& session;
    const InstructionStarts& starts;
    const BreakpointList& breakpoints;
    StatusLine& status;  // read, and told what Go to address shows
};

class StudyView : public QWidget {
    Q_OBJECT
public:
    // A window of the kit's own (`kit` its parent); `editor` goes into its tab.
    StudyView(const StudySources& sources, SourceEditor& editor, QWidget& kit);

    // Redraws every pane from the kit (nothing while the view is hidden).
    void refresh();
    // Execute's speed chooser set from the kit (after its menu changed it).
    void showSpeed();
    // "Go to address" (Ctrl+G): from 8000 up the row becomes current as the
    // Address key would make it; below, the memory pane only shows it (the
    // keypad's floor stays).
    void goToAddress(uint16_t address);

    // A key, step or run starts and ends: the bytes it changed get marked.
    // An action that changes nothing keeps the earlier marks, unless it
    // `marksItsOwn` (Step Exe, Execute): then it clears them.
    void beginAction(bool marksItsOwn = false);
    void endAction();
    bool changedByLastAction(int row) const;

    // The narrowest the view is with its side column, memory and the
    // instructions side by side.
    int sideBySideWidth() const;
    // The narrowest the view is with its side column beside the tabs (the
    // instructions then a tab of their own); narrower, the side column goes
    // under the tabs.
    int besideWidth() const;

    // Docked: the kit stands in the view's top left corner, the side column
    // (trace, stack, edits, breakpoints, the check pane) under it and the
    // tabs on the right at the full height. Null gives the kit back as a
    // window of its own (not shown).
    void holdKit(QWidget* kit);
    // Arranged for this width ahead of a resize: the view's minimum size
    // follows its arrangement, so a view about to be made narrower stacks
    // its side column first.
    void arrangeFor(int width);
    QWidget* heldKit() const { return held_; }

    // Fill's questions; tests replace them. `range` is offered the selected
    // rows (or nothing); `ask` is asked before a fill over the program loaded
    // last.
    struct FillDialogs {
        std::function<std::optional<FillRequest>(const std::optional<FillRequest>& offered)> range;
        std::function<bool(const QString& question)> ask;
    };
    void setFillDialogs(FillDialogs dialogs) { fillDialogs_ = std::move(dialogs); }
    // Fill a range of memory: the range asked for, then (over the program)
    // whether to fill it; fillRequested when both are answered.
    void fill();

    MemoryPane* memoryPane() const { return memory_; }
    InstructionsPane* instructionsPane() const { return instructions_; }
    BreakpointsPane* breakpointsPane() const { return breakpoints_; }
    // The source editor, in a tab beside the memory pane.
    SourceEditor* editor() const { return editor_; }
    void showEditor();
    // Another pane (the check pane) at the foot of the side column.
    void addPane(QWidget* pane);
    // A pane of its own in a tab beside the memory pane (the Board pane);
    // deleting the pane takes its tab away.
    void addTab(QWidget* pane, const QString& title);
    void showTab(QWidget* pane);

signals:
    // The user closed the view's window.
    void closedByUser();
    // An address to make current, as the Address key and four digits would:
    // a byte clicked, or Go to address from 8000 up.
    void addressChosen(uint16_t address);
    // A hex digit typed in the view: the keypad's key with that caption.
    void hexTyped(char digit);
    // The view's menu: every row start..end set to `value`; every register
    // and flag back to its start.
    void fillRequested(uint16_t start, uint16_t end, uint8_t value);
    void resetRequested();
    // Execute's pace chosen.
    void speedChosen(const RunSpeed& speed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanes();
    void buildMenu();
    void buildSpeedRow(QHBoxLayout* row);
    void layOut();
    QWidget* makeSide();
    QWidget* makeWork(QHBoxLayout* speedRow);
    QWidget* box(const QString& title, QWidget* content);
    QScrollArea* scrolled(QWidget* content, int lines);
    void arrange() { arrangeFor(width()); }
    int narrowestWidth() const;
    void placeInstructions(bool beside);
    QString splitterKey(const QSplitter* splitter) const;
    void keepSizes(QSplitter* splitter);
    void keepCurrentLineInView();
    void showStatus();
    QString stackText() const;
    QString decodeText() const;
    void showEdits();
    RunSpeed runSpeed() const;
    const MemoryTable& memory() const;

    StudySources kit_;
    FillDialogs fillDialogs_;
    QSplitter* sides_ = nullptr;    // the side column | the work area
    QWidget* side_ = nullptr;       // the kit when docked, over the scrolled panes
    QWidget* work_ = nullptr;       // status, decode, pace, the tabs
    QVBoxLayout* corner_ = nullptr;  // the kit's place in the side column
    QScrollArea* sideArea_ = nullptr;
    QVBoxLayout* sidePanes_ = nullptr;
    QWidget* held_ = nullptr;       // the kit, while docked
    QWidget* instructionsBox_ = nullptr;
    QString arrangement_;           // "wide", "tabbed", "stacked" or "docked…": which sizes are kept
    QLabel* status_ = nullptr;
    QString statusStyle_;  // the status line's colours as last set
    QLabel* decode_ = nullptr;
    MemoryPane* memory_ = nullptr;
    InstructionsPane* instructions_ = nullptr;
    QLabel* stack_ = nullptr;
    QScrollArea* stackArea_ = nullptr;
    QScrollArea* traceArea_ = nullptr;
    QSplitter* panes_ = nullptr;   // the tabs | the instructions (when wide)
    QSplitter* column_ = nullptr;  // stack, edits, breakpoints
    QTabWidget* tabs_ = nullptr;   // memory | source
    SourceEditor* editor_ = nullptr;
    QLabel* trace_ = nullptr;  // the last Step Exe: why each register and flag changed
    QListWidget* edits_ = nullptr;            // the last keyed steps, newest first
    QStringList editsShown_;                  // their lines as last listed
    BreakpointsPane* breakpoints_ = nullptr;
    QComboBox* speed_ = nullptr;              // Execute's pace: Full speed, Kit speed, Slow motion
    RateBox* perSecond_ = nullptr;            // instructions a second in slow motion

    // Data texts before the action going on, and before the last action that
    // changed something: the marks compare the table with the latter (with the
    // former while a run goes on).
    std::vector<Text> before_;
    std::vector<Text> marked_;
    bool acting_ = false;
    bool marksItsOwn_ = false;
};

}  // namespace kit85
