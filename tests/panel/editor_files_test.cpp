// The source editor's files, as a student keeps them: save, save as, a new
// source, a source opened with Ctrl+O, the listing and keying sheet, the
// file's own encoding, and the copy got back after the kit was killed.
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include <iostream>
#include <string>

#include "editor_fixture.h"
#include "panel/program_files.h"
#include "panel/study_settings.h"
#include "values/text_encoding.h"

using namespace kit85;
using namespace kit85::testing;

class EditorFilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void saveModifyAndClosePrompt();
    void saveAsAsksBeforeReplacingWithTheSuffixAdded();
    void newAsksAboutUnsavedChanges_data();
    void newAsksAboutUnsavedChanges();
    void ctrlOOfASourceOpensItInTheEditor();
    void listingAndKeyingSheetFromTheEditor();
    void savingKeepsWhatWasNotEdited_data();
    void savingKeepsWhatWasNotEdited();
    void aFileThatIsNoTextIsNotOpened();
    void recoveryCopyIsOfferedAfterAKill();

private:
    QTemporaryDir settings_;
    QTemporaryDir data_;
};

void EditorFilesTest::initTestCase() {
    QVERIFY(settings_.isValid() && data_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    rememberStudyView(false);
    // Recovery copies go to a private folder too (the child inherits it).
    qputenv("XDG_DATA_HOME", data_.path().toUtf8());
}

void EditorFilesTest::saveModifyAndClosePrompt() {
    QTemporaryDir dir;
    Editing e;
    e.setSource(kCountDown);
    e.saveAnswer = dir.filePath("count");  // no suffix: .asm is added
    QVERIFY(e.editor().save());
    QFile saved(dir.filePath("count.asm"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), QString(kCountDown));
    QCOMPARE(e.editor().title(), QString("count.asm"));
    QCOMPARE(e.editor().note(), QString("saved \"count.asm\" (%1 bytes)").arg(QByteArray(kCountDown).size()));
    QCOMPARE(e.editor().recentFiles().value(0), dir.filePath("count.asm"));

    e.text().insertAt("; changed\n", 0, 0);
    QCOMPARE(e.editor().title(), QString("count.asm *"));
    auto* tabs = e.w().studyView()->findChild<QTabWidget*>("studyTabs");
    QCOMPARE(tabs->tabText(tabs->indexOf(&e.editor())), QString("count.asm *"));

    e.unsavedAnswer = SourceEditor::Unsaved::Cancel;
    QVERIFY(!e.w().close());
    QVERIFY(e.w().isVisible());
    QCOMPARE(e.questions.size(), 1);
    QVERIFY(e.questions[0].contains("count.asm"));

    e.unsavedAnswer = SourceEditor::Unsaved::Save;
    QVERIFY(e.w().close());
    QFile again(dir.filePath("count.asm"));
    QVERIFY(again.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(again.readAll()).startsWith("; changed\n"));
}

void EditorFilesTest::saveAsAsksBeforeReplacingWithTheSuffixAdded() {
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("lab.asm"), "; the student's earlier lab\n"));
    Editing e;
    e.setSource(kCountDown);
    e.saveAnswer = dir.filePath("lab");
    e.askAnswer = false;
    QVERIFY(!e.editor().saveAs());
    QCOMPARE(e.questions, QStringList{"lab.asm already exists. Replace it?"});
    QFile kept(dir.filePath("lab.asm"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("; the student's earlier lab\n"));
    QVERIFY(e.editor().modified());
    e.askAnswer = true;
    QVERIFY(e.editor().saveAs());
    QCOMPARE(e.editor().title(), QString("lab.asm"));
}

void EditorFilesTest::newAsksAboutUnsavedChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("templateShown");
    QTest::newRow("cancel keeps the text") << static_cast<int>(SourceEditor::Unsaved::Cancel) << false;
    QTest::newRow("discard starts anew") << static_cast<int>(SourceEditor::Unsaved::Discard) << true;
}

void EditorFilesTest::newAsksAboutUnsavedChanges() {
    QFETCH(int, answer);
    QFETCH(bool, templateShown);
    Editing e;
    QCOMPARE(e.text().text(), QString(SourceEditor::kTemplate));  // a fresh editor holds the template
    QVERIFY(!e.editor().modified());
    e.setSource(kCountDown);
    e.unsavedAnswer = static_cast<SourceEditor::Unsaved>(answer);
    QCOMPARE(e.editor().newSource(), templateShown);
    QCOMPARE(e.questions.size(), 1);
    QCOMPARE(e.text().text(), QString(templateShown ? SourceEditor::kTemplate : kCountDown));
    QCOMPARE(e.editor().modified(), !templateShown);
    // The template assembles to its HLT at 8000.
    if (templateShown) {
        QVERIFY(e.editor().assembleAndLoad());
        QVERIFY(e.differences("8000=76").isEmpty());
    }
}

void EditorFilesTest::ctrlOOfASourceOpensItInTheEditor() {
    QTemporaryDir dir;
    const QString file = dir.filePath("count.asm");
    QVERIFY(writeBytes(file, kCountDown));
    Editing e;
    QVERIFY(e.w().findChild<ProgramFiles*>("programFiles")->openFile(file));
    QCOMPARE(e.editor().path(), QFileInfo(file).absoluteFilePath());
    QCOMPARE(e.text().text(), QString(kCountDown));
    QCOMPARE(e.editor().pcLine(), 2);  // mapped: the kit stands on 8000

    // A source with errors stores nothing, and opens in the editor with its
    // errors marked and the cursor on the first.
    ProgramFiles::Dialogs quiet;
    quiet.diagnostics = [](const QString&, const QStringList&) {};
    e.w().findChild<ProgramFiles*>("programFiles")->setDialogs(quiet);
    const QString bad = dir.filePath("bad.asm");
    QVERIFY(writeBytes(bad, "        ORG 8000H\n        MVI A,5\n        JMP NOWHERE\n"));
    QVERIFY(!e.w().findChild<ProgramFiles*>("programFiles")->openFile(bad));
    QCOMPARE(e.editor().path(), QFileInfo(bad).absoluteFilePath());
    QVERIFY(hasMarker(e.text(), 2, kErrorMarker));
    int line = -1, column = -1;
    e.text().getCursorPosition(&line, &column);
    QCOMPARE(line, 2);
}

// Both come from the editor's text as it stands, loaded or not; a text
// with an error writes neither.
void EditorFilesTest::listingAndKeyingSheetFromTheEditor() {
    QTemporaryDir dir;
    Editing e;
    ProgramFiles::Dialogs kitDialogs;
    QString sheetTitle;
    kitDialogs.saveFile = [&](const QString& title, const QString&, const QString&) {
        sheetTitle = title;
        return dir.filePath("sheet.pdf");
    };
    e.w().findChild<ProgramFiles*>("programFiles")->setDialogs(kitDialogs);
    e.setSource(kCountDown);
    e.saveAnswer = dir.filePath("count.lst");
    QVERIFY(e.editor().saveListing());
    QFile listing(dir.filePath("count.lst"));
    QVERIFY(listing.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(listing.readAll());
    QVERIFY2(text.contains("8004") && text.contains("LOOP:   ADD     C"), qPrintable(text));
    QAction* sheet = e.editor().findChild<QAction*>("editorSheet");
    QCOMPARE(sheet->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    sheet->trigger();
    QFile pdf(dir.filePath("sheet.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(4) == "%PDF");
    QVERIFY(e.w().memory().dataAt(*e.w().memory().rowOf(Text("8000"))) == Text("00"));  // nothing loaded

    e.setSource("        ORG 8000H\n        JMP NOWHERE\n");
    e.saveAnswer = dir.filePath("bad.lst");
    QVERIFY(!e.editor().saveListing());
    QVERIFY(!e.editor().exportSheet());
    QVERIFY(!QFile::exists(dir.filePath("bad.lst")));
    QVERIFY(hasMarker(e.text(), 1, kErrorMarker));
}

void EditorFilesTest::savingKeepsWhatWasNotEdited_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");  // after a NOP line typed at the end
    QTest::newRow("UTF-8, LF") << QByteArray("; caf\xc3\xa9\n        ORG 8000H\n        HLT\n")
                               << QByteArray("; caf\xc3\xa9\n        ORG 8000H\n        HLT\n        NOP\n");
    QTest::newRow("Latin-1, CRLF") << QByteArray("; caf\xe9\r\n        ORG 8000H\r\n        HLT\r\n")
                                   << QByteArray("; caf\xe9\r\n        ORG 8000H\r\n        HLT\r\n        NOP\r\n");
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xef\xbb\xbf; x\n        ORG 8000H\n        HLT\n")
                                         << QByteArray("\xef\xbb\xbf; x\n        ORG 8000H\n        HLT\n        NOP\n");
    const auto utf16 = [](const char* text) {
        const std::string bytes = encodeText(text, TextEncoding::Utf16Le);
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    };
    QTest::newRow("UTF-16 LE") << utf16("; caf\xc3\xa9\r\n        ORG 8000H\r\n        HLT\r\n")
                               << utf16("; caf\xc3\xa9\r\n        ORG 8000H\r\n        HLT\r\n        NOP\r\n");
}

// A file that is no text is refused by name and left as it is: opened, it
// would show as its first few characters, and a save would keep only those.
void EditorFilesTest::aFileThatIsNoTextIsNotOpened() {
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.asm");
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20);
    QVERIFY(writeBytes(path, png));
    Editing e;
    e.setSource("        HLT\n");
    QVERIFY(!e.editor().openPath(path));
    QVERIFY2(messageLog(e.presenter).contains("photo.asm is not a text file: it holds NUL bytes"),
             qPrintable(messageLog(e.presenter)));
    QCOMPARE(e.text().text(), QString("        HLT\n"));
    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), png);
}

// A file's encoding and line ends come back as they were; only the typed
// line is new.
void EditorFilesTest::savingKeepsWhatWasNotEdited() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);
    QTemporaryDir dir;
    const QString path = dir.filePath("lab.asm");
    QVERIFY(writeBytes(path, file));
    Editing e;
    QVERIFY(e.editor().openPath(path));
    e.text().setCursorPosition(2, 11);
    e.text().setFocus();
    QTest::keyClick(&e.text(), Qt::Key_Return);
    QTest::keyClicks(&e.text(), "NOP");
    QVERIFY(e.editor().save());
    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), saved);
}

// The child: a kit whose editor holds typed text until it is killed.
static int recoveryWriter() {
    Kit k;
    SourceEditor& editor = k.w().sourceEditor();
    editor.text()->setText("        ORG 8000H\n        MVI A,42H ; typed, never saved\n        HLT\n");
    if (!QTest::qWaitFor([&editor] { return QFile::exists(editor.recoveryFile()); }, 10000)) return 2;
    std::cout << "written" << std::endl;
    // Killed while it waits here; a test that ended without killing it ends
    // its input, and it goes too.
    std::string line;
    std::getline(std::cin, line);
    return 1;
}

void EditorFilesTest::recoveryCopyIsOfferedAfterAKill() {
    QDir(SourceEditor::recoveryFolder()).removeRecursively();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--recovery-writer", settings_.path()});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    for (int i = 0; i < 600 && !said.contains("written") && child.state() == QProcess::Running; ++i) {
        child.waitForReadyRead(50);
        said += child.readAllStandardOutput();
    }
    QVERIFY2(said.contains("written"), qPrintable(said + child.readAllStandardError()));
    child.kill();  // SIGKILL: nothing of the kit's own ending runs
    QVERIFY(child.waitForFinished());

    // The next kit offers the copy once it is shown.
    kit85::testing::RecordingPresenter presenter;
    KitWindow w(MemoryTable::fresh(), &presenter);
    SourceEditor& editor = w.sourceEditor();
    QStringList questions;
    SourceEditor::Dialogs d;
    d.ask = [&](const QString& q) {
        questions << q;
        return true;
    };
    d.unsaved = [](const QString&) { return SourceEditor::Unsaved::Discard; };
    editor.setDialogs(d);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(editor.text()->text().contains("MVI A,42H"), 5000);
    QVERIFY(w.studyOpen());
    QCOMPARE(questions.size(), 1);
    QVERIFY2(questions[0].contains("an unsaved source"), qPrintable(questions[0]));
    QVERIFY(editor.modified());
    // Taken back and then discarded: no copy is left to offer again.
    QVERIFY(editor.maybeClose());
    QVERIFY(QDir(SourceEditor::recoveryFolder()).entryList({"*.asm"}, QDir::Files).isEmpty());
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && QString(argv[1]) == "--recovery-writer") {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, argv[2]);
        return recoveryWriter();
    }
    EditorFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "editor_files_test.moc"
