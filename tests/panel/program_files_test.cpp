// Programs as files in the kit window, offscreen: Open, Save as Intel HEX,
// Export keying sheet, dropping a file and the right-click menu. The file and
// range dialogs are replaced by answers the tests give.

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include "memory/intel_hex.h"
#include "panel/program_files.h"
#include "panel/study_settings.h"
#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::Kit;
using kit85::testing::messageLog;

namespace {

const char* const kGood = "; two bytes and a halt\n        ORG 8100H\nSTART:  MVI A,05H\n        HLT\n";
const char* const kBad = "        ORG 8100H\n        MVI A,05H\n        JMP NOWHERE\n        MOV Q,A\n";

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Rows from `address` on as "address=data", blank-separated.
QString rowsFrom(MemoryTable& m, const char* address, int count) {
    QStringList out;
    int row = *m.rowOf(Text(address));
    for (int i = 0; i < count; ++i, ++row)
        out << QString::fromStdString(m.addressAt(row).str() + "=" + m.dataAt(row).str());
    return out.join(' ');
}

// The window's program files with every dialog answered from these fields;
// each question asked is logged.
struct Answers {
    QString openFile, saveFile;
    std::optional<HexRange> range;
    QStringList asked;
    QStringList titles;  // of the range and save dialogs
    QString problem;
    QStringList diagnostics;
    bool replace = true;  // the answer to "... already exists. Replace it?"

    void attach(KitWindow& w) {
        ProgramFiles::Dialogs d;
        d.openFile = [this](const QString&) {
            asked << "open";
            return openFile;
        };
        d.saveFile = [this](const QString& title, const QString& suggested, const QString&) {
            titles << title;
            asked << "save " + QFileInfo(suggested).fileName();
            return saveFile;
        };
        d.range = [this](const QString& title, HexRange offered) {
            titles << title;
            asked << "range " +
                         QString::fromStdString(Text::word(offered.start).str() + "-" + Text::word(offered.end).str());
            return range;
        };
        d.diagnostics = [this](const QString& p, const QStringList& lines) {
            asked << "diagnostics";
            problem = p;
            diagnostics = lines;
        };
        d.ask = [this](const QString& q) {
            asked << "ask " + q;
            return replace;
        };
        programs(w)->setDialogs(d);
    }
    static ProgramFiles* programs(KitWindow& w) { return w.findChild<ProgramFiles*>("programFiles"); }
};

}  // namespace

class ProgramFilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void openStoresCommitsAndMovesTheCursor_data();
    void openStoresCommitsAndMovesTheCursor();
    void sourceWithErrorsStoresNothing();
    void saveHex_data();
    void saveHex();
    void saveOffersTheOpenedProgram();
    void saveAsSourceAssemblesBack();
    void radixOfBareNumbersAndWarnings();
    void exportKeyingSheet();
    void dropOpensTheFile();
    void contextMenuOffersTheThree();

private:
    QTemporaryDir settings_;
};

// The kit's settings (the study view's) go to a private folder, never the user's.
void ProgramFilesTest::initTestCase() {
    QVERIFY(settings_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

void ProgramFilesTest::openStoresCommitsAndMovesTheCursor_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("display");
    QTest::newRow("source") << "prog.asm" << QByteArray(kGood) << "8100=3E 8101=05 8102=76 8103=00"
                            << "Text1=8100; Text2=3E";
    QTest::newRow("Intel HEX") << "prog.hex" << QByteArray(":02810000123437\n:00000001FF\n")
                               << "8100=12 8101=34 8102=00 8103=00"
                               << "Text1=8100; Text2=12";
    QTest::newRow("below 8000: stored, the cursor at 8000")
        << "low.asm" << QByteArray("  ORG 0100H\n  DB 7,8\n") << "0100=07 0101=08 0102=00 0103=00"
        << "Text1=8000; Text2=00";
}

// Ctrl+O asks for the file, stores every byte, commits before returning and
// leaves address entry for the first row.
void ProgramFilesTest::openStoresCommitsAndMovesTheCursor() {
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    QFETCH(QString, rows);
    QFETCH(QString, display);
    QTemporaryDir dir;
    Kit k(MemoryTable::open(dir.filePath("kit.sqlite").toStdString()));
    Answers a;
    a.attach(k.w());
    a.openFile = writeFile(dir, name, text);
    k.keys("address 9");  // in address entry: the load ends it

    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);

    QCOMPARE(a.asked.join(", "), QString("open"));
    QCOMPARE(messageLog(k.presenter), QString());
    QCOMPARE(rowsFrom(k.w().memory(), rows.left(4).toLatin1().constData(), 4), rows);
    QCOMPARE(k.w().memory().pendingWrites(), std::size_t(0));
    CHECK_KIT(k, display + "; Text1.visible=1; Text2.visible=1; Text3.visible=0");
    QCOMPARE(Answers::programs(k.w())->lastSource().has_value(), name.endsWith(".asm"));
}

void ProgramFilesTest::sourceWithErrorsStoresNothing() {
    QTemporaryDir dir;
    Kit k;
    Answers a;
    a.attach(k.w());
    k.load("8100", {"3e", "AA", "BB"});
    a.openFile = writeFile(dir, "bad.asm", kBad);

    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);

    QCOMPARE(a.asked.join(", "), QString("open, diagnostics"));
    QCOMPARE(a.problem, QString("bad.asm: 2 errors; nothing was stored"));
    QCOMPARE(QString::fromStdString(k.w().statusLine().note().text), a.problem);
    QCOMPARE(a.diagnostics.size(), qsizetype(2));
    QVERIFY2(a.diagnostics[0].startsWith("bad.asm:3:") && a.diagnostics[0].contains(": error: ") &&
                 a.diagnostics[1].startsWith("bad.asm:4:"),
             qPrintable(a.diagnostics.join('\n')));
    QCOMPARE(rowsFrom(k.w().memory(), "8100", 3), QString("8100=3e 8101=AA 8102=BB"));
    QVERIFY(!Answers::programs(k.w())->lastSource());
    QCOMPARE(messageLog(k.presenter), QString());
}

void ProgramFilesTest::saveHex_data() {
    QTest::addColumn<QStringList>("bytes");  // at 8200
    QTest::addColumn<int>("end");            // the end answered; the start is 8200
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<QString>("saved");  // read back with parseIntelHex
    QTest::newRow("saved") << QStringList{"3E", "05", "76"} << 0x8202 << "range 8200-820F, save program.hex"
                           << ""
                           << "8200=3E 8201=05 8202=76";
    QTest::newRow("an odd text") << QStringList{"3E", " 5", "76"} << 0x8202 << "range 8200-820F"
                                 << "row 8201 holds \" 5\", not two upper-case hex digits; nothing was "
                                    "saved|error :|exclamation"
                                 << "";
    QTest::newRow("end before start") << QStringList{"3E"} << 0x8100 << "range 8200-820F"
                                      << "the end 8100 is before the start 8200; nothing was saved|error :|exclamation"
                                      << "";
}

// Ctrl+S offers the current row as the start; the file reads back as the rows,
// or, refused, is never asked for.
void ProgramFilesTest::saveHex() {
    QFETCH(QStringList, bytes);
    QFETCH(int, end);
    QFETCH(QString, asked);
    QFETCH(QString, messages);
    QFETCH(QString, saved);
    QTemporaryDir dir;
    Kit k;
    Answers a;
    a.attach(k.w());
    k.load("8200", bytes);
    a.range = HexRange{0x8200, static_cast<uint16_t>(end)};
    a.saveFile = dir.filePath("out.hex");

    QTest::keyClick(&k.w(), Qt::Key_S, Qt::ControlModifier);

    QCOMPARE(a.asked.join(", "), asked);
    QCOMPARE(messageLog(k.presenter), messages);
    if (!messages.isEmpty())  // the reason stays on the status line once the box is closed
        QCOMPARE(QString::fromStdString(k.w().statusLine().note().text), messages.section('|', 0, 0));
    const IntelHexImage back = parseIntelHex(readFile(a.saveFile).toStdString());
    QStringList got;
    for (const HexByte& b : back.bytes)
        got << QString::fromStdString(Text::word(b.address).str() + "=" + Text::byte(b.value).str());
    QCOMPARE(got.join(' '), saved);
    if (!saved.isEmpty())
        QCOMPARE(a.titles, (QStringList{"Save memory as Intel HEX: which rows", "Save memory as Intel HEX"}));
}

// After a program is opened, Ctrl+S offers its rows, first to last, whatever
// the current row.
void ProgramFilesTest::saveOffersTheOpenedProgram() {
    QTemporaryDir dir;
    Kit k;
    Answers a;
    a.attach(k.w());
    a.openFile = writeFile(dir, "p.asm", "ORG 8100H\n MVI A,5\n JMP 8100H\nMSG: DB 1,2,3\n");
    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);
    k.keys("address 9 0 0 0");
    QTest::keyClick(&k.w(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(a.asked.join(", "), QString("open, range 8100-8107"));
}

// Save as 8085 source writes a range as a source that assembles back to the
// same bytes; a range that ends before it starts is refused.
void ProgramFilesTest::saveAsSourceAssemblesBack() {
    QTemporaryDir dir;
    Kit k;
    Answers a;
    a.attach(k.w());
    const char* source = "ORG 8100H\nLOOP: MVI A,0A4H\n JNZ LOOP\n DB 1,2\n HLT\n";
    a.openFile = writeFile(dir, "p.asm", source);
    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);
    a.range = HexRange{0x8100, 0x8107};
    a.saveFile = dir.filePath("back.asm");
    QVERIFY(Answers::programs(k.w())->saveSource());
    QCOMPARE(a.titles.join(", "), QString("Save memory as 8085 source: which rows, Save memory as 8085 source"));
    const assembler::Assembly back = assembler::assemble(readFile(dir.filePath("back.asm")).toStdString());
    QVERIFY(back.ok());
    const assembler::Assembly original = assembler::assemble(source);
    QCOMPARE(back.bytes().size(), original.bytes().size());
    for (std::size_t i = 0; i < back.bytes().size(); ++i) {
        QCOMPARE(back.bytes()[i].address, original.bytes()[i].address);
        QCOMPARE(back.bytes()[i].value, original.bytes()[i].value);
    }
    // A name without an extension gets .asm, so the kit opens it again as a
    // source; an existing file of that name is asked about first.
    a.saveFile = dir.filePath("bubble sort");
    QVERIFY(Answers::programs(k.w())->saveSource());
    QCOMPARE(readFile(dir.filePath("bubble sort.asm")), readFile(dir.filePath("back.asm")));
    QCOMPARE(QString::fromStdString(k.w().statusLine().note().text),
             QString("saved 8100\u20138107 as source to \"bubble sort.asm\""));
    a.replace = false;
    QVERIFY(!Answers::programs(k.w())->saveSource());
    QCOMPARE(a.asked.last(), QString("ask bubble sort.asm already exists. Replace it?"));
    a.range = HexRange{0x8107, 0x8100};
    a.saveFile = dir.filePath("never.asm");
    QVERIFY(!Answers::programs(k.w())->saveSource());
    QVERIFY(!QFile::exists(dir.filePath("never.asm")));
    QCOMPARE(messageLog(k.presenter),
             QString("the end 8100 is before the start 8107; nothing was saved|error :|exclamation"));
}

// The window's radix setting: a kit-manual source (bare hex) opens as its
// author meant once bare numbers are hex; a warning shows on the status line.
void ProgramFilesTest::radixOfBareNumbersAndWarnings() {
    QTemporaryDir dir;
    Kit k;
    Answers a;
    a.attach(k.w());
    auto* radix = k.w().findChild<QAction*>("sourceRadix16");
    QVERIFY(radix && radix->isCheckable());
    radix->setChecked(false);
    a.openFile = writeFile(dir, "manual.asm", "ORG 8100H\nMVI A,29\nLXI H,9000\nHLT\n");
    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(rowsFrom(k.w().memory(), "8100", 5), QString("8100=3E 8101=1D 8102=21 8103=28 8104=23"));  // decimal
    radix->setChecked(true);
    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(rowsFrom(k.w().memory(), "8100", 5), QString("8100=3E 8101=29 8102=21 8103=00 8104=90"));  // hex
    QCOMPARE(rememberedSourceRadix(), 16);
    radix->setChecked(false);
    QCOMPARE(rememberedSourceRadix(), 10);
    a.openFile = writeFile(dir, "plain.asm", "MVI A,5\nHLT\n");  // no ORG: keyed from the keypad's first row
    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(rowsFrom(k.w().memory(), "8000", 3), QString("8000=3E 8001=05 8002=76"));
    a.openFile = writeFile(dir, "low.asm", "ORG 0\nMVI A,5\nHLT\n");  // below the keypad
    QTest::keyClick(&k.w(), Qt::Key_O, Qt::ControlModifier);
    const std::string note = k.w().statusLine().note().text;
    QVERIFY2(note.find("1 warning: low.asm:") != std::string::npos, note.c_str());
}

// Without an opened source Ctrl+P says so; after one it writes a PDF.
void ProgramFilesTest::exportKeyingSheet() {
    QTemporaryDir dir;
    Kit k;
    Answers a;
    a.attach(k.w());
    a.saveFile = dir.filePath("sheet.pdf");

    QTest::keyClick(&k.w(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(a.asked.join(", "), QString());
    QVERIFY2(messageLog(k.presenter).startsWith("No 8085 source is open"), qPrintable(messageLog(k.presenter)));
    QVERIFY(!QFile::exists(a.saveFile));

    k.presenter.shown.clear();
    a.openFile = writeFile(dir, "count.asm", kGood);
    QVERIFY(Answers::programs(k.w())->open());
    QTest::keyClick(&k.w(), Qt::Key_P, Qt::ControlModifier);

    QCOMPARE(a.asked.join(", "), QString("open, save count-keying.pdf"));
    QCOMPARE(messageLog(k.presenter), QString());
    const QByteArray pdf = readFile(a.saveFile);
    QVERIFY2(pdf.startsWith("%PDF") && pdf.size() > 1000, pdf.left(16).constData());
}

// A dropped program is accepted and opened; any other file is not accepted.
void ProgramFilesTest::dropOpensTheFile() {
    QTemporaryDir dir;
    Kit k;
    const QString program = writeFile(dir, "drop.hex", ":02810000123437\n:00000001FF\n");
    const QString other = writeFile(dir, "notes.txt", "hello");
    auto drag = [&](const QString& file) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&k.w(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&k.w(), &drop);
        return true;
    };
    QVERIFY(!drag(other));
    QVERIFY(drag(program));
    QTRY_COMPARE(rowsFrom(k.w().memory(), "8100", 2), QString("8100=12 8101=34"));
    CHECK_KIT(k, "Text1=8100; Text2=12");
    QCOMPARE(messageLog(k.presenter), QString());
}

// The window's right-click menu holds its actions: the file actions together,
// with the keyboard table's keys, then Execute's speed, the help and close.
void ProgramFilesTest::contextMenuOffersTheThree() {
    Kit k;
    QCOMPARE(k.w().contextMenuPolicy(), Qt::ActionsContextMenu);
    QStringList items;
    for (QAction* action : k.w().actions().mid(k.w().actions().size() - 8))
        items << (action->isSeparator() ? "--" : action->text() + " " + action->shortcut().toString());
    QCOMPARE(items.join(" | "), QString("Save as Intel HEX\u2026 Ctrl+S | Save as 8085 source\u2026  | "
                                        "Export keying sheet as PDF\u2026 Ctrl+P | "
                                        "Bare numbers in sources are hex (RADIX 16)  | -- | Execute at  | "
                                        "Help: a first program, the keys, every instruction (F1)  | "
                                        "Close the kit (CLOSE, Ctrl+Q) "));
}

QTEST_MAIN(ProgramFilesTest)
#include "program_files_test.moc"
