#include "panel/instructions_pane.h"

#include <QMouseEvent>
#include <QPainter>

#include "memory/memory_table.h"
#include "panel/study_look.h"

namespace kit85 {

using namespace look;

InstructionsPane::InstructionsPane(const MemoryTable& memory, QWidget* parent) : QWidget(parent), memory_(memory) {
    setFont(monoFont());
    const QFontMetrics fm(font());
    charWidth_ = fm.horizontalAdvance('0');
    lineHeight_ = fm.height() + 3;
    setMinimumSize(22 + 36 * charWidth_, kCount * lineHeight_ + 4);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
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
    // Keep the listing's start while the current row is one of its
    // instructions with a few more after it; else start at the current row.
    bool keep = false;
    if (anchor_ >= 0 && anchor_ < memory_.size()) {
        listing_ = disassemble(memory_, anchor_, kCount);
        for (size_t i = 0; i + 3 < listing_.size() && !keep; ++i) keep = listing_[i].row == cursor;
    }
    if (!keep) {
        anchor_ = cursor;
        listing_ = disassemble(memory_, anchor_, kCount);
    }
    update();
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
    const bool next = memory_.onRow() && d.row == memory_.cursor();
    return QString("%1%2 %3  %4  %5")
        .arg(breakpoint_ && breakpoint_(d.row) ? "*" : " ", next ? ">" : " ")
        .arg(QString::fromStdString(d.address.str()), -4)
        .arg(bytesText(d), -8)
        .arg(QString::fromStdString(d.text));
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
        if (d.row == cursor) {
            p.fillRect(QRect(21, y, all.width() - 22, lineHeight_), kCurrentLine);
            p.setPen(kCurrentCell);
            p.drawText(24, y + ascent, "▶");
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
        const bool instruction = d.kind == Disassembly::Kind::Instruction;
        p.setPen(instruction ? kInk : d.kind == Disassembly::Kind::Invalid ? kBreakpoint : kOddInk);
        p.drawText(textX, y + ascent,
                   fm.elidedText(QString::fromStdString(d.text), Qt::ElideRight, all.width() - textX - 4));
    }
}

void InstructionsPane::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    for (size_t i = 0; i < listing_.size(); ++i)
        if (gutterRect(static_cast<int>(i)).contains(at)) {
            emit gutterClicked(listing_[i].row);
            return;
        }
}

}  // namespace kit85
