// The source editor in the study view, driven as a student would: type a
// program, assemble and load it (F8), run and step it, break on a line, save
// it, and get it back after the kit was killed.
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>
#include <iostream>

#include "panel/editor/source_editor.h"
#include "panel/model/source_styles.h"
#include "panel/program_files.h"
#include "panel/study_settings.h"
#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::Kit;

namespace {

// The kit with its study view open on the editor's tab; the editor's
// questions answered from fields the test sets.
struct Editing : Kit {
    Editing() {
        w().setStudyOpen(true);
        if (!QTest::qWaitForWindowExposed(w().studyView())) qFatal("the study view was never exposed");
        w().studyView()->showEditor();
        SourceEditor::Dialogs d;
        d.openFile = [this](const QString&) { return openAnswer; };
        d.saveFile = [this](const QString&, const QString&, const QString&) { return saveAnswer; };
        d.unsaved = [this](const QString& q) {
            questions << q;
            return unsavedAnswer;
        };
        d.ask = [this](const QString& q) {
            questions << q;
            return askAnswer;
        };
        editor().setDialogs(d);
    }
    SourceEditor& editor() { return w().sourceEditor(); }
    QsciScintilla& text() { return *editor().text(); }
    void setSource(const QString& source) { text().setText(source); }
    // "8100=08 A=08": each memory row or register, listed where it differs.
    QString differences(const QString& expect) {
        QStringList out;
        for (const QString& item : expect.split(' ', Qt::SkipEmptyParts)) {
            const QString name = item.section('=', 0, 0);
            const QString want = item.section('=', 1);
            QString got;
            if (name.size() == 4) {
                const std::optional<int> row = w().memory().rowOf(Text(name.toStdString()));
                got = row ? QString::fromStdString(w().memory().dataAt(*row).str()) : "(no row)";
            } else {
                got = QString::fromStdString(kit()[registerNamed(name.toStdString())->reg].str());
            }
            if (got != want) out << name + " is " + got + ", not " + want;
        }
        return out.join("; ");
    }
    void runFrom(const char* address) {
        keys(QString("address ") + QString(address).split("", Qt::SkipEmptyParts).join(' ') + " execute");
        QTRY_VERIFY_WITH_TIMEOUT(!w().running(), 20000);
    }
    QString openAnswer;
    QString saveAnswer;
    SourceEditor::Unsaved unsavedAnswer = SourceEditor::Unsaved::Cancel;
    bool askAnswer = true;
    QStringList questions;
};

// Line numbers below are 0-based, as the editor's.
const char* const kCountDown =
    "; counts C down from 3, adding each to A\n"  // 0
    "        ORG     8000H\n"                     // 1
    "        MVI     A,00H\n"                     // 2
    "        MVI     C,03H\n"                     // 3
    "LOOP:   ADD     C          ; A += C\n"       // 4
    "        DCR     C\n"                         // 5
    "        JNZ     LOOP\n"                      // 6
    "        STA     8100H\n"                     // 7
    "        HLT\n";                              // 8

bool writeBytes(const QString& file, const QByteArray& bytes) {
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

bool hasMarker(QsciScintilla& t, int line, int marker) { return t.markersAtLine(line) & (1u << marker); }
constexpr int kErrorMarker = 1;
constexpr int kWarningMarker = 2;

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void typedProgramAssemblesLoadsAndRuns();
    void errorsMarkTheirLinesAndStoreNothing_data();
    void errorsMarkTheirLinesAndStoreNothing();
    void warningsAreMarkedButLoad();
    void stepsHighlightEachLine();
    void instructionsPaneShowsLabels();
    void marginBreakpointStopsExecuteOnItsLine();
    void breakpointFollowsItsLineWhenLoadedAgain();
    void keyedByteEndsTheClaimOnItsLine();
    void saveModifyAndClosePrompt();
    void saveAsAsksBeforeReplacingWithTheSuffixAdded();
    void newAsksAboutUnsavedChanges_data();
    void newAsksAboutUnsavedChanges();
    void ctrlOOfASourceOpensItInTheEditor();
    void listingAndKeyingSheetFromTheEditor();
    void dockedKeysGoWhereTheFocusIs();
    void savingKeepsWhatWasNotEdited_data();
    void savingKeepsWhatWasNotEdited();
    void recoveryCopyIsOfferedAfterAKill();
    void paintedStylesAreTheLexersRuns();

private:
    QTemporaryDir settings_;
    QTemporaryDir data_;
};

void EditorTest::initTestCase() {
    QVERIFY(settings_.isValid() && data_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    rememberStudyView(false);
    // Recovery copies go to a private folder too (the child inherits it).
    qputenv("XDG_DATA_HOME", data_.path().toUtf8());
}

void EditorTest::typedProgramAssemblesLoadsAndRuns() {
    Editing e;
    e.text().clear();
    e.text().setFocus();
    // Typed key by key: after each line the editor indents to the mnemonic column.
    for (const char* line : {"ORG 8000H", "MVI A,05H", "MVI B,03H", "ADD B", "STA 8100H", "HLT"}) {
        QTest::keyClicks(&e.text(), line);
        QTest::keyClick(&e.text(), Qt::Key_Return);
    }
    QCOMPARE(e.text().text(1), QString("        MVI A,05H\n"));
    QVERIFY(e.editor().title().endsWith('*'));
    QAction* assemble = e.editor().findChild<QAction*>("editorAssemble");
    QVERIFY(assemble);
    QCOMPARE(assemble->shortcut(), QKeySequence(Qt::Key_F8));
    assemble->trigger();
    QVERIFY2(e.differences("8000=3E 8001=05 8002=06 8003=03 8004=80 8005=32 8006=00 8007=81 8008=76").isEmpty(),
             qPrintable(e.differences("8000=3E 8001=05 8002=06 8003=03 8004=80 8005=32 8006=00 8007=81 8008=76")));
    QVERIFY2(e.editor().note().startsWith("Loaded"), qPrintable(e.editor().note()));
    e.runFrom("8000");
    QVERIFY2(e.differences("8100=08 A=08 B=03").isEmpty(), qPrintable(e.differences("8100=08 A=08 B=03")));
    // One undo takes the whole program back.
    e.w().undoKeyed(true);
    QVERIFY2(e.differences("8000=00 8008=00").isEmpty(), qPrintable(e.differences("8000=00 8008=00")));
}

void EditorTest::errorsMarkTheirLinesAndStoreNothing_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QList<int>>("errorLines");
    QTest::newRow("undefined label") << "        ORG 8000H\n        MVI A,01H\n        JMP LOOPX\n        HLT\n"
                                     << QList<int>{2};
    QTest::newRow("bad mnemonic and operand")
        << "        ORG 8000H\n        MVX A,01H\n        MVI Q,01H\n        HLT\n"
        << QList<int>{1, 2};
    QTest::newRow("open string") << "        ORG 8000H\n        DB 'abc\n        HLT\n" << QList<int>{1};
}

void EditorTest::errorsMarkTheirLinesAndStoreNothing() {
    QFETCH(QString, source);
    QFETCH(QList<int>, errorLines);
    Editing e;
    e.setSource(source);
    QVERIFY(!e.editor().assembleAndLoad());
    QVERIFY2(e.differences("8000=00 8001=00 8002=00").isEmpty(), qPrintable(e.differences("8000=00 8001=00")));
    for (int line = 0; line < e.text().lines(); ++line) {
        const bool want = errorLines.contains(line);
        QVERIFY2(hasMarker(e.text(), line, kErrorMarker) == want, qPrintable(QString("line %1").arg(line)));
        QCOMPARE(e.text().annotation(line).startsWith("error: "), want);
    }
    int line = 0, index = 0;
    e.text().getCursorPosition(&line, &index);
    QCOMPARE(line, errorLines.first());
    QVERIFY2(e.editor().note().contains("nothing was stored"), qPrintable(e.editor().note()));
    QCOMPARE(e.editor().pcLine(), -1);
}

void EditorTest::warningsAreMarkedButLoad() {
    Editing e;
    e.setSource("        ORG 7000H\n        MVI A,01H\n        HLT\n");
    QVERIFY(e.editor().assembleAndLoad());
    QVERIFY(e.differences("7000=3E 7001=01 7002=76").isEmpty());
    QVERIFY(hasMarker(e.text(), 0, kWarningMarker) || hasMarker(e.text(), 1, kWarningMarker));
    QVERIFY2(e.editor().note().contains("warning"), qPrintable(e.editor().note()));
}

void EditorTest::stepsHighlightEachLine() {
    Editing e;
    e.setSource(kCountDown);
    QVERIFY(e.editor().assembleAndLoad());
    QCOMPARE(e.editor().pcLine(), 2);  // the load leaves the kit on 8000
    // The first Step Exe fetches PC from the row; then each goes on from PC.
    const QList<int> lines = {3, 4, 5, 6, 4, 5, 6, 4, 5, 6, 7, 8};
    for (int i = 0; i < lines.size(); ++i) {
        e.keys("stepexe");
        QVERIFY2(e.editor().pcLine() == lines[i],
                 qPrintable(QString("step %1: line %2, not %3").arg(i + 1).arg(e.editor().pcLine()).arg(lines[i])));
    }
    QVERIFY(e.differences("8100=06").isEmpty());
    // The trace names the line the last step carried out.
    auto* trace = e.w().studyView()->findChild<QLabel*>("trace");
    QVERIFY2(trace->text().startsWith("line 8: STA 8100H\n"), qPrintable(trace->text()));
    e.keys("address 8 0 0 4 stepexe");
    QVERIFY2(trace->text().startsWith("line 5: LOOP: ADD C ; A += C\n"), qPrintable(trace->text()));
}

// The instructions pane names the source's labels while memory holds them.
void EditorTest::instructionsPaneShowsLabels() {
    Editing e;
    e.setSource(kCountDown);
    QVERIFY(e.editor().assembleAndLoad());
    InstructionsPane* pane = e.w().studyView()->instructionsPane();
    auto listed = [&] {
        QStringList lines;
        for (int i = 0; i < static_cast<int>(pane->listing().size()); ++i) lines << pane->lineText(i);
        return lines.join('\n');
    };
    QVERIFY2(listed().contains("8004  81        LOOP: ADD C"), qPrintable(listed()));
    QCOMPARE(e.editor().labelAt(*e.w().memory().rowOf(Text("8004"))), QString("LOOP"));
    QCOMPARE(e.editor().labelAt(*e.w().memory().rowOf(Text("8005"))), QString());
    e.load("8004", {"80"});  // ADD B keyed over it: no longer the source's line
    QVERIFY2(!listed().contains("LOOP:") && listed().contains("ADD B"), qPrintable(listed()));
}

void EditorTest::marginBreakpointStopsExecuteOnItsLine() {
    Editing e;
    e.setSource(kCountDown);
    e.editor().toggleBreakpoint(7);  // before the load: a mark only
    QVERIFY(e.editor().breakpointOn(7));
    QVERIFY(e.w().memory().breakpoints().empty());
    QVERIFY(e.editor().assembleAndLoad());
    QVERIFY(e.w().memory().breakpoints().contains(0x8009));
    e.editor().toggleBreakpoint(5);  // loaded: the kit's breakpoint at once
    QVERIFY(e.w().memory().breakpoints().contains(0x8005));
    e.runFrom("8000");
    QCOMPARE(e.editor().pcLine(), 5);
    QCOMPARE(e.kit()[PC].str(), std::string("8005"));
    e.editor().toggleBreakpoint(5);
    QVERIFY(!e.w().memory().breakpoints().contains(0x8005));
    QVERIFY(!e.editor().breakpointOn(5));
    e.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(!e.w().running(), 20000);
    QCOMPARE(e.editor().pcLine(), 7);
}

void EditorTest::breakpointFollowsItsLineWhenLoadedAgain() {
    Editing e;
    e.setSource(kCountDown);
    QVERIFY(e.editor().assembleAndLoad());
    e.editor().toggleBreakpoint(7);  // STA at 8009
    QVERIFY(e.w().memory().breakpoints().contains(0x8009));
    e.text().insertAt("        NOP\n", 2, 0);  // everything from MVI A on moves one byte up
    QVERIFY(e.editor().breakpointOn(8));
    QVERIFY(e.editor().assembleAndLoad());
    QVERIFY(!e.w().memory().breakpoints().contains(0x8009));
    QVERIFY(e.w().memory().breakpoints().contains(0x800A));
    e.runFrom("8000");
    QCOMPARE(e.editor().pcLine(), 8);
}

void EditorTest::keyedByteEndsTheClaimOnItsLine() {
    Editing e;
    e.setSource(kCountDown);
    QVERIFY(e.editor().assembleAndLoad());
    QCOMPARE(e.editor().pcLine(), 2);
    QVERIFY(!e.editor().note().contains("no longer"));
    // 8000 keyed over: MVI A,00H is no longer what memory holds.
    e.load("8000", {"00"});
    QCOMPARE(e.editor().pcLine(), -1);
    QVERIFY2(e.editor().note().contains("line 3 (8000) no longer matches"), qPrintable(e.editor().note()));
    QVERIFY(!e.editor().lineOf(0x8000));
    QCOMPARE(e.editor().lineOf(0x8002), std::optional<int>(4));  // the rest still holds
}

void EditorTest::saveModifyAndClosePrompt() {
    QTemporaryDir dir;
    Editing e;
    e.setSource(kCountDown);
    e.saveAnswer = dir.filePath("count");  // no suffix: .asm is added
    QVERIFY(e.editor().save());
    QFile saved(dir.filePath("count.asm"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), QString(kCountDown));
    QCOMPARE(e.editor().title(), QString("count.asm"));
    QCOMPARE(e.editor().recentFiles().value(0), dir.filePath("count.asm"));

    e.text().insertAt("; changed\n", 0, 0);
    QCOMPARE(e.editor().title(), QString("count.asm *"));
    auto* tabs = e.w().studyView()->findChild<QTabWidget*>("studyTabs");
    QCOMPARE(tabs->tabText(tabs->indexOf(&e.editor())), QString("count.asm *"));

    e.unsavedAnswer = SourceEditor::Unsaved::Cancel;
    QVERIFY(!e.w().close());
    QVERIFY(e.w().isVisible());
    QCOMPARE(e.questions.size(), 1);
    QVERIFY(e.questions[0].contains("count.asm"));

    e.unsavedAnswer = SourceEditor::Unsaved::Save;
    QVERIFY(e.w().close());
    QFile again(dir.filePath("count.asm"));
    QVERIFY(again.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(again.readAll()).startsWith("; changed\n"));
}

void EditorTest::saveAsAsksBeforeReplacingWithTheSuffixAdded() {
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("lab.asm"), "; the student's earlier lab\n"));
    Editing e;
    e.setSource(kCountDown);
    e.saveAnswer = dir.filePath("lab");
    e.askAnswer = false;
    QVERIFY(!e.editor().saveAs());
    QCOMPARE(e.questions, QStringList{"lab.asm already exists. Replace it?"});
    QFile kept(dir.filePath("lab.asm"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("; the student's earlier lab\n"));
    QVERIFY(e.editor().modified());
    e.askAnswer = true;
    QVERIFY(e.editor().saveAs());
    QCOMPARE(e.editor().title(), QString("lab.asm"));
}

void EditorTest::newAsksAboutUnsavedChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("templateShown");
    QTest::newRow("cancel keeps the text") << static_cast<int>(SourceEditor::Unsaved::Cancel) << false;
    QTest::newRow("discard starts anew") << static_cast<int>(SourceEditor::Unsaved::Discard) << true;
}

void EditorTest::newAsksAboutUnsavedChanges() {
    QFETCH(int, answer);
    QFETCH(bool, templateShown);
    Editing e;
    QCOMPARE(e.text().text(), QString(SourceEditor::kTemplate));  // a fresh editor holds the template
    QVERIFY(!e.editor().modified());
    e.setSource(kCountDown);
    e.unsavedAnswer = static_cast<SourceEditor::Unsaved>(answer);
    QCOMPARE(e.editor().newSource(), templateShown);
    QCOMPARE(e.questions.size(), 1);
    QCOMPARE(e.text().text(), QString(templateShown ? SourceEditor::kTemplate : kCountDown));
    QCOMPARE(e.editor().modified(), !templateShown);
    // The template assembles to its HLT at 8000.
    if (templateShown) {
        QVERIFY(e.editor().assembleAndLoad());
        QVERIFY(e.differences("8000=76").isEmpty());
    }
}

void EditorTest::ctrlOOfASourceOpensItInTheEditor() {
    QTemporaryDir dir;
    const QString file = dir.filePath("count.asm");
    QVERIFY(writeBytes(file, kCountDown));
    Editing e;
    QVERIFY(e.w().findChild<ProgramFiles*>("programFiles")->openFile(file));
    QCOMPARE(e.editor().path(), QFileInfo(file).absoluteFilePath());
    QCOMPARE(e.text().text(), QString(kCountDown));
    QCOMPARE(e.editor().pcLine(), 2);  // mapped: the kit stands on 8000
}

// Both come from the editor's text as it stands, loaded or not; a text
// with an error writes neither.
void EditorTest::listingAndKeyingSheetFromTheEditor() {
    QTemporaryDir dir;
    Editing e;
    ProgramFiles::Dialogs kitDialogs;
    QString sheetTitle;
    kitDialogs.saveFile = [&](const QString& title, const QString&, const QString&) {
        sheetTitle = title;
        return dir.filePath("sheet.pdf");
    };
    e.w().findChild<ProgramFiles*>("programFiles")->setDialogs(kitDialogs);
    e.setSource(kCountDown);
    e.saveAnswer = dir.filePath("count.lst");
    QVERIFY(e.editor().saveListing());
    QFile listing(dir.filePath("count.lst"));
    QVERIFY(listing.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(listing.readAll());
    QVERIFY2(text.contains("8004") && text.contains("LOOP:   ADD     C"), qPrintable(text));
    QAction* sheet = e.editor().findChild<QAction*>("editorSheet");
    QCOMPARE(sheet->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    sheet->trigger();
    QFile pdf(dir.filePath("sheet.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(4) == "%PDF");
    QVERIFY(e.w().memory().dataAt(*e.w().memory().rowOf(Text("8000"))) == Text("00"));  // nothing loaded

    e.setSource("        ORG 8000H\n        JMP NOWHERE\n");
    e.saveAnswer = dir.filePath("bad.lst");
    QVERIFY(!e.editor().saveListing());
    QVERIFY(!e.editor().exportSheet());
    QVERIFY(!QFile::exists(dir.filePath("bad.lst")));
    QVERIFY(hasMarker(e.text(), 1, kErrorMarker));
}

// Docked, the kit and the editor share one window and both have Ctrl+S: typed
// in the text it saves the source, elsewhere it saves memory as Intel HEX.
void EditorTest::dockedKeysGoWhereTheFocusIs() {
    QTemporaryDir dir;
    rememberStudyDocked(true);
    {
        Editing e;
        QVERIFY(e.w().dock());
        QStringList kitSaves;
        ProgramFiles::Dialogs kitDialogs;
        kitDialogs.range = [](const QString&, HexRange offered) { return std::optional<HexRange>(offered); };
        kitDialogs.saveFile = [&](const QString& title, const QString&, const QString&) {
            kitSaves << title;
            return QString();  // cancelled: only which save was asked counts
        };
        e.w().findChild<ProgramFiles*>("programFiles")->setDialogs(kitDialogs);
        e.setSource(kCountDown);
        e.saveAnswer = dir.filePath("count.asm");
        e.text().setFocus();
        QTest::keyClick(&e.text(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(QFile::exists(dir.filePath("count.asm")), qPrintable(kitSaves.join(", ")));
        QVERIFY(kitSaves.isEmpty());
        e.w().setFocus();
        QTest::keyClick(&e.w(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(kitSaves, QStringList{"Save memory as Intel HEX"});
    }
    rememberStudyDocked(false);
}

void EditorTest::savingKeepsWhatWasNotEdited_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");  // after a NOP line typed at the end
    QTest::newRow("UTF-8, LF") << QByteArray("; caf\xc3\xa9\n        ORG 8000H\n        HLT\n")
                               << QByteArray("; caf\xc3\xa9\n        ORG 8000H\n        HLT\n        NOP\n");
    QTest::newRow("Latin-1, CRLF") << QByteArray("; caf\xe9\r\n        ORG 8000H\r\n        HLT\r\n")
                                   << QByteArray("; caf\xe9\r\n        ORG 8000H\r\n        HLT\r\n        NOP\r\n");
}

// A file's encoding and line ends come back as they were; only the typed
// line is new.
void EditorTest::savingKeepsWhatWasNotEdited() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);
    QTemporaryDir dir;
    const QString path = dir.filePath("lab.asm");
    QVERIFY(writeBytes(path, file));
    Editing e;
    QVERIFY(e.editor().openPath(path));
    e.text().setCursorPosition(2, 11);
    e.text().setFocus();
    QTest::keyClick(&e.text(), Qt::Key_Return);
    QTest::keyClicks(&e.text(), "NOP");
    QVERIFY(e.editor().save());
    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), saved);
}

// The child: a kit whose editor holds typed text until it is killed.
static int recoveryWriter() {
    Kit k;
    SourceEditor& editor = k.w().sourceEditor();
    editor.text()->setText("        ORG 8000H\n        MVI A,42H ; typed, never saved\n        HLT\n");
    for (int i = 0; i < 200 && !QFile::exists(editor.recoveryFile()); ++i) QTest::qWait(50);
    if (!QFile::exists(editor.recoveryFile())) return 2;
    std::cout << "written" << std::endl;
    QTest::qWait(60000);
    return 1;
}

void EditorTest::recoveryCopyIsOfferedAfterAKill() {
    QDir(SourceEditor::recoveryFolder()).removeRecursively();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--recovery-writer", settings_.path()});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    for (int i = 0; i < 600 && !said.contains("written") && child.state() == QProcess::Running; ++i) {
        child.waitForReadyRead(50);
        said += child.readAllStandardOutput();
    }
    QVERIFY2(said.contains("written"), qPrintable(said + child.readAllStandardError()));
    child.kill();  // SIGKILL: nothing of the kit's own ending runs
    QVERIFY(child.waitForFinished());

    // The next kit offers the copy once it is shown.
    kit85::testing::RecordingPresenter presenter;
    KitWindow w(MemoryTable::fresh(), &presenter);
    SourceEditor& editor = w.sourceEditor();
    QStringList questions;
    SourceEditor::Dialogs d;
    d.ask = [&](const QString& q) {
        questions << q;
        return true;
    };
    d.unsaved = [](const QString&) { return SourceEditor::Unsaved::Discard; };
    editor.setDialogs(d);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(editor.text()->text().contains("MVI A,42H"), 5000);
    QVERIFY(w.studyOpen());
    QCOMPARE(questions.size(), 1);
    QVERIFY2(questions[0].contains("an unsaved source"), qPrintable(questions[0]));
    QVERIFY(editor.modified());
    // Taken back and then discarded: no copy is left to offer again.
    QVERIFY(editor.maybeClose());
    QVERIFY(QDir(SourceEditor::recoveryFolder()).entryList({"*.asm"}, QDir::Files).isEmpty());
}

// Every byte of every line painted in the style styleLine gives it, after the
// text was typed into as well as set.
void EditorTest::paintedStylesAreTheLexersRuns() {
    Editing e;
    e.setSource(kCountDown);
    e.text().insertAt("MSG:    DB 'open\n", 8, 0);
    e.text().insertAt(" ,B", 5, 13);
    QApplication::processEvents();
    e.text().SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    for (int line = 0; line < e.text().lines(); ++line) {
        const QByteArray text = e.text().text(line).toUtf8();
        const std::string bytes = text.left(text.size() - (text.endsWith('\n') ? 1 : 0)).toStdString();
        std::vector<int> want(bytes.size(), static_cast<int>(SourceStyle::Default));
        for (const StyledRun& r : styleLine(bytes))
            for (int i = r.start; i < r.start + r.length; ++i) want[static_cast<size_t>(i)] = static_cast<int>(r.style);
        const long start = e.text().positionFromLineIndex(line, 0);
        for (size_t i = 0; i < bytes.size(); ++i) {
            const long got = e.text().SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, start + static_cast<long>(i));
            QVERIFY2(got == want[i], qPrintable(QString("line %1 byte %2 ('%3'): style %4, not %5")
                                                    .arg(line)
                                                    .arg(i)
                                                    .arg(bytes[i])
                                                    .arg(got)
                                                    .arg(want[i])));
        }
    }
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && QString(argv[1]) == "--recovery-writer") {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, argv[2]);
        return recoveryWriter();
    }
    EditorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "editor_test.moc"
