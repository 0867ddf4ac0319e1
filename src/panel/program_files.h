#pragma once

// Programs as files in the kit window: Open (Ctrl+O) reads a .hex or .asm file
// into memory, Save as Intel HEX (Ctrl+S) writes a range of memory, and Export
// keying sheet (Ctrl+P) prints the last opened source's keying sheet to PDF.
// Dropping a .hex or .asm file on the window opens it too. The three are
// actions of the window, so its right-click menu offers them; the kit's drawn
// layout has no key for them.
//
// The loading and saving themselves are program_loader's (no toolkit); this
// part asks for files and ranges, shows what went wrong and redraws the kit.
// Every question goes through Dialogs, which tests replace. It works on the
// kit's services (the panel model, the run session, the instruction starts,
// the status line); a source opened goes out as sourceOpened for the editor.

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "asm/assembler.h"
#include "panel/model/key_work.h"

class QAction;
class QEvent;
class QWidget;

namespace kit85 {

class InstructionStarts;
class MemoryTable;
class PanelModel;
class RunSession;
class StatusLine;
struct ProgramLoad;

// The rows to save, both ends kept.
struct HexRange {
    uint16_t start = 0;
    uint16_t end = 0;
};

// The keying sheet's HTML as Qt's rich text prints it (padded cells on one
// baseline).
QString printableSheet(const std::string& html);

class ProgramFiles : public QObject {
    Q_OBJECT
public:
    struct Dialogs {
        // A file to open; empty: cancelled.
        std::function<QString(const QString& folder)> openFile;
        // A file to write, the dialog titled with what it saves; empty: cancelled.
        std::function<QString(const QString& title, const QString& suggested, const QString& filter)> saveFile;
        // The range to save, `offered` filled in; `title` says what saves it.
        std::function<std::optional<HexRange>(const QString& title, HexRange offered)> range;
        // An assembler's refusal: the summary and each diagnostic line.
        std::function<void(const QString& problem, const QStringList& lines)> diagnostics;
        // A yes-or-no question ("bubble.hex already exists. Replace it?").
        std::function<bool(const QString& question)> ask;
    };

    // What only the kit window does: a key's work, and a redraw of the kit.
    struct Calls {
        KeyWork keyWork;
        std::function<void()> redraw;
    };

    // Attaches itself to `host` (the kit window, as its child): actions and
    // their shortcuts, the right-click menu, drops; its dialogs stand over it.
    ProgramFiles(QWidget& host, PanelModel& panel, const RunSession& session, InstructionStarts& starts,
                 StatusLine& status, Calls calls);

    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

    // Each returns whether the file was read or written.
    bool open();
    bool openFile(const QString& file);
    bool saveHex();
    bool saveSource();
    bool exportSheet();

    // A program read elsewhere (the source editor's), stored as Ctrl+O
    // stores a file: as a key's work, all or nothing, one undo step. `file`
    // names it in messages and becomes the keying sheet's source.
    bool storeRead(ProgramLoad read, const QString& file);
    // The keying sheet of `source`, named after `file`, as Ctrl+P exports it.
    bool exportSheetOf(const assembler::Assembly& source, const QString& file);

    // The range Ctrl+S offers: the last opened program's, else sixteen rows
    // from the current row.
    HexRange offeredRange() const;
    QString withExtension(QString file, const char* extension);

    // The source the keying sheet comes from: the last .asm opened.
    const std::optional<assembler::Assembly>& lastSource() const { return source_; }

signals:
    // A source Ctrl+O stored (or a drop): it opens in the editor too.
    void sourceOpened(const QString& file, const assembler::Assembly& assembly);
    // A source whose errors kept it out of memory: the editor opens it there.
    void sourceRefused(const QString& file);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addAction(const char* name, const QString& text, bool (ProgramFiles::*slot)());
    bool load(const QString& file);
    bool accept(ProgramLoad& load, const QString& file);
    void refuse(const std::string& problem);
    bool writeWhole(const QString& file, const QByteArray& bytes);
    bool busy() const;
    MemoryTable& memory() const;
    static Dialogs standardDialogs(QWidget* parent);

    QWidget& host_;
    PanelModel& panel_;
    const RunSession& session_;
    InstructionStarts& starts_;
    StatusLine& status_;
    Calls calls_;
    Dialogs dialogs_;
    std::optional<assembler::Assembly> source_;
    QString sourceFile_;  // the last opened file of either kind: the dialogs start there
    QString lastFile_;
};

}  // namespace kit85
