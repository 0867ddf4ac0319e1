// The study view beside the kit, driven offscreen: it follows every key, step
// and run, a click on a byte works like the Address key, F7 opens and closes
// it and the choice is remembered; also the register fields' hex typing.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>

#include "panel/study_view.h"
#include "study_fixture.h"

using namespace kit85;
using kit85::testing::Kit;
using kit85::testing::messageLog;

using kit85::testing::Study;

class StudyViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void closedUntilAsked();
    void keyingUpdatesMemoryPane();
    void runMarksTheBytesItChanged();
    void actionWithoutChangesKeepsMarks();
    void clickingAByteMovesTheCursor_data();
    void clickingAByteMovesTheCursor();
    void typingInTheMemoryPaneStoresAByte();
    void statusAfterEachEnding_data();
    void statusAfterEachEnding();
    void statusAfterStop();
    void stackShowsWordsAndTheirRows();
    void f9TogglesBreakpointAndTheFileKeepsIt();
    void f7TogglesAndIsRemembered();
    void registerFieldsTakeHexDigitsUpperCased_data();
    void registerFieldsTakeHexDigitsUpperCased();
    void undoRedoKeysAndRefusal();
    void slowMotionRunsAndIsRemembered();
    void stepExeTracesReasons();
    void memoryPaneKeepsTheCurrentLineSteady();

private:
    QTemporaryDir settings_;
};

// The study view's setting goes to a private folder, never the user's.
void StudyViewTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

void StudyViewTest::init() {
    rememberStudyView(false);
    rememberStudyDocked(false);
    rememberRunSpeed({});
}

void StudyViewTest::closedUntilAsked() {
    Kit k;
    QVERIFY(!k.w().studyOpen());
    QVERIFY(!k.w().studyView());  // not even made: the kit starts as before
    QCOMPARE(k.w().width(), k.px(6480 - kFrameTwipsWide));
}

void StudyViewTest::keyingUpdatesMemoryPane() {
    Study s;
    s.keys("address 8 0 0 0 3 E");
    QCOMPARE(s.label("decode"), QString("8000: 3E  MVI A,data \u2014 2 bytes"));
    QCOMPARE(s.wrongMarks({"8000"}, {"8001", "7FFF"}), QString());
    s.keys("next 0");
    QCOMPARE(s.label("decode"), QString("8001: \"0\"  operand of MVI A,\"0\" at 8000 (byte 2 of 2)"));
    s.keys("5");
    QCOMPARE(s.label("decode"), QString("8001: 05  operand of MVI A,05 at 8000 (byte 2 of 2)"));
    QCOMPARE(s.wrongMarks({"8001"}, {"8000"}), QString());
    s.keys("address 8");
    QCOMPARE(s.label("decode"), QString("keying an address: 8\u2026"));
    const QRect cell = s.view()->memoryPane()->cellRect(0x8001);
    QVERIFY2(!cell.isEmpty(), "the current row's line is on screen");
}

// STA 9000 writes a byte far from the program; only it and the register-free
// rows it touched are marked, not the program the run read.
void StudyViewTest::runMarksTheBytesItChanged() {
    Study s;
    s.load("9000", {"11", "22"});
    s.load("8000", {"3E", "42", "32", "00", "90", "76"});  // MVI A,42; STA 9000; HLT
    s.runToEnd();
    QCOMPARE(s.wrongMarks({"9000"}, {"9001", "8000", "8001", "8005"}), QString());
    QCOMPARE(s.label("status"), QString("halted at 8005 after 3 instructions; 25 T-states = 8.1 \u00B5s at 3.072 MHz"));
}

void StudyViewTest::actionWithoutChangesKeepsMarks() {
    Study s;
    s.load("8000", {"3E", "42", "32", "00", "90", "76"});
    s.runToEnd();
    s.keys("next next prev");  // looking around changes nothing
    QCOMPARE(s.wrongMarks({"9000"}, {"8000"}), QString());
    s.keys("address 8 0 0 0 7");  // a keyed byte is the new last change
    QCOMPARE(s.wrongMarks({"8000"}, {"9000"}), QString());
}

void StudyViewTest::clickingAByteMovesTheCursor_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("messages");
    QTest::newRow("a row of the user's memory") << 0x8123 << "Text1=8123;Text2=00;Text3.visible=0"
                                                << "";
    QTest::newRow("the last row") << 0xFFFF << "Text1=FFFF;Text2=00"
                                  << "";
    QTest::newRow("below 8000: the floor") << 0x1234 << "Text1=8000;Text2=00;Text3.visible=0"
                                           << "Invalid Address||information";
}

void StudyViewTest::clickingAByteMovesTheCursor() {
    QFETCH(int, address);
    QFETCH(QString, after);
    QFETCH(QString, messages);
    Study s;
    s.keys("address 9 0 0 0");
    s.clickByte(static_cast<uint16_t>(address));
    CHECK_KIT(s, after);
    QCOMPARE(messageLog(s.presenter), messages);
}

// Two hex digits typed where a byte was clicked store it, committed to the
// memory file before the key's work ends, exactly as the keypad would.
void StudyViewTest::typingInTheMemoryPaneStoresAByte() {
    QTemporaryDir dir;
    Study s(MemoryTable::open(dir.filePath("memory.sqlite").toStdString()));
    s.clickByte(0x8123);
    QTest::keyClick(s.view()->memoryPane(), Qt::Key_4);
    CHECK_KIT(s, "Text1=8123;Text2=4");
    QTest::keyClick(s.view()->memoryPane(), Qt::Key_C, Qt::NoModifier);
    CHECK_KIT(s, "Text1=8123;Text2=4C");
    QCOMPARE(s.w().memory().pendingWrites(), size_t(0));
    QCOMPARE(s.w().memory().dataAt(s.row("8123")), Text("4C"));
    QCOMPARE(s.wrongMarks({"8123"}, {"8122"}), QString());
}

void StudyViewTest::statusAfterEachEnding_data() {
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<QString>("press");
    QTest::addColumn<QString>("status");
    QTest::newRow("halt") << QStringList{"3E", "05", "76"} << "execute"
                          << "halted at 8002 after 2 instructions; 12 T-states = 3.9 \u00B5s at 3.072 MHz";
    QTest::newRow("invalid code") << QStringList{"00", "08"} << "execute"
                                  << "invalid code 08 at 8001 after 2 instructions; 4 T-states = 1.3 \u00B5s at 3.072 MHz";
    QTest::newRow("odd text as code") << QStringList{"00", "3e"} << "execute"
                                      << "invalid code \"3e\" at 8001 after 2 instructions; 4 T-states = 1.3 \u00B5s at 3.072 MHz";
    QTest::newRow("error: PUSH with SP 0000")
        << QStringList{"3E", "05", "C5", "76"} << "execute"
        << "error: fewer than two memory rows lie below the stack address \"0000\"; nothing was written (after 2 "
           "instructions; 7 T-states = 2.3 \u00B5s at 3.072 MHz)";
    QTest::newRow("Step Exe") << QStringList{"3E", "05", "76"} << "stepexe"
                              << "Step Exe ran 8000; next 8002; 7 T-states = 2.3 \u00B5s at 3.072 MHz";
    QTest::newRow("Step Exe on HLT") << QStringList{"76"} << "stepexe"
                                     << "HLT at 8000: Step Exe goes on past it; 5 T-states = 1.6 \u00B5s at 3.072 MHz";
    QTest::newRow("Step Exe on invalid code") << QStringList{"08"} << "stepexe"
                                              << "invalid code 08 at 8000";
}

void StudyViewTest::statusAfterEachEnding() {
    QFETCH(QStringList, program);
    QFETCH(QString, press);
    QFETCH(QString, status);
    Study s;
    QVERIFY(s.label("status").startsWith("ready"));
    s.load("8000", program);
    QString seenWhileBoxOpen;
    s.presenter.onMessage = [&](const auto&) { seenWhileBoxOpen = s.label("status"); };
    s.keys(press);
    QTRY_VERIFY_WITH_TIMEOUT(!s.w().running(), 20000);
    QCOMPARE(s.label("status"), status);
    // A message box never stands over a status line that says otherwise;
    // the run's count and time follow once it is closed.
    if (!s.presenter.shown.empty())
        QVERIFY2(!seenWhileBoxOpen.isEmpty() && status.startsWith(seenWhileBoxOpen), qPrintable(seenWhileBoxOpen));
}

void StudyViewTest::statusAfterStop() {
    Study s;
    s.load("8000", {"C3", "00", "80"});  // JMP 8000
    s.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(s.w().runSlices() >= 3, 20000);
    QVERIFY2(s.label("status").startsWith("running: "), qPrintable(s.label("status")));
    s.keys("stop");
    QTRY_VERIFY_WITH_TIMEOUT(!s.w().running(), 20000);
    const QString want = QString("stopped by Stop at 8000 after %1 instructions; %2 T-states = ")
                             .arg(QString::fromStdString(groupedCount(s.w().runSteps())),
                                  QString::fromStdString(groupedCount(s.lastRun().tstates)));
    QVERIFY2(s.label("status").startsWith(want), qPrintable(s.label("status")));
}

void StudyViewTest::stackShowsWordsAndTheirRows() {
    Study s;
    s.load("FFFC", {"03", "80", "3e", "12"});
    s.load("0000", {"AA", "BB"});
    s.kit()[SP] = Text("FFFC");
    s.w().refresh();
    const QStringList lines = s.label("stack").split('\n');
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0], QString("SP+0  8003  from 03 80 (rows FFFC, FFFD)"));
    QCOMPARE(lines[1], QString("SP+2  ????  from \"3e\" 12 (rows FFFE, FFFF)"));
    QCOMPARE(lines[2], QString("SP+4  BBAA  from AA BB (rows 0000, 0001)"));  // wraps past FFFF
    s.kit()[SP] = Text("12");
    s.w().refresh();
    QVERIFY2(s.label("stack").startsWith("SP holds \"12\""), qPrintable(s.label("stack")));
}

void StudyViewTest::f9TogglesBreakpointAndTheFileKeepsIt() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("memory.sqlite").toStdString();
    {
        Study s(MemoryTable::open(file));
        s.keys("address 8 0 0 3");
        s.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.w()));
        QTest::keyClick(&s.w(), Qt::Key_F9);
        QVERIFY(s.w().memory().breakpoints().at(Text("8003")));
        s.view()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.view()));
        s.keys("next");
        QTest::keyClick(s.view(), Qt::Key_F9);  // F9 works in the study view too
        QTest::keyClick(s.view(), Qt::Key_F9);
        QCOMPARE(s.w().memory().breakpoints().size(), size_t(1));
    }
    Study s(MemoryTable::open(file));
    QVERIFY(s.w().memory().breakpoints().at(Text("8003")));
    s.keys("address 8 0 0 3");
    QVERIFY2(s.line("8003").startsWith("*>"), qPrintable(s.line("8003")));
}

void StudyViewTest::f7TogglesAndIsRemembered() {
    {
        Kit k;
        k.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&k.w()));
        QTest::keyClick(&k.w(), Qt::Key_F7);
        QVERIFY(k.w().studyOpen());
        QVERIFY(studyViewRemembered());
        QVERIFY(k.w().studyView()->findChild<QLabel*>("status"));
    }
    {
        Kit k;  // opens as the user left it
        QTRY_VERIFY(k.w().studyOpen());
        StudyView* view = k.w().studyView();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view));
        QTest::keyClick(view, Qt::Key_F7);  // F7 in the view closes it too
        QVERIFY(!k.w().studyOpen());
        QVERIFY(!studyViewRemembered());
        QTest::keyClick(&k.w(), Qt::Key_F7);
        QVERIFY(k.w().studyOpen());
        k.w().studyView()->close();  // its window's close button
        QVERIFY(!k.w().studyOpen());
        QVERIFY(!studyViewRemembered());
    }
    Kit k;  // shown: a view it remembered would be open now
    QCoreApplication::processEvents();
    QVERIFY(!k.w().studyOpen());
}

void StudyViewTest::registerFieldsTakeHexDigitsUpperCased_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("lower case") << "A"
                                << "3e"
                                << "3E";
    QTest::newRow("other characters refused") << "B"
                                              << "g5 z"
                                              << "5";
    QTest::newRow("replaces the old text") << "C"
                                           << "7"
                                           << "7";
    QTest::newRow("a word") << "SP"
                            << "ffe0"
                            << "FFE0";
    QTest::newRow("blank refused") << "PC"
                                   << " 80 00"
                                   << "8000";
}

void StudyViewTest::registerFieldsTakeHexDigitsUpperCased() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Kit k;
    k.keys("regmod");
    auto* e = k.find<QLineEdit>(field);
    QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(2, e->height() / 2));  // the text is selected all the same
    QTRY_COMPARE(e->selectedText(), e->text());
    QTest::keyClicks(e, typed);
    QCOMPARE(e->text(), shown);
    QCOMPARE(k.kit()[registerNamed(field.toStdString())->reg], Text(shown.toStdString()));
    QCOMPARE(k.field("Text2"), QString("00"));  // nothing reached the keypad
}

// Ctrl+Z and Ctrl+Y walk the keyed bytes back and forth, the displays going
// to the row each step set; once a program has written the byte since, undo
// is refused in a box and on the status line, and nothing changes.
void StudyViewTest::undoRedoKeysAndRefusal() {
    Study s;
    s.load("8000", {"00", "00"});
    s.keys("address 8 0 0 0 3 E next 4 7 prev");
    s.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.w()));
    auto state = [&] {
        MemoryTable& m = s.w().memory();
        return QString("8000=%1 8001=%2 shown=%3:%4")
            .arg(QString::fromStdString(m.dataAt(s.row("8000")).str()),
                 QString::fromStdString(m.dataAt(s.row("8001")).str()), s.field("Text1"), s.field("Text2"));
    };
    const QKeySequence undo(Qt::CTRL | Qt::Key_Z), redo(Qt::CTRL | Qt::Key_Y);
    const struct {
        const char* what;
        QKeySequence keys;
        const char* state;
        const char* marked;
        const char* edits;
    } steps[] = {
        {"undo 47", undo, "8000=3E 8001=00 shown=8001:00", "8001", "8001  00 → 47 (undone) | 8000  00 → 3E"},
        {"undo 3E", undo, "8000=00 8001=00 shown=8000:00", "8000", "8001  00 → 47 (undone) | 8000  00 → 3E (undone)"},
        {"redo 3E", redo, "8000=3E 8001=00 shown=8000:3E", "8000", "8001  00 → 47 (undone) | 8000  00 → 3E"},
        {"redo 47", redo, "8000=3E 8001=47 shown=8001:47", "8001", "8001  00 → 47 | 8000  00 → 3E"},
    };
    auto edits = [&] {
        auto* list = s.view()->findChild<QListWidget*>("edits");
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out.join(" | ");
    };
    QCOMPARE(edits(), QString("8001  00 → 47 | 8000  00 → 3E"));
    for (const auto& step : steps) {
        QTest::keySequence(&s.w(), step.keys);
        QCOMPARE(state(), QString(step.state));
        QCOMPARE(edits(), QString(step.edits));
        const QString marks = s.wrongMarks({step.marked}, {});
        QVERIFY2(marks.isEmpty(), qPrintable(QString(step.what) + ": " + marks));
    }
    QVERIFY(s.presenter.shown.empty());

    s.load("8001", {"11"});  // as a program's write would
    QString seenWhileBoxOpen;
    s.presenter.onMessage = [&](const auto&) { seenWhileBoxOpen = s.label("status"); };
    QTest::keySequence(&s.w(), undo);
    QCOMPARE(state(), QString("8000=3E 8001=11 shown=8001:11"));
    QCOMPARE(s.presenter.shown.size(), std::size_t(1));
    const QString message = QString::fromStdString(s.presenter.shown[0].text);
    QCOMPARE(messageLog(s.presenter), message + "|error :|exclamation");
    QVERIFY2(message.contains("8001") && message.contains("11"), qPrintable(message));
    QCOMPARE(seenWhileBoxOpen, message);
    QCOMPARE(s.label("status"), message);
    s.keys("next");  // the next key leaves the refusal behind
    QVERIFY(s.label("status").startsWith("ready"));
}

// Slow motion at 50 a second: Execute runs the first instruction at once and
// the rest as they fall due, redrawing between; Stop ends such a run at once,
// and the choice is there again at the next start.
void StudyViewTest::slowMotionRunsAndIsRemembered() {
    {
        Study s;
        auto* speed = s.view()->findChild<QComboBox*>("speed");
        auto* perSecond = s.view()->findChild<QSpinBox*>("perSecond");
        QCOMPARE(speed->currentText(), QString("Full speed"));
        QVERIFY(!perSecond->isEnabled());
        speed->setCurrentIndex(speed->findText("Slow motion"));
        perSecond->setValue(50);
        QVERIFY(perSecond->isEnabled());
        QCOMPARE(int(s.runSpeed().speed), int(Speed::Slow));
        QCOMPARE(s.runSpeed().perSecond, 50);

        s.load("8000", {"3E", "00", "3C", "3C", "3C", "76"});  // MVI A,00; INR A three times; HLT
        s.keys("execute");
        QVERIFY(s.w().running());
        QTRY_VERIFY_WITH_TIMEOUT(!s.w().running(), 20000);
        const QString ran = QString("reason=%1 steps=%2 A=%3")
                                .arg(int(s.lastRun().reason))
                                .arg(s.w().runSteps())
                                .arg(QString::fromStdString(s.kit()[A].str()));
        QCOMPARE(ran, QString("reason=%1 steps=5 A=03").arg(int(StopReason::Halt)));
        QVERIFY2(s.w().runSlices() >= 2, qPrintable(QString::number(s.w().runSlices())));

        s.keys("address 8 0 0 0 execute stop");
        QCOMPARE(s.field("running"), QString("0"));
        QCOMPARE(int(s.lastRun().reason), int(StopReason::Interrupted));
    }
    Study s;
    QCOMPARE(s.view()->findChild<QComboBox*>("speed")->currentText(), QString("Slow motion"));
    QCOMPARE(s.view()->findChild<QSpinBox*>("perSecond")->value(), 50);
    QCOMPARE(int(s.runSpeed().speed), int(Speed::Slow));
}

// Each Step Exe lists why its registers and flags changed; any other key, and
// Execute, leave no trace. The trace keeps its height throughout, so nothing
// below it moves.
void StudyViewTest::stepExeTracesReasons() {
    Study s;
    s.load("8000", {"3E", "9A", "C6", "7F", "76"});  // MVI A,9A; ADI 7F; HLT
    auto* trace = s.view()->findChild<QLabel*>("trace");
    const QWidget* area = s.view()->findChild<QWidget*>("traceArea");
    const QRect panes = s.view()->findChild<QWidget*>("panesSplitter")->geometry();
    const int height = area->height();
    s.keys("stepexe");
    QCOMPARE(trace->text(), QString("A: 00 \u2192 9A\nPC: 8000 \u2192 8002"));
    s.keys("stepexe");
    QVERIFY2(trace->text().contains("CY=1: 9A + 7F = 119, more than FF"), qPrintable(trace->text()));
    QVERIFY(!trace->isHidden());
    QVERIFY2(s.label("status").endsWith("; 7 T-states = 2.3 \u00B5s at 3.072 MHz"), qPrintable(s.label("status")));
    QCOMPARE(area->height(), height);
    QCOMPARE(s.view()->findChild<QWidget*>("panesSplitter")->geometry(), panes);
    s.keys("next");
    QCOMPARE(trace->text(), QString());
    QCOMPARE(area->height(), height);
    s.keys("address 8 0 0 0");
    s.runToEnd();
    QCOMPARE(trace->text(), QString());
}

// The current row's line stays where it is on screen while it is on screen: a
// click, a byte keyed, Next within the pane. Next past the bottom scrolls by
// one line; a row far off lands a third down.
void StudyViewTest::memoryPaneKeepsTheCurrentLineSteady() {
    Study s;
    MemoryPane* pane = s.view()->memoryPane();
    s.clickByte(0x8000);
    const int first = pane->firstLine();
    const int shown = pane->visibleLines();
    QVERIFY2(shown >= 4, qPrintable(QString::number(shown)));
    const QRect below = pane->cellRect(0x8000 + 16 * 2 + 5);  // two lines down, on screen
    QVERIFY(!below.isEmpty());
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, below.center());
    CHECK_KIT(s, "Text1=8025");
    QCOMPARE(pane->firstLine(), first);
    s.keys("3 E next next");
    QCOMPARE(pane->firstLine(), first);
    const int lastOnScreen = first + shown - 1;
    s.keys("address");
    for (char c : Text::word(static_cast<uint16_t>(lastOnScreen * 16 + 15)).str()) s.keys(QString(c));
    QCOMPARE(pane->firstLine(), first);
    s.keys("next");  // the line below the last one shown
    QCOMPARE(pane->firstLine(), first + 1);
    s.keys("prev");
    QCOMPARE(pane->firstLine(), first + 1);
    s.keys("address 9 0 0 0");
    QCOMPARE(pane->firstLine(), 0x900 - shown / 3);
}

QTEST_MAIN(StudyViewTest)
#include "study_view_test.moc"
