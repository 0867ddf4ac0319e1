#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace kit85 {

class MemoryTable;

// The memory pane: one line per sixteen addresses over 0000-FFFF, a header of
// column digits, the current row highlighted, changed bytes marked and odd
// texts shown as they stand. A click selects an address; typing is left to
// the window. Dragging, or a click with Shift, selects a range of addresses
// (what Fill offers to fill).
class MemoryPane : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit MemoryPane(const MemoryTable& memory, QWidget* parent);

    // Follows the table's cursor: its line is brought into view when the
    // cursor has moved since the last call.
    void follow();
    // Scrolls the address's line a third down the pane (the cursor stays).
    void showAddress(uint16_t address);
    // Marks come from this test: true for a row changed by the last action.
    void setChanged(std::function<bool(int row)> changed) { changed_ = std::move(changed); }
    void setBreakpoint(std::function<bool(int row)> isBreakpoint) { breakpoint_ = std::move(isBreakpoint); }
    // The label a source gives a row ("" when none), named in the row's tip.
    void setLabel(std::function<QString(int row)> label) { label_ = std::move(label); }

    // The cell of an address in viewport coordinates (empty when off screen).
    QRect cellRect(uint16_t address) const;
    int firstLine() const;
    int visibleLines() const;

    // The addresses dragged over or Shift-clicked (first <= last), if any.
    struct Range {
        uint16_t first, last;
    };
    std::optional<Range> selection() const { return selection_; }
    void select(std::optional<Range> range);

signals:
    void addressClicked(uint16_t address);
    // The byte's context menu: "Stop when this row is written" / "... read".
    void watchRequested(uint16_t address, uint8_t access);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void updateRange();
    int cellLeft(int column) const;

    const MemoryTable& memory_;
    std::function<bool(int)> changed_;
    std::function<bool(int)> breakpoint_;
    std::function<QString(int)> label_;
    QRect cellAt(int column, int y) const;
    // The table's rows of a line's sixteen addresses (-1 where it has none).
    std::array<int, 16> rowsOf(int line) const;
    // The address of the byte under a viewport point, if any.
    std::optional<uint16_t> addressAt(QPoint at) const;

    int lineHeight_ = 16;
    qreal charWidth_ = 8;  // fractional: a line of plain bytes is one string
    int followedRow_ = -2;
    std::optional<uint16_t> anchor_;  // where the last plain click or drag began
    std::optional<Range> selection_;
    void extendTo(uint16_t address);
};

}  // namespace kit85
