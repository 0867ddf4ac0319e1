#pragma once

// The kit window form1: the trainer kit's front panel in Qt Widgets.
//
// The window holds no machine state of its own. Every key calls the KitState
// handler or driver it stands for and then redraws every field from the model,
// so what the user sees is always what the instructions will read. Register
// fields are the one way in: an edit goes into the model as it is typed.
//
// Execute runs on the event loop in slices of about 30 ms, redrawing between
// slices, so the window keeps answering; the Stop key (Esc) ends a run between
// two slices. While a run goes on, only Stop and CLOSE take clicks.
//
// Every control is made and placed from the layout table (kit_layout.h).

#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "panel/key_button.h"
#include "panel/kit_dock.h"
#include "panel/kit_layout.h"
#include "panel/model/breakpoint_list.h"
#include "panel/model/instruction_starts.h"
#include "panel/model/panel_model.h"
#include "panel/model/run_session.h"
#include "panel/model/study_status.h"
#include "panel/study_view.h"
#include "run/run_controller.h"

class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QShortcut;

namespace kit85 {

namespace assembler {
struct Assembly;
}
class SourceEditor;

class KitWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the kit on this memory table (a fresh unsaved one when null);
    // Form_Load runs here. Messages go to `presenter`, or to modal message
    // boxes when it is null.
    explicit KitWindow(std::unique_ptr<MemoryTable> memory, Presenter* presenter = nullptr, QWidget* parent = nullptr);
    ~KitWindow() override;

    KitState& kit() { return kit_; }
    PanelModel& panel() { return panel_; }
    MemoryTable& memory() { return *memory_; }
    // Where the instructions begin, as the kit knows it (the study view's
    // listing): the opened program, the rows runs began on, keyed addresses.
    InstructionStarts& starts() { return starts_; }

    bool running() const { return session_.running(); }
    // Instructions carried out by the run going on, or by the last one.
    uint64_t runSteps() const { return session_.controller().steps(); }
    // Slices of that run so far; the displays are redrawn after each.
    int runSlices() const { return session_.controller().slices(); }
    // How the last run or step ended.
    const RunResult& lastRun() const { return session_.controller().last(); }

    // Pixels for a length in twips on this window's screen.
    int px(int twips) const { return twipsToPixels(twips, this); }

    // Redraws every field, caption and the window size from the model, and
    // the study view when it is open.
    void refresh();

    // --- The study view (off until asked for; F7) ---------------------------
    // Opens or closes it and remembers the choice for the next start. The
    // kit stands where it stood before the view opened once it closes.
    void setStudyOpen(bool open);
    bool studyOpen() const;
    // Docked: the kit and the view are one window (KitDock), the view on the
    // right; else the view floats beside the kit. Remembered; until the user
    // chooses, the view docks when the screen has no room beside the kit.
    void setStudyDocked(bool docked);
    bool studyDocked() const { return dock_ != nullptr && dock_->isVisible(); }
    KitDock* dock() const { return dock_; }
    StudyView* studyView() const { return study_; }
    // How the last Execute or Step Exe ended (the status line's source).
    const ActionOutcome& lastOutcome() const { return session_.outcome(); }
    // A byte of the memory pane clicked: its row becomes current as the
    // Address key and four digits would make it (the same floor at 8000).
    void selectAddress(uint16_t address);
    // A hex digit typed in the study view: the keypad key with that caption.
    void keyHex(char digit);
    // Sets or clears the breakpoint on a row (F9: the current row); stored
    // in the memory file at once, like a keyed byte.
    void toggleBreakpoint(int row);
    // The study view's list: every breakpoint, on and off; and its changes.
    std::vector<BreakpointEntry> breakpointEntries() const;
    void switchBreakpoint(uint16_t address, bool on);
    void removeBreakpoint(uint16_t address);
    // Clears the watchpoints too.
    void clearBreakpoints();
    // Watches the row for `access` as well as what it is watched for already.
    void addWatchpoint(uint16_t address, uint8_t access);
    void removeWatchpoint(uint16_t address);
    // "Run to here": Execute with a one-off breakpoint on the row, gone when
    // the run ends however it ends.
    void runToHere(int row);

    // The study view's menu: every row start..end set to `value` as one
    // undo step (refused, saying why, when the end is before the start), and
    // every register and flag back to its start.
    void fillRange(uint16_t start, uint16_t end, uint8_t value);
    void resetRegisters();

    // The study view's source editor (the view is made, not opened, when
    // there is none yet).
    SourceEditor& sourceEditor();
    // A source Ctrl+O stored opens in the editor too, the view on its tab.
    void openInEditor(const QString& file, const assembler::Assembly& assembly);
    // Asks the editor about unsaved changes; false: the user keeps the kit open.
    bool editorLetsGo();

    // Runs one key's work: refuses while another key's work or a run is going
    // on, reports any failure in a message box, marks what the work changed in
    // the study view and redraws afterwards.
    void keyWork(const std::function<void()>& work);

    // Ctrl+Z / Ctrl+Y: takes back or puts back the last keyed step as a key's
    // work; a refusal is reported like a failed key and kept on the status line.
    void undoKeyed(bool undo);
    // What the status line says instead of the last action's end ("" when
    // nothing): set by a refused undo or redo, cleared by the next key or run.
    const StatusNote& statusNote() const { return note_; }
    // A confirmation for the status line (or, `problem`, a refusal), kept
    // until the next key or run.
    void setStatusNote(std::string text, bool problem = false);

    // Execute's speed: from the next run on, and remembered for the next
    // start. Kit speed and slow motion redraw as each slice's instructions are
    // due, so the displays follow the run; Stop ends it at once.
    void setRunSpeed(const RunSpeed& speed);
    RunSpeed runSpeed() const { return {session_.controller().speed(), session_.controller().perSecond()}; }
    // The trace of the last Step Exe, or of a slow-motion run's latest
    // instruction (why each register and flag changed); empty after any
    // other action.
    const std::vector<std::string>& stepTrace() const { return session_.traceLines(); }

signals:
    // CLOSE was pressed or the window was closed; memory has been committed
    // (or the failure reported). The program ends on it.
    void ended();
    // A run (Execute) has come to its end, whatever the reason.
    void runFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class RefreshingPresenter;

    QWidget* make(const Placement& p);
    QLabel* makePlate(QLabel* plate, int widthTwips);
    void build();
    void layOut();
    void connectKeys();
    std::vector<QShortcut*> addShortcuts(QWidget* target);
    void makeActions();
    QMenu* speedMenu();
    void makeStudyView();
    void showStudyView();
    void hideStudyView();
    bool fitsBeside() const;
    void placeStudyView();
    void offerRecoveredSources();
    void noteMessage(std::string_view text);
    void showHelp();

    void hexKey(char digit);
    void noteRunStart();
    void press(QPushButton* key);  // a key pressed from the computer keyboard

    void execute_Click();
    void stepexe_Click();
    void stop_Click();
    void end_Click();
    void runSlice();
    void finishRun();
    void setRunning(bool on);
    void endKit();
    void report(const std::string& text);

    std::unique_ptr<MemoryTable> memory_;
    std::unique_ptr<Presenter> ownPresenter_;
    std::unique_ptr<RefreshingPresenter> presenter_;
    KitState kit_;
    PanelModel panel_;
    RunSession session_;
    InstructionStarts starts_;
    Breakpoints oneOff_;  // the memory file's and the "Run to here" row, for that run
    bool oneOffRun_ = false;

    struct Placed {
        QPointer<QWidget> widget;
        QRect twips;
    };
    std::vector<Placed> placed_;

    std::vector<KeyButton*> keys_;          // every key, in the table's order
    std::array<KeyButton*, 16> hexKeys_{};  // c0..cf
    KeyButton* regmod_ = nullptr;
    KeyButton* stop_ = nullptr;
    KeyButton* end_ = nullptr;
    std::array<QLineEdit*, 4> display_{};                // Text1..Text4
    std::array<QLineEdit*, kRegisterSlots> register_{};  // none for M
    std::array<QLabel*, kFlagFields.size()> flag_{};     // slb zlb auxlb plb clb
    QLabel* adodc_ = nullptr;
    QPointer<QDialog> help_;
    StudyView* study_ = nullptr;
    KitDock* dock_ = nullptr;
    std::vector<QShortcut*> studyShortcuts_;  // off while docked: the kit's own serve then
    std::optional<QPoint> home_;              // where the kit stood before the view opened
    QAction* studyAction_ = nullptr;
    QAction* dockAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    std::unique_ptr<QMenu> speedMenu_;
    QAction* breakpointAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    StatusNote note_;

    bool shownBefore_ = false;
    bool marksItsOwn_ = false;  // the key work about to start is Step Exe

    QTimer sliceTimer_;
    bool inSlice_ = false;
    bool busy_ = false;
    bool ended_ = false;
};

}  // namespace kit85
