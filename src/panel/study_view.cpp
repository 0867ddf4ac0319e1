#include "panel/study_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QToolTip>
#include <QVBoxLayout>

#include <array>

#include "memory/memory_table.h"
#include "panel/kit_window.h"
#include "panel/model/live_decode.h"
#include "values/ascii.h"

namespace kit85 {

namespace {

constexpr int kLines = 0x10000 / 16;
constexpr int kEditsShown = 8;

const QColor kPaper("#FCFBF6");
const QColor kInk("#1D2330");
const QColor kFaint("#8A93A3");
const QColor kAddressInk("#4C6A92");
const QColor kCurrentLine("#E4ECF8");
const QColor kCurrentCell("#2456A8");
const QColor kChangedCell("#FFE08A");
const QColor kChangedInk("#9A2A00");
const QColor kOddCell("#F1E4F7");
const QColor kOddInk("#7A2C9E");
const QColor kBreakpoint("#D0312D");

QFont monoFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setFamilies({"DejaVu Sans Mono", "Liberation Mono", f.family()});
    f.setPointSizeF(10);
    return f;
}

// "00".."FF", made once: a redraw draws from these instead of formatting.
const std::array<QString, 256>& byteTexts() {
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> t;
        for (int i = 0; i < 256; ++i) t[i] = QString::asprintf("%02X", i);
        return t;
    }();
    return texts;
}

QString word(uint32_t v) { return byteTexts()[(v >> 8) & 0xFF] + byteTexts()[v & 0xFF]; }

bool isByte(const Text& t) { return t.isHex() && t.size() == 2; }

// A data text for the panes: a byte as it is, anything else in quotes.
QString quoted(const Text& t) {
    return isByte(t) ? byteTexts()[t.hexValue()] : '"' + QString::fromStdString(t.str()) + '"';
}

std::optional<uint16_t> addressOf(const Text& t) {
    if (t.isHex() && t.size() == 4) return static_cast<uint16_t>(t.hexValue());
    return std::nullopt;
}

QSettings studySettings() { return QSettings(QSettings::UserScope, "kit85", "kit85"); }

}  // namespace

bool studyViewRemembered() { return studySettings().value("studyView/open", false).toBool(); }

void rememberStudyView(bool open) {
    QSettings s = studySettings();
    s.setValue("studyView/open", open);
}

namespace {
// Stored by name, so a reordered enum never misreads a user's setting.
constexpr std::array<std::pair<Speed, const char*>, 3> kSpeedNames = {{
    {Speed::Fast, "full"},
    {Speed::Kit, "kit"},
    {Speed::Slow, "slow"},
}};
}  // namespace

RunSpeed rememberedRunSpeed() {
    const QSettings s = studySettings();
    RunSpeed r;
    const QString name = s.value("run/speed", "full").toString();
    for (const auto& [speed, n] : kSpeedNames)
        if (name == n) r.speed = speed;
    r.perSecond = std::clamp(s.value("run/perSecond", r.perSecond).toInt(), kSlowestPerSecond, kFastestSlowPerSecond);
    return r;
}

void rememberRunSpeed(const RunSpeed& r) {
    QSettings s = studySettings();
    for (const auto& [speed, n] : kSpeedNames)
        if (speed == r.speed) s.setValue("run/speed", n);
    s.setValue("run/perSecond", r.perSecond);
}

// --- Memory pane ------------------------------------------------------------

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
    viewport()->setMinimumSize(width, lineHeight_ * 17);
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
    // Keep a line of context above and below; jump so the row sits a third down.
    if (line <= first || line >= first + shown - 1) verticalScrollBar()->setValue(line - shown / 3);
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
        std::array<int, 16> rows{};
        bool currentLine = false;
        for (int c = 0; c < 16; ++c) {
            const std::optional<int> r = memory_.rowOf(Text::word(line * 16 + c));
            rows[c] = r ? *r : -1;
            currentLine = currentLine || (r && *r == cursor);
        }
        if (currentLine) p.fillRect(QRect(0, y, all.width(), lineHeight_), kCurrentLine);
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

void MemoryPane::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const int i = at.y() / lineHeight_ - 1;
    if (i < 0 || i >= visibleLines()) return;
    for (int c = 0; c < 16; ++c) {
        const QRect cell = cellAt(c, 0);
        if (at.x() >= cell.left() && at.x() <= cell.right()) {
            setFocus();
            emit addressClicked(static_cast<uint16_t>((firstLine() + i) * 16 + c));
            return;
        }
    }
}

bool MemoryPane::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const QPoint at = static_cast<QHelpEvent*>(event)->pos();
    const int i = at.y() / lineHeight_ - 1;
    for (int c = 0; i >= 0 && c < 16; ++c) {
        const uint16_t address = static_cast<uint16_t>((firstLine() + i) * 16 + c);
        if (!cellRect(address).contains(at)) continue;
        const std::optional<int> row = memory_.rowOf(Text::word(address));
        QString tip = word(address) + ": ";
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

// --- Instructions pane ------------------------------------------------------

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

// --- The view ---------------------------------------------------------------

StudyView::StudyView(KitWindow& kit) : QWidget(&kit, Qt::Window), kit_(kit) {
    setObjectName("studyfm");
    setWindowTitle("kit85 \u2014 study view");
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor("#EEF0EA"));
    pal.setColor(QPalette::WindowText, kInk);
    setPalette(pal);

    auto heading = [this](const QString& text) {
        auto* l = new QLabel(text, this);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        return l;
    };
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont statusFont = status_->font();
    statusFont.setBold(true);
    statusFont.setPointSizeF(statusFont.pointSizeF() * 1.1);
    status_->setFont(statusFont);
    status_->setMinimumHeight(QFontMetrics(statusFont).height() + 10);

    decode_ = new QLabel(this);
    decode_->setObjectName("decode");
    decode_->setFont(monoFont());
    decode_->setStyleSheet("QLabel { padding: 2px 6px; }");

    memory_ = new MemoryPane(kit.memory(), this);
    memory_->setObjectName("memory");
    memory_->setChanged([this](int row) { return changedByLastAction(row); });
    connect(memory_, &MemoryPane::addressClicked, this, [this](uint16_t a) { kit_.selectAddress(a); });

    instructions_ = new InstructionsPane(kit.memory(), this);
    instructions_->setObjectName("instructions");
    connect(instructions_, &InstructionsPane::gutterClicked, this, [this](int row) { kit_.toggleBreakpoint(row); });
    auto isBreakpoint = [this](int row) {
        const MemoryTable& m = kit_.memory();
        return !m.breakpoints().empty() && m.breakpoints().at(m.addressAt(row));
    };
    instructions_->setBreakpoint(isBreakpoint);
    memory_->setBreakpoint(isBreakpoint);

    stack_ = new QLabel(this);
    stack_->setObjectName("stack");
    stack_->setFont(monoFont());
    stack_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stack_->setTextFormat(Qt::PlainText);
    stack_->setAutoFillBackground(true);
    stack_->setStyleSheet("QLabel { background: #FCFBF6; color: #1D2330; border: 1px solid #C9CDC2; padding: 4px; }");

    trace_ = new QLabel(this);
    trace_->setObjectName("trace");
    trace_->setFont(monoFont());
    trace_->setTextFormat(Qt::PlainText);
    trace_->setWordWrap(true);
    trace_->setStyleSheet("QLabel { padding: 2px 6px; }");

    edits_ = new QListWidget(this);
    edits_->setObjectName("edits");
    edits_->setFont(monoFont());
    edits_->setSelectionMode(QAbstractItemView::NoSelection);
    edits_->setFocusPolicy(Qt::NoFocus);
    edits_->setFixedHeight(QFontMetrics(monoFont()).lineSpacing() * kEditsShown + 8);

    // Execute's pace; the kit window keeps it and this follows.
    speed_ = new QComboBox(this);
    speed_->setObjectName("speed");
    speed_->addItem("Full speed", static_cast<int>(Speed::Fast));
    speed_->addItem("Kit speed (3.072 MHz)", static_cast<int>(Speed::Kit));
    speed_->addItem("Slow motion", static_cast<int>(Speed::Slow));
    perSecond_ = new QSpinBox(this);
    perSecond_->setObjectName("perSecond");
    perSecond_->setRange(kSlowestPerSecond, kFastestSlowPerSecond);
    perSecond_->setSuffix(" instructions/s");
    const RunSpeed now = kit.runSpeed();
    speed_->setCurrentIndex(speed_->findData(static_cast<int>(now.speed)));
    perSecond_->setValue(now.perSecond);
    perSecond_->setEnabled(now.speed == Speed::Slow);
    auto chosen = [this] {
        const auto speed = static_cast<Speed>(speed_->currentData().toInt());
        perSecond_->setEnabled(speed == Speed::Slow);
        kit_.setRunSpeed({speed, perSecond_->value()});
    };
    connect(speed_, &QComboBox::currentIndexChanged, this, chosen);
    connect(perSecond_, &QSpinBox::valueChanged, this, chosen);
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(new QLabel("Execute at:", this));
    speedRow->addWidget(speed_);
    speedRow->addWidget(perSecond_);
    speedRow->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(heading("Memory"));
    left->addWidget(memory_, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(heading("Instructions (\u25B6 runs next; click the margin for a breakpoint)"));
    right->addWidget(instructions_);
    right->addWidget(heading("Stack (words at SP, SP+2, \u2026)"));
    right->addWidget(stack_);
    right->addWidget(heading("Keyed edits, newest first (Ctrl+Z undoes, Ctrl+Y redoes)"));
    right->addWidget(edits_);
    right->addStretch(1);
    auto* panes = new QHBoxLayout;
    panes->addLayout(left, 3);
    panes->addLayout(right, 2);
    auto* all = new QVBoxLayout(this);
    all->addWidget(status_);
    all->addWidget(decode_);
    all->addWidget(trace_);
    all->addLayout(speedRow);
    all->addLayout(panes, 1);
    resize(sizeHint().width(), 620);
}

void StudyView::refresh() {
    if (!isVisible()) return;
    auto show = [](QLabel* l, const QString& s) {
        if (l->text() != s) l->setText(s);
    };
    const ActionOutcome& outcome = kit_.lastOutcome();
    const std::string& note = kit_.statusNote();
    show(status_, QString::fromStdString(note.empty() ? statusText(outcome) : note));
    const StopReason r = outcome.result.reason;
    const bool bad = !note.empty() || (outcome.action != StudyAction::None &&
                                       (r == StopReason::Error || r == StopReason::InvalidCode || outcome.invalidCode));
    // Red for what went wrong, amber for a run stopped on the way, green else.
    const bool paused = note.empty() && outcome.action == StudyAction::Execute &&
                        (r == StopReason::Breakpoint || r == StopReason::Interrupted || r == StopReason::StepLimit);
    const QString style = QString("QLabel { padding: 3px 6px; border-radius: 3px; background: %1; color: %2; }")
                              .arg(bad      ? "#F8D7D5"
                                   : paused ? "#FBEBC8"
                                            : "#DDEBDD",
                                   bad      ? "#8A1C17"
                                   : paused ? "#6B4A00"
                                            : "#1C4A2A");
    if (status_->styleSheet() != style) status_->setStyleSheet(style);
    show(decode_, decodeText());
    show(stack_, stackText());
    showEdits();
    QStringList trace;
    for (const std::string& line : kit_.stepTrace()) trace << QString::fromStdString(line);
    show(trace_, trace.join('\n'));
    trace_->setHidden(trace.isEmpty());
    memory_->follow();
    memory_->viewport()->update();
    instructions_->follow();
}

QString StudyView::decodeText() const {
    const PanelModel& panel = kit_.panel();
    if (panel.addressEntry()) return "keying an address: " + QString::fromStdString(panel.text3.str()) + "\u2026";
    const MemoryTable& m = kit_.memory();
    return QString::fromStdString(liveDecode(m, m.onRow() ? m.cursor() : -1));
}

// Rebuilt only when a line differs: a run redraws the view every slice.
void StudyView::showEdits() {
    const MemoryTable& m = kit_.memory();
    const std::vector<MemoryTable::Edit> edits = m.lastEdits(kEditsShown);
    QStringList lines;
    std::vector<bool> undone;
    for (const MemoryTable::Edit& e : edits) {
        undone.push_back(m.undone(e.step));
        lines << QString::fromStdString(editText(e, undone.back()));
    }
    if (lines.isEmpty()) {
        lines << "(nothing keyed yet)";
        undone.push_back(true);
    }
    bool same = edits_->count() == lines.size();
    for (int i = 0; same && i < lines.size(); ++i) same = edits_->item(i)->text() == lines[i];
    if (same) return;
    edits_->clear();
    for (int i = 0; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(lines[i], edits_);
        if (undone[static_cast<size_t>(i)]) item->setForeground(QColor("#9A9A9A"));
    }
}

QString StudyView::stackText() const {
    const Text& sp = kit_.kit()[SP];
    const std::optional<uint16_t> base = addressOf(sp);
    if (!base) return "SP holds \"" + QString::fromStdString(sp.str()) + "\", not an address:\nno stack to show";
    const MemoryTable& m = kit_.memory();
    QString out;
    for (int i = 0; i < 8; ++i) {
        const uint16_t lo = static_cast<uint16_t>(*base + 2 * i);
        const uint16_t hi = static_cast<uint16_t>(lo + 1);
        const std::optional<int> loRow = m.rowOf(Text::word(lo));
        const std::optional<int> hiRow = m.rowOf(Text::word(hi));
        const Text none("--");
        const Text& l = loRow ? m.dataAt(*loRow) : none;
        const Text& h = hiRow ? m.dataAt(*hiRow) : none;
        const QString value = isByte(l) && isByte(h) ? byteTexts()[h.hexValue()] + byteTexts()[l.hexValue()] : "????";
        if (i) out += '\n';
        out += QString("SP+%1  %2  from %3 %4 (rows %5, %6)")
                   .arg(QString::number(2 * i, 16).toUpper(), value, quoted(l), quoted(h), word(lo), word(hi));
    }
    return out;
}

void StudyView::beginAction() {
    if (!isVisible()) return;
    const MemoryTable& m = kit_.memory();
    before_.resize(static_cast<size_t>(m.size()));
    for (int r = 0; r < m.size(); ++r) before_[r] = m.dataAt(r);
    acting_ = true;
}

void StudyView::endAction() {
    if (!acting_) return;
    acting_ = false;
    const MemoryTable& m = kit_.memory();
    for (int r = 0; r < m.size() && r < static_cast<int>(before_.size()); ++r)
        if (!(m.dataAt(r) == before_[r])) {
            std::swap(marked_, before_);
            return;
        }
}

bool StudyView::changedByLastAction(int row) const {
    const std::vector<Text>& base = acting_ ? before_ : marked_;
    return row >= 0 && row < static_cast<int>(base.size()) && !(kit_.memory().dataAt(row) == base[row]);
}

void StudyView::keyPressEvent(QKeyEvent* event) {
    const QString t = event->text();
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && t.size() == 1 &&
        hexDigitValue(t.at(0).toLatin1()) >= 0) {
        kit_.keyHex(upperAscii(t.toStdString())[0]);
        return;
    }
    QWidget::keyPressEvent(event);
}

void StudyView::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

}  // namespace kit85
