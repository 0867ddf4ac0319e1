// The study view for a student: docking at small screens, breakpoints one
// can see, confirmations on the status line, the menus' actions and the help.

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include "panel/help_dialog.h"
#include "panel/kit_dock.h"
#include "panel/study_dialogs.h"
#include "panel/study_placement.h"
#include "panel/study_view.h"
#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::Kit;

namespace {

QString statusOf(KitWindow& w) { return w.studyView()->findChild<QLabel*>("status")->text(); }

// Every kit key whose rectangle, in the dock, meets the study view's.
QStringList coveredKeys(KitWindow& w, const QRect& study) {
    QStringList out;
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
        const QRect r(b->mapTo(w.window(), QPoint(0, 0)), b->size());
        if (r.intersects(study) || !w.window()->rect().contains(r)) out << b->objectName();
    }
    return out;
}

}  // namespace

class StudyFeaturesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void dockedFitsSmallScreens_data();
    void dockedFitsSmallScreens();
    void floatingViewFitsBesideTheKit_data();
    void floatingViewFitsBesideTheKit();
    void kitComesBackWhereItWas_data();
    void kitComesBackWhereItWas();
    void breakpointStopOpensTheView();
    void startSaysWhichBreakpointsTheFileHolds();
    void breakpointListSwitchesRemovesAndClears();
    void breakpointListRestsDuringARun();
    void runToHereStopsOnceThere();
    void confirmationsOnTheStatusLine_data();
    void confirmationsOnTheStatusLine();
    void undoAndRedoOfAProgramGoToItsFirstRow();
    void aRunAfterAResetLeavesTheStepsBeforeIt();
    void fillAndResetAreEachOneUndoStep();
    void goToAddressBelowTheFloorOnlyShows();
    void emptiedFieldTakesOkAway();
    void rateFieldCorrectsAndSaysWhy_data();
    void rateFieldCorrectsAndSaysWhy();
    void aStepThatChangesNothingClearsTheMarks();
    void kitSpeedRunShowsItsClock();
    void helpTeachesAndFindsInstructions();
    void theFirstProgramWalkThroughHolds();

private:
    QTemporaryDir settings_;
};

void StudyFeaturesTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

void StudyFeaturesTest::init() {
    rememberStudyView(false);
    rememberStudyDocked(false);
    rememberRunSpeed({});
}

void StudyFeaturesTest::dockedFitsSmallScreens_data() {
    QTest::addColumn<QSize>("screen");  // what the dock may take of it
    QTest::addColumn<bool>("panel");    // the register panel shown
    QTest::newRow("1024x768") << QSize(1024, 700) << false;
    QTest::newRow("1024x768, register panel") << QSize(1024, 700) << true;
    QTest::newRow("1366x768") << QSize(1366, 700) << false;
    QTest::newRow("1366x768, register panel") << QSize(1366, 700) << true;
}

// Docked, kit and view fit the screen, no kit key is under the view, and the
// view keeps its panes usable (the instructions show some lines).
void StudyFeaturesTest::dockedFitsSmallScreens() {
    QFETCH(QSize, screen);
    QFETCH(bool, panel);
    Kit k;
    rememberStudyDocked(true);
    if (panel) k.keys("regmod");
    k.w().setStudyOpen(true);
    KitDock* dock = k.w().dock();
    QVERIFY(dock);
    QVERIFY(QTest::qWaitForWindowExposed(dock));
    QVERIFY2(dock->minimumSizeHint().width() <= screen.width() && dock->minimumSizeHint().height() <= screen.height(),
             qPrintable(QString("the dock needs at least %1x%2")
                            .arg(dock->minimumSizeHint().width())
                            .arg(dock->minimumSizeHint().height())));
    dock->resize(screen);
    QTRY_COMPARE(dock->size(), screen);
    StudyView* view = k.w().studyView();
    const QRect study(view->mapTo(dock, QPoint(0, 0)), view->size());
    QCOMPARE(coveredKeys(k.w(), study), QStringList());
    QVERIFY(view->instructionsPane()->lineCount() >= InstructionsPane::kFewestLines);
    QCOMPARE(k.field("Text1.visible"), QString("1"));
    // The kit's keys still work in the dock, and the view follows.
    k.keys("address 8 0 0 0 3 E");
    QCOMPARE(view->findChild<QLabel*>("decode")->text(), QString("8000: 3E  MVI A,data \u2014 2 bytes"));
}

void StudyFeaturesTest::floatingViewFitsBesideTheKit_data() {
    QTest::addColumn<QRect>("screen");  // available
    QTest::addColumn<QRect>("kit");     // its frame
    QTest::addColumn<QPoint>("kitTo");
    QTest::addColumn<QRect>("view");
    const QSize kit(426, 293);
    // The view as it opens (1147x640); its minimum 527x579.
    QTest::newRow("1366x768: narrower, the kit moved over")
        << QRect(0, 0, 1366, 740) << QRect(QPoint(470, 40), kit) << QPoint(0, 40) << QRect(434, 40, 932, 640);
    QTest::newRow("1024x768: narrower still") << QRect(0, 0, 1024, 740) << QRect(QPoint(299, 40), kit)
                                               << QPoint(0, 40) << QRect(434, 40, 590, 640);
    QTest::newRow("1600x1000: whole, the kit moved over") << QRect(0, 0, 1600, 972) << QRect(QPoint(587, 40), kit)
                                                           << QPoint(9, 40) << QRect(443, 40, 1147, 640);
    QTest::newRow("room on the right") << QRect(0, 0, 1920, 1050) << QRect(QPoint(100, 40), kit) << QPoint(100, 40)
                                       << QRect(534, 40, 1147, 640);
    QTest::newRow("room on the left") << QRect(0, 0, 1920, 1050) << QRect(QPoint(1400, 40), kit)
                                      << QPoint(1400, 40) << QRect(245, 40, 1147, 640);
    QTest::newRow("a short screen: shorter, not off its bottom")
        << QRect(0, 24, 1366, 600) << QRect(QPoint(0, 300), kit) << QPoint(0, 300) << QRect(434, 24, 932, 600);
}

// A floating view never covers the kit's keys where the screen has room for
// both, and never stands off the screen.
void StudyFeaturesTest::floatingViewFitsBesideTheKit() {
    QFETCH(QRect, screen);
    QFETCH(QRect, kit);
    QFETCH(QPoint, kitTo);
    QFETCH(QRect, view);
    const StudyPlacement p = placeStudyBeside(screen, kit, QSize(1147, 640), QSize(527, 579), 8);
    QCOMPARE(p.kit, kitTo);
    QCOMPARE(p.view, view);
    QVERIFY(!p.view.intersects(QRect(p.kit, kit.size())));
    QVERIFY(screen.contains(p.view));
}

void StudyFeaturesTest::kitComesBackWhereItWas_data() {
    QTest::addColumn<bool>("docked");
    QTest::newRow("floating") << false;
    QTest::newRow("docked") << true;
}

void StudyFeaturesTest::kitComesBackWhereItWas() {
    QFETCH(bool, docked);
    Kit k;
    rememberStudyDocked(docked);
    const QPoint before = k.w().pos();
    k.w().setStudyOpen(true);
    QVERIFY(k.w().studyOpen());
    QCOMPARE(k.w().studyDocked(), docked);
    k.w().setStudyOpen(false);
    QVERIFY(!k.w().studyOpen());
    QVERIFY(k.w().isWindow());
    QCOMPARE(k.w().pos(), before);
}

// Breakpoint at 8004, the view closed, Execute from 8000: the run stops
// there and the view opens to say so.
void StudyFeaturesTest::breakpointStopOpensTheView() {
    Kit k;
    k.load("8000", {"3E", "05", "3C", "3C", "3C", "76"});
    k.w().memory().setBreakpoint(Text("8004"), true);
    k.keys("execute");
    QTRY_VERIFY(!k.w().running());
    CHECK_KIT(k, "Text1=8004;A=07");
    QVERIFY(k.w().studyOpen());
    QVERIFY2(statusOf(k.w()).startsWith("breakpoint at 8004 after 3 instructions"), qPrintable(statusOf(k.w())));
}

void StudyFeaturesTest::startSaysWhichBreakpointsTheFileHolds() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("m.sqlite").toStdString();
    {
        auto m = MemoryTable::open(file);
        m->setBreakpoint(Text("8104"), true);
        m->setBreakpoint(Text("8004"), true);
        m->setBreakpoint(Text("8200"), BreakpointState::Off);
        m->setWatchpoint(Text("9000"), kWatchWrite);
    }
    Kit k(MemoryTable::open(file));
    k.w().setStudyOpen(true);
    QCOMPARE(statusOf(k.w()), QString("the memory file holds 2 breakpoints: 8004, 8104 (and 1 turned off); 1 "
                                      "watchpoint: 9000 (w) (F7: the study view lists them; Execute stops there)"));
    QTreeWidget* list = k.w().studyView()->breakpointsPane()->list();
    QCOMPARE(list->topLevelItem(2)->text(0), QString("8200"));
    QCOMPARE(list->topLevelItem(2)->checkState(0), Qt::Unchecked);  // off, as the last session left it
}

void StudyFeaturesTest::breakpointListSwitchesRemovesAndClears() {
    Kit k;
    k.w().setStudyOpen(true);
    k.load("8000", {"3E", "05", "76"});
    k.w().starts().noteKeyedAddress(0x8000);
    for (const char* a : {"8000", "8001", "8002"}) k.w().memory().setBreakpoint(Text(a), true);
    k.w().refresh();
    QTreeWidget* list = k.w().studyView()->breakpointsPane()->list();
    auto rows = [list] {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* it = list->topLevelItem(i);
            out << (it->checkState(0) == Qt::Checked ? "on " : "off ") + it->text(0) + " " + it->text(1);
        }
        return out.join("; ");
    };
    QCOMPARE(rows(), QString("on 8000 MVI A,05; on 8001 operand of MVI A,05 at 8000: a run never stops here; "
                             "on 8002 HLT"));
    list->topLevelItem(2)->setCheckState(0, Qt::Unchecked);  // off: kept in the list and, apart, in the file
    QVERIFY(!k.w().memory().breakpoints().at(Text("8002")));
    QVERIFY(k.w().memory().breakpointsOff().contains(0x8002));
    QCOMPARE(rows(), QString("on 8000 MVI A,05; on 8001 operand of MVI A,05 at 8000: a run never stops here; "
                             "off 8002 HLT"));
    list->setCurrentItem(list->topLevelItem(1));
    QTest::mouseClick(k.w().studyView()->findChild<QPushButton*>("removeBreakpoint"), Qt::LeftButton);
    QCOMPARE(rows(), QString("on 8000 MVI A,05; off 8002 HLT"));
    QTest::mouseClick(k.w().studyView()->findChild<QPushButton*>("clearBreakpoints"), Qt::LeftButton);
    QCOMPARE(rows(), QString());
    QVERIFY(k.w().memory().breakpoints().empty());
    QVERIFY(k.w().memory().breakpointsOff().empty());
    QCOMPARE(statusOf(k.w()), QString("cleared 2 breakpoints"));
}

// While a run goes on the kit takes no change to its breakpoints: the list
// takes no ticks then, so it never shows one off that still stops the run.
void StudyFeaturesTest::breakpointListRestsDuringARun() {
    Kit k;
    k.w().setStudyOpen(true);
    k.w().setRunSpeed({Speed::Kit, 10});
    k.load("8000", {"00", "C3", "00", "80"});  // NOP; JMP 8000
    k.w().memory().setBreakpoint(Text("9000"), true);
    k.w().refresh();
    QTreeWidget* list = k.w().studyView()->breakpointsPane()->list();
    QVERIFY(list->isEnabled());
    k.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(k.w().runSlices() >= 2, 20000);
    QVERIFY(!list->isEnabled());
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Space);  // untick it
    QTest::mouseClick(k.w().studyView()->findChild<QPushButton*>("clearBreakpoints"), Qt::LeftButton);
    QCOMPARE(list->topLevelItem(0)->checkState(0), Qt::Checked);
    QVERIFY(k.w().memory().breakpoints().at(Text("9000")));
    k.keys("stop");
    QTRY_VERIFY(!k.w().running());
    QVERIFY(list->isEnabled());
}

void StudyFeaturesTest::runToHereStopsOnceThere() {
    Kit k;
    k.w().setStudyOpen(true);
    k.load("8000", {"3C", "3C", "3C", "76"});  // INR A x3, HLT
    k.w().runToHere(*k.w().memory().rowOf(Text("8002")));
    QTRY_VERIFY(!k.w().running());
    CHECK_KIT(k, "Text1=8002;A=02");
    QVERIFY(k.w().memory().breakpoints().empty());  // nothing left behind
    k.keys("execute");
    QTRY_VERIFY(!k.w().running());
    CHECK_KIT(k, "Text1=8003;A=03");
}

void StudyFeaturesTest::confirmationsOnTheStatusLine_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("status");
    QTest::newRow("F9 on") << "address 8 0 0 4 F9"
                           << "breakpoint set at 8004: Execute stops before running it";
    QTest::newRow("F9 on an operand") << "address 8 0 0 0 3 E next 0 5 address 8 0 0 1 F9"
                                      << "breakpoint set at 8001, an operand of MVI A,05 at 8000: a run never stops "
                                         "there (set it on 8000)";
    QTest::newRow("F9 off") << "address 8 0 0 4 F9 F9"
                            << "breakpoint at 8004 cleared";
    QTest::newRow("undo") << "address 8 0 0 0 4 7 undo"
                          << "undone: 8000  47 \u2192 00";
    QTest::newRow("redo") << "address 8 0 0 0 4 7 undo redo"
                          << "redone: 8000  00 \u2192 47";
    QTest::newRow("a key clears it") << "address 8 0 0 4 F9 next"
                                     << "ready: key a program, then Execute (F5) or Step Exe (F10)";
}

void StudyFeaturesTest::confirmationsOnTheStatusLine() {
    QFETCH(QString, keys);
    QFETCH(QString, status);
    Kit k;
    k.w().setStudyOpen(true);
    for (const QString& key : keys.split(' ')) {
        if (key == "F9")
            k.w().findChild<QAction*>("breakpointAction")->trigger();
        else if (key == "undo" || key == "redo")
            k.w().undoKeyed(key == "undo");
        else
            k.keys(key);
    }
    QCOMPARE(statusOf(k.w()), status);
}

void StudyFeaturesTest::undoAndRedoOfAProgramGoToItsFirstRow() {
    Kit k;
    k.w().fillRange(0x8100, 0x8103, 0x76);
    k.keys("address 9 0 0 0");
    k.w().undoKeyed(true);
    CHECK_KIT(k, "Text1=8100;Text2=00");
    k.keys("address 9 0 0 0");
    k.w().undoKeyed(false);
    CHECK_KIT(k, "Text1=8100;Text2=76");
    // Rows below 8000 are not the keypad's: undo and redo stop at 8000, as
    // the fill (or an opened program) did.
    k.w().fillRange(0x7FFE, 0x8001, 0x11);
    CHECK_KIT(k, "Text1=8000;Text2=11");
    for (const bool undo : {true, false}) {
        k.keys("address 9 0 0 0");
        k.w().undoKeyed(undo);
        CHECK_KIT(k, undo ? "Text1=8000;Text2=00" : "Text1=8000;Text2=11");
    }
}

// A run after Reset registers changes what the reset set, so the reset can
// no longer be taken back; the keyed steps before it still can.
void StudyFeaturesTest::aRunAfterAResetLeavesTheStepsBeforeIt() {
    Kit k;
    k.w().setStudyOpen(true);
    k.keys("address 8 0 0 0 3 E next 0 5 next 7 6");
    k.kit()[A] = Text("3E");
    k.w().resetRegisters();
    k.keys("address 8 0 0 0 stepexe");
    CHECK_KIT(k, "A=05");
    k.w().undoKeyed(true);
    QVERIFY2(statusOf(k.w()).contains("the step is dropped from the history"), qPrintable(statusOf(k.w())));
    CHECK_KIT(k, "A=05");
    k.w().undoKeyed(true);
    QCOMPARE(statusOf(k.w()), QString("undone: 8002  76 \u2192 00"));
    // Reset twice, the second a step of its own; undo takes the second back.
    k.w().resetRegisters();
    k.w().resetRegisters();
    QCOMPARE(statusOf(k.w()), QString("the registers and flags were 00 already"));
    k.w().undoKeyed(true);
    CHECK_KIT(k, "A=05");
}

void StudyFeaturesTest::fillAndResetAreEachOneUndoStep() {
    Kit k;
    k.w().setStudyOpen(true);
    k.w().fillRange(0x8000, 0x80FF, 0xAA);
    QCOMPARE(statusOf(k.w()), QString("filled 8000\u201380FF with AA (256 bytes; Ctrl+Z takes it back)"));
    const MemoryTable& m = k.w().memory();
    QCOMPARE(m.dataAt(*m.rowOf(Text("80FF"))), Text("AA"));
    k.w().undoKeyed(true);
    QCOMPARE(m.dataAt(*m.rowOf(Text("8000"))), Text("00"));
    QCOMPARE(m.dataAt(*m.rowOf(Text("80FF"))), Text("00"));
    k.w().fillRange(0x8001, 0x8000, 0x11);  // refused, saying why
    QCOMPARE(k.presenter.shown.back().text, std::string("the end 8000 is before the start 8001; nothing was filled"));
    k.kit()[A] = Text("3E");
    k.kit()[SP] = Text("FFF0");
    k.kit().flags.clb = Text("1");
    k.w().resetRegisters();
    CHECK_KIT(k, "A=00;SP=0000;PC=0000;clb=0;F=00");
    QCOMPARE(statusOf(k.w()),
             QString("registers 00, PC and SP 0000, flags 0 (Ctrl+Z takes it back until a run or step changes them)"));
    // The reset is one undo step of its own, before the fill's.
    k.w().undoKeyed(true);
    CHECK_KIT(k, "A=3E;SP=FFF0;PC=0000;clb=1");
    QCOMPARE(statusOf(k.w()), QString("undone: registers: A 00\u2192"
                                      "3E, SP 0000\u2192"
                                      "FFF0, CY 0\u2192"
                                      "1"));
    k.w().undoKeyed(false);
    CHECK_KIT(k, "A=00;SP=0000;clb=0");
    k.w().resetRegisters();
    QCOMPARE(statusOf(k.w()), QString("the registers and flags were 00 already"));
    k.w().undoKeyed(true);  // the reset, not a step of nothing
    CHECK_KIT(k, "A=3E;SP=FFF0;clb=1");
    k.w().undoKeyed(true);  // the fill's step was undone before the reset, which ended its redo
    QCOMPARE(k.presenter.shown.back().text, std::string("nothing to undo"));
}

void StudyFeaturesTest::goToAddressBelowTheFloorOnlyShows() {
    Kit k;
    k.w().setStudyOpen(true);
    k.keys("address 8 1 0 0");
    k.w().studyView()->goToAddress(0x0040);
    CHECK_KIT(k, "Text1=8100");
    QVERIFY(!k.w().studyView()->memoryPane()->cellRect(0x0040).isEmpty());
    k.w().studyView()->goToAddress(0x9000);
    CHECK_KIT(k, "Text1=9000");
    QVERIFY(k.presenter.shown.empty());
}

// An emptied field takes OK away rather than closing the dialog as if it were
// cancelled; filled again, OK answers.
void StudyFeaturesTest::emptiedFieldTakesOkAway() {
    QWidget parent;
    bool okWhileEmpty = true;
    QTimer::singleShot(0, &parent, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) qFatal("no dialog");
        auto* field = dialog->findChild<QLineEdit*>("address");
        auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        field->clear();
        okWhileEmpty = ok->isEnabled();
        QTest::keyClicks(field, "9abc");
        ok->click();
    });
    QCOMPARE(askAddress(&parent, 0x8000), std::optional<uint16_t>(0x9ABC));
    QVERIFY(!okWhileEmpty);
}

void StudyFeaturesTest::rateFieldCorrectsAndSaysWhy_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("note");
    QTest::newRow("in range") << "25" << 25 << "";
    QTest::newRow("99 kept while typed, then 50") << "99" << 50 << "99 is more than slow motion runs";
    QTest::newRow("0") << "0" << 1 << "0 would never run an instruction";
    QTest::newRow("five digits kept while typed") << "12345" << 50 << "12345 is more than slow motion runs";
}

void StudyFeaturesTest::rateFieldCorrectsAndSaysWhy() {
    QFETCH(QString, typed);
    QFETCH(int, value);
    QFETCH(QString, note);
    Kit k;
    k.w().setStudyOpen(true);
    auto* speed = k.w().studyView()->findChild<QComboBox*>("speed");
    speed->setCurrentIndex(2);  // slow motion
    auto* rate = k.w().studyView()->findChild<QSpinBox*>("perSecond");
    auto* edit = rate->findChild<QLineEdit*>();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QVERIFY2(edit->text().startsWith(typed), qPrintable(edit->text()));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(rate->value(), value);
    QCOMPARE(k.w().runSpeed().perSecond, value);
    const QString shown = k.w().studyView()->findChild<QLabel*>("rateNote")->text();
    QVERIFY2(note.isEmpty() ? shown.isEmpty() : shown.startsWith(note), qPrintable(shown));
}

void StudyFeaturesTest::aStepThatChangesNothingClearsTheMarks() {
    Kit k;
    k.w().setStudyOpen(true);
    k.keys("address 8 0 0 0 0 0");  // NOP keyed: 8000 marked
    const int row = *k.w().memory().rowOf(Text("8000"));
    k.keys("stepexe");  // a NOP keyed over 00: nothing changes... the marks go
    QVERIFY(!k.w().studyView()->changedByLastAction(row));
    k.keys("address 8 0 0 0 3 E");
    QVERIFY(k.w().studyView()->changedByLastAction(row));
    k.keys("next");  // moving about keeps them
    QVERIFY(k.w().studyView()->changedByLastAction(row));
}

void StudyFeaturesTest::kitSpeedRunShowsItsClock() {
    Kit k;
    k.w().setStudyOpen(true);
    k.w().setRunSpeed({Speed::Kit, 10});
    k.load("8000", {"C3", "00", "80"});  // JMP 8000
    k.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(k.w().runSlices() >= 3, 20000);
    const QString running = statusOf(k.w());
    QVERIFY2(running.startsWith("running: ") && running.contains(" T-states = ") && running.endsWith(" so far"),
             qPrintable(running));
    k.keys("stop");
    QTRY_VERIFY(!k.w().running());
}

void StudyFeaturesTest::helpTeachesAndFindsInstructions() {
    HelpDialog help{QString()};
    QVERIFY(help.findChild<QWidget*>("firstProgram"));
    auto* table = help.findChild<QTableWidget*>("instructionTable");
    QCOMPARE(table->rowCount(), 246);
    auto shown = [table] {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r)
            if (!table->isRowHidden(r)) out << table->item(r, 1)->text();
        return out;
    };
    help.findChild<QLineEdit*>("instructionSearch")->setText("daa");
    QCOMPARE(shown(), QStringList{"DAA"});
    help.findChild<QLineEdit*>("instructionSearch")->setText("MVI A");
    QCOMPARE(shown(), QStringList{"MVI A,data"});
    help.findChild<QLineEdit*>("instructionSearch")->setText("");
    QCOMPARE(shown().size(), 246);
}

// The help's first program, keyed and run as it says: what it quotes is what
// the kit shows.
void StudyFeaturesTest::theFirstProgramWalkThroughHolds() {
    HelpDialog help{QString()};
    const QString page = help.findChild<QTextBrowser*>("firstProgram")->toPlainText();
    Kit k;
    k.w().setStudyOpen(true);
    k.keys("address 8 0 0 0 3 E next 0 5 next 0 6 next 0 3 next 8 0 next 7 6 address 8 0 0 0 execute");
    QTRY_VERIFY(!k.w().running());
    CHECK_KIT(k, "Text1=8005;A=08;zlb=0;clb=0");
    QVERIFY(page.contains("stop on 8005") && page.contains("A holds 08"));
    QStringList traces;
    k.keys("address 8 0 0 0");
    for (int i = 0; i < 3; ++i) {
        k.keys("stepexe");
        traces << k.w().studyView()->findChild<QLabel*>("trace")->text();
    }
    // The first step's PC line starts at the row it ran, not where the run ended.
    QVERIFY2(traces[0].contains("PC: 8000 \u2192 8002"), qPrintable(traces[0]));
    const QString quoted = page.section("(\"", 1).section("\")", 0, 0);
    QVERIFY2(traces[2].contains(quoted), qPrintable(quoted + " | " + traces[2]));
}

QTEST_MAIN(StudyFeaturesTest)
#include "study_features_test.moc"
