#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "isa/disassembler.h"
#include "panel/model/instruction_starts.h"

namespace kit85 {

class MemoryTable;

// The instructions pane: the program's instructions around the current row,
// as many as fit, each as address, bytes and mnemonic, from the boundaries
// the kit knows (InstructionStarts): an operand row is shown inside its
// instruction, a row no start reaches as data. The listing keeps its first
// line while the current row moves within it (so stepping walks down the
// list) and starts again two lines above the current row when it leaves. A
// click in the gutter toggles a breakpoint on that line's row; the right-click
// menu offers "Run to here".
class InstructionsPane : public QWidget {
    Q_OBJECT
public:
    // Lines shown at the least; more when the pane is taller.
    static constexpr int kFewestLines = 5;

    InstructionsPane(const MemoryTable& memory, const InstructionStarts& starts, std::function<Text()> pc,
                     QWidget* parent);

    // Disassembles again from the table (only what is shown).
    void follow();
    const std::vector<Disassembly>& listing() const { return listing_; }
    void setBreakpoint(std::function<bool(int row)> isBreakpoint) { breakpoint_ = std::move(isBreakpoint); }
    // The label a source gives the instruction on a row ("" when none): the
    // line reads "LOOP: DCR C".
    void setLabel(std::function<QString(int row)> label) { label_ = std::move(label); }
    // The gutter of a line of the listing.
    QRect gutterRect(int line) const;
    // The listed lines as text, for tests and the tooltip: "> 8000  3E 05     MVI A,05".
    QString lineText(int line) const;

    // Lines that fit the pane's height.
    int lineCount() const;

signals:
    void gutterClicked(int row);
    void runToHere(int row);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<Disassembly> linesFrom(int row) const;
    int lineAt(QPoint at) const;
    QString instructionText(const Disassembly& d) const;

    const MemoryTable& memory_;
    const InstructionStarts& starts_;
    std::function<Text()> pc_;
    std::vector<Disassembly> listing_;
    std::function<bool(int)> breakpoint_;
    std::function<QString(int)> label_;
    int anchor_ = -1;
    int lineHeight_ = 16;
    int charWidth_ = 8;
};

}  // namespace kit85
