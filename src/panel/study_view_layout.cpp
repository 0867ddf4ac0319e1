// The study view's arrangement: the side column (the kit when docked, then
// the trace, stack, keyed edits, breakpoints and the check pane, scrolled
// together so nothing there can make the window taller than the screen) and
// the work area (status, decode, Execute's pace, and the tabs with the
// source editor at the full height). The instructions stand beside the tabs
// when the view is wide enough and are a tab of their own when not; a view
// too narrow for the side column beside the tabs puts it under them.

#include <Qsci/qsciscintilla.h>

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "panel/editor/source_editor.h"
#include "panel/study_look.h"
#include "panel/study_view.h"

namespace kit85 {

namespace {

// The side column's width when floating (docked, the kit's).
constexpr int kSideWidth = 300;
constexpr int kSideLeast = 240;

QLabel* heading(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setWordWrap(true);  // a narrow side column wraps it rather than growing
    return l;
}

}  // namespace

// A pane's heading over its contents.
QWidget* StudyView::box(const QString& title, QWidget* content) {
    auto* w = new QWidget(this);
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2);
    l->addWidget(heading(title, w));
    l->addWidget(content, 1);
    return w;
}

QScrollArea* StudyView::scrolled(QWidget* content, int lines) {
    auto* area = new QScrollArea(this);
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setMinimumHeight(QFontMetrics(look::monoFont()).lineSpacing() * lines + 12);
    return area;
}

QWidget* StudyView::makeSide() {
    side_ = new QWidget(this);
    side_->setObjectName("studySide");
    auto* all = new QVBoxLayout(side_);
    all->setContentsMargins(0, 0, 0, 0);
    all->setSpacing(4);
    corner_ = new QVBoxLayout;
    all->addLayout(corner_);
    auto* panes = new QWidget;
    panes->setObjectName("sidePanes");
    sidePanes_ = new QVBoxLayout(panes);
    sidePanes_->setContentsMargins(0, 0, 4, 0);
    sidePanes_->addWidget(box("Step trace (Step Exe, or slow motion: why each register and flag changed)", traceArea_));
    column_ = new QSplitter(Qt::Vertical, panes);
    column_->setObjectName("columnSplitter");
    column_->addWidget(box("Stack (words at SP, SP+2, \u2026)", stackArea_));
    column_->addWidget(box("Keyed edits, newest first (Ctrl+Z undoes, Ctrl+Y redoes)", edits_));
    column_->addWidget(box("Breakpoints (Execute stops before each one that is ticked)", breakpoints_));
    sidePanes_->addWidget(column_, 1);
    sideArea_ = new QScrollArea(side_);
    sideArea_->setObjectName("sideArea");
    sideArea_->setWidget(panes);
    sideArea_->setWidgetResizable(true);
    sideArea_->setFrameShape(QFrame::NoFrame);
    sideArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sideArea_->setMinimumWidth(kSideLeast);
    all->addWidget(sideArea_, 1);
    return side_;
}

QWidget* StudyView::makeWork(QHBoxLayout* speedRow) {
    work_ = new QWidget(this);
    work_->setObjectName("studyWork");
    auto* all = new QVBoxLayout(work_);
    all->setContentsMargins(0, 0, 0, 0);
    all->addWidget(status_);
    all->addWidget(decode_);
    all->addLayout(speedRow);
    tabs_ = new QTabWidget(work_);
    tabs_->setObjectName("studyTabs");
    tabs_->setDocumentMode(true);
    tabs_->addTab(memory_, "Memory");  // the tab names it: no heading of its own
    // The editor scrolls and its tool bar folds: it never makes the view
    // larger than the memory pane does.
    editor_->setMinimumSize(200, 80);
    tabs_->addTab(editor_, editor_->title());
    connect(editor_, &SourceEditor::titleChanged, this,
            [this](const QString& title) { tabs_->setTabText(tabs_->indexOf(editor_), title); });
    editor_->text()->installEventFilter(this);
    panes_ = new QSplitter(Qt::Horizontal, work_);
    panes_->setObjectName("panesSplitter");
    panes_->addWidget(tabs_);
    instructionsBox_ = box("Instructions (\u25B6 runs next; click the margin for a breakpoint)", instructions_);
    panes_->addWidget(instructionsBox_);
    panes_->setStretchFactor(0, 3);
    panes_->setStretchFactor(1, 2);
    all->addWidget(panes_, 1);
    return work_;
}

void StudyView::layOut() {
    auto* speedRow = new QHBoxLayout;
    buildSpeedRow(speedRow);
    sides_ = new QSplitter(Qt::Horizontal, this);
    sides_->setObjectName("sidesSplitter");
    sides_->addWidget(makeSide());
    sides_->addWidget(makeWork(speedRow));
    instructions_->setLabel([this](int row) { return editor_->labelAt(row); });
    memory_->setLabel([this](int row) { return editor_->labelAt(row); });
    for (QSplitter* splitter : {sides_, panes_, column_}) {
        splitter->setChildrenCollapsible(false);
        connect(splitter, &QSplitter::splitterMoved, this, [this, splitter] { keepSizes(splitter); });
    }
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(6, 6, 6, 6);
    all->addWidget(sides_);
    resize(std::max(sizeHint().width(), sideBySideWidth()), 640);
    arrange();
}

int StudyView::besideWidth() const { return kSideWidth + memory_->minimumWidth() + 32; }

int StudyView::sideBySideWidth() const { return besideWidth() + instructions_->minimumWidth() + 16; }

void StudyView::addPane(QWidget* pane) {
    pane->setParent(sidePanes_->parentWidget());
    sidePanes_->addWidget(pane);
    // A case chosen in a pane with details (the check pane's list) brings
    // them into sight when the side column scrolls.
    if (auto* list = pane->findChild<QListWidget*>())
        connect(list, &QListWidget::currentRowChanged, this, [this, pane] {
            // Once the details are laid out: the hidden cases' line under
            // them first, then the details, so both are seen where they fit.
            QTimer::singleShot(0, this, [this, pane] {
                for (const char* name : {"checkHidden", "checkDetail"})
                    if (auto* label = pane->findChild<QLabel*>(name); label && !label->text().isEmpty())
                        sideArea_->ensureWidgetVisible(label, 8, 8);
            });
        });
}

void StudyView::addTab(QWidget* pane, const QString& title) {
    // After the editor's tab, before the instructions' when they are one.
    tabs_->insertTab(tabs_->indexOf(editor_) + 1, pane, title);
}

void StudyView::showTab(QWidget* pane) {
    if (tabs_->indexOf(pane) >= 0) tabs_->setCurrentWidget(pane);
}

void StudyView::holdKit(QWidget* kit) {
    if (kit) {
        held_ = kit;
        kit->setParent(side_, Qt::Widget);
        corner_->addWidget(kit, 0, Qt::AlignLeft | Qt::AlignTop);
        kit->show();
        side_->setMinimumWidth(kit->width());
    } else if (held_) {
        corner_->removeWidget(held_);
        held_->setParent(nullptr, Qt::Window);
        held_ = nullptr;
        side_->setMinimumWidth(0);
    }
    arrangement_.clear();
    arrange();
}

// Docked, the side column is the kit's width; floating, the side column goes
// beside the tabs when both fit and under them when not, and the
// instructions beside the tabs when the rest leaves them room. Each
// arrangement keeps its own splitter sizes, per screen size.
void StudyView::arrangeFor(int width) {
    const bool docked = held_ != nullptr;
    const bool beside = docked || width >= besideWidth();
    const int sideWidth = docked ? held_->width() : kSideWidth;
    const int workWidth = beside ? width - sideWidth - 24 : width - 12;
    const bool wide = workWidth >= memory_->minimumWidth() + instructions_->minimumWidth() + 16;
    const QString arrangement = QString(docked   ? "docked"
                                        : beside ? "beside"
                                                 : "stacked") +
                                (wide ? "-wide" : "-tabbed");
    if (arrangement == arrangement_) return;
    arrangement_ = arrangement;
    sides_->setOrientation(beside ? Qt::Horizontal : Qt::Vertical);
    sides_->insertWidget(0, beside ? side_ : work_);
    sides_->setStretchFactor(sides_->indexOf(work_), 1);
    sides_->setStretchFactor(sides_->indexOf(side_), 0);
    placeInstructions(wide);
    if (beside)
        sides_->setSizes({sideWidth, std::max(1, width - sideWidth)});
    else
        sides_->setSizes({height() * 3 / 4, height() / 4});
    column_->setSizes({120, 120, 140});
    panes_->setSizes({600, 400});
    for (QSplitter* splitter : {sides_, panes_, column_}) {
        const QByteArray state = rememberedSplitter(splitterKey(splitter));
        if (!state.isEmpty()) splitter->restoreState(state);
    }
    layout()->activate();
    // The least width is the narrowest arrangement's, not this one's: a view
    // made wide (the instructions beside memory) can be made narrow again,
    // and rearranges as it gets there.
    setMinimumWidth(std::min(layout()->totalMinimumSize().width(), narrowestWidth()));
}

// The narrowest arrangement: docked, the kit beside the tabs (the
// instructions among them); floating, the side column under the tabs.
int StudyView::narrowestWidth() const {
    constexpr int kTabFrame = 8;
    constexpr int kMargins = 12;
    const bool beside = panes_->indexOf(instructionsBox_) >= 0;
    int work = beside ? std::max(tabs_->minimumSizeHint().width(), instructionsBox_->minimumSizeHint().width() + kTabFrame)
                      : panes_->minimumSizeHint().width();
    // The status, decode and pace rows above the tabs.
    const QLayout* rows = work_->layout();
    for (int i = 0; i < rows->count(); ++i)
        if (rows->itemAt(i)->widget() != panes_) work = std::max(work, rows->itemAt(i)->minimumSize().width());
    if (held_) return held_->width() + sides_->handleWidth() + work + kMargins;
    return std::max(side_->minimumSizeHint().width(), work) + kMargins;
}

void StudyView::placeInstructions(bool beside) {
    const int tab = tabs_->indexOf(instructionsBox_);
    if (beside && tab >= 0) {
        tabs_->removeTab(tab);
        panes_->addWidget(instructionsBox_);
        instructionsBox_->show();
    } else if (!beside && tab < 0) {
        tabs_->addTab(instructionsBox_, "Instructions");
    }
}

QString StudyView::splitterKey(const QSplitter* splitter) const {
    return screenSizeKey(this) + "/" + splitter->objectName() + "/" + arrangement_;
}

void StudyView::keepSizes(QSplitter* splitter) { rememberSplitter(splitterKey(splitter), splitter->saveState()); }

void StudyView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

bool StudyView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_->text() && event->type() == QEvent::Resize) keepCurrentLineInView();
    return QWidget::eventFilter(watched, event);
}

// A source opened while the editor was small (or not yet laid out) stands
// scrolled to where its current line was seen then; once the editor has its
// size, the line of the next instruction (or the cursor's) is brought back
// into sight, and a source that fits whole shows from its first line.
void StudyView::keepCurrentLineInView() {
    QsciScintilla* text = editor_->text();
    const int shown = static_cast<int>(text->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
    if (shown <= 1) return;
    int line = editor_->pcLine();
    if (line < 0) {
        int index = 0;
        text->getCursorPosition(&line, &index);
    }
    const int first = text->firstVisibleLine();
    if (text->lines() <= shown)
        text->setFirstVisibleLine(0);
    else if (line < first || line >= first + shown)
        text->setFirstVisibleLine(std::max(0, line - shown / 3));
}

}  // namespace kit85
