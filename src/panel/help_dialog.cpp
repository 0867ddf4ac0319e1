#include "panel/help_dialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QScrollArea>
#include <QSet>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <cstring>
#include <memory>
#include <utility>

#include "panel/kit_layout.h"
#include "panel/model/instruction_reference.h"
#include "panel/shortcuts.h"

namespace kit85 {

namespace {

// What the kit key does: its tooltip's text in the layout table.
QString keyText(const Shortcut& s) {
    if (s.what) return s.what;
    for (const Placement& p : kitLayout())
        if (std::strcmp(p.name, s.key) == 0 && p.tip) return p.tip;
    return s.key;
}

// A first program, step by step: key it, run it, read the result, step it,
// stop it on a breakpoint.
const char* const kFirstProgram = R"(<h3>Your first program: 5 + 3</h3>
<ol>
<li><b>Key it in.</b> Press <b>Address</b> (F2), then <b>8 0 0 0</b>: the displays show 8000.
Key <b>3 E</b> (MVI A), <b>Next</b> (F4), <b>0 5</b>, Next, <b>0 6</b> (MVI B), Next, <b>0 3</b>, Next,
<b>8 0</b> (ADD B), Next, <b>7 6</b> (HLT). With the study view open (F7), the Instructions pane lists
MVI A,05 / MVI B,03 / ADD B / HLT as you key them.</li>
<li><b>Run it.</b> Address 8 0 0 0, then <b>Execute</b> (F5). The displays stop on 8005 (the HLT); the
study view's status line says how many instructions ran, their T-states and how long they take on a
3.072 MHz kit.</li>
<li><b>Read the result.</b> Press <b>show panal</b> (F6): A holds 08. The flags below say what the
addition found: Z is 0 (not zero), CY is 0 (no carry).</li>
<li><b>Step it.</b> Address 8 0 0 0, then <b>Step Exe</b> (F10) four times. After each step the study
view's trace says what changed and why ("A=08: 05 + 03 = 8").</li>
<li><b>Stop on a breakpoint.</b> Address 8 0 0 4, <b>F9</b>: a red dot marks ADD B. Address 8 0 0 0 and
Execute: the run stops before ADD B, with A 05 and B 03 to look at. Execute again goes on. The
Breakpoints pane lists every breakpoint; untick one to turn it off, or right-click an instruction for
<i>Run to here</i>.</li>
</ol>
<p>Ctrl+Z takes back a keyed byte, Ctrl+O opens a .asm or .hex program, Ctrl+S saves memory as Intel HEX.</p>)";

// The interfacing board's first program: eight LEDs blinking, timed by the
// monitor's delay routine, watched on the Board pane at kit speed.
const char* const kBoardProgram = R"(<h3>A blinking LED on the interfacing board</h3>
<ol>
<li><b>Switch the board on.</b> Right-click the kit, <i>Interfacing board</i>, <b>lab</b>. The study view
opens on its <b>Board</b> tab: LEDs on the 8255's port A (port 00), switches on port B, traffic lights on
port C, and the devices on ports of their own.</li>
<li><b>Key it in</b> from 8000, with Next after each byte:
<pre>
8000  31 00 8F   LXI SP,8F00  ; a stack for the CALL, below the monitor's vectors
8003  3E 80      MVI A,80     ; 8255 control word: ports A, B and C outputs
8005  D3 03      OUT 03
8007  3E FF      MVI A,FF     ; every LED on
8009  D3 00      OUT 00       ; LOOP: A to the LEDs
800B  11 00 80   LXI D,8000   ; a delay count for the monitor
800E  CD BC 03   CALL 03BC    ; its delay routine counts DE down, 24 T-states a count
8011  2F         CMA          ; on becomes off, off on
8012  C3 09 80   JMP 8009     ; JMP LOOP
</pre>
Bytes: 31 00 8F 3E 80 D3 03 3E FF D3 00 11 00 80 CD BC 03 2F C3 09 80</li>
<li><b>Run it at kit speed.</b> Right-click, <i>Execute at</i>, <b>Kit speed (3.072 MHz)</b>; then Address
8 0 0 0 and Execute. The eight LEDs go on and off; the delay alone, 8000h counts, takes 786,442 T-states:
about a quarter of a second on a 3.072 MHz kit. At full speed the same program blinks faster
than the eye can follow. <b>Stop</b> (Esc) ends the run.</li>
<li><b>Step it.</b> Address 8 0 0 0 and Step Exe (F10) five times: after OUT 00 the LEDs are lit. Five
presses more (the delay runs inside the step after the CALL) and they are dark.</li>
<li><b>Try:</b> 20 instead of 80 at 800D blinks four times as fast; 01 instead of FF at 8008 lights one
LED, and RLC instead of CMA (07 at 8011) makes it run along the row.</li>
</ol>)";

QWidget* boardProgramPage(QWidget* parent) {
    auto* text = new QTextBrowser(parent);
    text->setObjectName("boardProgram");
    text->setHtml(kBoardProgram);
    return text;
}

QWidget* firstProgramPage(QWidget* parent) {
    auto* text = new QTextBrowser(parent);
    text->setObjectName("firstProgram");
    text->setHtml(kFirstProgram);
    return text;
}

// One instruction's words, for the pane under the table.
QString instructionHtml(const InstructionInfo& i) {
    const auto esc = [](const std::string& s) { return QString::fromStdString(s).toHtmlEscaped(); };
    return QString(
               "<h3>%1 &nbsp; <small>code %2, %3 byte(s), %4 T-states</small></h3><p>%5</p>"
               "<p><b>Example:</b> %6</p><p><b>Flags:</b> %7</p>")
        .arg(esc(i.form), QString::asprintf("%02X", i.code), QString::number(i.bytes), esc(i.tstates), esc(i.what),
             esc(exampleText(i.example)), esc(i.flagRules));
}

QTableWidget* instructionTable(const std::vector<InstructionInfo>& all, QWidget* parent) {
    auto* table = new QTableWidget(static_cast<int>(all.size()), 6, parent);
    table->setObjectName("instructionTable");
    table->setHorizontalHeaderLabels({"Code", "Instruction", "Bytes", "T-states", "Flags set", "On this kit"});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int r = 0; r < static_cast<int>(all.size()); ++r) {
        const InstructionInfo& i = all[static_cast<std::size_t>(r)];
        const QStringList cells{QString::asprintf("%02X", i.code), QString::fromStdString(i.form),
                                QString::number(i.bytes),          QString::fromStdString(i.tstates),
                                QString::fromStdString(i.flags),   i.onThisKit ? "yes" : "no: \"invalid code\""};
        for (int c = 0; c < cells.size(); ++c) table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

// Every instruction from the opcode table; the search matches codes, forms,
// flags and the words of each (instruction_reference.h). The selected
// instruction's words show under the table; a search that matches none says
// so in place of the table.
QWidget* instructionsPage(QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* search = new QLineEdit(page);
    search->setObjectName("instructionSearch");
    search->setPlaceholderText("Search: a mnemonic (MVI), a code (3E), a flag (CY) or a word (decimal, borrow)");
    search->setClearButtonEnabled(true);
    const auto all = std::make_shared<const std::vector<InstructionInfo>>(instructionReference());
    QTableWidget* table = instructionTable(*all, page);
    auto* none = new QLabel(page);
    none->setObjectName("instructionNone");
    none->hide();
    auto* detail = new QTextBrowser(page);
    detail->setObjectName("instructionDetail");
    detail->setPlaceholderText("Choose an instruction to read what it does, an example and its flags.");
    QObject::connect(table, &QTableWidget::currentCellChanged, detail, [all, detail](int row) {
        if (row >= 0 && row < static_cast<int>(all->size())) detail->setHtml(instructionHtml((*all)[row]));
    });
    QObject::connect(search, &QLineEdit::textChanged, table, [table, none, all](const QString& text) {
        const std::string words = text.toStdString();
        int first = -1;
        for (int r = 0; r < table->rowCount(); ++r) {
            const bool hit = matchesSearch((*all)[static_cast<std::size_t>(r)], words);
            table->setRowHidden(r, !hit);
            if (hit && first < 0) first = r;
        }
        table->setVisible(first >= 0);
        none->setText(QString::fromStdString(noMatchMessage(words)));
        none->setVisible(first < 0);
        if (first >= 0 && (table->currentRow() < 0 || table->isRowHidden(table->currentRow())))
            table->setCurrentCell(first, 0);
    });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(search);
    layout->addWidget(table, 2);
    layout->addWidget(none);
    layout->addWidget(detail, 1);
    return page;
}

// The group of the window's shortcuts an action is listed in: the nearest
// part of the window that holds it.
QString groupOf(const QWidget* holder) {
    for (const QObject* o = holder; o; o = o->parent()) {
        if (o->inherits("kit85::SourceEditor")) return "Program editor (in the study view)";
        if (o->inherits("kit85::StudyView")) return "Study view";
    }
    return "Kit window (also on its right-click menu)";
}

QString tableOf(const QList<QPair<QString, QString>>& rows) {
    QString html = "<table cellspacing='0' cellpadding='3'>";
    for (const auto& [keys, what] : rows)
        html += QString("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
    return html + "</table>";
}

}  // namespace

// The Keys tab: the kit's keys from the keyboard table, then every action
// with a shortcut that the window and its study view hold, by where it works.
// A keyboard-table row that only names a window action's keys is left to
// that action's row.
void HelpDialog::listKeys() {
    QList<QString> groups;
    QMap<QString, QList<QPair<QString, QString>>> byGroup;
    QSet<const QAction*> seen;
    QSet<QString> names;
    const QList<QWidget*> owners = owners_ ? owners_() : QList<QWidget*>();
    for (QWidget* owner : owners) {
        if (!owner) continue;
        QList<QWidget*> holders = owner->findChildren<QWidget*>();
        holders.prepend(owner);
        for (const QWidget* holder : holders)
            for (const QAction* a : holder->actions()) {
                if (a->shortcuts().isEmpty() || seen.contains(a)) continue;
                seen.insert(a);
                names.insert(a->objectName());
                QStringList keys;
                for (const QKeySequence& k : a->shortcuts()) keys << k.toString(QKeySequence::NativeText);
                const QString group = groupOf(holder);
                if (!groups.contains(group)) groups << group;
                byGroup[group] << qMakePair(keys.join(" or "), QString(a->text()).remove('&'));
            }
    }
    QList<QPair<QString, QString>> kit;
    for (const Shortcut& s : kitShortcuts()) {
        const bool actionOnly = s.key && s.combinations[0].key() == Qt::Key_unknown;
        if (!actionOnly || !names.contains(s.key)) kit << qMakePair(QString(s.keys), keyText(s));
    }
    QString html = "<p>Click the kit's keys, or press these on the computer keyboard:</p>" + tableOf(kit);
    for (const QString& g : groups) html += "<h4>" + g.toHtmlEscaped() + "</h4>" + tableOf(byGroup[g]);
    keys_->setText(html);
}

void HelpDialog::showEvent(QShowEvent* event) {
    listKeys();
    QDialog::showEvent(event);
}

HelpDialog::HelpDialog(const QString& memoryFile, QWidget* parent, ActionOwners owners)
    : QDialog(parent), owners_(std::move(owners)) {
    setObjectName("helpfm");
    setWindowTitle("kit85 \u2014 help");

    auto* keysPage = new QWidget(this);
    keys_ = new QLabel(keysPage);
    keys_->setObjectName("keys");
    keys_->setTextFormat(Qt::RichText);
    keys_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* keysScroll = new QScrollArea(keysPage);
    keysScroll->setWidget(keys_);
    keysScroll->setWidgetResizable(true);
    keysScroll->setFrameShape(QFrame::NoFrame);
    listKeys();

    auto* file = new QLabel(memoryFile.isEmpty() ? QString("Memory table kept in memory only; nothing is saved.")
                                                 : "Memory file: " + memoryFile,
                            this);
    file->setObjectName("memoryFile");
    file->setWordWrap(true);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* keysLayout = new QVBoxLayout(keysPage);
    keysLayout->addWidget(keysScroll, 1);
    keysLayout->addWidget(file);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("helpTabs");
    tabs->addTab(firstProgramPage(tabs), "A first program");
    tabs->addTab(boardProgramPage(tabs), "The board: a blinking LED");
    tabs->addTab(keysPage, "Keys");
    tabs->addTab(instructionsPage(tabs), "Instructions");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
    resize(760, 640);
}

}  // namespace kit85
