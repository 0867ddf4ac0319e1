// The kit window's Execute, Stop and CLOSE driven offscreen, and what the kit
// says when a run or the memory file fails.

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::Kit;
using kit85::testing::writeTable;

class KitWindowRunTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void roadOfOneProgram_data();
    void roadOfOneProgram();
    void historyTheFileRefusesIsSaidOnce();
    void invalidCodeEndsRunInOneModalBox();
    void stopInterruptsEndlessLoop_data();
    void stopInterruptsEndlessLoop();
    void storeFailureDuringKeyIsReported();
    void errorStopIsReported();
    void closeSavesMemory_data();
    void closeSavesMemory();
    void closeReportsUnsavedMemoryAndStillEnds();

private:
    QTemporaryDir settings_;
};

// The study view's open/closed setting goes to a private folder: the kit
// starts with it closed whatever the user left.
void KitWindowRunTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    rememberStudyView(false);
}

// Address 8 0 0 0, 3 E, Next, 0 5, Next, 7 6, Address 8 0 0 0, then Execute or
// Step Exe presses; after each press the named fields must read as given.
void KitWindowRunTest::roadOfOneProgram_data() {
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("Execute") << QStringList{"execute"}
                             << QStringList{"Text1=8002;Text2=76;A=05;PC=8003;F=00;running=0"};
    QTest::newRow("Step Exe twice") << QStringList{"stepexe", "stepexe"}
                                    << QStringList{"Text1=8002;Text2=76;A=05;PC=8002;F=00",
                                                   "Text1=8003;Text2=00;A=05;PC=8003;F=00"};
}

void KitWindowRunTest::roadOfOneProgram() {
    QFETCH(QStringList, presses);
    QFETCH(QStringList, after);
    Kit k;
    k.keys("address 8 0 0 0 3 E next 0 5 next 7 6");
    CHECK_KIT(k, "Text1=8002;Text2=76");
    k.keys("address 8 0 0 0");
    CHECK_KIT(k, "Text1=8000;Text2=3E");
    for (int i = 0; i < presses.size(); ++i) {
        k.keys(presses[i]);
        QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 10000);
        CHECK_KIT(k, after[i]);
    }
    QCOMPARE(messageLog(k.presenter), QString());
}

// A memory file that refuses the undo history: keying goes on, the bytes are
// saved, and the user is told once that undo is off.
void KitWindowRunTest::historyTheFileRefusesIsSaidOnce() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("kit.sqlite").toStdString();
    MemoryTable::open(file)->flush();  // a new memory file, with its history table
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db,
                          "CREATE TABLE IF NOT EXISTS history (seq INTEGER PRIMARY KEY, step INTEGER, address TEXT, "
                          "old TEXT, new TEXT, undone INTEGER NOT NULL DEFAULT 0);"
                          "CREATE TRIGGER guard BEFORE INSERT ON history BEGIN SELECT RAISE(ABORT, 'no history'); END",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(db);
    {
        Kit k(MemoryTable::open(file));
        k.keys("address 8 0 0 0 3 E");
        k.w().memory().flush();  // as the timed commit would
        k.keys("next 0 5");
        QCOMPARE(k.presenter.shown.size(), std::size_t{1});
        QVERIFY2(messageLog(k.presenter).contains("without undo"), qPrintable(messageLog(k.presenter)));
        k.keys("next 7 6");
        k.w().memory().flush();
        QCOMPARE(k.presenter.shown.size(), std::size_t{1});  // once
    }
    auto reopened = MemoryTable::open(file);
    QCOMPARE(reopened->dataAt(*reopened->rowOf(Text("8000"))), Text("3E"));
    QCOMPARE(reopened->dataAt(*reopened->rowOf(Text("8002"))), Text("76"));
}

void KitWindowRunTest::invalidCodeEndsRunInOneModalBox() {
    Kit k;
    k.load("8000", {"00", "08"});  // NOP, then a code that is no instruction
    // Behave like a modal box: the event loop turns while it is open (here
    // a few times over, every timer due meanwhile firing), and no slice of
    // the run may go on meanwhile.
    int slicesDuringBox = -1;
    bool runningDuringBox = false;
    QString displaysDuringBox;
    k.presenter.onMessage = [&](const auto&) {
        const int before = k.w().runSlices();
        int turns = 0;
        (void)QTest::qWaitFor([&turns] { return ++turns > 5; });
        slicesDuringBox = k.w().runSlices() - before;
        runningDuringBox = k.w().running();
        displaysDuringBox = k.field("Text1") + "/" + k.field("Text2");
    };
    k.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 10000);
    QCOMPARE(messageLog(k.presenter), QString("invalid code|ERROR :|information"));
    QCOMPARE(slicesDuringBox, 0);
    QVERIFY(runningDuringBox);  // the run ends when the box is closed
    QCOMPARE(displaysDuringBox, QString("8001/08"));
    CHECK_KIT(k, "Text1=8001;Text2=08;PC=8001;running=0;execute.enabled=1;stop.enabled=0");
    QCOMPARE(k.lastRun().reason, StopReason::InvalidCode);
}

void KitWindowRunTest::stopInterruptsEndlessLoop_data() {
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("Stop key") << false;
    QTest::newRow("Esc") << true;
}

void KitWindowRunTest::stopInterruptsEndlessLoop() {
    QFETCH(bool, byEscape);
    Kit k;
    k.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&k.w()));
    k.load("8000", {"C3", "00", "80"});  // JMP 8000
    k.keys("execute");
    CHECK_KIT(k,
              "running=1;stop.enabled=1;end.enabled=1;c0.enabled=0;cf.enabled=0;execute.enabled=0;"
              "address.enabled=0;next.enabled=0;prev.enabled=0;stepexe.enabled=0;regmod.enabled=0;"
              "A.readOnly=1;PC.readOnly=1");
    // The event loop turns while the run goes on: the run gets slice after
    // slice, and keys pressed on the keyboard meanwhile change nothing.
    QTRY_VERIFY_WITH_TIMEOUT(k.w().runSlices() >= 5, 20000);
    QTest::keyClick(&k.w(), Qt::Key_5);
    QVERIFY(k.w().running());
    CHECK_KIT(k, "Text2=C3");

    // The stop arrives through the event loop, as a user's click would, and
    // the run is over when the click has been handled.
    bool stoppedAtOnce = false;
    QTimer::singleShot(0, &k.w(), [&] {
        if (byEscape)
            QTest::keyClick(&k.w(), Qt::Key_Escape);
        else
            QTest::mouseClick(k.find<QAbstractButton>("stop"), Qt::LeftButton);
        stoppedAtOnce = !k.w().running();
    });
    QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 20000);
    QVERIFY(stoppedAtOnce);
    QCOMPARE(k.lastRun().reason, StopReason::Interrupted);
    QVERIFY(k.w().runSteps() > 1000);
    CHECK_KIT(k, "Text1=8000;Text2=C3;PC=8000;stop.enabled=0;c0.enabled=1;execute.enabled=1;A.readOnly=0");
    QCOMPARE(messageLog(k.presenter), QString());
}

void KitWindowRunTest::storeFailureDuringKeyIsReported() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("memory.sqlite").toStdString();
    {
        Kit k(MemoryTable::open(file));
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(file.c_str(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);  // holds the file
        k.keys("address 8 0 0 0 1");
        QCOMPARE(k.presenter.shown.size(), size_t(1));
        const auto& m = k.presenter.shown[0];
        QCOMPARE(QString::fromStdString(m.title), QString("error :"));
        QVERIFY(m.icon == Icon::Exclamation);
        QVERIFY2(m.text.find(file.string()) != std::string::npos, m.text.c_str());
        CHECK_KIT(k, "Text1=8000;Text2=1");  // the byte stays in the kit
        QVERIFY(k.w().isVisible());
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        k.keys("2");
        QCOMPARE(k.presenter.shown.size(), size_t(1));
        CHECK_KIT(k, "Text2=12");
    }
    auto reopened = MemoryTable::open(file);
    QCOMPARE(reopened->dataAt(*reopened->rowOf(Text("8000"))), Text("12"));
}

void KitWindowRunTest::errorStopIsReported() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("partial.sqlite").toStdString();
    writeTable(file, {{"8000", "32"}, {"8001", "00"}, {"8002", "90"}, {"8003", "76"}});  // STA 9000: no such row
    Kit k(MemoryTable::open(file));
    k.keys("execute");
    QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 10000);
    QCOMPARE(k.lastRun().reason, StopReason::Error);
    QCOMPARE(k.presenter.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(k.presenter.shown[0].title), QString("error :"));
    QVERIFY2(k.presenter.shown[0].text.find("9000") != std::string::npos, k.presenter.shown[0].text.c_str());
    QVERIFY(k.w().isVisible());
    CHECK_KIT(k, "execute.enabled=1;running=0");
}

void KitWindowRunTest::closeSavesMemory_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("CLOSE") << "end";
    QTest::newRow("CLOSE during a run") << "end while running";
    QTest::newRow("window closed") << "close";
}

void KitWindowRunTest::closeSavesMemory() {
    QFETCH(QString, how);
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("memory.sqlite").toStdString();
    {
        Kit k(MemoryTable::open(file));
        QSignalSpy ended(&k.w(), &KitWindow::ended);
        // STA 9000; JMP 8000: stores A over and over.
        k.load("8000", {"32", "00", "90", "C3", "00", "80"});
        k.kit()[A] = Text("5A");
        k.w().refresh();
        const bool run = how == "end while running";
        if (run) {
            k.keys("execute");
            QVERIFY(k.w().running());
            QTRY_VERIFY_WITH_TIMEOUT(k.w().runSlices() >= 3, 20000);  // the loop has stored A a while
        }
        QVERIFY(run || k.kit().memory().pendingWrites() > 0);  // the program is not yet committed
        if (how == "close")
            k.w().close();
        else
            k.keys("end");
        QCOMPARE(ended.count(), 1);
        QVERIFY(!k.w().isVisible());
        QVERIFY(!k.w().running());
        QCOMPARE(k.kit().memory().pendingWrites(), size_t(0));
        QCOMPARE(messageLog(k.presenter), QString());
        if (run) QCOMPARE(k.kit().memory().dataAt(*k.kit().memory().rowOf(Text("9000"))), Text("5A"));
    }
    auto reopened = MemoryTable::open(file);
    QCOMPARE(reopened->dataAt(*reopened->rowOf(Text("8000"))), Text("32"));
    QCOMPARE(reopened->dataAt(*reopened->rowOf(Text("8005"))), Text("80"));
    if (how == "end while running") QCOMPARE(reopened->dataAt(*reopened->rowOf(Text("9000"))), Text("5A"));
}

void KitWindowRunTest::closeReportsUnsavedMemoryAndStillEnds() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("memory.sqlite").toStdString();
    Kit k(MemoryTable::open(file));
    QSignalSpy ended(&k.w(), &KitWindow::ended);
    k.load("8000", {"3E"});  // written, not yet committed
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    k.keys("end");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QCOMPARE(ended.count(), 1);
    QVERIFY(!k.w().isVisible());
    QCOMPARE(k.presenter.shown.size(), size_t(1));
    QVERIFY2(k.presenter.shown[0].text.find("could not be saved") != std::string::npos,
             k.presenter.shown[0].text.c_str());
    QVERIFY(k.presenter.shown[0].icon == Icon::Exclamation);
}

QTEST_MAIN(KitWindowRunTest)
#include "kit_window_run_test.moc"
