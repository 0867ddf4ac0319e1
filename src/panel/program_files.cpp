#include "panel/program_files.h"

#include <QAction>
#include <QBuffer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSize>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

#include "asm/keying_sheet.h"
#include "asm/source_writer.h"
#include "panel/model/instruction_starts.h"
#include "panel/model/panel_model.h"
#include "panel/model/program_loader.h"
#include "panel/model/run_session.h"
#include "panel/model/status_line.h"
#include "panel/model/study_status.h"
#include "panel/shortcuts.h"
#include "panel/study_dialogs.h"
#include "panel/study_settings.h"

namespace kit85 {

namespace {

// A file's name as messages show it, in quotes: "saved 8000–801D to "bubble sort.hex"".
std::string quotedName(const QString& file) {
    std::string out(1, '"');
    out += QFileInfo(file).fileName().toStdString();
    out += '"';
    return out;
}

const char* const kProgramFilter =
    "Programs (*.hex *.ihx *.asm *.a85 *.s);;Intel HEX (*.hex *.ihx);;8085 sources (*.asm *.a85 *.s)";

std::filesystem::path fsPath(const QString& file) { return std::filesystem::path(file.toStdString()); }

// The one local file a drag carries, when it is a program; else empty.
QString droppedProgram(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().first();
    if (!url.isLocalFile()) return {};
    const QString file = url.toLocalFile();
    return programKind(fsPath(file)) ? file : QString();
}

std::optional<HexRange> askRange(QWidget* parent, const QString& title, HexRange offered) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* form = new QFormLayout(&dialog);
    QLineEdit* first = hexField(dialog, "start", Text::word(offered.start).str(), 4);
    QLineEdit* last = hexField(dialog, "end", Text::word(offered.end).str(), 4);
    form->addRow("Start address:", first);
    form->addRow("End address (kept):", last);
    if (!ask(dialog, form, {first, last})) return std::nullopt;
    // An end before the start is passed on: the save refuses it by name.
    return HexRange{static_cast<uint16_t>(first->text().toUInt(nullptr, 16)),
                    static_cast<uint16_t>(last->text().toUInt(nullptr, 16))};
}

void showDiagnostics(QWidget* parent, const QString& problem, const QStringList& lines) {
    QDialog dialog(parent);
    dialog.setWindowTitle("error :");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(problem, &dialog));
    auto* list = new QPlainTextEdit(lines.join('\n'), &dialog);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list->setMinimumWidth(560);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

}  // namespace

// The keying sheet as Qt's rich text prints it: Qt takes a table's padding
// from the table's own attribute rather than from the cells' style, and sets
// cells of a larger font on another baseline, so the sheet gets both here.
QString printableSheet(const std::string& html) {
    QString out = QString::fromStdString(html);
    // Qt's rich text takes no cell padding from the style (nor from the
    // table's attribute once borders collapse): a blank either side of each
    // cell's text keeps neighbours apart. One font size and one alignment
    // put every cell of a row on one baseline.
    out.replace(QRegularExpression("(<t[dh][^>]*>)"), "\\1&nbsp;");
    out.replace(QRegularExpression("(</t[dh]>)"), "&nbsp;\\1");
    out.replace("</style>", "td.address, td.byte { font-size: 10pt; }\nth, td { vertical-align: middle; }\n</style>");
    return out;
}

ProgramFiles::Dialogs ProgramFiles::standardDialogs(QWidget* w) {
    Dialogs d;
    d.openFile = [w](const QString& folder) {
        return QFileDialog::getOpenFileName(w, "Open a program", folder, kProgramFilter);
    };
    d.saveFile = [w](const QString& title, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(w, title, suggested, filter);
    };
    d.range = [w](const QString& title, HexRange offered) { return askRange(w, title, offered); };
    d.diagnostics = [w](const QString& problem, const QStringList& lines) { showDiagnostics(w, problem, lines); };
    d.ask = [w](const QString& question) {
        return QMessageBox::question(w, "kit85", question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
               QMessageBox::Yes;
    };
    return d;
}

ProgramFiles::ProgramFiles(QWidget& host, PanelModel& panel, const RunSession& session, InstructionStarts& starts,
                           StatusLine& status, Calls calls)
    : QObject(&host),
      host_(host),
      panel_(panel),
      session_(session),
      starts_(starts),
      status_(status),
      calls_(std::move(calls)),
      dialogs_(standardDialogs(&host)) {
    setObjectName("programFiles");
    // On the window's right-click menu after its own actions.
    auto* separator = new QAction(&host);
    separator->setSeparator(true);
    host.addAction(separator);
    addAction("openProgram", "Open\u2026", &ProgramFiles::open);
    addAction("saveHex", "Save as Intel HEX\u2026", &ProgramFiles::saveHex);
    addAction("saveSource", "Save as 8085 source\u2026", &ProgramFiles::saveSource);
    addAction("exportSheet", "Export keying sheet as PDF\u2026", &ProgramFiles::exportSheet);
    // Sources written as kit manuals write them (MVI A,0A; JNZ 2002) mean
    // their bare numbers as hex: one setting for Open and the editor's F8.
    auto* radix = new QAction("Bare numbers in sources are hex (RADIX 16)", &host);
    radix->setObjectName("sourceRadix16");
    radix->setCheckable(true);
    radix->setChecked(rememberedSourceRadix() == 16);
    connect(radix, &QAction::toggled, this, [this](bool hex) {
        rememberSourceRadix(hex ? 16 : 10);
        status_.say(hex ? "bare numbers in sources are read as hex from now on"
                        : "bare numbers in sources are read as decimal from now on");
    });
    host.addAction(radix);
    host.setAcceptDrops(true);
    host.installEventFilter(this);
}

// An action on the window: its keys are the keyboard table's row of its name.
QAction* ProgramFiles::addAction(const char* name, const QString& text, bool (ProgramFiles::*slot)()) {
    auto* action = new QAction(text, &host_);
    action->setObjectName(name);
    if (const Shortcut* s = shortcutFor(name)) action->setShortcut(QKeySequence(QString(s->keys)));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    host_.addAction(action);
    return action;
}

// The file replaced whole or not at all; a failure is shown, naming it.
bool ProgramFiles::writeWhole(const QString& file, const QByteArray& bytes) {
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit()) return true;
    refuse(file.toStdString() + " cannot be written (" + out.errorString().toStdString() + "); nothing was saved");
    return false;
}

bool ProgramFiles::busy() const { return session_.running(); }

MemoryTable& ProgramFiles::memory() const { return panel_.kit().memory(); }

// The reason stays on the status line after the message box is closed.
void ProgramFiles::refuse(const std::string& problem) {
    status_.say(problem, true);
    panel_.kit().presenter().message(problem, "error :", Icon::Exclamation);
}

bool ProgramFiles::open() {
    if (busy()) return false;
    const QString file = dialogs_.openFile(lastFile_.isEmpty() ? QString() : QFileInfo(lastFile_).path());
    return !file.isEmpty() && openFile(file);
}

bool ProgramFiles::openFile(const QString& file) {
    if (busy()) {
        refuse("The kit is running: press Stop (Esc) before opening " + QFileInfo(file).fileName().toStdString());
        return false;
    }
    // As a key's work, so the study view marks the bytes the program wrote.
    bool loaded = false;
    calls_.keyWork([&] { loaded = load(file); });
    return loaded;
}

bool ProgramFiles::load(const QString& file) {
    assembler::Options options;
    options.radix = rememberedSourceRadix();
    ProgramLoad load = loadProgram(memory(), fsPath(file), options);
    if (!accept(load, file)) {
        // The student needs the source open just now, its errors marked.
        if (programKind(fsPath(file)) == ProgramKind::Asm && !load.diagnostics.empty()) emit sourceRefused(file);
        return false;
    }
    if (source_ && sourceFile_ == file) emit sourceOpened(file, *source_);
    return true;
}

bool ProgramFiles::storeRead(ProgramLoad read, const QString& file) {
    if (busy()) return false;
    bool stored = false;
    calls_.keyWork([&] {
        ProgramLoad load = storeProgram(memory(), std::move(read), QFileInfo(file).fileName().toStdString());
        stored = accept(load, file);
    });
    return stored;
}

// After a load: its refusal shown, or the kit at the program's first row.
bool ProgramFiles::accept(ProgramLoad& load, const QString& file) {
    if (!load.ok) {
        calls_.redraw();
        if (!load.diagnostics.empty()) {
            QStringList lines;
            for (const std::string& l : load.diagnostics) lines << QString::fromStdString(l);
            status_.say(load.problem, true);
            dialogs_.diagnostics(QString::fromStdString(load.problem), lines);
        } else {
            refuse(load.problem);
        }
        return false;
    }
    lastFile_ = file;
    starts_.setProgram(load.program);
    status_.say(
        openedText(QFileInfo(file).fileName().toStdString(), load.image.size(), load.program.first, load.program.last) +
        warningsText(load.diagnostics));
    if (load.assembly) {
        source_ = std::move(load.assembly);
        sourceFile_ = file;
    }
    // The displays show the program's first row, as after keying an address.
    panel_.showCurrentRow();
    calls_.redraw();
    return true;
}

// The name a save dialog gave, with `extension` added when it has none (so
// that the kit opens the file again by its kind); "" when the name with it
// is a file the user would rather keep.
QString ProgramFiles::withExtension(QString file, const char* extension) {
    if (file.isEmpty() || !QFileInfo(file).suffix().isEmpty()) return file;
    file += QString(".") + extension;
    // The dialog asked about replacing the name typed, not this one.
    if (QFileInfo::exists(file) && dialogs_.ask &&
        !dialogs_.ask(QFileInfo(file).fileName() + " already exists. Replace it?"))
        return {};
    return file;
}

HexRange ProgramFiles::offeredRange() const {
    if (const std::optional<OpenedProgram>& p = starts_.program()) return {p->first, p->last};
    const Text& here = memory().text1();
    const uint16_t start = here.isHex() && here.size() == 4 ? static_cast<uint16_t>(here.hexValue()) : 0x8000;
    return {start, static_cast<uint16_t>(std::min<uint32_t>(start + 0x0F, 0xFFFF))};
}

bool ProgramFiles::saveHex() {
    if (busy()) return false;
    const std::optional<HexRange> range = dialogs_.range("Save memory as Intel HEX: which rows", offeredRange());
    if (!range) return false;
    const HexSave save = saveRange(memory(), range->start, range->end);
    if (!save.ok) {
        refuse(save.problem);
        return false;
    }
    const QString suggested =
        lastFile_.isEmpty() ? QString("program.hex")
                            : QFileInfo(lastFile_).path() + "/" + QFileInfo(lastFile_).completeBaseName() + ".hex";
    const QString file =
        withExtension(dialogs_.saveFile("Save memory as Intel HEX", suggested, "Intel HEX (*.hex *.ihx)"), "hex");
    if (file.isEmpty()) return false;
    if (!writeWhole(file, QByteArray::fromStdString(save.text))) return false;
    status_.say("saved " + Text::word(range->start).str() + "\u2013" + Text::word(range->end).str() + " (" +
                groupedCount(static_cast<uint32_t>(range->end) - range->start + 1) + " bytes) to " + quotedName(file));
    return true;
}

// A range of memory as a source kit85-asm assembles back to the same bytes.
bool ProgramFiles::saveSource() {
    if (busy()) return false;
    const std::optional<HexRange> range = dialogs_.range("Save memory as 8085 source: which rows", offeredRange());
    if (!range) return false;
    const MemoryTable& rows = memory();
    const std::optional<int> row = rows.rowOf(Text::word(range->start));
    if (range->end < range->start || !row) {
        refuse(range->end < range->start
                   ? "the end " + Text::word(range->end).str() + " is before the start " +
                         Text::word(range->start).str() + "; nothing was saved"
                   : "the memory has no row " + Text::word(range->start).str() + "; nothing was saved");
        return false;
    }
    const std::string text =
        assembler::sourceFromMemory(rows, *row, static_cast<std::size_t>(range->end - range->start) + 1);
    const QString suggested = lastFile_.isEmpty() ? QString("program.asm")
                                                  : QFileInfo(lastFile_).path() + "/" +
                                                        QFileInfo(lastFile_).completeBaseName() + "-memory.asm";
    const QString file =
        withExtension(dialogs_.saveFile("Save memory as 8085 source", suggested, "8085 source (*.asm)"), "asm");
    if (file.isEmpty()) return false;
    if (!writeWhole(file, QByteArray::fromStdString(text))) return false;
    status_.say("saved " + Text::word(range->start).str() + "\u2013" + Text::word(range->end).str() + " as source to " +
                quotedName(file));
    return true;
}

bool ProgramFiles::exportSheet() {
    if (busy()) return false;
    if (!source_) {
        panel_.kit().presenter().message(
            "No 8085 source is open: open an .asm file (Ctrl+O) first; its keying sheet is what this exports.", "",
            Icon::Information);
        return false;
    }
    return exportSheetOf(*source_, sourceFile_);
}

bool ProgramFiles::exportSheetOf(const assembler::Assembly& sheetSource, const QString& sourceFile) {
    const QFileInfo source(sourceFile);
    const QString file =
        withExtension(dialogs_.saveFile("Export keying sheet as PDF",
                                        source.path() + "/" + source.completeBaseName() + "-keying.pdf", "PDF (*.pdf)"),
                      "pdf");
    if (file.isEmpty()) return false;

    QTextDocument document;
    document.setHtml(printableSheet(assembler::keyingSheetHtml(sheetSource, source.fileName().toStdString())));
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setTitle(source.fileName() + " \u2014 keying sheet");
        writer.setCreator("kit85");
        document.print(&writer);
    }
    if (!writeWhole(file, pdf.data())) return false;
    status_.say("exported the keying sheet to " + quotedName(file));
    return true;
}

bool ProgramFiles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &host_) {
        if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            if (!droppedProgram(drag->mimeData()).isEmpty() && !busy()) drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString file = droppedProgram(drop->mimeData());
            if (file.isEmpty()) return true;
            drop->acceptProposedAction();
            // Opened after the drop returns, so a message box does not hold the
            // dragging program's drop open.
            QMetaObject::invokeMethod(
                this, [this, file] { openFile(file); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kit85
