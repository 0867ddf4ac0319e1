// Start-up: the about box, opening the memory file, and the kit85 program.

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>

#include "memory/opening.h"
#include "panel/about_box.h"
#include "panel/app.h"
#include "panel_fixture.h"

using namespace kit85;
using kit85::testing::writeTable;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void aboutBoxControls();
    void aboutBoxResult_data();
    void aboutBoxResult();
    void refusedMemoryFileAsksForAnother_data();
    void refusedMemoryFileAsksForAnother();
    void defaultMemoryFile();
    void programOptions_data();
    void programOptions();
    void oneVersion();
    void programShowsKitAfterAboutBox_data();
    void programShowsKitAfterAboutBox();
    void programFileOpensAtStart_data();
    void programFileOpensAtStart();
};

void StartupTest::aboutBoxControls() {
    AboutBox about;
    QCOMPARE(about.objectName(), QString("aboutfm"));
    QCOMPARE(about.windowTitle(), QString());
    auto text = [&](const char* name) {
        auto* l = about.findChild<QLabel*>(name);
        return l ? l->text() : QString("<missing %1>").arg(name);
    };
    QCOMPARE(text("lblProductName"), QString("kit85 \u2014 8085 trainer kit simulator"));
    for (const char* name : {"lblCompany", "lblCompanyProduct", "lblWarning"}) QVERIFY2(!text(name).isEmpty(), name);
    QVERIFY(text("lblCompanyProduct").contains("licence"));
    QVERIFY(!about.findChild<QLabel*>("imgLogo")->pixmap().isNull());
    QVERIFY(about.findChild<QWidget*>("Frame1"));
    auto* ok = about.findChild<QPushButton*>("Command1");
    QCOMPARE(ok->text(), QString("OK"));
    QCOMPARE(ok->geometry().topLeft(), QPoint(twipsToPixels(2280, &about), twipsToPixels(4200, &about)));
}

void StartupTest::aboutBoxResult_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << "ok" << int(QDialog::Accepted);
    QTest::newRow("Esc") << "escape" << int(QDialog::Rejected);
    QTest::newRow("closed by the window system") << "close" << int(QDialog::Rejected);
}

// Only OK leads on to the kit window; main() ends on any other result.
void StartupTest::aboutBoxResult() {
    QFETCH(QString, how);
    QFETCH(int, result);
    AboutBox about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    if (how == "ok")
        QTest::mouseClick(about.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(&about, Qt::Key_Escape);
    else
        about.close();
    QCOMPARE(about.result(), result);
    QVERIFY(!about.isVisible());
}

void StartupTest::refusedMemoryFileAsksForAnother_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reasonHas");
    QTest::newRow("folder missing") << "missing-folder"
                                    << "does not exist";
    QTest::newRow("not SQLite") << "text"
                                << "not an SQLite database";
    QTest::newRow("a folder") << "folder"
                              << "not a regular file";
    QTest::newRow("no table d2") << "no-d2"
                                 << "no table d2";
}

void StartupTest::refusedMemoryFileAsksForAnother() {
    QFETCH(QString, kind);
    QFETCH(QString, reasonHas);
    QTemporaryDir dir;
    std::filesystem::path bad = dir.filePath("bad.sqlite").toStdString();
    if (kind == "missing-folder") bad = dir.filePath("nowhere/bad.sqlite").toStdString();
    if (kind == "text") std::ofstream(bad) << "just some text, no database at all\n";
    if (kind == "folder") std::filesystem::create_directory(bad);
    if (kind == "no-d2") {
        sqlite3* db = nullptr;
        sqlite3_open(bad.c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE other (x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const std::filesystem::path good = dir.filePath("good.sqlite").toStdString();

    std::vector<std::pair<std::filesystem::path, std::string>> asked;
    auto answer = [&](std::optional<std::filesystem::path> reply) {
        return [&asked, reply](const std::filesystem::path& f, const std::string& reason) {
            asked.push_back({f, reason});
            return reply;
        };
    };

    // Giving up: no table, the bad file untouched.
    QVERIFY(!openMemoryTable(bad, answer(std::nullopt)));
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(asked[0].first, bad);
    QVERIFY2(asked[0].second.find(bad.string()) != std::string::npos, asked[0].second.c_str());
    QVERIFY2(asked[0].second.find(reasonHas.toStdString()) != std::string::npos, asked[0].second.c_str());

    // Another file: the kit goes on with it.
    asked.clear();
    auto table = openMemoryTable(bad, answer(good));
    QVERIFY(table);
    QCOMPARE(table->file(), good);
    QCOMPARE(asked.size(), size_t(1));
}

void StartupTest::defaultMemoryFile() {
    QTemporaryDir dir;
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    int asked = 0;
    auto table = openMemoryTable(std::nullopt, [&](const auto&, const auto&) {
        ++asked;
        return std::optional<std::filesystem::path>();
    });
    qputenv("XDG_DATA_HOME", old);
    QVERIFY(table);
    QCOMPARE(asked, 0);
    QCOMPARE(QString::fromStdString(table->file().string()), dir.filePath("kit85/memory.sqlite"));
}

void StartupTest::programOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outputHas");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--memory FILE";
    QTest::newRow("help names the program") << QStringList{"-h"} << 0 << "PROGRAM.asm|PROGRAM.hex";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "kit85 ";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "not expected: --bogus";
    QTest::newRow("not a program") << QStringList{"kit.mdb"} << 2 << "unexpected argument 'kit.mdb'";
    QTest::newRow("two programs") << QStringList{"a.asm", "b.hex"} << 2 << "not expected: b.hex";
    QTest::newRow("memory without file") << QStringList{"--memory"} << 2 << "--memory: 1 required FILE missing";
    QTest::newRow("a program but no display") << QStringList{"p.asm"} << 1 << "no display to open the kit on";
    QTest::newRow("a name with spaces, upper case")
        << QStringList{"my prog.A85"} << 1 << "no display to open the kit on";
    // DISPLAY=:1999 names no X server here: the toolkit would abort with a core dump.
    QTest::newRow("a stale DISPLAY") << QStringList{"DISPLAY=:1999", "p.asm"} << 1
                                     << "no X server answers at DISPLAY :1999";
    QTest::newRow("a stale DISPLAY, --help") << QStringList{"DISPLAY=:1999", "--help"} << 0 << "--memory FILE";
}

void StartupTest::programOptions() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, outputHas);
    // No display at all (or one given first as DISPLAY=...): these answer
    // before the toolkit starts.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    if (!args.isEmpty() && args.first().startsWith("DISPLAY=")) env.insert("DISPLAY", args.takeFirst().mid(8));
    p.setProcessEnvironment(env);
    p.start(KIT85_PROGRAM, args);
    QVERIFY(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY2(out.contains(outputHas), qPrintable(out));
}

// The about box and --version show the same version, the project's.
void StartupTest::oneVersion() {
    const QString version = kitVersion();
    QVERIFY2(version.count('.') == 2, qPrintable(version));
    AboutBox about;
    auto* shown = about.findChild<QLabel*>("lblVersion");
    QVERIFY(shown);
    QCOMPARE(shown->text(), "Version " + version);
    QProcess p;
    p.start(KIT85_PROGRAM, {"--version"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), "kit85 " + version);
}

void StartupTest::programShowsKitAfterAboutBox_data() {
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("painted");
    QTest::newRow("kit alone") << QStringList{} << "kit window painted";
    QTest::newRow("with the study view left open") << QStringList{"--study"} << "study view painted";
}

// The whole start, as kit85 runs it, through the tool that accepts the about
// box: about box, memory file, kit window (and study view) painted, then ended.
void StartupTest::programShowsKitAfterAboutBox() {
    QFETCH(QStringList, extra);
    QFETCH(QString, painted);
    QTemporaryDir dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(KIT85_SHOTS, QStringList{"--probe", "--memory", dir.filePath("m.sqlite")} + extra);
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(err.contains(painted), qPrintable(err));
    QVERIFY(QFile::exists(dir.filePath("m.sqlite")));
}

void StartupTest::programFileOpensAtStart_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("want");  // the displays and 8000.. after the start
    QTest::newRow("source") << "prog.asm" << QByteArray("ORG 8100H\n MVI A,5\n HLT\n") << "8100 3E 3E 05 76";
    QTest::newRow("Intel HEX") << "prog.HEX" << QByteArray(":03810000060776F9\n:00000001FF\n") << "8100 06 06 07 76";
    QTest::newRow("a name with spaces") << "my first prog.Asm" << QByteArray("ORG 8100H\n MVI B,7\n HLT\n")
                                        << "8100 06 06 07 76";
}

// kit85 FILE: the program is in memory and on the displays once the kit
// shows, as after Ctrl+O.
void StartupTest::programFileOpensAtStart() {
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    QFETCH(QString, want);
    QTemporaryDir dir;
    QFile program(dir.filePath(name));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write(text);
    program.close();
    QString got;
    StartHooks hooks;
    hooks.aboutPainted = [](AboutBox& about) { about.accept(); };
    hooks.kitPainted = [&got](KitWindow& w) {
        // The program opens on a turn of the event loop once the kit shows.
        const MemoryTable& m = w.memory();
        (void)QTest::qWaitFor([&m] { return m.text1().str() == "8100"; }, 10000);
        got = QString::fromStdString(m.text1().str() + " " + m.text2().str());
        for (const char* a : {"8100", "8101", "8102"})
            got += " " + QString::fromStdString(m.dataAt(*m.rowOf(Text(a))).str());
        w.close();
    };
    setUpApplication();
    const int status = runWindow({dir.filePath("m.sqlite").toStdString(), program.fileName().toStdString()}, hooks);
    QCOMPARE(status, 0);
    QCOMPARE(got, want);
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
