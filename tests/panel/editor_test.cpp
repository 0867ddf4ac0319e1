// The source editor in the study view, driven as a student would: type a
// program, assemble and load it (F8), see its errors, run and step it, break
// on a line.
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "editor_fixture.h"
#include "panel/kit_dock.h"
#include "panel/model/source_styles.h"
#include "panel/program_files.h"
#include "panel/study_settings.h"

using namespace kit85;
using namespace kit85::testing;

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
    void dockedKeysGoWhereTheFocusIs();
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
    e.undo();
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
    // The kit's status line says what the load did, after the breakpoints it placed.
    const QString status = e.w().studyView()->findChild<QLabel*>("status")->text();
    QVERIFY2(status.startsWith("assembled 3 bytes at 7000\u20137002 and loaded; Ctrl+Z takes it back; 1 warning"),
             qPrintable(status));
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

// Docked, the kit and the editor share one window and both have Ctrl+S: typed
// in the text it saves the source, elsewhere it saves memory as Intel HEX.
void EditorTest::dockedKeysGoWhereTheFocusIs() {
    QTemporaryDir dir;
    rememberStudyDocked(true);
    {
        Editing e;
        QVERIFY(qobject_cast<KitDock*>(e.w().window()));
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

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
