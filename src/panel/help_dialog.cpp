#include "panel/help_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <cstring>

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

QWidget* firstProgramPage(QWidget* parent) {
    auto* text = new QTextBrowser(parent);
    text->setObjectName("firstProgram");
    text->setHtml(kFirstProgram);
    return text;
}

// Every instruction from the opcode table, with a search field over all columns.
QWidget* instructionsPage(QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* search = new QLineEdit(page);
    search->setObjectName("instructionSearch");
    search->setPlaceholderText("Search: a mnemonic (MVI), a code (3E) or a flag (CY)");
    search->setClearButtonEnabled(true);
    const std::vector<InstructionInfo> all = instructionReference();
    auto* table = new QTableWidget(static_cast<int>(all.size()), 6, page);
    table->setObjectName("instructionTable");
    table->setHorizontalHeaderLabels({"Code", "Instruction", "Bytes", "T-states", "Flags set", "On this kit"});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Each row's cells, kept for the search: the table only shows them.
    QList<QStringList> rows;
    for (int r = 0; r < static_cast<int>(all.size()); ++r) {
        const InstructionInfo& i = all[static_cast<std::size_t>(r)];
        rows << QStringList{QString::asprintf("%02X", i.code), QString::fromStdString(i.form),
                            QString::number(i.bytes),          QString::fromStdString(i.tstates),
                            QString::fromStdString(i.flags),   i.onThisKit ? "yes" : "no: \"invalid code\""};
        for (int c = 0; c < rows.back().size(); ++c) table->setItem(r, c, new QTableWidgetItem(rows.back()[c]));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    QObject::connect(search, &QLineEdit::textChanged, table, [table, rows](const QString& text) {
        const QString t = text.trimmed();
        for (int r = 0; r < rows.size(); ++r) {
            bool hit = t.isEmpty();
            for (int c = 0; c < rows[r].size() && !hit; ++c) hit = rows[r][c].contains(t, Qt::CaseInsensitive);
            table->setRowHidden(r, !hit);
        }
    });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(search);
    layout->addWidget(table, 1);
    return page;
}

}  // namespace

HelpDialog::HelpDialog(const QString& memoryFile, QWidget* parent) : QDialog(parent) {
    setObjectName("helpfm");
    setWindowTitle("kit85 \u2014 help");

    QString rows;
    for (const Shortcut& s : kitShortcuts())
        rows += QString("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(QString(s.keys).toHtmlEscaped(), keyText(s).toHtmlEscaped());
    auto* keysPage = new QWidget(this);
    auto* keys = new QLabel(
        "<p>Click the kit's keys, or press these on the computer keyboard:</p>"
        "<table cellspacing='0' cellpadding='3'>" +
            rows + "</table>",
        keysPage);
    keys->setObjectName("keys");
    keys->setTextFormat(Qt::RichText);

    auto* file = new QLabel(memoryFile.isEmpty() ? QString("Memory table kept in memory only; nothing is saved.")
                                                 : "Memory file: " + memoryFile,
                            this);
    file->setObjectName("memoryFile");
    file->setWordWrap(true);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* keysLayout = new QVBoxLayout(keysPage);
    keysLayout->addWidget(keys);
    keysLayout->addWidget(file);
    keysLayout->addStretch(1);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("helpTabs");
    tabs->addTab(firstProgramPage(tabs), "A first program");
    tabs->addTab(keysPage, "Keys");
    tabs->addTab(instructionsPage(tabs), "Instructions");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
    resize(720, 560);
}

}  // namespace kit85
