#include "panel/editor/source_editor.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>
#include <Qsci/qscistyle.h>

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "kit/presenter.h"
#include "panel/editor/asm_lexer.h"
#include "panel/study_look.h"

namespace kit85 {

namespace {

// Marker numbers. The symbol margin shows the first four.
enum Marker { kBreak = 0, kError = 1, kWarning = 2, kArrow = 3, kNextLine = 4, kAnchor = 5 };
constexpr int kSymbolMask = (1 << kBreak) | (1 << kError) | (1 << kWarning) | (1 << kArrow);
constexpr int kNumberMargin = 0;
constexpr int kSymbolMargin = 1;

// The columns a line is written in: label, mnemonic, operands, comment.
constexpr int kColumns[] = {0, 8, 16, 32};

int nextColumn(int at) {
    for (int c : kColumns)
        if (c > at) return c;
    return (at / 8 + 1) * 8;
}

}  // namespace

SourceEditor::SourceEditor(MemoryTable& memory, Presenter& presenter, const RunSession& session, Calls calls,
                           QWidget* parent)
    : QWidget(parent),
      memory_(memory),
      presenter_(presenter),
      session_(session),
      calls_(std::move(calls)),
      dialogs_(standardDialogs(this)) {
    setObjectName("sourceEditor");
    build();
    buildActions();
    recoveryTimer_.setInterval(3000);
    connect(&recoveryTimer_, &QTimer::timeout, this, &SourceEditor::writeRecovery);
    recoveryTimer_.start();
    setText(kTemplate, QString());
}

SourceEditor::~SourceEditor() = default;

void SourceEditor::build() {
    text_ = new QsciScintilla(this);
    text_->setObjectName("sourceText");
    text_->setUtf8(true);
    text_->setLexer(new AsmLexer(text_));
    text_->setTabWidth(8);
    text_->setIndentationsUseTabs(false);
    text_->setCaretLineVisible(true);
    text_->setCaretLineBackgroundColor(QColor("#F1EFE4"));
    text_->setAnnotationDisplay(QsciScintilla::AnnotationBoxed);
    text_->setEdgeMode(QsciScintilla::EdgeNone);
    // Esc is the kit's Stop, even with the cursor in the text.
    if (QsciCommand* cancel = text_->standardCommands()->find(QsciCommand::Cancel)) cancel->setKey(0);
    setUpMargins();
    text_->installEventFilter(this);
    text_->viewport()->installEventFilter(this);  // a line's note whole in a tooltip
    connect(text_, &QsciScintilla::marginClicked, this, &SourceEditor::marginClicked);
    connect(text_, &QsciScintilla::modificationChanged, this, &SourceEditor::modifiedChanged);
    connect(text_, &QsciScintilla::textChanged, this, [this] { recoveryDue_ = true; });
    connect(text_, &QsciScintillaBase::SCN_CHARADDED, this, &SourceEditor::charAdded);

    tools_ = new QToolBar(this);
    tools_->setObjectName("editorTools");
    tools_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    noteLabel_ = new QLabel(this);
    noteLabel_->setObjectName("editorNote");
    noteLabel_->setWordWrap(true);
    noteLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buildFindBar();

    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->setSpacing(2);
    all->addWidget(tools_);
    all->addWidget(text_, 1);
    all->addWidget(findBar_);
    all->addWidget(noteLabel_);
}

void SourceEditor::setUpMargins() {
    text_->setMarginType(kNumberMargin, QsciScintilla::NumberMargin);
    text_->setMarginLineNumbers(kNumberMargin, true);
    text_->setMarginWidth(kNumberMargin, "00000");
    text_->setMarginType(kSymbolMargin, QsciScintilla::SymbolMargin);
    text_->setMarginWidth(kSymbolMargin, 18);
    text_->setMarginSensitivity(kSymbolMargin, true);
    text_->setMarginSensitivity(kNumberMargin, true);
    text_->setMarginMarkerMask(kSymbolMargin, kSymbolMask);
    text_->setMarginMarkerMask(kNumberMargin, 0);
    text_->markerDefine(QsciScintilla::Circle, kBreak);
    text_->setMarkerBackgroundColor(QColor("#C62828"), kBreak);
    text_->setMarkerForegroundColor(QColor("#7F0000"), kBreak);
    text_->markerDefine(QsciScintilla::Rectangle, kError);
    text_->setMarkerBackgroundColor(QColor("#B00020"), kError);
    text_->markerDefine(QsciScintilla::SmallRectangle, kWarning);
    text_->setMarkerBackgroundColor(QColor("#E0A000"), kWarning);
    text_->markerDefine(QsciScintilla::RightArrow, kArrow);
    text_->setMarkerBackgroundColor(QColor("#1C6B2A"), kArrow);
    text_->markerDefine(QsciScintilla::Background, kNextLine);
    text_->setMarkerBackgroundColor(QColor("#CDEBC5"), kNextLine);
    text_->markerDefine(QsciScintilla::Invisible, kAnchor);
}

// The editor's actions work anywhere in the study view's window; the kit's
// own keys (F5, F10, Esc, ...) keep working there beside them.
void SourceEditor::buildActions() {
    struct Row {
        const char* name;
        const char* label;
        QKeySequence keys;
        std::function<void()> work;
    };
    const Row rows[] = {
        {"editorNew", "New", QKeySequence::New, [this] { newSource(); }},
        {"editorOpen", "Open\u2026", QKeySequence::Open, [this] { open(); }},
        {"editorSave", "Save", QKeySequence::Save, [this] { save(); }},
        {"editorSaveAs", "Save As\u2026", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { saveAs(); }},
        {"editorAssemble", "Assemble and load (F8)", QKeySequence(Qt::Key_F8), [this] { assembleAndLoad(); }},
        {"editorFind", "Find\u2026", QKeySequence::Find,
         [this] {
             findBar_->show();
             findText_->setFocus();
             findText_->selectAll();
         }},
        {"editorListing", "Save listing\u2026", QKeySequence(), [this] { saveListing(); }},
        {"editorSheet", "Keying sheet\u2026", QKeySequence(Qt::CTRL | Qt::Key_P), [this] { exportSheet(); }},
    };
    for (const Row& r : rows) {
        auto* a = new QAction(r.label, this);
        a->setObjectName(r.name);
        a->setShortcut(r.keys);
        // The kit has Ctrl+O, Ctrl+S and Ctrl+P too, in the same window when
        // docked: the editor's answer them only inside the editor (typed in
        // the text, the event filter takes them first).
        const bool kitHasKeys = r.keys == QKeySequence::Open || r.keys == QKeySequence::Save ||
                                r.keys == QKeySequence(Qt::CTRL | Qt::Key_P);
        a->setShortcutContext(kitHasKeys ? Qt::WidgetWithChildrenShortcut : Qt::WindowShortcut);
        if (!r.keys.isEmpty())
            a->setToolTip(QString("%1 (%2)").arg(r.label, r.keys.toString(QKeySequence::NativeText)));
        connect(a, &QAction::triggered, this, r.work);
        addAction(a);
        // Assemble and load leads the tool bar: on a narrow editor the
        // others fold into its overflow menu, never this one.
        if (std::string_view(r.name) == "editorAssemble")
            tools_->insertAction(tools_->actions().value(0), a);
        else
            tools_->addAction(a);
        if (std::string_view(r.name) == "editorOpen") {
            recent_ = new QMenu("Recent", this);
            recent_->setObjectName("editorRecent");
            connect(recent_, &QMenu::aboutToShow, this, &SourceEditor::fillRecentMenu);
            auto* button = new QToolButton(this);
            button->setText("Recent");
            button->setMenu(recent_);
            button->setPopupMode(QToolButton::InstantPopup);
            tools_->addWidget(button);
        }
    }
}

void SourceEditor::buildFindBar() {
    findBar_ = new QWidget(this);
    findBar_->setObjectName("findBar");
    auto* row = new QHBoxLayout(findBar_);
    row->setContentsMargins(0, 0, 0, 0);
    findText_ = new QLineEdit(findBar_);
    findText_->setObjectName("findText");
    findText_->setPlaceholderText("Find");
    replaceText_ = new QLineEdit(findBar_);
    replaceText_->setObjectName("replaceText");
    replaceText_->setPlaceholderText("Replace with");
    auto button = [&](const QString& text, const std::function<void()>& work) {
        auto* b = new QPushButton(text, findBar_);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, work);
        row->addWidget(b);
    };
    row->addWidget(findText_, 1);
    button("Next", [this] { find(true); });
    button("Previous", [this] { find(false); });
    row->addWidget(replaceText_, 1);
    button("Replace", [this] { replaceOne(); });
    button("Close", [this] { findBar_->hide(); });
    connect(findText_, &QLineEdit::returnPressed, this, [this] { find(true); });
    findBar_->hide();
}

void SourceEditor::find(bool forward) {
    if (findText_->text().isEmpty()) return;
    int line = 0;
    int index = 0;
    text_->getCursorPosition(&line, &index);
    // Backwards the search starts before the selection, not inside it.
    if (!forward && text_->hasSelectedText()) {
        int l2 = 0, i2 = 0;
        text_->getSelection(&line, &index, &l2, &i2);
    }
    if (!text_->findFirst(findText_->text(), false, false, false, true, forward, line, index))
        setNote("\"" + findText_->text() + "\" is not in the source");
}

void SourceEditor::replaceOne() {
    if (text_->hasSelectedText() && text_->selectedText().compare(findText_->text(), Qt::CaseInsensitive) == 0)
        text_->replace(replaceText_->text());
    find(true);
}

// The editor's own action for a key typed in the text, if it has one.
QAction* SourceEditor::actionForKey(const QKeyEvent& key) const {
    const QKeySequence typed(key.keyCombination());
    for (QAction* a : actions())
        if (!a->shortcut().isEmpty() && a->shortcut().matches(typed) == QKeySequence::ExactMatch) return a;
    return nullptr;
}

// Tab goes to the next of the label, mnemonic, operand and comment columns.
// Keys the editor has actions for (Ctrl+S, Ctrl+O, Ctrl+P...) are its own
// while the text has the focus, even where the kit has the same keys in the
// same window (docked): the override keeps Qt from finding two shortcuts and
// running neither.
bool SourceEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_->viewport() && event->type() == QEvent::ToolTip)
        return showNoteTip(*static_cast<QHelpEvent*>(event));
    if (watched == text_ && event->type() == QEvent::ShortcutOverride) {
        if (actionForKey(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
    }
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (QAction* a = actionForKey(*key)) {
            a->trigger();
            return true;
        }
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier && !text_->hasSelectedText()) {
            int line = 0;
            int index = 0;
            text_->getCursorPosition(&line, &index);
            text_->insert(QString(nextColumn(index) - index, ' '));
            text_->setCursorPosition(line, nextColumn(index));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// An error or warning note is drawn under its line and cut at the editor's
// edge: over the line or its marker, the whole note shows as a tooltip.
bool SourceEditor::showNoteTip(const QHelpEvent& help) {
    const long at = text_->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINT, 0UL, static_cast<long>(help.pos().y()));
    const int line = static_cast<int>(text_->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(at)));
    const bool marked = line >= 0 && (text_->markersAtLine(line) & ((1 << kError) | (1 << kWarning)));
    const QString note = marked ? text_->annotation(line) : QString();
    if (note.isEmpty()) {
        QToolTip::hideText();
        return false;
    }
    QToolTip::showText(help.globalPos(), note, text_->viewport());
    return true;
}

// A new line starts at the mnemonic column after a line of code, and under
// a comment after a line holding only one.
void SourceEditor::charAdded(int c) {
    if (c != '\n') return;
    int line = 0;
    int index = 0;
    text_->getCursorPosition(&line, &index);
    if (line == 0 || index != 0) return;
    const QString above = text_->text(line - 1);
    const QString trimmed = above.trimmed();
    int indent = 0;
    if (trimmed.isEmpty())
        return;
    else if (trimmed.startsWith(';'))
        indent = static_cast<int>(above.indexOf(';'));
    else
        indent = kColumns[1];
    if (indent <= 0) return;
    text_->insert(QString(indent, ' '));
    text_->setCursorPosition(line, indent);
}

// The note is kept here and shown; the label is never read back.
void SourceEditor::setNote(const QString& note) {
    note_ = note;
    noteLabel_->setText(note);
}

void SourceEditor::tell(const std::string& problem) { presenter_.message(problem, "error :", Icon::Exclamation); }

}  // namespace kit85
