// The interfacing board in the kit window: switched from the right-click
// menu and remembered, drawn by the Board pane as programs drive it, its
// switches read by IN, and its interrupt keys waking a HLT.

#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <fstream>

#include "board/board.h"
#include "panel/board_faces.h"
#include "panel/board_pane.h"
#include "panel/help_dialog.h"
#include "panel/model/study_status.h"
#include "panel_fixture.h"

namespace kit85 {
namespace {

using testing::Kit;

QMenu* boardMenu(KitWindow& w) {
    for (QAction* a : w.actions())
        if (a->menu() && a->menu()->objectName() == "boardMenu") return a->menu();
    qFatal("no board menu");
}

void choose(KitWindow& w, const char* item) {
    QMenu* menu = boardMenu(w);
    emit menu->aboutToShow();
    auto* a = menu->findChild<QAction*>(item);
    if (!a) qFatal("no board menu item %s", item);
    a->trigger();
}

QString status(Kit& k) { return QString::fromStdString(statusText(k.w().lastOutcome())); }

// Execute from 8000 and wait for the run to end.
void runToEnd(Kit& k) {
    k.keys("address 8 0 0 0 execute");
    QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 10000);
}

}  // namespace

class BoardPaneTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path()); }
    void init() {
        QSettings(QSettings::UserScope, "kit85", "kit85").clear();
        rememberStudyView(false);
    }
    void theMenuSwitchesTheBoardAndIsRemembered();
    void aProfileThatCannotBeReadIsNamed_data();
    void aProfileThatCannotBeReadIsNamed();
    void outToTheLedsLightsThePane_data();
    void outToTheLedsLightsThePane();
    void aClickedSwitchIsReadByIn_data();
    void aClickedSwitchIsReadByIn();
    void anInterruptKeyWakesAWaitingHalt_data();
    void anInterruptKeyWakesAWaitingHalt();
    void theHelpsBlinkingLedBlinks();

private:
    QTemporaryDir dir_;
};

void BoardPaneTest::theMenuSwitchesTheBoardAndIsRemembered() {
    {
        Kit k;
        QVERIFY(!k.kit().board);
        QVERIFY(!k.w().boardPane());
        choose(k.w(), "board-lab");
        QVERIFY(k.kit().board);
        QCOMPARE(k.w().boardProfile(), QString("lab"));
        QCOMPARE(k.kit().board->profile().name, std::string("lab"));
        // The study view opens on the Board tab.
        QVERIFY(k.w().studyOpen());
        auto* tabs = k.w().studyView()->findChild<QTabWidget*>("studyTabs");
        QCOMPARE(tabs->currentWidget(), k.w().boardPane());
        QVERIFY(k.w().boardPane()->face("leds"));
        QVERIFY(k.w().boardPane()->knob("adc"));
    }
    {
        Kit k;  // the next start: the board as it was left
        QTRY_VERIFY(k.kit().board);
        QCOMPARE(k.w().boardProfile(), QString("lab"));
        choose(k.w(), "boardOff");
        QVERIFY(!k.kit().board);
        QVERIFY(!k.w().boardPane());
        QCOMPARE(k.w().studyView()->findChild<QTabWidget*>("studyTabs")->indexOf(k.w().boardPane()), -1);
    }
    Kit k;
    QTest::qWait(20);
    QVERIFY(!k.kit().board);
    QCOMPARE(rememberedBoard(), QString());
}

void BoardPaneTest::aProfileThatCannotBeReadIsNamed_data() {
    QTest::addColumn<QString>("text");  // the file's text; none: no such file
    QTest::addColumn<QString>("named");
    QTest::newRow("no such file") << QString() << "missing.toml";
    QTest::newRow("not TOML") << "name = \"x\"\n[[device]\n"
                              << "bad.toml:2";
    QTest::newRow("an unknown device kind") << "name = \"x\"\n[[device]]\nkind = \"lamp\"\nname = \"l\"\nport = 1\n"
                                            << "bad.toml:3";
}

// The message names the file and the place of the problem; the board
// stays as it was and the window goes on.
void BoardPaneTest::aProfileThatCannotBeReadIsNamed() {
    QFETCH(QString, text);
    QFETCH(QString, named);
    QString file = dir_.filePath("missing.toml");
    if (!text.isNull()) {
        file = dir_.filePath("bad.toml");
        std::ofstream(file.toStdString()) << text.toStdString();
    }
    Kit k;
    QVERIFY(k.w().setBoard("bare"));
    QVERIFY(!k.w().setBoard(file));
    QCOMPARE(k.presenter.shown.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(k.presenter.shown[0].text).contains(named), k.presenter.shown[0].text.c_str());
    QCOMPARE(k.w().boardProfile(), QString("bare"));
    QCOMPARE(k.kit().board->profile().name, std::string("bare"));
    QCOMPARE(rememberedBoard(), QString("bare"));
}

void BoardPaneTest::outToTheLedsLightsThePane_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<int>("lit");
    // lab: the 8255's port A set to output, then A5 on it.
    QTest::newRow("lab, 8255 port A") << "lab" << QStringList{"3E", "80", "D3", "03", "3E", "A5", "D3", "00", "76"}
                                      << 0xA5;
    // trainer80: active-low LEDs on port 80: 0F lights the upper four.
    QTest::newRow("trainer80, active low")
        << "trainer80" << QStringList{"3E", "80", "D3", "83", "3E", "0F", "D3", "80", "76"} << 0xF0;
    // bare: a plain latch on port 00.
    QTest::newRow("bare, latched port") << "bare" << QStringList{"3E", "3C", "D3", "00", "76"} << 0x3C;
    // Written while the 8255's ports are still inputs: nothing lights.
    QTest::newRow("lab, before the control word") << "lab" << QStringList{"3E", "FF", "D3", "00", "76"} << 0x00;
}

void BoardPaneTest::outToTheLedsLightsThePane() {
    QFETCH(QString, profile);
    QFETCH(QStringList, program);
    QFETCH(int, lit);
    Kit k;
    QVERIFY(k.w().setBoard(profile));
    k.load("8000", program);
    runToEnd(k);
    QCOMPARE(k.lastRun().reason, StopReason::Halt);
    BoardPane* pane = k.w().boardPane();
    QCOMPARE(int(pane->shown().devices[0].lit), lit);
    QCOMPARE(int(pane->face("leds")->view().lit), lit);
}

void BoardPaneTest::aClickedSwitchIsReadByIn_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("a");
    // lab: port B an input (control 82), IN 01.
    const QStringList lab{"3E", "82", "D3", "03", "DB", "01", "76"};
    QTest::newRow("lab, bits 0 and 7") << "lab" << lab << QList<int>{0, 7} << "81";
    QTest::newRow("lab, a bit clicked twice") << "lab" << lab << QList<int>{3, 3, 1} << "02";
    // trainer80's switches start at FF: a click turns one off.
    QTest::newRow("trainer80, from FF") << "trainer80" << QStringList{"3E", "82", "D3", "83", "DB", "81", "76"}
                                        << QList<int>{4} << "EF";
    QTest::newRow("bare, a plain port") << "bare" << QStringList{"DB", "01", "76"} << QList<int>{2, 5} << "24";
}

void BoardPaneTest::aClickedSwitchIsReadByIn() {
    QFETCH(QString, profile);
    QFETCH(QStringList, program);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, a);
    Kit k;
    QVERIFY(k.w().setBoard(profile));
    DeviceFace* switches = k.w().boardPane()->face("switches");
    QVERIFY(QTest::qWaitForWindowExposed(switches->window()));
    for (int bit : clicks) QTest::mouseClick(switches, Qt::LeftButton, {}, switches->leverRect(bit).center());
    k.load("8000", program);
    runToEnd(k);
    QCOMPARE(QString::fromStdString(k.kit()[A].str()), a);
}

void BoardPaneTest::anInterruptKeyWakesAWaitingHalt_data() {
    QTest::addColumn<bool>("press");  // the RST 7.5 key; else Stop
    QTest::newRow("RST 7.5 key") << true;
    QTest::newRow("Stop") << false;
}

// A stack, SIM unmasks the interrupts, EI, HLT: the kit waits. RST 7.5 goes through
// the monitor's vector at 003C to 8FBF, where INR B and RET come back to
// MOV A,B and a HLT with IE off, which ends the run.
void BoardPaneTest::anInterruptKeyWakesAWaitingHalt() {
    QFETCH(bool, press);
    Kit k;
    QVERIFY(k.w().setBoard("lab"));
    k.load("8FBF", {"04", "C9"});  // INR B; RET
    // LXI SP,8F00; MVI A,08; SIM; EI; HLT; MOV A,B; HLT
    k.load("8000", {"31", "00", "8F", "3E", "08", "30", "FB", "76", "78", "76"});
    k.keys("address 8 0 0 0 execute");
    QTRY_VERIFY_WITH_TIMEOUT(status(k).startsWith("waiting for an interrupt at 8007 (HLT)"), 5000);
    QVERIFY(k.w().running());
    QTRY_VERIFY(k.w().boardPane()->stateLabel()->text().contains("waiting for an interrupt"));
    if (press) {
        QTest::mouseClick(k.w().boardPane()->lineKey(board::Line::Rst75), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 5000);
        QCOMPARE(k.lastRun().reason, StopReason::Halt);
        QVERIFY2(status(k).startsWith("halted at 8009"), qPrintable(status(k)));
        QCOMPARE(QString::fromStdString(k.kit()[A].str()), QString("01"));
    } else {
        k.keys("stop");
        QVERIFY(!k.w().running());
        QVERIFY2(status(k).startsWith("stopped by Stop while waiting for an interrupt at 8007"), qPrintable(status(k)));
        QCOMPARE(QString::fromStdString(k.kit()[B].str()), QString("00"));
    }
    QVERIFY(!k.w().boardPane()->stateLabel()->text().contains("waiting") || !press);
}

// The help's board program, keyed from its "Bytes:" line and stepped as it
// says: lit after five Step Exe presses, dark five presses later.
void BoardPaneTest::theHelpsBlinkingLedBlinks() {
    HelpDialog help{QString()};
    const QString page = help.findChild<QTextBrowser*>("boardProgram")->toPlainText();
    const QStringList bytes = page.section("Bytes: ", 1).section('\n', 0, 0).split(' ', Qt::SkipEmptyParts);
    QCOMPARE(bytes.size(), 21);
    Kit k;
    choose(k.w(), "board-lab");
    k.load("8000", bytes);
    k.keys("address 8 0 0 0 stepexe stepexe stepexe stepexe stepexe");
    QCOMPARE(int(k.w().boardPane()->shown().devices[0].lit), 0xFF);
    k.keys("stepexe stepexe stepexe stepexe stepexe");
    QCOMPARE(int(k.w().boardPane()->shown().devices[0].lit), 0x00);
    QCOMPARE(QString::fromStdString(k.w().memory().text1().str()), QString("800B"));
}

}  // namespace kit85

QTEST_MAIN(kit85::BoardPaneTest)
#include "board_pane_test.moc"
