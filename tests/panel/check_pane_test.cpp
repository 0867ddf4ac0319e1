// "Check my program" in the kit window, offscreen: a lab opened with Ctrl+K,
// the check run on the keyed program, a failing case with its values, "show"
// putting a case's inputs into the kit, and the kit's own memory and
// registers untouched by the check.

#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

#include "panel/check_pane.h"
#include "panel/kit_window.h"
#include "panel_fixture.h"

namespace kit85 {
namespace {

using testing::Kit;

constexpr const char* kLab = R"(name = "Sum"
[[case]]
name = "small"
memory = { "8050" = "05 03" }
registers = { B = "09" }
[case.expect]
memory = { "8052" = "08" }
[[case]]
name = "carry"
memory = { "8050" = "F0 20" }
flags = { CY = 1 }
[case.expect]
memory = { "8052" = "10" }
flags = { CY = 1 }
[[case]]
name = "secret one"
hidden = true
memory = { "8050" = "01 01" }
[case.expect]
memory = { "8052" = "02" }
[[case]]
name = "secret two"
hidden = true
memory = { "8050" = "80 80" }
[case.expect]
memory = { "8052" = "00" }
flags = { Z = 1 }
)";

// LDA 8050, MOV B,A, LDA 8051, ADD B, STA 8052, HLT: right on every case.
const QStringList kRight = {"3A", "50", "80", "47", "3A", "51", "80", "80", "32", "52", "80", "76"};
// The same with SUB B: wrong wherever the two bytes differ.
const QStringList kWrong = {"3A", "50", "80", "47", "3A", "51", "80", "90", "32", "52", "80", "76"};

// Every row's text and every register and flag of the kit, to compare before and after.
std::string kitImage(KitWindow& w) {
    std::string s;
    const MemoryTable& m = w.memory();
    for (int row = 0; row < m.size(); ++row) s += m.dataAt(row).str() + ",";
    for (const RegisterField& f : kRegisterFields) s += std::string(f.name) + "=" + w.kit()[f.reg].str() + ";";
    for (const FlagField& f : kFlagFields) s += std::string(f.name) + "=" + (w.kit().flags.*f.label).str() + ";";
    return s + "cursor=" + std::to_string(m.cursor());
}

}  // namespace

class CheckPaneTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void checks_data();
    void checks();
    void showLoadsTheCaseInputs();
    void aBadLabFileIsNamedAndTheOneBeforeKept();

private:
    CheckPane* openLab(Kit& k, const QString& text);
    QTemporaryDir settings_;
    QTemporaryDir dir_;
};

// The kit's settings (the study view's) go to a private folder, never the user's.
void CheckPaneTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

// The lab written to a file and opened through Ctrl+K, its dialog answered.
CheckPane* CheckPaneTest::openLab(Kit& k, const QString& text) {
    const QString file = dir_.filePath("lab.toml");
    std::ofstream(file.toStdString()) << text.toStdString();
    CheckPane* pane = CheckPane::of(k.w());
    if (!pane) return nullptr;
    pane->setDialogs({[file](const QString&) { return file; }});
    QTest::keyClick(&k.w(), Qt::Key_K, Qt::ControlModifier);
    return pane;
}

void CheckPaneTest::checks_data() {
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<QStringList>("rows");  // the visible cases as listed
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("hidden");
    QTest::addColumn<QString>("detail");  // of the second case
    QTest::newRow("passes") << kRight << QStringList{"\u2714 small", "\u2714 carry"} << "4 of 4 cases passed"
                            << "2 hidden cases: all passed"
                            << "\u2714 stop: halt\n\u2714 8052: 10\n\u2714 CY: 1";
    QTest::newRow("fails with its values")
        << kWrong
        << QStringList{"\u2718 small: 8052: expected 08, got FE", "\u2718 carry: 8052: expected 10, got 30"}
        << "1 of 4 cases passed"
        << "2 hidden cases: 1 failed"
        << "\u2714 stop: halt\n\u2718 8052: expected 10, got 30\n\u2714 CY: 1";
}

// Check runs every case on a copy: the kit's memory, registers, flags and
// current row are as they were.
void CheckPaneTest::checks() {
    QFETCH(QStringList, program);
    QFETCH(QStringList, rows);
    QFETCH(QString, status);
    QFETCH(QString, hidden);
    QFETCH(QString, detail);
    Kit k;
    k.load("8000", program);
    k.load("8050", {"AA", "BB", "CC"});  // what the student left there
    k.kit()[A] = Text("5A");
    CheckPane* pane = openLab(k, kLab);
    QVERIFY(pane);
    QVERIFY(k.w().studyOpen());
    QVERIFY(pane->isVisible());
    QCOMPARE(pane->caseList()->count(), 2);  // the hidden cases are not listed
    QCOMPARE(pane->hiddenText(), QString("2 hidden cases"));
    const std::string before = kitImage(k.w());
    const std::size_t pending = k.w().memory().pendingWrites();

    QTest::mouseClick(pane->findChild<QPushButton*>("check"), Qt::LeftButton);

    QStringList listed;
    for (int i = 0; i < pane->caseList()->count(); ++i) listed << pane->caseList()->item(i)->text();
    QCOMPARE(listed, rows);
    QCOMPARE(pane->statusText(), status);
    QCOMPARE(pane->hiddenText(), hidden);
    pane->caseList()->setCurrentRow(1);
    QCOMPARE(pane->detailText(), detail);
    for (const grade::CaseResult& r : pane->results())
        if (r.hidden) QVERIFY(!pane->detailText().contains(QString::fromStdString(r.name)));
    QVERIFY2(kitImage(k.w()) == before, "the check changed the kit");
    QCOMPARE(k.w().memory().pendingWrites(), pending);
}

// Show puts the selected case's rows, registers and flags into the kit and
// the current row on the start address; one undo takes the rows back.
void CheckPaneTest::showLoadsTheCaseInputs() {
    Kit k;
    k.load("8000", kWrong);
    k.kit()[C] = Text("77");
    CheckPane* pane = openLab(k, kLab);
    QVERIFY(pane);
    QTest::mouseClick(pane->findChild<QPushButton*>("check"), Qt::LeftButton);
    pane->caseList()->setCurrentRow(0);
    QTest::mouseClick(pane->findChild<QPushButton*>("showCase"), Qt::LeftButton);

    const MemoryTable& m = k.w().memory();
    QCOMPARE(QString::fromStdString(m.dataAt(0x8050).str() + " " + m.dataAt(0x8051).str()), QString("05 03"));
    QCOMPARE(QString::fromStdString(k.kit()[B].str()), QString("09"));
    QCOMPARE(QString::fromStdString(k.kit()[C].str()), QString("00"));
    QCOMPARE(m.cursor(), 0x8000);
    QCOMPARE(QString::fromStdString(m.dataAt(0x8000).str()), QString("3A"));  // the program stays
    QCOMPARE(QString::fromStdString(k.w().statusLine().note().text),
             QString("case \"small\" in the kit: 8050\u20138051 keyed, registers set; Execute (F5) or Step Exe (F10) "
                     "runs it from 8000 (Ctrl+Z takes the rows back)"));

    pane->caseList()->setCurrentRow(1);
    QTest::mouseClick(pane->findChild<QPushButton*>("showCase"), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(m.dataAt(0x8050).str() + " " + m.dataAt(0x8051).str()), QString("F0 20"));
    QCOMPARE(QString::fromStdString(k.kit().flags.clb.str()), QString("1"));

    // Running the shown case gets what the check reported: 20 - F0 = 30.
    k.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 20000);
    QCOMPARE(QString::fromStdString(m.dataAt(0x8052).str()), QString("30"));

    QTest::keyClick(&k.w(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(QString::fromStdString(m.dataAt(0x8050).str() + " " + m.dataAt(0x8051).str()), QString("05 03"));
}

void CheckPaneTest::aBadLabFileIsNamedAndTheOneBeforeKept() {
    Kit k;
    CheckPane* pane = openLab(k, kLab);
    QVERIFY(pane);
    QCOMPARE(pane->caseList()->count(), 2);
    openLab(k, "name = \"x\"\n[[case]]\nname = \"c\"\npionts = 2\n");
    QVERIFY2(pane->statusText().contains("lab.toml:4:1: unknown key 'pionts' in a case"), qPrintable(pane->statusText()));
    QCOMPARE(pane->caseList()->count(), 2);
    QTest::mouseClick(pane->findChild<QPushButton*>("check"), Qt::LeftButton);
    QCOMPARE(pane->results().size(), std::size_t(4));
}

}  // namespace kit85

QTEST_MAIN(kit85::CheckPaneTest)
#include "check_pane_test.moc"
