// The kit and its study view on a small screen, offscreen: no window larger
// than the screen's free area, the source editor with room for its lines,
// Assemble and load in sight on the editor's tool bar, and a failing case's
// details in sight in the check pane.
//
//   geometry_test WIDTHxHEIGHT [Qt Test options]
//
// The offscreen platform is given one screen of that size through its
// configuration file (QT_QPA_PLATFORM=offscreen:configfile=...), so
// QScreen::availableGeometry() and a maximised window are the real ones the
// window reads. The offscreen platform has no panels, so the free area is
// the whole screen, and its window frames are 2 pixels wide: a desktop's
// title bar and panel are not part of what this checks.

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolTip>

#include <cstdio>
#include <fstream>

#include "panel/board_faces.h"
#include "panel/board_pane.h"
#include "panel/check_pane.h"
#include "panel/editor/source_editor.h"
#include "panel/kit_dock.h"
#include "panel/program_files.h"
#include "panel_fixture.h"

namespace kit85 {
namespace {

using testing::Kit;

QSize gScreen;  // the screen this run was given

constexpr const char* kLab = R"(name = "Move"
[[case]]
name = "one"
memory = { "8050" = "01" }
[case.expect]
memory = { "8051" = "01" }
[[case]]
name = "hidden"
hidden = true
memory = { "8050" = "02" }
[case.expect]
memory = { "8051" = "02" }
)";

// A source longer than any screen: the editor's lines are what it shows.
QString longSource() {
    QString s = "; a long source\n        ORG 8000H\n";
    for (int i = 0; i < 80; ++i) s += QString("        MVI A,%1H\n").arg(i % 100, 2, 10, QChar('0'));
    return s + "        HLT\n";
}

// Every top level window shown that stands out of the screen's free area.
QStringList outOfScreen() {
    QStringList out;
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !free.contains(w->frameGeometry()))
            out << QString("%1 at %2,%3 %4x%5")
                       .arg(w->objectName())
                       .arg(w->frameGeometry().x())
                       .arg(w->frameGeometry().y())
                       .arg(w->frameGeometry().width())
                       .arg(w->frameGeometry().height());
    return out;
}

}  // namespace

class GeometryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void studyViewFitsTheScreen_data();
    void studyViewFitsTheScreen();
    void editorOpensWithTheCurrentLineInView_data();
    void editorOpensWithTheCurrentLineInView();
    void aNoteCutAtTheEdgeShowsWholeInATooltip();
    void aWideWindowNarrowsAgain_data();
    void aWideWindowNarrowsAgain();
    void theBoardPaneFitsTheScreen_data();
    void theBoardPaneFitsTheScreen();

private:
    QTemporaryDir dir_;
};

void GeometryTest::initTestCase() {
    QCOMPARE(QGuiApplication::primaryScreen()->size(), gScreen);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
}

void GeometryTest::init() {
    QSettings(QSettings::UserScope, "kit85", "kit85").clear();
    rememberStudyView(false);
}

void GeometryTest::studyViewFitsTheScreen_data() {
    QTest::addColumn<bool>("docked");
    QTest::addColumn<bool>("check");  // the check pane open, a failing case selected
    QTest::addColumn<int>("lines");   // the fewest lines the editor shows
    const bool small = gScreen.width() < 1366;
    QTest::newRow("docked") << true << false << (small ? 25 : 30);
    QTest::newRow("docked, check pane") << true << true << (small ? 15 : 20);
    // Floating at 1024x768 (the view docks there unless told not to) the
    // side column goes under the editor.
    QTest::newRow("floating") << false << false << (small ? 20 : 30);
    QTest::newRow("floating, check pane") << false << true << (small ? 15 : 20);
}

void GeometryTest::studyViewFitsTheScreen() {
    QFETCH(bool, docked);
    QFETCH(bool, check);
    QFETCH(int, lines);
    rememberStudyDocked(docked);
    Kit k;
    k.keys("regmod");  // the register panel shown: the kit at its tallest
    k.w().setStudyOpen(true);
    QVERIFY(QTest::qWaitForWindowExposed(k.w().window()));
    SourceEditor& editor = k.w().sourceEditor();
    editor.text()->setText(longSource());
    k.w().studyView()->showEditor();
    CheckPane* pane = CheckPane::of(k.w());
    if (check) {
        k.load("8000", {"3E", "80", "32", "51", "80", "76"});  // MVI A,80; STA 8051; HLT: the case fails
        const QString file = dir_.filePath("lab.toml");
        std::ofstream(file.toStdString()) << kLab;
        QVERIFY(pane->openLabFile(file));
        pane->check();
        pane->caseList()->setCurrentRow(0);
        QVERIFY2(pane->detailText().contains("expected 01"), qPrintable(pane->detailText() + "|" + pane->statusText()));
    }
    QTest::qWait(50);  // the layout's posted events
    QVERIFY2(outOfScreen().isEmpty(), qPrintable(outOfScreen().join(", ")));
    // Nor could it be: what the window needs at the least fits too (the
    // offscreen platform would place a window smaller than that).
    const QSize least = k.w().window()->minimumSizeHint().expandedTo(k.w().window()->minimumSize());
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    QVERIFY2(least.width() <= room.width() && least.height() <= room.height(),
             qPrintable(QString("the window needs %1x%2").arg(least.width()).arg(least.height())));
    QCOMPARE(qobject_cast<KitDock*>(k.w().window()) != nullptr, docked);

    const int shown = static_cast<int>(editor.text()->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
    qInfo("the editor shows %d lines", shown);
    QVERIFY2(shown >= lines, qPrintable(QString("the editor shows %1 lines").arg(shown)));
    auto* tools = editor.findChild<QToolBar*>("editorTools");
    QWidget* assemble = tools->widgetForAction(editor.findChild<QAction*>("editorAssemble"));
    QVERIFY(assemble && assemble->isVisible());
    QVERIFY(tools->rect().contains(assemble->geometry()));
    if (check) {
        // The failing case's details and the hidden cases' line are in
        // sight in the side column.
        auto* area = k.w().studyView()->findChild<QScrollArea*>("sideArea");
        for (const char* name : {"checkDetail", "checkHidden"}) {
            auto* label = pane->findChild<QLabel*>(name);
            const QRect at(label->mapTo(area->viewport(), QPoint(0, 0)), label->size());
            QVERIFY2(label->isVisible() && area->viewport()->rect().contains(at),
                     qPrintable(QString("%1 at %2,%3 %4x%5 in %6x%7")
                                    .arg(name)
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(at.width())
                                    .arg(at.height())
                                    .arg(area->viewport()->width())
                                    .arg(area->viewport()->height())));
        }
    }
}

void GeometryTest::editorOpensWithTheCurrentLineInView_data() {
    QTest::addColumn<bool>("docked");
    QTest::newRow("docked") << true;
    QTest::newRow("floating") << false;
}

// A program given on the command line opens in the editor with the line of
// its first instruction (the current row's) in sight.
void GeometryTest::editorOpensWithTheCurrentLineInView() {
    QFETCH(bool, docked);
    rememberStudyDocked(docked);
    rememberStudyView(true);
    QString source;
    for (int i = 0; i < 40; ++i) source += "; a comment line before the program\n";
    source += "        ORG 8000H\n        MVI A,05H\n        HLT\n";
    const QString file = dir_.filePath("prog.asm");
    std::ofstream(file.toStdString()) << source.toStdString();
    Kit k;
    QVERIFY(QTest::qWaitForWindowExposed(k.w().window()));
    k.w().findChild<ProgramFiles*>()->openFile(file);
    QTest::qWait(50);
    SourceEditor& editor = k.w().sourceEditor();
    QCOMPARE(editor.pcLine(), 41);
    QsciScintilla* text = editor.text();
    const int first = text->firstVisibleLine();
    const int shown = static_cast<int>(text->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
    QVERIFY2(first <= 41 && 41 < first + shown,
             qPrintable(QString("lines %1 to %2 shown").arg(first).arg(first + shown)));
}

// An error's note is drawn under its line, cut at the editor's edge; over
// the line's marker the whole note shows in a tooltip.
void GeometryTest::aNoteCutAtTheEdgeShowsWholeInATooltip() {
    Kit k;
    SourceEditor& editor = k.w().sourceEditor();
    k.w().setStudyOpen(true);
    k.w().studyView()->showEditor();
    editor.text()->setText("        ORG 8000H\n        MVI A,\n        HLT\n");
    QVERIFY(!editor.assembleAndLoad());
    QsciScintilla* text = editor.text();
    const QString note = text->annotation(1);
    QVERIFY(!note.isEmpty());
    const long start = text->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, 1UL);
    const int y = static_cast<int>(text->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, start)) + 3;
    const QPoint marker(text->marginWidth(0) + 4, y);
    QHelpEvent help(QEvent::ToolTip, marker, text->viewport()->mapToGlobal(marker));
    QApplication::sendEvent(text->viewport(), &help);
    QCOMPARE(QToolTip::text(), note);
}

void GeometryTest::aWideWindowNarrowsAgain_data() {
    QTest::addColumn<bool>("docked");
    QTest::newRow("docked") << true;
    QTest::newRow("floating") << false;
}

// Made wide (the instructions beside memory), the window can be made as
// narrow as the screen again: the panes rearrange rather than hold it wide.
void GeometryTest::aWideWindowNarrowsAgain() {
    QFETCH(bool, docked);
    rememberStudyDocked(docked);
    Kit k;
    k.w().setStudyOpen(true);
    QWidget* window = docked ? k.w().window() : static_cast<QWidget*>(k.w().studyView());
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->showNormal();
    const int room = QGuiApplication::primaryScreen()->availableGeometry().width();
    window->resize(1600, window->height());
    QTest::qWait(50);
    QCOMPARE(window->width(), 1600);
    const int narrow = docked ? room - 40 : 760;
    window->resize(narrow, window->height());
    QTest::qWait(50);
    qInfo("least %d wide", window->minimumSizeHint().expandedTo(window->minimumSize()).width());
    QCOMPARE(window->width(), narrow);
}

void GeometryTest::theBoardPaneFitsTheScreen_data() {
    QTest::addColumn<bool>("docked");
    QTest::addColumn<QString>("profile");
    for (const char* profile : {"lab", "trainer80"}) {
        QTest::addRow("docked, %s", profile) << true << profile;
        QTest::addRow("floating, %s", profile) << false << profile;
    }
}

// With the board on, no window grows past the screen, and the Board tab
// shows the LEDs and the interrupt keys without sideways scrolling.
void GeometryTest::theBoardPaneFitsTheScreen() {
    QFETCH(bool, docked);
    QFETCH(QString, profile);
    rememberStudyDocked(docked);
    Kit k;
    k.keys("regmod");
    QVERIFY(k.w().setBoard(profile));
    QVERIFY(QTest::qWaitForWindowExposed(k.w().window()));
    QTest::qWait(50);
    QVERIFY2(outOfScreen().isEmpty(), qPrintable(outOfScreen().join(", ")));
    const QSize least = k.w().window()->minimumSizeHint().expandedTo(k.w().window()->minimumSize());
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    QVERIFY2(least.width() <= room.width() && least.height() <= room.height(),
             qPrintable(QString("the window needs %1x%2").arg(least.width()).arg(least.height())));
    BoardPane* pane = k.w().boardPane();
    QVERIFY(pane->isVisible());
    // The LEDs in the scrolled devices' sight, the keys (above them) in the pane's.
    auto* area = pane->findChild<QScrollArea*>("boardArea");
    const std::pair<QWidget*, QWidget*> shown[] = {{pane->face("leds"), area->viewport()},
                                                   {pane->lineKey(board::Line::Intr), pane}};
    for (const auto& [w, in] : shown) {
        const QRect at(w->mapTo(in, QPoint(0, 0)), w->size());
        QVERIFY2(at.left() >= 0 && at.right() < in->width(),
                 qPrintable(QString("%1 at x %2, %3 wide, in %4").arg(w->objectName()).arg(at.x()).arg(at.width())
                                .arg(in->width())));
    }
}

}  // namespace kit85

// The screen's size comes first on the command line; the offscreen platform
// is told of it before the application starts.
int main(int argc, char** argv) {
    const QStringList size = argc > 1 ? QString(argv[1]).split('x') : QStringList();
    if (size.size() != 2) {
        std::fprintf(stderr, "usage: geometry_test WIDTHxHEIGHT [Qt Test options]\n");
        return 2;
    }
    kit85::gScreen = QSize(size[0].toInt(), size[1].toInt());
    QTemporaryDir config;
    const QString file = config.filePath("screen.json");
    std::ofstream(file.toStdString()) << QString(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, )"
                                                 R"("height": %2, "logicalDpi": 96}]})")
                                             .arg(kit85::gScreen.width())
                                             .arg(kit85::gScreen.height())
                                             .toStdString();
    if (qgetenv("QT_QPA_PLATFORM").startsWith("offscreen"))
        qputenv("QT_QPA_PLATFORM", QString("offscreen:configfile=%1").arg(file).toUtf8());
    QApplication app(argc, argv);
    kit85::GeometryTest test;
    QStringList args = app.arguments();
    args.removeAt(1);
    return QTest::qExec(&test, args);
}

#include "geometry_test.moc"
