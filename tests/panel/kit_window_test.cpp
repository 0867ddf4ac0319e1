// The kit window driven by clicks and keys, offscreen.

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QMessageBox>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "panel/message_box_presenter.h"
#include "panel/shortcuts.h"
#include "panel/study_view.h"
#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::Kit;
using kit85::testing::writeTable;

Q_DECLARE_METATYPE(kit85::Icon)

class KitWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void startUpState();
    void layoutInTwips_data();
    void layoutInTwips();
    void layoutTableMakesEveryControl();
    void messageBoxShowsTitleAndIcon_data();
    void messageBoxShowsTitleAndIcon();
    void keypad_data();
    void keypad();
    void regmodTwice();
    void registerFieldsHoldWhatWasTyped();
    void noValidAddressOnMissingRow();
    void keyboardWorksTheKit();
    void shortcutsPressTheirKeys_data();
    void shortcutsPressTheirKeys();
    void helpNamesKeysAndMemoryFile_data();
    void helpNamesKeysAndMemoryFile();

private:
    QTemporaryDir settings_;
};

// The study view's open/closed setting goes to a private folder: the kit
// starts with it closed whatever the user left.
void KitWindowTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    rememberStudyView(false);
}

void KitWindowTest::startUpState() {
    Kit k;
    QCOMPARE(k.w().objectName(), QString("form1"));
    QCOMPARE(k.w().windowTitle(), QString(" MICROPROCESSER 8085"));
    QCOMPARE(k.w().width(), k.px(6480 - kFrameTwipsWide));
    CHECK_KIT(k,
              "Text1=0000;Text2=00;Text1.visible=1;Text2.visible=1;Text3.visible=0;Text4.visible=0;"
              "A=00;B=00;C=00;D=00;E=00;H=00;L=00;F=00;PC=0000;SP=0000;"
              "slb=0;zlb=0;auxlb=0;plb=0;clb=0;Label15= ;Label13= ;Label11= ;"
              "regmod=show panal;height=4770;panelshown=0;running=0;"
              "stop.enabled=0;execute.enabled=1;end.enabled=1;A.readOnly=0;"
              "end=CLOSE;execute=Execute;address=Address;prev=Prev;next=Next;stepexe=Step Exe;"
              "Label1=MICROPROCESSER REGISTERS;Label19=Flag Register;Label20=FF;Label3=SP;Label10=PC");
    QVERIFY(k.presenter.shown.empty());
}

void KitWindowTest::layoutInTwips_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    const QList<std::pair<const char*, QRect>> rows = {
        {"Text1", {3360, 240, 975, 495}},    {"Text2", {4320, 240, 615, 495}},    {"Text3", {3360, 240, 975, 495}},
        {"Text4", {4320, 240, 615, 495}},    {"c0", {720, 1080, 735, 375}},       {"c5", {1680, 1680, 735, 375}},
        {"ca", {2640, 2280, 735, 375}},      {"cf", {3600, 2880, 735, 375}},      {"execute", {4560, 1080, 735, 375}},
        {"address", {4560, 1680, 735, 375}}, {"prev", {4560, 2280, 735, 375}},    {"next", {4560, 2880, 735, 375}},
        {"regmod", {1080, 3480, 975, 375}},  {"stepexe", {3120, 3480, 855, 375}}, {"end", {4560, 3480, 735, 375}},
        {"Adodc1", {600, 360, 2175, 330}},   {"A", {1200, 5520, 495, 375}},       {"F", {2160, 5520, 495, 375}},
        {"L", {2160, 6960, 495, 375}},       {"SP", {4440, 6360, 855, 375}},      {"PC", {4440, 6960, 855, 375}},
        {"slb", {3240, 5400, 135, 255}},     {"clb", {5760, 5400, 135, 255}},     {"Line1", {120, 4200, 6135, 15}},
        {"Line16", {3120, 5760, 2895, 15}},
    };
    for (const auto& [name, r] : rows) QTest::newRow(name) << QString(name) << r;
}

void KitWindowTest::layoutInTwips() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    Kit k;
    auto px = [&](int t) { return k.px(t); };
    const QRect want(px(twips.x()), px(twips.y()), px(twips.width()), std::max(1, px(twips.height())));
    QCOMPARE(k.find(name)->geometry(), want);
}

// Every row of the layout table is a control of the right sort, in sight
// inside the window once the register panel is shown, and the window has no
// control the table does not name.
void KitWindowTest::layoutTableMakesEveryControl() {
    Kit k;
    k.keys("regmod");
    const QRect inside = k.w().rect();
    QStringList wrong;
    QSet<QString> names;
    for (const Placement& p : kitLayout()) {
        const QString name = p.name;
        if (names.contains(name)) wrong << name + ": named twice";
        names.insert(name);
        QWidget* w = k.w().findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        if (!w) {
            wrong << name + ": missing";
            continue;
        }
        const char* cls = p.kind == ControlKind::Display || p.kind == ControlKind::Register ? "QLineEdit"
                          : p.kind == ControlKind::HexKey || p.kind == ControlKind::Key     ? "kit85::KeyButton"
                          : p.kind == ControlKind::Line                                     ? "QFrame"
                                                                                            : "QLabel";
        if (!w->inherits(cls)) wrong << QString("%1: a %2, not a %3").arg(name, w->metaObject()->className(), cls);
        const QRect g = w->geometry();
        if (g.isEmpty() || !inside.contains(g))
            wrong << QString("%1: at %2,%3 %4x%5, outside %6x%7")
                         .arg(name)
                         .arg(g.x())
                         .arg(g.y())
                         .arg(g.width())
                         .arg(g.height())
                         .arg(inside.width())
                         .arg(inside.height());
    }
    for (QWidget* w : k.w().findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!names.contains(w->objectName())) wrong << w->objectName() + ": not in the layout table";
    QVERIFY2(wrong.isEmpty(), qPrintable("\n" + wrong.join("\n")));
}

void KitWindowTest::messageBoxShowsTitleAndIcon_data() {
    QTest::addColumn<Icon>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("boxIcon");
    QTest::newRow("error") << Icon::Exclamation << "error :" << int(QMessageBox::Warning);
    QTest::newRow("invalid code") << Icon::Information << "ERROR :" << int(QMessageBox::Information);
    QTest::newRow("no title") << Icon::Information << "" << int(QMessageBox::Information);
}

void KitWindowTest::messageBoxShowsTitleAndIcon() {
    QFETCH(Icon, icon);
    QFETCH(QString, title);
    QFETCH(int, boxIcon);
    QWidget parent;
    MessageBoxPresenter presenter(&parent);
    QString seen = "no box";
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = QString("%1|%2|%3|%4").arg(box->text(), box->windowTitle()).arg(box->icon()).arg(box->buttons().size());
        // No minimise or maximise button, and room for the whole title.
        const Qt::WindowFlags f = box->windowFlags();
        if (f & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) seen += "|minimise or maximise button";
        if (!(f & Qt::WindowCloseButtonHint)) seen += "|no close button";
        const int least = messageBoxMinimumWidth(box->windowTitle(), box->font());
        if (box->width() < least) seen += QString("|%1 px wide, less than %2").arg(box->width()).arg(least);
        box->accept();
    });
    presenter.message("invalid code", title.toStdString(), icon);
    QCOMPARE(seen, QString("invalid code|%1|%2|1").arg(title).arg(boxIcon));
}

// Keys from the start (row 0000; rows 8000.. hold 3E 05 76), then the fields
// and the messages shown on the way.
void KitWindowTest::keypad_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expect");
    QTest::addColumn<QString>("messages");
    const QString dataMode = "Text1.visible=1;Text2.visible=1;Text3.visible=0;Text4.visible=0;";
    QTest::newRow("8050 accepted") << "address 8 0 5 0" << dataMode + "Text1=8050;Text2=00"
                                   << "";
    QTest::newRow("FFFF accepted") << "address F F F F" << dataMode + "Text1=FFFF"
                                   << "";
    QTest::newRow("7FFF refused") << "address 7 F F F" << dataMode + "Text1=8000;Text2=3E"
                                  << "Invalid Address||information";
    QTest::newRow("0000 refused") << "address 0 0 0 0" << dataMode + "Text1=8000"
                                  << "Invalid Address||information";
    QTest::newRow("address twice clears the digits") << "address 1 2 address 8 0 0 1" << dataMode + "Text1=8001"
                                                     << "";
    QTest::newRow("three digits stay in entry")
        << "address 8 0 5"
        << "Text1.visible=0;Text2.visible=0;Text3.visible=1;Text4.visible=1;Text3=805;Text4="
        << "";
    QTest::newRow("Next during entry moves behind the displays") << "address 8 next"
                                                                 << "Text3.visible=1;Text3=8;Text1=0001"
                                                                 << "";
    QTest::newRow("two digits replace the byte") << "address 8 0 0 0 0 6"
                                                 << "Text2=06"
                                                 << "";
    QTest::newRow("third digit starts a new byte") << "address 8 0 0 0 0 6 7"
                                                   << "Text2=7"
                                                   << "";
    QTest::newRow("one digit stays after Next") << "address 8 0 0 0 7 next prev"
                                                << "Text1=8000;Text2=7"
                                                << "";
    QTest::newRow("one-digit byte is no code") << "address 8 0 0 0 7 stepexe"
                                               << "Text1=0000;PC=0000"
                                               << "invalid code|ERROR :|information";
    QTest::newRow("Next at the last row") << "address F F F F next"
                                          << "Text1=FFFF"
                                          << "";
    QTest::newRow("Prev at the first row") << "prev"
                                           << "Text1=0000"
                                           << "";
}

void KitWindowTest::keypad() {
    QFETCH(QString, keys);
    QFETCH(QString, expect);
    QFETCH(QString, messages);
    Kit k;
    k.load("8000", {"3E", "05", "76"});
    k.kit().memory().setCursor(0);
    k.w().refresh();
    k.keys(keys);
    CHECK_KIT(k, expect);
    QCOMPARE(messageLog(k.presenter), messages);
}

void KitWindowTest::regmodTwice() {
    Kit k;
    QWidget* a = k.find("A");
    QVERIFY2(a->geometry().top() >= k.w().height(), "register A is in sight with the panel hidden");
    k.keys("regmod");
    CHECK_KIT(k, "height=8040;regmod=hide panal;panelshown=-1;A.visible=1");
    QVERIFY2(a->geometry().bottom() < k.w().height(), "register A is out of sight with the panel shown");
    QVERIFY(k.find("Line5")->geometry().bottom() < k.w().height());
    k.keys("regmod");
    CHECK_KIT(k, "height=4770;regmod=show panal;panelshown=0");
    QVERIFY(a->geometry().top() >= k.w().height());
}

void KitWindowTest::registerFieldsHoldWhatWasTyped() {
    Kit k;
    k.keys("regmod");
    auto* a = k.find<QLineEdit>("A");
    auto* pc = k.find<QLineEdit>("PC");
    QTest::mouseClick(a, Qt::LeftButton);
    a->selectAll();
    QTest::keyClicks(a, "3C9");  // the third character is refused
    QTest::mouseClick(pc, Qt::LeftButton);
    pc->selectAll();
    QTest::keyClicks(pc, "12345");
    CHECK_KIT(k, "A=3C;PC=1234;Text2=00");  // digits typed into a field never reach the keypad
    QCOMPARE(k.kit()[A], Text("3C"));
    QCOMPARE(k.kit()[PC], Text("1234"));

    // The next instruction reads what was typed: MOV B,A.
    k.load("8000", {"47"});
    k.keys("stepexe");
    CHECK_KIT(k, "B=3C;PC=8001;Text1=8001");
}

void KitWindowTest::noValidAddressOnMissingRow() {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("partial.sqlite").toStdString();
    writeTable(file, {{"8000", "3E"}, {"8001", "05"}});
    Kit k(MemoryTable::open(file));
    k.keys("address 9 0 0 0");  // accepted, but no row has it
    CHECK_KIT(k, "Text1=;Text2=;Text1.visible=1");
    k.keys("5");
    QCOMPARE(messageLog(k.presenter), QString("no valid address|error :|exclamation"));
    CHECK_KIT(k, "Text1=;Text2=");
    QCOMPARE(k.kit().memory().dataAt(0), Text("3E"));
    QCOMPARE(k.kit().memory().dataAt(1), Text("05"));
}

void KitWindowTest::keyboardWorksTheKit() {
    Kit k;
    k.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&k.w()));
    auto key = [&](Qt::Key kk) { QTest::keyClick(&k.w(), kk); };
    key(Qt::Key_F2);
    QTest::keyClicks(&k.w(), "80003e");
    key(Qt::Key_F4);
    QTest::keyClicks(&k.w(), "05");
    key(Qt::Key_Down);
    QTest::keyClicks(&k.w(), "76");
    key(Qt::Key_Up);
    key(Qt::Key_F3);
    CHECK_KIT(k, "Text1=8000;Text2=3E");
    key(Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(!k.w().running(), 10000);
    key(Qt::Key_F6);
    CHECK_KIT(k, "Text1=8002;Text2=76;A=05;PC=8003;height=8040");
}

void KitWindowTest::shortcutsPressTheirKeys_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("shownInTip");
    QTest::newRow("Address") << "address" << QKeySequence(Qt::Key_F2) << "F2";
    QTest::newRow("Prev") << "prev" << QKeySequence(Qt::Key_F3) << "F3";
    QTest::newRow("Next") << "next" << QKeySequence(Qt::Key_F4) << "F4";
    QTest::newRow("Execute") << "execute" << QKeySequence(Qt::Key_F5) << "F5";
    QTest::newRow("regmod") << "regmod" << QKeySequence(Qt::Key_F6) << "F6";
    QTest::newRow("Step Exe") << "stepexe" << QKeySequence(Qt::Key_F10) << "F10";
    QTest::newRow("CLOSE") << "end" << QKeySequence(Qt::CTRL | Qt::Key_Q) << "Ctrl+Q";
    QTest::newRow("hex B") << "cb" << QKeySequence(Qt::Key_B) << "keyboard: B";
}

void KitWindowTest::shortcutsPressTheirKeys() {
    QFETCH(QString, button);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, shownInTip);
    Kit k;
    k.load("0000", {"76"});  // Execute halts at once
    k.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&k.w()));
    auto* b = k.find<QAbstractButton>(button);
    QVERIFY2(b->toolTip().contains(shownInTip), qPrintable(b->toolTip()));
    QSignalSpy clicked(b, &QAbstractButton::clicked);
    QTest::keySequence(&k.w(), keys);
    QCOMPARE(clicked.count(), 1);
}

void KitWindowTest::helpNamesKeysAndMemoryFile_data() {
    QTest::addColumn<bool>("saved");
    QTest::newRow("memory file") << true;
    QTest::newRow("kept in memory only") << false;
}

// F1 opens the help: every keyboard key of the shortcut table with what its
// kit key does, and the memory file's full path; F1 again opens no second one.
void KitWindowTest::helpNamesKeysAndMemoryFile() {
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("help memory.sqlite").toStdString();
    Kit k(saved ? MemoryTable::open(file) : MemoryTable::fresh());
    k.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&k.w()));
    QTest::keyClick(&k.w(), Qt::Key_F1);
    auto* help = k.w().findChild<QDialog*>("helpfm");
    QVERIFY(help);
    QTRY_VERIFY(help->isVisible());
    const QString keys = help->findChild<QLabel*>("keys")->text();
    QStringList missing;
    for (const Shortcut& s : kitShortcuts())
        if (!keys.contains(QString(s.keys).toHtmlEscaped())) missing << s.keys;
    for (const char* does : {"Execute: run the program", "Stop: interrupt", "the hex keys"})
        if (!keys.contains(does)) missing << does;
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ") + " not in\n" + keys));
    const QString shown = help->findChild<QLabel*>("memoryFile")->text();
    const QString want = saved ? QString::fromStdString(file.string()) : QString("nothing is saved");
    QVERIFY2(shown.contains(want), qPrintable(shown));
    if (saved) QVERIFY(k.find("Adodc1")->toolTip().contains(want));

    k.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&k.w()));
    QTest::keyClick(&k.w(), Qt::Key_F1);
    QCOMPARE(k.w().findChildren<QDialog*>("helpfm").size(), qsizetype(1));
    QVERIFY(messageLog(k.presenter).isEmpty());
}

QTEST_MAIN(KitWindowTest)
#include "kit_window_test.moc"
