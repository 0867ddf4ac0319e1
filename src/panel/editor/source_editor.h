#pragma once

// The source editor of the study view: an 8085 source in a QScintilla editor
// with the assembler one key away. F8 assembles the text with the assembler
// of kit85-asm and stores the bytes as Ctrl+O stores a file (one undo step,
// all or nothing); its errors and warnings are marked on their lines with the
// message under the line. While the program is in memory the editor follows
// the kit: the line of the next instruction is highlighted after every Step
// Exe and every stop, and a breakpoint set in the margin is the kit's
// breakpoint on that line's address, moved with the line when the source is
// edited and loaded again.
//
// Nothing typed is lost: every few seconds a changed text is copied to a
// recovery folder, and a copy left by a kit that did not end cleanly is
// offered back at the next start.
//
// The editor reads the kit's memory and run session; storing, the keying
// sheet and a key's work are the window's calls, and a breakpoint clicked on
// a loaded line goes out as breakpointClicked.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "asm/assembler.h"
#include "panel/model/key_work.h"
#include "panel/model/source_map.h"
#include "values/text_encoding.h"

class QAction;
class QHelpEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QsciScintilla;
class QToolBar;

namespace kit85 {

class MemoryTable;
class Presenter;
class RunSession;
struct ActionOutcome;
struct ProgramLoad;

class SourceEditor : public QWidget {
    Q_OBJECT
public:
    enum class Unsaved { Save, Discard, Cancel };
    // Every question the editor asks; tests replace them.
    struct Dialogs {
        std::function<QString(const QString& folder)> openFile;  // empty: cancelled
        std::function<QString(const QString& title, const QString& suggested, const QString& filter)> saveFile;
        std::function<Unsaved(const QString& question)> unsaved;
        std::function<bool(const QString& question)> ask;  // yes or no: a recovered copy, a file replaced
    };
    // What only the kit window does.
    struct Calls {
        // Runs a change to memory (the breakpoints of marked lines) as a key's work.
        KeyWork keyWork;
        // Stores a program read here as Ctrl+O stores a file; `file` names it.
        std::function<bool(ProgramLoad read, const QString& file)> store;
        // The keying sheet of a source, named after `file`, as Ctrl+P exports it.
        std::function<bool(const assembler::Assembly& source, const QString& file)> exportSheet;
        // Says what a load did on the kit's status line.
        std::function<void(const std::string& words)> say;
    };
    // Lines of a new source: ORG 8000H, HLT and a block for who and what.
    static const char* const kTemplate;

    // Messages go to `presenter` (the kit's).
    SourceEditor(MemoryTable& memory, Presenter& presenter, const RunSession& session, Calls calls, QWidget* parent);
    ~SourceEditor() override;
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

    QsciScintilla* text() const { return text_; }
    QString path() const { return path_; }
    bool modified() const;
    // "prog.asm", "prog.asm *" with unsaved changes, "untitled.asm" when new.
    QString title() const;
    // What the editor says under the text: the last assembly, or that memory
    // no longer matches the source.
    QString note() const { return note_; }

    // --- Files ---------------------------------------------------------------
    bool newSource();
    bool open();
    bool openPath(const QString& file);
    bool save();
    bool saveAs();
    // Asks about unsaved changes; false when the user cancels.
    bool maybeClose();
    QStringList recentFiles() const;

    // --- Assembling ------------------------------------------------------------
    bool assembleAndLoad();
    bool exportSheet();
    bool saveListing();
    // Takes a source Ctrl+O read and stored: it opens here, mapped to memory.
    void showLoaded(const QString& file, const assembler::Assembly& assembly);
    // A source the kit refused for its errors, opened with them marked and
    // the cursor on the first; false when it was not opened.
    bool showRefused(const QString& file);

    // --- Following the kit -----------------------------------------------------
    // Marks the next instruction's line (the current row's) and the
    // breakpoints from the kit.
    void follow();
    // The highlighted line (0-based), or -1.
    int pcLine() const { return pcLine_; }
    bool breakpointOn(int line) const;
    // A click in the margin: the kit's breakpoint on the line's address, or
    // (a line not loaded yet) a mark the next load makes one.
    void toggleBreakpoint(int line);
    // The source line (1-based) assembled to the instruction at `address`
    // while memory still holds it.
    std::optional<int> lineOf(uint16_t address) const;
    // The label of the line whose bytes start on a memory row, while memory
    // holds them ("" when none), as the last follow() found memory.
    QString labelAt(int row) const;
    // For the trace: the source line of the instruction a Step Exe carried
    // out, "line 8: LOOP: ADD C ; A = A + C"; "" when the editor has none.
    QString sourceLineOf(const ActionOutcome& outcome) const;

    // --- Recovery ------------------------------------------------------------
    static QString recoveryFolder();
    QString recoveryFile() const;
    void writeRecovery();
    // Offers back each copy a kit left behind; returns whether one was taken.
    bool offerRecovery();

signals:
    void titleChanged(const QString& title);
    // A breakpoint clicked on a line memory holds: the kit's breakpoint on
    // that row is to be set or cleared (the editor's mark follows).
    void breakpointClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QAction* actionForKey(const QKeyEvent& key) const;

private:
    void build();
    void buildActions();
    void buildFindBar();
    void setUpMargins();
    bool showNoteTip(const QHelpEvent& help);
    void find(bool forward);
    void replaceOne();
    void marginClicked(int margin, int line, Qt::KeyboardModifiers);
    void charAdded(int c);
    void showDiagnostics(const assembler::Assembly& assembly);
    void clearDiagnostics();
    void setMap(const assembler::Assembly& assembly);
    void placeBreakpoints();
    std::optional<std::size_t> entryOnLine(int line) const;
    bool claims(std::size_t entry) const;
    void setText(const QString& text, const QString& path);
    bool writeFile(const QString& file);
    void noteRecent(const QString& file);
    void fillRecentMenu();
    void dropRecovery();
    void modifiedChanged();
    std::optional<assembler::Assembly> assembleChecked();
    QString sourceName() const;
    void setNote(const QString& note);
    void tell(const std::string& problem);
    static Dialogs standardDialogs(QWidget* parent);

    MemoryTable& memory_;
    Presenter& presenter_;
    const RunSession& session_;
    Calls calls_;
    Dialogs dialogs_;
    QsciScintilla* text_ = nullptr;
    QToolBar* tools_ = nullptr;
    QMenu* recent_ = nullptr;
    QWidget* findBar_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QLineEdit* replaceText_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    QString note_;  // what the editor says under the text
    QString path_;
    QString assembled_;  // what the last assembly said
    QString changed_;    // what memory no longer holds, "" when all
    QTimer recoveryTimer_;
    bool recoveryDue_ = false;
    TextEncoding encoding_ = TextEncoding::Utf8;  // the file is written back in the encoding it was read in

    SourceMap map_;
    std::vector<int> anchors_;   // per map entry, the handle of its line's hidden marker
    std::vector<bool> held_;     // per map entry, whether memory still holds it
    std::set<uint16_t> placed_;  // breakpoint addresses the editor set in the kit
    int pcLine_ = -1;
};

}  // namespace kit85
