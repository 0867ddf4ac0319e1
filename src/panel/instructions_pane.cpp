#include "panel/instructions_pane.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "memory/memory_table.h"
#include "panel/study_look.h"

namespace kit85 {

using namespace look;

InstructionsPane::InstructionsPane(const MemoryTable& memory, const InstructionStarts& starts, std::function<Text()> pc,
                                   QWidget* parent)
    : QWidget(parent), memory_(memory), starts_(starts), pc_(std::move(pc)) {
    setFont(monoFont());
    const QFontMetrics fm(font());
    charWidth_ = fm.horizontalAdvance('0');
    lineHeight_ = fm.height() + 3;
    setMinimumSize(22 + 36 * charWidth_, kFewestLines * lineHeight_ + 4);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setToolTip("Click the left margin of a line (or press F9 on the current row) to set or clear a breakpoint");
}

void InstructionsPane::follow() {
    const int cursor = memory_.onRow() ? memory_.cursor() : -1;
    if (cursor < 0) {
        listing_.clear();
        anchor_ = -1;
        update();
        return;
    }
    // Keep the listing's start while the current row's line is one of its
    // lines with a few more after it; else start two lines above that line.
    const int here = starts_.lineStart(memory_, pc_(), cursor);
    bool keep = false;
    if (anchor_ >= 0 && anchor_ < memory_.size()) {
        listing_ = linesFrom(anchor_);
        for (size_t i = 0; i + 3 < listing_.size() && !keep; ++i) keep = listing_[i].row == here;
    }
    if (!keep) {
        const std::vector<Disassembly> above = starts_.lines(memory_, pc_(), here - 8, here);
        anchor_ = above.size() >= 2 ? above[above.size() - 2].row : above.empty() ? here : above.back().row;
        listing_ = linesFrom(anchor_);
    }
    update();
}

std::vector<Disassembly> InstructionsPane::linesFrom(int row) const {
    const int count = lineCount();
    std::vector<Disassembly> out = starts_.lines(memory_, pc_(), row, row + 3 * count + 3);
    if (static_cast<int>(out.size()) > count) out.resize(static_cast<size_t>(count));
    return out;
}

int InstructionsPane::lineCount() const { return std::max(kFewestLines, (height() - 4) / lineHeight_); }

void InstructionsPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (static_cast<int>(listing_.size()) != lineCount()) follow();
}

QRect InstructionsPane::gutterRect(int line) const { return QRect(0, 2 + line * lineHeight_, 20, lineHeight_); }

namespace {

QString bytesText(const Disassembly& d) {
    QString out;
    for (const Text& b : d.bytes) {
        if (!out.isEmpty()) out += ' ';
        out += quoted(b);
    }
    return out;
}

}  // namespace

QString InstructionsPane::lineText(int line) const {
    const Disassembly& d = listing_.at(static_cast<size_t>(line));
    const int cursor = memory_.onRow() ? memory_.cursor() : -1;
    const bool inside = cursor >= d.row && cursor < d.row + std::max(1, d.length);
    return QString("%1%2 %3  %4  %5")
        .arg(breakpoint_ && breakpoint_(d.row) ? "*" : " ", !inside           ? " "
                                                            : d.row == cursor ? ">"
                                                                              : "\u00B7")
        .arg(QString::fromStdString(d.address.str()), -4)
        .arg(bytesText(d), -8)
        .arg(instructionText(d));
}

QString InstructionsPane::instructionText(const Disassembly& d) const {
    const QString text = QString::fromStdString(d.text);
    if (!label_ || d.kind != Disassembly::RowKind::Instruction) return text;
    const QString label = label_(d.row);
    return label.isEmpty() ? text : label + ": " + text;
}

void InstructionsPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect all = rect();
    p.fillRect(all, kPaper);
    p.setPen(QColor("#C9CDC2"));
    p.drawRect(all.adjusted(0, 0, -1, -1));
    p.fillRect(QRect(1, 1, 20, all.height() - 2), QColor("#EEF0EA"));
    const QFontMetrics fm(font());
    const int ascent = fm.ascent() + 1;
    const int cursor = memory_.onRow() ? memory_.cursor() : -1;
    const int addressX = 22 + 2 * charWidth_;
    const int bytesX = addressX + 6 * charWidth_;
    const int textX = bytesX + 10 * charWidth_;
    for (size_t i = 0; i < listing_.size(); ++i) {
        const Disassembly& d = listing_[i];
        const int y = 2 + static_cast<int>(i) * lineHeight_;
        // The current row's line; the arrow only when the row is the line's
        // first (an operand row is inside the instruction, not its start).
        if (cursor >= d.row && cursor < d.row + std::max(1, d.length)) {
            p.fillRect(QRect(21, y, all.width() - 22, lineHeight_), kCurrentLine);
            p.setPen(kCurrentCell);
            p.drawText(24, y + ascent, d.row == cursor ? "\u25B6" : "\u00B7");
        }
        if (breakpoint_ && breakpoint_(d.row)) {
            p.setPen(Qt::NoPen);
            p.setBrush(kBreakpoint);
            const int r = std::min(lineHeight_, 20) / 2 - 3;
            p.drawEllipse(QPoint(10, y + lineHeight_ / 2), r, r);
            p.setBrush(Qt::NoBrush);
        }
        p.setPen(kAddressInk);
        p.drawText(addressX, y + ascent, QString::fromStdString(d.address.str()));
        p.setPen(kFaint);
        p.drawText(bytesX, y + ascent, fm.elidedText(bytesText(d), Qt::ElideRight, 9 * charWidth_));
        const bool instruction = d.kind == Disassembly::RowKind::Instruction;
        p.setPen(instruction ? kInk : d.kind == Disassembly::RowKind::Invalid ? kBreakpoint : kOddInk);
        p.drawText(textX, y + ascent, fm.elidedText(instructionText(d), Qt::ElideRight, all.width() - textX - 4));
    }
}

int InstructionsPane::lineAt(QPoint at) const {
    const int line = (at.y() - 2) / lineHeight_;
    return at.y() >= 2 && line < static_cast<int>(listing_.size()) ? line : -1;
}

void InstructionsPane::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const int line = lineAt(at);
    if (line >= 0 && event->button() == Qt::LeftButton && gutterRect(line).contains(at))
        emit gutterClicked(listing_[static_cast<size_t>(line)].row);
}

void InstructionsPane::contextMenuEvent(QContextMenuEvent* event) {
    const int line = lineAt(event->pos());
    if (line < 0) return;
    const Disassembly& d = listing_[static_cast<size_t>(line)];
    QMenu menu(this);
    QAction* run = menu.addAction("Run to here (" + QString::fromStdString(d.address.str()) + ")");
    run->setEnabled(d.kind == Disassembly::RowKind::Instruction);
    QAction* toggle = menu.addAction("Breakpoint on/off here (F9 on the current row)");
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == run) emit runToHere(d.row);
    if (chosen == toggle) emit gutterClicked(d.row);
}

}  // namespace kit85
