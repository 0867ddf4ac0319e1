#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "isa/disassembler.h"

namespace kit85 {

class MemoryTable;

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

}  // namespace kit85
