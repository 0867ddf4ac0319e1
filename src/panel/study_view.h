#pragma once

// The study view: a window beside the kit that shows what the kit's two
// displays cannot. Memory sixteen bytes a line around the current row, the
// instructions from there on, the stack, how the last action ended, and what
// the byte being keyed means.
//
// It holds nothing of the machine: every redraw reads the kit state, and a
// click or a typed digit goes back through the kit window's own keys, so the
// view follows the kit and never the other way round. Only what is on screen
// is drawn: a redraw costs the same during a long run as after a key.

#include <QAbstractScrollArea>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "isa/disassembler.h"
#include "panel/model/study_status.h"
#include "run/run_controller.h"
#include "values/text.h"

class QLabel;
class QComboBox;
class QListWidget;
class QSpinBox;

namespace kit85 {

class KitWindow;
class MemoryTable;

// The memory pane: one line per sixteen addresses over 0000-FFFF, a header of
// column digits, the current row highlighted, changed bytes marked and odd
// texts shown as they stand. A click selects an address; typing is left to
// the window.
class MemoryPane : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit MemoryPane(const MemoryTable& memory, QWidget* parent);

    // Follows the table's cursor: its line is brought into view when the
    // cursor has moved since the last call.
    void follow();
    // Marks come from this test: true for a row changed by the last action.
    void setChanged(std::function<bool(int row)> changed) { changed_ = std::move(changed); }
    void setBreakpoint(std::function<bool(int row)> isBreakpoint) { breakpoint_ = std::move(isBreakpoint); }

    // The cell of an address in viewport coordinates (empty when off screen).
    QRect cellRect(uint16_t address) const;
    int firstLine() const;
    int visibleLines() const;

signals:
    void addressClicked(uint16_t address);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void updateRange();
    int cellLeft(int column) const;

    const MemoryTable& memory_;
    std::function<bool(int)> changed_;
    std::function<bool(int)> breakpoint_;
    QRect cellAt(int column, int y) const;

    int lineHeight_ = 16;
    qreal charWidth_ = 8;  // fractional: a line of plain bytes is one string
    int followedRow_ = -2;
};

// The instructions pane: about sixteen instructions from the current row,
// each as address, bytes and mnemonic. The listing keeps its first row while
// the current row moves within it (so stepping walks down the list) and starts
// again from the current row when it leaves. A click in the gutter toggles a
// breakpoint on that line's row.
class InstructionsPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCount = 16;

    explicit InstructionsPane(const MemoryTable& memory, QWidget* parent);

    // Disassembles again from the table (only what is shown).
    void follow();
    const std::vector<Disassembly>& listing() const { return listing_; }
    void setBreakpoint(std::function<bool(int row)> isBreakpoint) { breakpoint_ = std::move(isBreakpoint); }
    // The gutter of a line of the listing.
    QRect gutterRect(int line) const;
    // The listed lines as text, for tests and the tooltip: "> 8000  3E 05     MVI A,05".
    QString lineText(int line) const;

signals:
    void gutterClicked(int row);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const MemoryTable& memory_;
    std::vector<Disassembly> listing_;
    std::function<bool(int)> breakpoint_;
    int anchor_ = -1;
    int lineHeight_ = 16;
    int charWidth_ = 8;
};

class StudyView : public QWidget {
    Q_OBJECT
public:
    explicit StudyView(KitWindow& kit);

    // Redraws every pane from the kit (nothing while the view is hidden).
    void refresh();

    // A key, step or run starts and ends: the bytes it changed get marked.
    // An action that changes nothing (a click, Next) keeps the earlier marks.
    void beginAction();
    void endAction();
    bool changedByLastAction(int row) const;

    MemoryPane* memoryPane() const { return memory_; }
    InstructionsPane* instructionsPane() const { return instructions_; }

signals:
    // The user closed the view's window.
    void closedByUser();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString stackText() const;
    QString decodeText() const;
    void showEdits();

    KitWindow& kit_;
    QLabel* status_ = nullptr;
    QLabel* decode_ = nullptr;
    MemoryPane* memory_ = nullptr;
    InstructionsPane* instructions_ = nullptr;
    QLabel* stack_ = nullptr;
    QLabel* trace_ = nullptr;        // the last Step Exe: why each register and flag changed
    QListWidget* edits_ = nullptr;   // the last keyed steps, newest first
    QComboBox* speed_ = nullptr;     // Execute's pace: Full speed, Kit speed, Slow motion
    QSpinBox* perSecond_ = nullptr;  // instructions a second in slow motion

    // Data texts before the action going on, and before the last action that
    // changed something: the marks compare the table with the latter (with the
    // former while a run goes on).
    std::vector<Text> before_;
    std::vector<Text> marked_;
    bool acting_ = false;
};

// Whether the user left the study view open (per user, in QSettings).
bool studyViewRemembered();
void rememberStudyView(bool open);

// Execute's speed as the user last chose it (per user, in QSettings); Full
// speed when never chosen. perSecond is kept in 1..50.
struct RunSpeed {
    Speed speed = Speed::Fast;
    int perSecond = 10;
};
RunSpeed rememberedRunSpeed();
void rememberRunSpeed(const RunSpeed& s);

}  // namespace kit85
