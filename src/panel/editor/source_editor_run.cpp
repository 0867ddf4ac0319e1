// The source editor's assembling, and how it follows the kit: the next
// instruction's line, the breakpoints, and what memory no longer holds.

#include <Qsci/qsciscintilla.h>
#include <Qsci/qscistyle.h>

#include <QFileInfo>
#include <QLabel>
#include <QSaveFile>

#include "asm/listing.h"
#include "memory/memory_table.h"
#include "panel/editor/source_editor.h"
#include "panel/model/program_loader.h"
#include "panel/model/run_session.h"
#include "panel/model/study_status.h"
#include "panel/study_look.h"
#include "panel/study_settings.h"

namespace kit85 {

namespace {

enum Marker { kBreak = 0, kError = 1, kWarning = 2, kArrow = 3, kNextLine = 4, kAnchor = 5 };

QsciStyle annotationStyle(bool error) {
    static const QsciStyle errors(-1, "error annotation", QColor("#8A1C17"), QColor("#F8D7D5"), look::monoFont());
    static const QsciStyle warnings(-1, "warning annotation", QColor("#6B4A00"), QColor("#FBEBC8"), look::monoFont());
    return error ? errors : warnings;
}

QString plural(std::size_t n, const char* one) { return QString::number(n) + " " + one + (n == 1 ? "" : "s"); }

}  // namespace

QString SourceEditor::sourceName() const { return path_.isEmpty() ? "untitled.asm" : QFileInfo(path_).fileName(); }

void SourceEditor::clearDiagnostics() {
    text_->markerDeleteAll(kError);
    text_->markerDeleteAll(kWarning);
    text_->clearAnnotations();
}

// Each message under its line, errors first in the margin.
void SourceEditor::showDiagnostics(const assembler::Assembly& assembly) {
    clearDiagnostics();
    std::map<int, std::pair<QString, bool>> notes;  // line: text, has an error
    for (const assembler::Diagnostic& d : assembly.diagnostics) {
        const bool error = d.severity == assembler::Diagnostic::Severity::Error;
        auto& [text, hasError] = notes[std::max(0, d.line - 1)];
        if (!text.isEmpty()) text += '\n';
        text += QString(error ? "error: " : "warning: ") + QString::fromStdString(d.message);
        hasError = hasError || error;
    }
    for (const auto& [line, note] : notes) {
        text_->markerAdd(line, note.second ? kError : kWarning);
        text_->annotate(line, note.first, annotationStyle(note.second));
    }
}

std::optional<assembler::Assembly> SourceEditor::assembleChecked() {
    assembler::Assembly a =
        assembler::assemble(text_->text().toStdString(), assembler::Options{rememberedSourceRadix(), {}});
    showDiagnostics(a);
    if (a.ok()) return a;
    for (const assembler::Diagnostic& d : a.diagnostics)
        if (d.severity == assembler::Diagnostic::Severity::Error) {
            text_->setCursorPosition(std::max(0, d.line - 1), std::max(0, d.column - 1));
            text_->ensureLineVisible(std::max(0, d.line - 1));
            text_->setFocus();
            break;
        }
    assembled_ = plural(a.errors(), "error") + " in " + sourceName() + "; nothing was stored";
    setNote(assembled_);
    return std::nullopt;
}

bool SourceEditor::assembleAndLoad() {
    if (session_.running()) {
        setNote("The kit is running: press Stop (Esc) before loading the source");
        return false;
    }
    std::optional<assembler::Assembly> a = assembleChecked();
    if (!a) return false;
    const std::size_t warnings = a->diagnostics.size();
    const QString name = path_.isEmpty() ? sourceName() : path_;
    ProgramLoad read = readAssembly(*a, sourceName().toStdString());
    const std::string loaded = assembledText(read.image.size(), read.program.first, read.program.last) +
                               warningsText(read.diagnostics);
    if (!calls_.store || !calls_.store(std::move(read), name)) {
        assembled_ = sourceName() + " was not stored";
        setNote(assembled_);
        return false;
    }
    setMap(*a);
    placeBreakpoints();  // a key's work, which clears the status line: said after it
    if (calls_.say) calls_.say(loaded);
    const std::vector<HexByte> bytes = a->bytes();
    assembled_ = QString("Loaded %1 into memory (%2)%3")
                     .arg(sourceName(), plural(bytes.size(), "byte"),
                          warnings ? "; " + plural(warnings, "warning") + " marked" : QString());
    follow();
    return true;
}

void SourceEditor::showLoaded(const QString& file, const assembler::Assembly& assembly) {
    // Read again even when it is open: the text must be what was stored.
    if (!openPath(file)) return;
    showDiagnostics(assembly);
    setMap(assembly);
    assembled_ = "Loaded " + sourceName() + " into memory (Ctrl+O)";
    follow();
}

bool SourceEditor::showRefused(const QString& file) {
    if (!openPath(file)) return false;
    assembleChecked();  // marks each error and puts the cursor on the first
    return true;
}

// Each line with bytes gets a hidden marker, so the map follows the line
// while the text is edited above it.
void SourceEditor::setMap(const assembler::Assembly& assembly) {
    text_->markerDeleteAll(kAnchor);
    map_ = SourceMap(assembly);
    anchors_.clear();
    for (const SourceMap::Entry& e : map_.entries()) anchors_.push_back(text_->markerAdd(e.line - 1, kAnchor));
    held_.assign(anchors_.size(), true);
}

// The breakpoints the editor set before go; each marked line's instruction
// gets one now, at its new address.
void SourceEditor::placeBreakpoints() {
    calls_.keyWork([this] {
        MemoryTable& m = memory_;
        for (uint16_t a : placed_)
            if (m.breakpoints().contains(a)) m.setBreakpoint(Text::word(a), false);
        placed_.clear();
        for (int line = text_->markerFindNext(0, 1 << kBreak); line >= 0;
             line = text_->markerFindNext(line + 1, 1 << kBreak)) {
            const std::optional<std::size_t> e = map_.entryOfLine(line + 1);
            if (!e || !map_.entries()[*e].instruction) continue;
            const uint16_t a = map_.entries()[*e].address;
            m.setBreakpoint(Text::word(a), true);
            placed_.insert(a);
        }
    });
}

std::optional<std::size_t> SourceEditor::entryOnLine(int line) const {
    for (std::size_t i = 0; i < anchors_.size(); ++i)
        if (text_->markerLine(anchors_[i]) == line) return i;
    return std::nullopt;
}

bool SourceEditor::claims(std::size_t entry) const { return map_.holds(memory_, entry); }

std::optional<int> SourceEditor::lineOf(uint16_t address) const {
    const std::optional<std::size_t> e = map_.instructionAt(address);
    if (!e || !claims(*e)) return std::nullopt;
    const int line = text_->markerLine(anchors_[*e]);
    if (line < 0) return std::nullopt;
    return line + 1;
}

QString SourceEditor::labelAt(int row) const {
    if (map_.empty() || row < 0 || row >= memory_.size()) return {};
    const std::optional<uint16_t> a = look::addressOf(memory_.addressAt(row));
    const std::optional<std::size_t> e = a ? map_.entryAt(*a) : std::nullopt;
    if (!e || *e >= held_.size() || !held_[*e]) return {};
    return QString::fromStdString(map_.entries()[*e].label);
}

QString SourceEditor::sourceLineOf(const ActionOutcome& outcome) const {
    if (outcome.action != StudyAction::StepExe || map_.empty()) return {};
    const std::optional<uint16_t> a = look::addressOf(outcome.row);
    const std::optional<int> line = a ? lineOf(*a) : std::nullopt;
    if (!line) return {};
    return QString("line %1: %2").arg(*line).arg(text_->text(*line - 1).simplified());
}

bool SourceEditor::breakpointOn(int line) const { return text_->markersAtLine(line) & (1u << kBreak); }

void SourceEditor::marginClicked(int, int line, Qt::KeyboardModifiers) { toggleBreakpoint(line); }

void SourceEditor::toggleBreakpoint(int line) {
    const std::optional<std::size_t> e = entryOnLine(line);
    if (e && map_.entries()[*e].instruction && claims(*e)) {
        const uint16_t a = map_.entries()[*e].address;
        const std::optional<int> row = memory_.rowOf(Text::word(a));
        if (!row) return;
        emit breakpointClicked(*row);  // the redraw after it marks the line
        if (memory_.breakpoints().contains(a))
            placed_.insert(a);
        else
            placed_.erase(a);
        follow();
        return;
    }
    // Not in memory yet: a mark the next load turns into a breakpoint.
    if (breakpointOn(line))
        text_->markerDelete(line, kBreak);
    else
        text_->markerAdd(line, kBreak);
}

void SourceEditor::follow() {
    int next = -1;
    if (!map_.empty() && !session_.running()) {
        const MemoryTable& m = memory_;
        std::vector<std::size_t> changed = map_.changed(m);
        held_.assign(anchors_.size(), true);
        for (std::size_t i : changed) held_[i] = false;
        changed_ = QString::fromStdString(changedNote(map_, changed));
        for (std::size_t i = 0; i < anchors_.size(); ++i) {
            const int line = text_->markerLine(anchors_[i]);
            if (line < 0 || !held_[i] || !map_.entries()[i].instruction) continue;
            const bool on = m.breakpoints().contains(map_.entries()[i].address);
            if (on != breakpointOn(line)) on ? (void)text_->markerAdd(line, kBreak) : text_->markerDelete(line, kBreak);
        }
        // The current row is where Execute and Step Exe go on from: after a
        // step or a stop it is the row of the next instruction.
        if (const std::optional<uint16_t> here = m.onRow() ? look::addressOf(m.addressAt(m.cursor())) : std::nullopt)
            if (const std::optional<std::size_t> e = map_.instructionAt(*here); e && held_[*e])
                next = text_->markerLine(anchors_[*e]);
    }
    if (next != pcLine_) {
        text_->markerDeleteAll(kArrow);
        text_->markerDeleteAll(kNextLine);
        if (next >= 0) {
            text_->markerAdd(next, kArrow);
            text_->markerAdd(next, kNextLine);
            text_->ensureLineVisible(next);
        }
        pcLine_ = next;
    }
    const QString note = changed_.isEmpty() ? assembled_ : changed_;
    setNote(note);
}

bool SourceEditor::exportSheet() {
    std::optional<assembler::Assembly> a = assembleChecked();
    if (!a || !calls_.exportSheet) return false;
    return calls_.exportSheet(*a, path_.isEmpty() ? sourceName() : path_);
}

bool SourceEditor::saveListing() {
    std::optional<assembler::Assembly> a = assembleChecked();
    if (!a) return false;
    const QFileInfo source(path_.isEmpty() ? sourceName() : path_);
    const QString file = dialogs_.saveFile("Save the listing", source.path() + "/" + source.completeBaseName() + ".lst",
                                           "Listings (*.lst);;All files (*)");
    if (file.isEmpty()) return false;
    const std::string text = assembler::formatListing(*a, sourceName().toStdString());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
        !out.commit()) {
        tell(file.toStdString() + " cannot be written (" + out.errorString().toStdString() + "); nothing was saved");
        return false;
    }
    setNote("Listing saved as " + QFileInfo(file).fileName());
    return true;
}

}  // namespace kit85
