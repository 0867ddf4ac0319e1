#include "panel/study_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <iterator>
#include <utility>

#include "memory/memory_table.h"
#include "panel/editor/source_editor.h"
#include "panel/model/breakpoint_list.h"
#include "panel/model/live_decode.h"
#include "panel/model/panel_model.h"
#include "panel/model/run_session.h"
#include "panel/model/status_line.h"
#include "panel/rate_box.h"
#include "panel/study_dialogs.h"
#include "panel/study_look.h"
#include "values/ascii.h"

namespace kit85 {

using namespace look;

namespace {

constexpr int kEditsShown = 8;
constexpr int kTraceLines = 4;

// Execute's paces, in the chooser's order.
constexpr std::pair<Speed, const char*> kSpeeds[] = {
    {Speed::Fast, "Full speed"}, {Speed::Kit, "Kit speed (3.072 MHz)"}, {Speed::Slow, "Slow motion"}};

int speedIndex(Speed speed) {
    for (int i = 0; i < static_cast<int>(std::size(kSpeeds)); ++i)
        if (kSpeeds[i].first == speed) return i;
    return 0;
}

}  // namespace

StudyView::StudyView(const StudySources& sources, SourceEditor& editor, QWidget& kit)
    : QWidget(&kit, Qt::Window), kit_(sources), editor_(&editor) {
    setObjectName("studyfm");
    setWindowTitle("kit85 \u2014 study view");
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor("#EEF0EA"));
    pal.setColor(QPalette::WindowText, kInk);
    setPalette(pal);

    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont statusFont = status_->font();
    statusFont.setBold(true);
    statusFont.setPointSizeF(statusFont.pointSizeF() * 1.1);
    status_->setFont(statusFont);
    status_->setMinimumHeight(QFontMetrics(statusFont).height() + 10);
    // A long line is cut at the view's edge (and selectable), never widening it.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    decode_ = new QLabel(this);
    decode_->setObjectName("decode");
    decode_->setFont(monoFont());
    decode_->setStyleSheet("QLabel { padding: 2px 6px; }");
    decode_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    buildPanes();
    layOut();
    buildMenu();
}

// The view's right-click menu: its own actions first; the kit window adds its
// own (study view, dock, breakpoint, undo, help) after them.
void StudyView::buildMenu() {
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* goTo = new QAction("Go to address\u2026", this);
    goTo->setObjectName("goToAction");
    goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(goTo, &QAction::triggered, this, [this] {
        const Text& here = memory().text1();
        if (const std::optional<uint16_t> a = askAddress(this, addressOf(here).value_or(0x8000))) goToAddress(*a);
    });
    auto* fill = new QAction("Fill a range of memory\u2026 (one undo step)", this);
    fill->setObjectName("fillAction");
    connect(fill, &QAction::triggered, this, &StudyView::fill);
    auto* reset = new QAction("Reset registers to 00 and flags to 0", this);
    reset->setObjectName("resetAction");
    connect(reset, &QAction::triggered, this, &StudyView::resetRequested);
    auto* line = new QAction(this);
    line->setSeparator(true);
    addActions({goTo, fill, reset, line});
}

// Nothing is offered but the rows the student selected: a range proposed
// from the current row would be the program just loaded, one Enter from
// wiped. Filling over that program is asked first.
void StudyView::fill() {
    std::optional<FillRequest> offered;
    if (const std::optional<MemoryPane::Range> s = memory_->selection()) offered = FillRequest{s->first, s->last, 0};
    const std::optional<FillRequest> f =
        fillDialogs_.range ? fillDialogs_.range(offered) : askFill(this, offered);
    if (!f) return;
    const uint16_t lo = std::min(f->start, f->end), hi = std::max(f->start, f->end);
    if (const std::optional<OpenedProgram>& p = kit_.starts.program(); p && lo <= p->last && hi >= p->first) {
        const QString question =
            QString("%1\u2013%2 holds the program loaded last. Fill %3\u2013%4 with %5 over it? "
                    "(Ctrl+Z takes it back)")
                .arg(look::word(p->first), look::word(p->last), look::word(f->start), look::word(f->end),
                     look::byteTexts()[f->value]);
        const bool yes = fillDialogs_.ask ? fillDialogs_.ask(question)
                                          : QMessageBox::question(this, "Fill a range of memory", question,
                                                                  QMessageBox::Yes | QMessageBox::No,
                                                                  QMessageBox::No) == QMessageBox::Yes;
        if (!yes) return;
    }
    emit fillRequested(f->start, f->end, f->value);
}

void StudyView::goToAddress(uint16_t address) {
    if (address >= 0x8000) {
        emit addressChosen(address);
        return;
    }
    memory_->showAddress(address);
    kit_.status.say(Text::word(address).str() + " shown; rows below 8000 are not for keying, so the current row stays");
}

void StudyView::buildPanes() {
    memory_ = new MemoryPane(memory(), this);
    memory_->setObjectName("memory");
    memory_->setChanged([this](int row) { return changedByLastAction(row); });
    connect(memory_, &MemoryPane::addressClicked, this, &StudyView::addressChosen);

    // PC is a start when the kit runs from it next: the current row is PC's
    // (after a halt PC is one past the HLT, where nothing need be code).
    auto pc = [this] {
        const Text& pc = kit_.panel.kit()[PC];
        return pc == memory().text1() ? pc : Text();
    };
    instructions_ = new InstructionsPane(memory(), kit_.starts, pc, this);
    instructions_->setObjectName("instructions");
    auto isBreakpoint = [this](int row) {
        const MemoryTable& m = memory();
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

    stackArea_ = scrolled(stack_, 3);

    // The trace has a fixed height and its own scroll bar: nothing below it
    // moves when its lines come and go.
    trace_ = new QLabel(this);
    trace_->setObjectName("trace");
    trace_->setFont(monoFont());
    trace_->setTextFormat(Qt::PlainText);
    trace_->setWordWrap(true);
    trace_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    trace_->setStyleSheet("QLabel { padding: 2px 6px; }");
    traceArea_ = scrolled(trace_, kTraceLines);
    traceArea_->setObjectName("traceArea");
    traceArea_->setFixedHeight(traceArea_->minimumHeight());

    edits_ = new QListWidget(this);
    edits_->setObjectName("edits");
    edits_->setFont(monoFont());
    edits_->setSelectionMode(QAbstractItemView::NoSelection);
    edits_->setFocusPolicy(Qt::NoFocus);
    edits_->setMinimumHeight(QFontMetrics(monoFont()).lineSpacing() * 3 + 8);

    breakpoints_ = new BreakpointsPane(this);
    breakpoints_->setObjectName("breakpoints");
}

// Execute's pace; the run session keeps it and this follows.
void StudyView::buildSpeedRow(QHBoxLayout* speedRow) {
    speed_ = new QComboBox(this);
    speed_->setObjectName("speed");
    for (const auto& [speed, name] : kSpeeds) speed_->addItem(name, static_cast<int>(speed));
    perSecond_ = new RateBox(this);
    perSecond_->setObjectName("perSecond");
    perSecond_->setSuffix(" instructions/s");
    auto* rateNote = new QLabel(this);
    rateNote->setObjectName("rateNote");
    rateNote->setStyleSheet("QLabel { color: #8A1C17; }");
    rateNote->setWordWrap(true);
    rateNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(perSecond_, &RateBox::corrected, rateNote, &QLabel::setText);
    showSpeed();
    // A choice goes to the kit with the part not chosen as the kit has it.
    connect(speed_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || index >= static_cast<int>(std::size(kSpeeds))) return;
        const Speed speed = kSpeeds[index].first;
        perSecond_->setEnabled(speed == Speed::Slow);
        emit speedChosen({speed, runSpeed().perSecond});
    });
    connect(perSecond_, &QSpinBox::valueChanged, this, [this](int perSecond) {
        emit speedChosen({runSpeed().speed, perSecond});
    });
    speedRow->addWidget(new QLabel("Execute at:", this));
    speedRow->addWidget(speed_);
    speedRow->addWidget(perSecond_);
    speedRow->addWidget(rateNote, 1);
}

void StudyView::showSpeed() {
    const RunSpeed now = runSpeed();
    const QSignalBlocker quietSpeed(speed_);
    const QSignalBlocker quietRate(perSecond_);
    speed_->setCurrentIndex(speedIndex(now.speed));
    perSecond_->setValue(now.perSecond);
    perSecond_->setEnabled(now.speed == Speed::Slow);
}

// A label given the text it shows already stays as it is (QLabel::setText
// changes nothing then): a redraw during a run costs no repaint.
void StudyView::refresh() {
    if (!isVisible()) return;
    const RunSession& session = kit_.session;
    showStatus();
    decode_->setText(decodeText());
    stack_->setText(stackText());
    showEdits();
    breakpoints_->show(kit_.breakpoints.entries(), memory().watchpoints().entries());
    // The kit takes no changes while a run goes on: a tick changed then
    // would show a breakpoint off that still stops the run.
    breakpoints_->setEnabled(!session.running());
    QStringList trace;
    if (!session.traceLines().empty()) trace << editor_->sourceLineOf(session.outcome());
    trace.removeAll(QString());
    for (const std::string& line : session.traceLines()) trace << QString::fromStdString(line);
    trace_->setText(trace.join('\n'));
    memory_->follow();
    memory_->viewport()->update();
    editor_->follow();  // first: the instructions pane reads its labels
    instructions_->follow();
}

void StudyView::showEditor() { tabs_->setCurrentWidget(editor_); }

RunSpeed StudyView::runSpeed() const {
    const RunController& run = kit_.session.controller();
    return {run.speed(), run.perSecond()};
}

const MemoryTable& StudyView::memory() const { return kit_.panel.kit().memory(); }

// Red for what went wrong, amber for a run stopped on the way, green else.
void StudyView::showStatus() {
    const ActionOutcome& outcome = kit_.session.outcome();
    const StatusNote& note = kit_.status.note();
    status_->setText(QString::fromStdString(note.text.empty() ? statusText(outcome) : note.text));
    const StopReason r = outcome.result.reason;
    const bool bad = note.problem || (note.text.empty() && outcome.action != StudyAction::None &&
                                      (r == StopReason::Error || r == StopReason::InvalidCode || outcome.invalidCode));
    const bool paused = note.text.empty() && outcome.action == StudyAction::Execute &&
                        (r == StopReason::Breakpoint || r == StopReason::Watch || r == StopReason::Interrupted ||
                         r == StopReason::StepLimit);
    const QString style = QString("QLabel { padding: 3px 6px; border-radius: 3px; background: %1; color: %2; }")
                              .arg(bad      ? "#F8D7D5"
                                   : paused ? "#FBEBC8"
                                            : "#DDEBDD",
                                   bad      ? "#8A1C17"
                                   : paused ? "#6B4A00"
                                            : "#1C4A2A");
    if (statusStyle_ == style) return;
    statusStyle_ = style;
    status_->setStyleSheet(style);
}

QString StudyView::decodeText() const {
    const PanelModel& panel = kit_.panel;
    if (panel.addressEntry()) return "keying an address: " + QString::fromStdString(panel.text3.str()) + "\u2026";
    const MemoryTable& m = memory();
    return QString::fromStdString(liveDecode(m, m.onRow() ? m.cursor() : -1));
}

// Rebuilt only when a line differs from those listed last: a run redraws the
// view every slice.
void StudyView::showEdits() {
    const MemoryTable& m = memory();
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
    if (lines == editsShown_) return;
    editsShown_ = lines;
    edits_->clear();
    for (int i = 0; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(lines[i], edits_);
        if (undone[static_cast<size_t>(i)]) item->setForeground(QColor("#9A9A9A"));
    }
}

QString StudyView::stackText() const {
    const Text& sp = kit_.panel.kit()[SP];
    const std::optional<uint16_t> base = addressOf(sp);
    if (!base) return "SP holds \"" + QString::fromStdString(sp.str()) + "\", not an address:\nno stack to show";
    const MemoryTable& m = memory();
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

void StudyView::beginAction(bool marksItsOwn) {
    if (!isVisible()) return;
    const MemoryTable& m = memory();
    before_.resize(static_cast<size_t>(m.size()));
    for (int r = 0; r < m.size(); ++r) before_[r] = m.dataAt(r);
    acting_ = true;
    marksItsOwn_ = marksItsOwn;
}

// The marks belong to the last action that changed memory, or that runs the
// kit (a step or run that changed nothing leaves no marks); moving about
// (Next, Prev, Address, a click) keeps them.
void StudyView::endAction() {
    if (!acting_) return;
    acting_ = false;
    const MemoryTable& m = memory();
    bool changed = false;
    for (int r = 0; r < m.size() && r < static_cast<int>(before_.size()) && !changed; ++r)
        changed = !(m.dataAt(r) == before_[r]);
    if (changed || marksItsOwn_) std::swap(marked_, before_);
}

bool StudyView::changedByLastAction(int row) const {
    const std::vector<Text>& base = acting_ ? before_ : marked_;
    return row >= 0 && row < static_cast<int>(base.size()) && !(memory().dataAt(row) == base[row]);
}

void StudyView::keyPressEvent(QKeyEvent* event) {
    const QString t = event->text();
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && t.size() == 1 &&
        hexDigitValue(t.at(0).toLatin1()) >= 0) {
        emit hexTyped(upperAscii(t.toStdString())[0]);
        return;
    }
    QWidget::keyPressEvent(event);
}

void StudyView::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

}  // namespace kit85
