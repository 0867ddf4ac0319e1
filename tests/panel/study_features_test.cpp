// The study view for a student: docking at small screens, a view beside the
// kit, breakpoints one can see, Run to here, the slow-motion rate and the
// marks (the menus and the help: study_menus_test).

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "panel/kit_dock.h"
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
    void rateFieldCorrectsAndSaysWhy_data();
    void rateFieldCorrectsAndSaysWhy();
    void aStepThatChangesNothingClearsTheMarks();
    void kitSpeedRunShowsItsClock();

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
    auto* dock = qobject_cast<KitDock*>(k.w().window());
    QVERIFY(dock);
    QVERIFY(QTest::qWaitForWindowExposed(dock));
    QVERIFY2(dock->minimumSizeHint().width() <= screen.width() && dock->minimumSizeHint().height() <= screen.height(),
             qPrintable(QString("the dock needs at least %1x%2")
                            .arg(dock->minimumSizeHint().width())
                            .arg(dock->minimumSizeHint().height())));
    dock->resize(screen);
    QTRY_COMPARE(dock->size(), screen);
    StudyView* view = k.w().studyView();
    // The kit stands in the view's corner: its keys are under none of the
    // view's panes.
    for (const char* part : {"sideArea", "studyWork"}) {
        const QWidget* pane = view->findChild<QWidget*>(part);
        QCOMPARE(coveredKeys(k.w(), QRect(pane->mapTo(dock, QPoint(0, 0)), pane->size())), QStringList());
    }
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
    QCOMPARE(qobject_cast<KitDock*>(k.w().window()) != nullptr, docked);  // docked: the kit is in the dock
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
    k.chooseSpeed(Speed::Kit);
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
    k.runToHere("8002");
    QTRY_VERIFY(!k.w().running());
    CHECK_KIT(k, "Text1=8002;A=02");
    QVERIFY(k.w().memory().breakpoints().empty());  // nothing left behind
    k.keys("execute");
    QTRY_VERIFY(!k.w().running());
    CHECK_KIT(k, "Text1=8003;A=03");
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
    QCOMPARE(k.runSpeed().perSecond, value);
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
    k.chooseSpeed(Speed::Kit);
    k.load("8000", {"C3", "00", "80"});  // JMP 8000
    k.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(k.w().runSlices() >= 3, 20000);
    const QString running = statusOf(k.w());
    QVERIFY2(running.startsWith("running: ") && running.contains(" T-states = ") && running.endsWith(" so far"),
             qPrintable(running));
    k.keys("stop");
    QTRY_VERIFY(!k.w().running());
}

QTEST_MAIN(StudyFeaturesTest)
#include "study_features_test.moc"
