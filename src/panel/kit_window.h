#pragma once

// The kit window form1: the trainer kit's front panel in Qt Widgets, and the
// place where the kit's parts are put together.
//
// The window holds no machine state of its own. It makes the kit's services
// (the kit state on the memory table, the panel model, the run session, the
// instruction starts, the breakpoint list, the status line), hands each pane
// the services it reads, and answers the panes' signals with its own keys.
// Every key calls the KitState handler or driver it stands for and then
// redraws every field from the model, so what the user sees is always what
// the instructions will read. Register fields are the one way in: an edit
// goes into the model as it is typed.
//
// Execute runs on the event loop in slices of about 30 ms, redrawing between
// slices, so the window keeps answering; the Stop key (Esc) ends a run between
// two slices. While a run goes on, only Stop and CLOSE take clicks.
//
// Every control is made and placed from the layout table (kit_layout.h).
//
// The window's work is split by concern: kit_window.cpp builds the panel and
// redraws it, kit_window_keys.cpp runs the keys, kit_window_run.cpp Execute,
// Step Exe, Stop and CLOSE, kit_window_menu.cpp the actions and the panes made
// with the window, kit_window_study.cpp the study view and its requests,
// kit_window_board.cpp the interfacing board and its pane.

#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "panel/board_pane.h"
#include "panel/kit_layout.h"
#include "panel/model/breakpoint_list.h"
#include "panel/model/instruction_starts.h"
#include "panel/model/key_work.h"
#include "panel/model/panel_model.h"
#include "panel/model/run_session.h"
#include "panel/model/status_line.h"
#include "panel/study_settings.h"

class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QShortcut;

namespace kit85 {

namespace assembler {
struct Assembly;
}
class CheckPane;
class KeyButton;
class KitDock;
class ProgramFiles;
class SourceEditor;
class StudyView;

class KitWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the kit on this memory table (a fresh unsaved one when null);
    // Form_Load runs here. Messages go to `presenter`, or to modal message
    // boxes when it is null.
    explicit KitWindow(std::unique_ptr<MemoryTable> memory, Presenter* presenter = nullptr, QWidget* parent = nullptr);
    ~KitWindow() override;

    // --- The kit's services: the panes are given these; tests read them -----
    KitState& kit() { return kit_; }
    MemoryTable& memory() { return *memory_; }
    PanelModel& panel() { return panel_; }
    RunSession& session() { return session_; }
    // Where the instructions begin, as the kit knows it (the study view's
    // listing): the opened program, the rows runs began on, keyed addresses.
    InstructionStarts& starts() { return starts_; }
    // What the study view's status line says instead of the last action's end.
    StatusLine& statusLine() { return status_; }

    // --- The run, as the session tells it (the picture tool reads these) ----
    bool running() const { return session_.running(); }
    // Instructions carried out by the run going on, or by the last one.
    uint64_t runSteps() const { return session_.controller().steps(); }
    // Slices of that run so far; the displays are redrawn after each.
    int runSlices() const { return session_.controller().slices(); }
    // How the last Execute or Step Exe ended (the status line's source).
    const ActionOutcome& lastOutcome() const { return session_.outcome(); }

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
    StudyView* studyView() const { return study_; }
    // The study view's source editor (the view is made, not opened, when
    // there is none yet).
    SourceEditor& sourceEditor();

    // --- The interfacing board (off until chosen; kit_window_board.cpp) -----
    // On with a profile (a shipped one's name, or a profile file's path), or
    // off with "". Remembered for the next start. A profile that cannot be
    // read is reported and the board stays as it was; no switching while a
    // run goes on. Returns whether the board now stands as asked.
    bool setBoard(const QString& profile);
    // The profile the board is on with; "" when off.
    QString boardProfile() const { return boardProfile_; }
    board::Board* board() const { return board_.get(); }
    // The Board pane, a tab of the study view while the board is on.
    BoardPane* boardPane() const { return boardPane_; }

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
    // A display or register field and the text the window last put on it: a
    // redraw sets only what changed (a run redraws every slice, and a field
    // being typed into keeps its cursor), and nothing is read back.
    struct LineField {
        QLineEdit* edit = nullptr;
        QString shown;
        void show(const QString& text);
    };

    // --- Building from the layout table (kit_window.cpp) ---------------------
    int px(int twips) const { return twipsToPixels(twips, this); }
    void build();
    QWidget* make(const Placement& p);
    QLineEdit* makeField(const QString& text, double points);
    QWidget* makeDisplay(const Placement& p);
    QWidget* makeKey(const Placement& p);
    QWidget* makeRegister(const Placement& p);
    QLabel* makeLabel(const Placement& p);
    QLabel* makePlate(QLabel* plate, int widthTwips);
    void layOut();

    // --- Keys (kit_window_keys.cpp) ------------------------------------------
    void connectKeys();
    std::vector<QShortcut*> addShortcuts(QWidget* target);
    void showHelp();
    void hexKey(char digit);
    void press(QPushButton* key);  // a key pressed from the computer keyboard
    // Runs one key's work: refuses while another key's work or a run is going
    // on, reports any failure in a message box, marks what the work changed in
    // the study view and redraws afterwards.
    void keyWork(const std::function<void()>& work);
    // keyWork, for the panes.
    KeyWork keyWorker();
    // Ctrl+Z / Ctrl+Y: takes back or puts back the last keyed step as a key's
    // work; a refusal is reported like a failed key and kept on the status line.
    void undoKeyed(bool undo);
    void report(const std::string& text);
    // The status line must already say what a message box reports while the
    // box is open: an invalid code ends the run or step inside the message.
    void noteMessage(std::string_view text);

    // --- Actions and the panes made with the window (kit_window_menu.cpp) ----
    void makeActions();
    void makeFilePanes();
    QMenu* speedMenu();
    // Execute's speed: from the next run on, and remembered for the next
    // start.
    void setRunSpeed(const RunSpeed& speed);
    RunSpeed runSpeed() const;
    void placeCheckPane();
    // A source Ctrl+O stored opens in the editor too, the view on its tab.
    void openInEditor(const QString& file, const assembler::Assembly& assembly);

    // --- The interfacing board (kit_window_board.cpp) --------------------------
    QMenu* boardMenu();
    void chooseBoardFile();
    void placeBoardPane();
    void resetBoard();
    // The board as the user left it, at the first show; a profile that cannot
    // be read any more is said on the status line and the board stays off.
    void restoreBoard();

    // --- Execute, Step Exe, Stop, CLOSE (kit_window_run.cpp) -----------------
    void noteRunStart();
    void execute_Click();
    void stepexe_Click();
    void stop_Click();
    void end_Click();
    void runSlice();
    void finishRun();
    void setRunning(bool on);
    void endKit();
    // "Run to here": Execute with a one-off breakpoint on the row, gone when
    // the run ends however it ends.
    void runToHere(int row);

    // --- The study view and its requests (kit_window_study.cpp) --------------
    void makeStudyView();
    void wireStudyView();
    void showStudyView();
    void hideStudyView();
    bool fitsBeside() const;
    void sizeStudyView();
    void placeStudyView();
    void offerRecoveredSources();
    // Asks the editor about unsaved changes; false: the user keeps the kit open.
    bool editorLetsGo();
    // A byte of the memory pane clicked: its row becomes current as the
    // Address key and four digits would make it (the same floor at 8000).
    void selectAddress(uint16_t address);
    // A hex digit typed in the study view: the keypad key with that caption.
    void keyHex(char digit);
    // The breakpoint list's changes, each a key's work with its status note.
    void changeBreakpoints(const std::function<std::string()>& change);
    // Sets or clears the breakpoint on a row (F9: the current row).
    void toggleBreakpoint(int row);
    // The study view's menu: Fill (one undo step) and Reset registers.
    void fillRange(uint16_t start, uint16_t end, uint8_t value);
    void resetRegisters();

    std::unique_ptr<MemoryTable> memory_;
    std::unique_ptr<Presenter> ownPresenter_;
    std::unique_ptr<RefreshingPresenter> presenter_;
    KitState kit_;
    PanelModel panel_;
    RunSession session_;
    InstructionStarts starts_;
    BreakpointList breakpoints_;
    StatusLine status_;
    bool oneOffRun_ = false;  // the run going on is a "Run to here"

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
    std::array<LineField, 4> display_{};                // Text1..Text4
    std::array<LineField, kRegisterSlots> register_{};  // none for M
    std::array<QLabel*, kFlagFields.size()> flag_{};    // slb zlb auxlb plb clb
    QLabel* adodc_ = nullptr;
    QPointer<QDialog> help_;
    ProgramFiles* files_ = nullptr;
    QPointer<CheckPane> check_;  // owned here; in the study view once a lab is open
    StudyView* study_ = nullptr;
    KitDock* dock_ = nullptr;
    std::vector<QShortcut*> studyShortcuts_;  // off while docked: the kit's own serve then
    std::optional<QPoint> home_;              // where the kit stood before the view opened
    QAction* studyAction_ = nullptr;
    QAction* dockAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    std::unique_ptr<QMenu> speedMenu_;
    std::unique_ptr<QMenu> boardMenu_;
    std::unique_ptr<board::Board> board_;
    QString boardProfile_;
    QPointer<BoardPane> boardPane_;  // in the study view's tabs
    QAction* breakpointAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;

    bool shownBefore_ = false;
    bool marksItsOwn_ = false;  // the key work about to start is Step Exe

    QTimer sliceTimer_;
    bool inSlice_ = false;
    bool busy_ = false;
    bool ended_ = false;
};

}  // namespace kit85
