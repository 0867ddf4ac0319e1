#include "panel/memory_pane.h"

#include <QHelpEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <array>
#include <optional>

#include "memory/memory_table.h"
#include "panel/study_look.h"

namespace kit85 {

using namespace look;

namespace {

constexpr int kLines = 0x10000 / 16;

}  // namespace

MemoryPane::MemoryPane(const MemoryTable& memory, QWidget* parent) : QAbstractScrollArea(parent), memory_(memory) {
    setFont(monoFont());
    const QFontMetrics fm(font());
    charWidth_ = QFontMetricsF(font()).horizontalAdvance('0');
    lineHeight_ = fm.height() + 3;
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAutoFillBackground(false);
    const int width = cellAt(15, 0).right() + 8;
    viewport()->setMinimumSize(width, lineHeight_ * 5);  // scrolls; small enough to dock on a laptop
    setMinimumWidth(width + verticalScrollBar()->sizeHint().width() + 2 * frameWidth());
    setToolTip("Click a byte to make its row current, then type two hex digits to store a byte there");
    updateRange();
}

int MemoryPane::cellLeft(int column) const { return qRound(8 + charWidth_ * (6 + 3 * column + (column >= 8 ? 1 : 0))); }

QRect MemoryPane::cellAt(int column, int y) const {
    const int left = qRound(8 + charWidth_ * (5.5 + 3 * column + (column >= 8 ? 1 : 0)));
    const int right = qRound(8 + charWidth_ * (8.5 + 3 * column + (column >= 8 ? 1 : 0)));
    return QRect(left, y, right - left, lineHeight_);
}

int MemoryPane::firstLine() const { return verticalScrollBar()->value(); }

int MemoryPane::visibleLines() const { return std::max(1, viewport()->height() / lineHeight_ - 1); }

void MemoryPane::updateRange() {
    verticalScrollBar()->setRange(0, std::max(0, kLines - visibleLines()));
    verticalScrollBar()->setPageStep(visibleLines());
}

void MemoryPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateRange();
    followedRow_ = -2;
    follow();
}

void MemoryPane::follow() {
    const int row = memory_.cursor();
    if (row == followedRow_) return;
    followedRow_ = row;
    const std::optional<uint16_t> a = memory_.onRow() ? addressOf(memory_.text1()) : std::nullopt;
    if (!a) return;
    const int line = *a / 16;
    const int first = firstLine();
    const int shown = visibleLines();
    // A line on screen stays where it is, so a click never moves what is
    // under the mouse. A line just off an edge scrolls in by as little as
    // it takes (Next and Prev walk smoothly); one farther away lands a third
    // down the pane.
    if (line >= first && line < first + shown) return;
    if (line == first - 1)
        verticalScrollBar()->setValue(line);
    else if (line == first + shown)
        verticalScrollBar()->setValue(line - shown + 1);
    else
        verticalScrollBar()->setValue(line - shown / 3);
}

void MemoryPane::showAddress(uint16_t address) {
    verticalScrollBar()->setValue(address / 16 - visibleLines() / 3);
    viewport()->update();
}

QRect MemoryPane::cellRect(uint16_t address) const {
    const int i = address / 16 - firstLine();
    if (i < 0 || i >= visibleLines()) return {};
    return cellAt(address % 16, (i + 1) * lineHeight_);
}

// Plain bytes of a line are drawn as one string (the font is fixed-width and
// the cells are three characters apart), so a redraw costs a few text runs a
// line; only special cells (current, changed, odd, missing, breakpoint) are
// drawn one by one.
void MemoryPane::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QRect all = viewport()->rect();
    p.fillRect(all, kPaper);
    p.setFont(font());
    const QFontMetrics fm(font());
    const int ascent = fm.ascent() + 1;
    const auto& bytes = byteTexts();
    constexpr int kLineChars = 16 * 3 + 1 - 1;
    auto at = [](int column) { return 3 * column + (column >= 8 ? 1 : 0); };

    QString plain(kLineChars, ' ');
    for (int c = 0; c < 16; ++c) plain[at(c) + 1] = QChar("0123456789ABCDEF"[c]);
    p.setPen(kFaint);
    p.drawText(cellLeft(0), ascent, plain);
    p.drawLine(0, lineHeight_ - 1, all.width(), lineHeight_ - 1);

    const int cursor = memory_.onRow() ? memory_.cursor() : -1;
    const int first = firstLine();
    const int lines = std::min(visibleLines() + 1, kLines - first);
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < lines; ++i) {
        const int line = first + i;
        const int y = (i + 1) * lineHeight_;
        const std::array<int, 16> rows = rowsOf(line);
        if (cursor >= 0 && std::find(rows.begin(), rows.end(), cursor) != rows.end())
            p.fillRect(QRect(0, y, all.width(), lineHeight_), kCurrentLine);
        p.setPen(kAddressInk);
        p.drawText(8, y + ascent, word(line * 16));

        plain.fill(' ');
        for (int c = 0; c < 16; ++c) {
            const QRect cell = cellAt(c, y);
            const int row = rows[c];
            if (row < 0) {
                p.setPen(kFaint);
                p.drawText(cell, Qt::AlignCenter, "\u00B7\u00B7");
                continue;
            }
            const Text& data = memory_.dataAt(row);
            const bool current = row == cursor;
            const bool changed = changed_ && changed_(row);
            const bool odd = !isByte(data);
            const bool breakpoint = breakpoint_ && breakpoint_(row);
            const int address = line * 16 + c;
            if (selection_ && address >= selection_->first && address <= selection_->last)
                p.fillRect(cell, kSelectedCell);
            if (!current && !changed && !odd) {
                const QString& b = bytes[data.hexValue()];
                plain[at(c)] = b[0];
                plain[at(c) + 1] = b[1];
                if (!breakpoint) continue;
            }
            if (current) {
                p.fillRect(cell, kCurrentCell);
                if (changed) p.fillRect(QRect(cell.left(), cell.bottom() - 2, cell.width(), 3), kChangedCell);
            } else if (changed) {
                p.fillRect(cell.adjusted(1, 1, -1, -1), kChangedCell);
            } else if (odd) {
                p.fillRect(cell.adjusted(1, 1, -1, -1), kOddCell);
            }
            if (breakpoint) {
                p.setPen(QPen(kBreakpoint, 2));
                p.drawRoundedRect(cell.adjusted(1, 1, -1, -1), 3, 3);
            }
            if (!current && !changed && !odd) continue;  // its text goes with the line's
            p.setPen(current ? Qt::white : changed ? kChangedInk : kOddInk);
            p.setFont(changed ? bold : font());
            p.drawText(cell, Qt::AlignCenter,
                       odd ? fm.elidedText(QString::fromStdString(data.str()), Qt::ElideRight, cell.width())
                           : bytes[data.hexValue()]);
            p.setFont(font());
        }
        p.setPen(kInk);
        p.drawText(cellLeft(0), y + ascent, plain);
    }
}

std::array<int, 16> MemoryPane::rowsOf(int line) const {
    std::array<int, 16> rows{};
    for (int c = 0; c < 16; ++c) {
        const std::optional<int> r = memory_.rowOf(Text::word(line * 16 + c));
        rows[c] = r ? *r : -1;
    }
    return rows;
}

std::optional<uint16_t> MemoryPane::addressAt(QPoint at) const {
    const int i = at.y() / lineHeight_ - 1;
    if (i < 0 || i >= visibleLines()) return std::nullopt;
    for (int c = 0; c < 16; ++c) {
        const QRect cell = cellAt(c, 0);
        if (at.x() >= cell.left() && at.x() <= cell.right()) return static_cast<uint16_t>((firstLine() + i) * 16 + c);
    }
    return std::nullopt;
}

void MemoryPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) return;  // the context menu's
    const std::optional<uint16_t> a = addressAt(event->position().toPoint());
    if (!a) return;
    setFocus();
    if ((event->modifiers() & Qt::ShiftModifier) && anchor_) {
        extendTo(*a);
        return;
    }
    anchor_ = a;
    select(std::nullopt);
    emit addressClicked(*a);
}

// A drag from the clicked address selects every address up to the one under
// the pointer.
void MemoryPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !anchor_) return;
    if (const std::optional<uint16_t> a = addressAt(event->position().toPoint()); a && (selection_ || *a != *anchor_))
        extendTo(*a);
}

void MemoryPane::extendTo(uint16_t address) {
    select(Range{std::min(*anchor_, address), std::max(*anchor_, address)});
}

void MemoryPane::select(std::optional<Range> range) {
    selection_ = range;
    viewport()->update();
}

void MemoryPane::contextMenuEvent(QContextMenuEvent* event) {
    // In the viewport's coordinates, as the scroll area hands the event on.
    const std::optional<uint16_t> a = addressAt(event->pos());
    if (!a) return;
    QMenu menu(this);
    menu.setObjectName("memoryMenu");
    const QString row = look::word(*a);
    QAction* written = menu.addAction("Stop when this row is written (" + row + ")");
    QAction* read = menu.addAction("Stop when this row is read (" + row + ")");
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == written) emit watchRequested(*a, kWatchWrite);
    if (chosen == read) emit watchRequested(*a, kWatchRead);
}

bool MemoryPane::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const QPoint at = static_cast<QHelpEvent*>(event)->pos();
    const int i = at.y() / lineHeight_ - 1;
    for (int c = 0; i >= 0 && c < 16; ++c) {
        const uint16_t address = static_cast<uint16_t>((firstLine() + i) * 16 + c);
        if (!cellRect(address).contains(at)) continue;
        const std::optional<int> row = memory_.rowOf(Text::word(address));
        QString tip = word(address);
        if (const QString label = row && label_ ? label_(*row) : QString(); !label.isEmpty()) tip += " " + label;
        tip += ": ";
        if (!row)
            tip += "no row in the memory table";
        else if (isByte(memory_.dataAt(*row)))
            tip += quoted(memory_.dataAt(*row));
        else
            tip += quoted(memory_.dataAt(*row)) + ", a text that is not a byte, kept as it stands";
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, viewport());
        return true;
    }
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toolTip(), viewport());
    return true;
}

}  // namespace kit85
