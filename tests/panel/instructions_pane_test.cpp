// The instructions pane: the program's instructions from the boundaries the
// kit knows, operand rows inside their instructions, breakpoints in the gutter.

#include <QSettings>
#include <QTemporaryDir>

#include "study_fixture.h"

using namespace kit85;
using kit85::testing::Study;

class InstructionsPaneTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void instructionsFollowSteps();
    void instructionsShowInvalidCodesAndData();
    void instructionsFromKeyedProgram_data();
    void instructionsFromKeyedProgram();
    void breakpointStopsExecuteBeforeItsInstruction();

private:
    QTemporaryDir settings_;
};

void InstructionsPaneTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

void InstructionsPaneTest::init() {
    rememberStudyView(false);
    rememberStudyDocked(false);
    rememberRunSpeed({});
}

// The listing starts two lines above the current row and keeps its start
// while Step Exe walks down it; the arrow marks the instruction that runs next.
void InstructionsPaneTest::instructionsFollowSteps() {
    Study s;
    s.view()->resize(s.view()->width(), 900);  // room for the listing below
    QTRY_VERIFY(s.view()->instructionsPane()->lineCount() >= 12);
    s.keyed("8000", {"3E", "05", "21", "50", "80", "3C", "76"});
    InstructionsPane* pane = s.view()->instructionsPane();
    QCOMPARE(int(pane->listing().size()), pane->lineCount());
    QCOMPARE(pane->lineText(0), QString("   7FFE  00        DB 00"));
    const QStringList first = {" > 8000  3E 05     MVI A,05", "   8002  21 50 80  LXI H,8050",
                               "   8005  3C        INR A", "   8006  76        HLT", "   8007  00        DB 00"};
    for (int i = 0; i < first.size(); ++i) QCOMPARE(pane->lineText(i + 2), first[i]);
    s.keys("stepexe stepexe");
    QCOMPARE(s.line("8000"), QString("   8000  3E 05     MVI A,05"));
    QCOMPARE(s.lineIndex("8005"), 4);
    QCOMPARE(s.line("8005"), QString(" > 8005  3C        INR A"));
    s.keys("address 8 0 0 6");
    QCOMPARE(s.lineIndex("8006"), 5);
    QCOMPARE(s.line("8006"), QString(" > 8006  76        HLT"));
    s.keys("address 9 0 0 0");  // far away: the listing starts there
    QCOMPARE(pane->lineText(2), QString(" > 9000  00        NOP"));
}

void InstructionsPaneTest::instructionsShowInvalidCodesAndData() {
    Study s;
    s.load("8000", {"08", "3e", "C7", "3E", " 5"});
    for (uint16_t a = 0x8000; a <= 0x8003; ++a) s.w().starts().noteKeyedAddress(a);
    s.w().refresh();
    const QStringList want = {" > 8000  08        invalid code 08", "   8001  \"3e\"      data \"3e\"",
                              "   8002  C7        RST 0 (invalid code)", "   8003  3E \" 5\"   MVI A,\" 5\""};
    QStringList wrong;
    for (int i = 0; i < want.size(); ++i) {
        const QString got = s.line(qPrintable(QString::number(0x8000 + i, 16).toUpper()));
        if (got != want[i]) wrong << QString("line %1: got [%2], want [%3]").arg(i).arg(got, want[i]);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable("\n" + wrong.join("\n")));
}

// The pane lists the program's instructions: after keying a program, and with
// the current row on an operand, no operand is read as an opcode, and rows no
// start reaches are data.
void InstructionsPaneTest::instructionsFromKeyedProgram_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("marked");  // the line holding the current row
    QTest::addColumn<QString>("marker");  // its first two characters
    const QString program =
        "address 8 0 0 0 3 E next 0 5 next 0 6 next 0 3 next 8 0 next 3 2 next 0 0 next 9 0 next 7 6";
    QTest::newRow("after keying") << program << "8008"
                                  << " >";
    QTest::newRow("on an operand") << program + " address 8 0 0 0 next"
                                   << "8000"
                                   << " \u00B7";
    QTest::newRow("on a STA's last byte") << program + " address 8 0 0 7"
                                          << "8005"
                                          << " \u00B7";
}

void InstructionsPaneTest::instructionsFromKeyedProgram() {
    QFETCH(QString, keys);
    QFETCH(QString, marked);
    QFETCH(QString, marker);
    Study s;
    s.view()->resize(s.view()->width(), 900);  // room for the whole program
    QTRY_VERIFY(s.view()->instructionsPane()->lineCount() >= 12);
    s.keys(keys);
    const QStringList want = {"8000  3E 05     MVI A,05", "8002  06 03     MVI B,03", "8004  80        ADD B",
                              "8005  32 00 90  STA 9000", "8008  76        HLT",      "8009  00        DB 00"};
    for (const QString& w : want) {
        const QString got = s.line(qPrintable(w.left(4)));
        QVERIFY2(
            got.mid(3) == w,
            qPrintable(
                QString("got [%1], want [%2]; listed from %3").arg(got, w, s.view()->instructionsPane()->lineText(0))));
    }
    for (const char* operand : {"8001", "8003", "8006", "8007"}) QVERIFY2(s.line(operand).isEmpty(), operand);
    QCOMPARE(s.line(qPrintable(marked)).left(2), marker);
}

// A click in the gutter sets a breakpoint; Execute stops on reaching it
// before running it, and Execute again goes on from there.
void InstructionsPaneTest::breakpointStopsExecuteBeforeItsInstruction() {
    Study s;
    s.keyed("8000", {"3E", "05", "3C", "3C", "76"});  // MVI A,05; INR A; INR A; HLT
    InstructionsPane* pane = s.view()->instructionsPane();
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->gutterRect(s.lineIndex("8002")).center());
    QVERIFY(s.w().memory().breakpoints().at(Text("8002")));
    QCOMPARE(s.line("8002"), QString("*  8002  3C        INR A"));
    s.runToEnd();
    CHECK_KIT(s, "Text1=8002;Text2=3C;A=05;running=0");
    QVERIFY2(s.label("status").startsWith("breakpoint at 8002"), qPrintable(s.label("status")));
    QCOMPARE(s.line("8002"), QString("*> 8002  3C        INR A"));
    s.runToEnd();
    CHECK_KIT(s, "Text1=8004;Text2=76;A=07");
    QVERIFY2(s.label("status").startsWith("halted at 8004 after 3 instructions"), qPrintable(s.label("status")));
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->gutterRect(s.lineIndex("8000")).center());
    QVERIFY(!s.w().memory().breakpoints().empty());
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->gutterRect(s.lineIndex("8002")).center());
    QVERIFY(!s.w().memory().breakpoints().at(Text("8002")));
    QVERIFY(s.presenter.shown.empty());
}

QTEST_MAIN(InstructionsPaneTest)
#include "instructions_pane_test.moc"
