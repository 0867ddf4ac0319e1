// The study view's menus for a student: confirmations on the status line,
// undo and redo of what the menus did (Fill, Reset registers), Go to address,
// the dialogs' fields, and the help's first program and instruction search.

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include "panel/editor/source_editor.h"
#include "panel/help_dialog.h"
#include "panel/study_dialogs.h"
#include "panel/study_view.h"
#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::Kit;

namespace {

QString statusOf(KitWindow& w) { return w.studyView()->findChild<QLabel*>("status")->text(); }

}  // namespace

class StudyMenusTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void confirmationsOnTheStatusLine_data();
    void confirmationsOnTheStatusLine();
    void undoAndRedoOfAProgramGoToItsFirstRow();
    void aRunAfterAResetLeavesTheStepsBeforeIt();
    void fillAndResetAreEachOneUndoStep();
    void fillOffersTheSelectionAndAsksBeforeTheProgram();
    void goToAddressBelowTheFloorOnlyShows();
    void emptiedFieldTakesOkAway();
    void helpTeachesAndFindsInstructions();
    void helpListsEveryShortcutOfTheWindow();
    void theFirstProgramWalkThroughHolds();

private:
    QTemporaryDir settings_;
};

void StudyMenusTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

void StudyMenusTest::init() {
    rememberStudyView(false);
    rememberStudyDocked(false);
    rememberRunSpeed({});
}

void StudyMenusTest::confirmationsOnTheStatusLine_data() {
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

void StudyMenusTest::confirmationsOnTheStatusLine() {
    QFETCH(QString, keys);
    QFETCH(QString, status);
    Kit k;
    k.w().setStudyOpen(true);
    for (const QString& key : keys.split(' ')) {
        if (key == "F9")
            k.w().findChild<QAction*>("breakpointAction")->trigger();
        else if (key == "undo" || key == "redo")
            k.undo(key == "undo");
        else
            k.keys(key);
    }
    QCOMPARE(statusOf(k.w()), status);
}

void StudyMenusTest::undoAndRedoOfAProgramGoToItsFirstRow() {
    Kit k;
    k.fill(0x8100, 0x8103, 0x76);
    k.keys("address 9 0 0 0");
    k.undo(true);
    CHECK_KIT(k, "Text1=8100;Text2=00");
    k.keys("address 9 0 0 0");
    k.undo(false);
    CHECK_KIT(k, "Text1=8100;Text2=76");
    // Rows below 8000 are not the keypad's: undo and redo stop at 8000, as
    // the fill (or an opened program) did.
    k.fill(0x7FFE, 0x8001, 0x11);
    CHECK_KIT(k, "Text1=8000;Text2=11");
    for (const bool undo : {true, false}) {
        k.keys("address 9 0 0 0");
        k.undo(undo);
        CHECK_KIT(k, undo ? "Text1=8000;Text2=00" : "Text1=8000;Text2=11");
    }
}

// A run after Reset registers changes what the reset set, so the reset can
// no longer be taken back; the keyed steps before it still can.
void StudyMenusTest::aRunAfterAResetLeavesTheStepsBeforeIt() {
    Kit k;
    k.w().setStudyOpen(true);
    k.keys("address 8 0 0 0 3 E next 0 5 next 7 6");
    k.kit()[A] = Text("3E");
    k.resetRegisters();
    k.keys("address 8 0 0 0 stepexe");
    CHECK_KIT(k, "A=05");
    k.undo(true);
    QVERIFY2(statusOf(k.w()).contains("the step is dropped from the history"), qPrintable(statusOf(k.w())));
    CHECK_KIT(k, "A=05");
    k.undo(true);
    QCOMPARE(statusOf(k.w()), QString("undone: 8002  76 \u2192 00"));
    // Reset twice, the second a step of its own; undo takes the second back.
    k.resetRegisters();
    k.resetRegisters();
    QCOMPARE(statusOf(k.w()), QString("the registers and flags were 00 already"));
    k.undo(true);
    CHECK_KIT(k, "A=05");
}

void StudyMenusTest::fillAndResetAreEachOneUndoStep() {
    Kit k;
    k.w().setStudyOpen(true);
    k.fill(0x8000, 0x80FF, 0xAA);
    QCOMPARE(statusOf(k.w()), QString("filled 8000\u201380FF with AA (256 bytes; Ctrl+Z takes it back)"));
    const MemoryTable& m = k.w().memory();
    QCOMPARE(m.dataAt(*m.rowOf(Text("80FF"))), Text("AA"));
    k.undo(true);
    QCOMPARE(m.dataAt(*m.rowOf(Text("8000"))), Text("00"));
    QCOMPARE(m.dataAt(*m.rowOf(Text("80FF"))), Text("00"));
    k.fill(0x8001, 0x8000, 0x11);  // refused, saying why
    QCOMPARE(k.presenter.shown.back().text, std::string("the end 8000 is before the start 8001; nothing was filled"));
    k.kit()[A] = Text("3E");
    k.kit()[SP] = Text("FFF0");
    k.kit().flags.clb = Text("1");
    k.resetRegisters();
    CHECK_KIT(k, "A=00;SP=0000;PC=0000;clb=0;F=00");
    QCOMPARE(statusOf(k.w()),
             QString("registers 00, PC and SP 0000, flags 0 (Ctrl+Z takes it back until a run or step changes them)"));
    // The reset is one undo step of its own, before the fill's.
    k.undo(true);
    CHECK_KIT(k, "A=3E;SP=FFF0;PC=0000;clb=1");
    QCOMPARE(statusOf(k.w()), QString("undone: registers: A 00\u2192"
                                      "3E, SP 0000\u2192"
                                      "FFF0, CY 0\u2192"
                                      "1"));
    k.undo(false);
    CHECK_KIT(k, "A=00;SP=0000;clb=0");
    k.resetRegisters();
    QCOMPARE(statusOf(k.w()), QString("the registers and flags were 00 already"));
    k.undo(true);  // the reset, not a step of nothing
    CHECK_KIT(k, "A=3E;SP=FFF0;clb=1");
    k.undo(true);  // the fill's step was undone before the reset, which ended its redo
    QCOMPARE(k.presenter.shown.back().text, std::string("nothing to undo"));
}

// Fill offers the rows selected in the memory pane, or nothing; a fill over
// the program loaded last is asked first, and No leaves it whole.
void StudyMenusTest::fillOffersTheSelectionAndAsksBeforeTheProgram() {
    Kit k;
    k.w().setStudyOpen(true);
    k.w().studyView()->showEditor();
    k.w().sourceEditor().text()->setText("        ORG 8000H\n        MVI A,05H\n        HLT\n");
    QVERIFY(k.w().sourceEditor().assembleAndLoad());
    StudyView* view = k.w().studyView();
    std::vector<std::optional<FillRequest>> offered;
    std::optional<FillRequest> answer;
    QStringList asked;
    bool yes = false;
    view->setFillDialogs({[&](const std::optional<FillRequest>& o) {
                              offered.push_back(o);
                              return answer;
                          },
                          [&](const QString& question) {
                              asked << question;
                              return yes;
                          }});
    auto fill = [&] { view->findChild<QAction*>("fillAction")->trigger(); };
    const MemoryTable& m = k.w().memory();
    auto at = [&](const char* address) { return QString::fromStdString(m.dataAt(*m.rowOf(Text(address))).str()); };

    fill();  // nothing selected: nothing offered
    QVERIFY(offered.back() == std::nullopt);

    // A click on 8100, then Shift and a click on 810F, selects the sixteen rows.
    MemoryPane* pane = view->memoryPane();
    view->findChild<QTabWidget*>("studyTabs")->setCurrentWidget(pane);
    pane->showAddress(0x8100);
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, pane->cellRect(0x8100).center());
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::ShiftModifier, pane->cellRect(0x810F).center());
    answer = FillRequest{0x8100, 0x810F, 0x76};
    fill();
    QVERIFY(offered.back() && offered.back()->start == 0x8100 && offered.back()->end == 0x810F);
    QVERIFY(asked.isEmpty());
    QCOMPARE(at("810F"), QString("76"));

    answer = FillRequest{0x8000, 0x80FF, 0x00};
    fill();  // over the program: asked, and No fills nothing
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.back(), QString("8000\u20138002 holds the program loaded last. Fill 8000\u201380FF with 00 over it? "
                                   "(Ctrl+Z takes it back)"));
    QCOMPARE(at("8000"), QString("3E"));
    yes = true;
    fill();
    QCOMPARE(at("8000"), QString("00"));
}

void StudyMenusTest::goToAddressBelowTheFloorOnlyShows() {
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
void StudyMenusTest::emptiedFieldTakesOkAway() {
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

void StudyMenusTest::helpTeachesAndFindsInstructions() {
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
    QVERIFY(help.findChild<QTextBrowser*>("instructionDetail")->toPlainText().contains("A=9B \u2192 A=01"));
    help.findChild<QLineEdit*>("instructionSearch")->setText("decimal");
    QVERIFY(shown().contains("DAA"));
    // A search that matches nothing says so instead of showing an empty table.
    auto* none = help.findChild<QLabel*>("instructionNone");
    help.findChild<QLineEdit*>("instructionSearch")->setText("xyzzy");
    QVERIFY(shown().isEmpty());
    QVERIFY(table->isHidden() && !none->isHidden());
    QVERIFY2(none->text().contains("no instruction matches"), qPrintable(none->text()));
    help.findChild<QLineEdit*>("instructionSearch")->setText("MVI A");
    QCOMPARE(shown(), QStringList{"MVI A,data"});
    help.findChild<QLineEdit*>("instructionSearch")->setText("");
    QCOMPARE(shown().size(), 246);
    QVERIFY(!table->isHidden() && none->isHidden());
}

// The Keys tab lists every action with a shortcut that the window, its study
// view and the editor in it hold, with its keys.
void StudyMenusTest::helpListsEveryShortcutOfTheWindow() {
    Kit k;
    k.w().setStudyOpen(true);
    k.w().findChild<QAction*>("helpAction")->trigger();
    auto* help = k.w().findChild<QDialog*>("helpfm");
    QVERIFY(help);
    const QString keys = help->findChild<QLabel*>("keys")->text();
    QStringList missing;
    QList<QWidget*> holders = k.w().findChildren<QWidget*>() + k.w().studyView()->findChildren<QWidget*>();
    holders << &k.w() << k.w().studyView();
    for (const QWidget* holder : holders)
        for (const QAction* a : holder->actions())
            for (const QKeySequence& s : a->shortcuts()) {
                const QString row = s.toString(QKeySequence::NativeText).toHtmlEscaped() + "</b></td><td>" +
                                    QString(a->text()).remove('&').toHtmlEscaped();
                if (!keys.contains(row)) missing << a->text() + " " + s.toString();
            }
    for (const char* named : {"F8", "Ctrl+K", "Ctrl+G", "Ctrl+F", "F7", "F9"})
        if (!keys.contains(QString("<b>%1</b>").arg(named))) missing << named;
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ") + " not in\n" + keys));
}

// The help's first program, keyed and run as it says: what it quotes is what
// the kit shows.
void StudyMenusTest::theFirstProgramWalkThroughHolds() {
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

QTEST_MAIN(StudyMenusTest)
#include "study_menus_test.moc"
