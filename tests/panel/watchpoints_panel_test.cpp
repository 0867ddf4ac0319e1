// Watchpoints in the window: added from the memory pane's menu, listed with
// the breakpoints, removed and cleared there, and a run that stops on one
// opens the study view and says which row, access and instruction.

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include "panel/memory_pane.h"
#include "panel/study_settings.h"
#include "panel/study_view.h"
#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::Kit;

namespace {

QString statusOf(KitWindow& w) { return w.studyView()->findChild<QLabel*>("status")->text(); }

QString rows(QTreeWidget* list) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1);
    return out.join("; ");
}

}  // namespace

class WatchpointsPanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void watchStopOpensTheView_data();
    void watchStopOpensTheView();
    void listedRemovedAndCleared();
    void theMemoryMenuAddsOne();

private:
    QTemporaryDir settings_;
};

void WatchpointsPanelTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

void WatchpointsPanelTest::init() {
    rememberStudyView(false);
    rememberStudyDocked(false);
    rememberRunSpeed({});
}

void WatchpointsPanelTest::watchStopOpensTheView_data() {
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<int>("access");
    QTest::addColumn<QString>("status");
    // LXI H,9000 / MOV M,A or MOV A,M / NOP / HLT
    QTest::newRow("written") << QStringList{"21", "00", "90", "77", "00", "76"} << int{kWatchWrite}
                             << "watchpoint: 9000 written by MOV M,A at 8003, now at 8004 after 2 instructions";
    QTest::newRow("read") << QStringList{"21", "00", "90", "7E", "00", "76"} << int{kWatchRead}
                          << "watchpoint: 9000 read by MOV A,M at 8003, now at 8004 after 2 instructions";
}

void WatchpointsPanelTest::watchStopOpensTheView() {
    QFETCH(QStringList, program);
    QFETCH(int, access);
    QFETCH(QString, status);
    Kit k;
    k.load("8000", program);
    k.w().memory().setWatchpoint(Text("9000"), static_cast<uint8_t>(access));
    k.keys("execute");
    QTRY_VERIFY(!k.w().running());
    CHECK_KIT(k, "Text1=8004");
    QVERIFY(k.w().studyOpen());
    QVERIFY2(statusOf(k.w()).startsWith(status), qPrintable(statusOf(k.w())));
}

void WatchpointsPanelTest::listedRemovedAndCleared() {
    Kit k;
    k.w().setStudyOpen(true);
    auto* memory = k.w().studyView()->findChild<MemoryPane*>("memory");
    QVERIFY(memory);
    k.w().memory().setBreakpoint(Text("8000"), true);
    emit memory->watchRequested(0x9000, kWatchWrite);
    QCOMPARE(statusOf(k.w()), QString("watchpoint: Execute stops after 9000 is written"));
    emit memory->watchRequested(0x9000, kWatchRead);  // adds to what it watches
    emit memory->watchRequested(0x9100, kWatchRead);
    k.w().refresh();
    QTreeWidget* list = k.w().studyView()->breakpointsPane()->list();
    QCOMPARE(rows(list), QString("8000 DB 00; 9000 watch: stops after it is read and written; "
                                 "9100 watch: stops after it is read"));
    QCOMPARE(k.w().memory().watchpoints().access(0x9000), kWatchBoth);
    list->setCurrentItem(list->topLevelItem(1));
    QTest::mouseClick(k.w().studyView()->findChild<QPushButton*>("removeBreakpoint"), Qt::LeftButton);
    QCOMPARE(rows(list), QString("8000 DB 00; 9100 watch: stops after it is read"));
    QCOMPARE(k.w().memory().watchpoints().access(0x9000), 0);
    QVERIFY(k.w().memory().breakpoints().at(Text("8000")));  // the breakpoint stays
    QTest::mouseClick(k.w().studyView()->findChild<QPushButton*>("clearBreakpoints"), Qt::LeftButton);
    QCOMPARE(rows(list), QString());
    QVERIFY(k.w().memory().watchpoints().empty());
    QCOMPARE(statusOf(k.w()), QString("cleared 1 breakpoint and 1 watchpoint"));
}

// Right-click on a byte, the first item ("... written") chosen with the keys.
void WatchpointsPanelTest::theMemoryMenuAddsOne() {
    Kit k;
    k.w().setStudyOpen(true);
    auto* memory = k.w().studyView()->findChild<MemoryPane*>("memory");
    memory->showAddress(0x9000);
    QTRY_VERIFY(!memory->cellRect(0x9000).isEmpty());
    QString seen;
    // Answered from the menu's own event loop, once it is open.
    QTimer::singleShot(0, [&seen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions()) seen += a->text() + "; ";
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    // The first data cell of the first line shown.
    const QPoint at(memory->viewport()->width() / 4, memory->fontMetrics().lineSpacing() * 3 / 2 + 4);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, memory->viewport()->mapToGlobal(at));
    QApplication::sendEvent(memory->viewport(), &event);
    QVERIFY2(seen.contains("Stop when this row is written") && seen.contains("Stop when this row is read"),
             qPrintable(seen));
    QCOMPARE(k.w().memory().watchpoints().size(), std::size_t{1});
    QCOMPARE(k.w().memory().watchpoints().entries().front().access, kWatchWrite);
}

QTEST_MAIN(WatchpointsPanelTest)
#include "watchpoints_panel_test.moc"
