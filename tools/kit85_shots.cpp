// kit85-shots: the kit's own start, run without a user, for pictures and
// start-up figures. Not installed; scripts/screenshot.sh and the start-up
// test use it.
//
//   kit85-shots [--memory FILE] (--shots DIR | --probe [--study] | --redraws)
//
//   --shots DIR  accepts the about box (saving about-box.png in DIR), opens
//                the study view, keys in the sample program (3E 05 76 at 8000)
//                and runs it with Execute, saves kit-panel-hidden.png and
//                kit-panel-shown.png (the kit window alone) and
//                kit-study-view.png (the kit and the study view side by side),
//                kit-editor.png (the source editor beside the kit mid-step),
//                and kit-study-docked-1366.png and kit-study-docked-1024.png
//                (docked as one window filling a 1366x768 and a 1024x768
//                screen, Check my program open on a failing case), then ends.
//   --probe      accepts the about box and, once the kit window has been
//                painted, prints the time since the process started and since
//                OK, and the resident memory, to standard error, then ends.
//                With --study the study view opens with the kit (as when the
//                user left it open), and its first paint is timed too.
//   --docked     with --probe --study or --redraws: the study view docked to
//                the kit as one window.
//   --redraws    opens the study view, keys a loop of about 100 million
//                instructions and runs it with Execute, then prints how often
//                the kit and the study view were redrawn per second of the run.
//
// The study view's open/closed setting is read from and written to a private
// folder, never the user's own settings.

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QListWidget>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "panel/about_box.h"
#include "panel/check_pane.h"
#include "panel/app.h"
#include "panel/editor/source_editor.h"
#include "panel/kit_window.h"
#include "panel/study_view.h"

namespace {

using namespace kit85;

// Milliseconds since the process was started, from the kernel's record
// (10 ms steps), so loading the libraries counts too.
double processAgeMs() {
    std::ifstream stat("/proc/self/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22 is the start time; fields after the ")" of the command name.
    std::istringstream rest(all.substr(all.rfind(')') + 2));
    std::string field;
    unsigned long long start = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i)
        if (i == 22) start = std::stoull(field);
    std::ifstream up("/proc/uptime");
    double uptime = 0;
    up >> uptime;
    return (uptime - static_cast<double>(start) / static_cast<double>(::sysconf(_SC_CLK_TCK))) * 1000.0;
}

std::string statusLine(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return line;
    return std::string(key) + " ?";
}

void pressKeys(KitWindow& w, const QStringList& names) {
    for (const QString& n : names)
        if (auto* k = w.findChild<QPushButton*>(n)) k->click();
}

// The kit and the study view side by side on the desk's colour, as a user
// sees them.
QImage sideBySide(KitWindow& w) {
    const QPixmap kit = w.grab();
    const QPixmap study = w.studyView()->grab();
    const int gap = 16;
    QImage out(kit.width() + study.width() + 3 * gap, std::max(kit.height(), study.height()) + 2 * gap,
               QImage::Format_RGB32);
    out.fill(QColor("#5B6470"));
    QPainter p(&out);
    p.drawPixmap(gap, gap, kit);
    p.drawPixmap(kit.width() + 2 * gap, gap, study);
    return out;
}

// The kit and the view docked as one window, at each size in turn (a laptop
// screen less its panel and title bar), saved as kit-study-docked-WIDTH.png.
void shootDocked(KitWindow& w, const QString& dir, QList<QSize> sizes) {
    if (sizes.isEmpty()) {
        w.close();
        return;
    }
    QWidget* dock = w.window();
    const QSize size = sizes.takeFirst();
    dock->showNormal();  // a maximised dock keeps the screen's size
    w.studyView()->arrangeFor(size.width());  // the narrower arrangement first: its minimum fits
    dock->resize(size);
    QTimer::singleShot(300, &w, [&w, dir, sizes, dock, size] {
        dock->grab().save(QDir(dir).filePath(QString("kit-study-docked-%1.png").arg(size.width())));
        shootDocked(w, dir, sizes);
    });
}

// The source editor beside the kit mid-step: a program typed into the
// editor, assembled and loaded (F8), and stepped to the middle of its loop.
void editorShot(KitWindow& w, const QString& dir) {
    SourceEditor& editor = w.sourceEditor();
    editor.text()->setText(
        "; Name        : A. Student\n; Roll number : 21\n; Aim         : add 3 + 2 + 1 in a loop\n\n"
        "        ORG     8000H\n        MVI     A,00H\n        MVI     C,03H\n"
        "LOOP:   ADD     C               ; A = A + C\n        DCR     C\n        JNZ     LOOP\n"
        "        STA     8100H           ; the sum\n        HLT\n");
    w.studyView()->showEditor();
    editor.assembleAndLoad();
    for (int i = 0; i < 4; ++i) pressKeys(w, {"stepexe"});
    editor.text()->setModified(false);  // no question about saving on the way out
    sideBySide(w).save(QDir(dir).filePath("kit-editor.png"));
}

// Check my program with a lab the editor's program fails, its failing case
// selected: the docked pictures show the check pane as a student sees it.
void checkAFailingCase(KitWindow& w) {
    static QTemporaryDir dir;
    const QString file = dir.filePath("lab.toml");
    std::ofstream(file.toStdString()) << "name = \"Sum of 3, 2 and 1\"\n"
                                         "[[case]]\nname = \"sum\"\n[case.expect]\nmemory = { \"8100\" = \"06\" }\n"
                                         "[[case]]\nname = \"A holds the sum\"\n[case.expect]\nregisters = { A = \"07\" }\n"
                                         "[[case]]\nname = \"hidden\"\nhidden = true\n[case.expect]\n"
                                         "memory = { \"8100\" = \"06\" }\n";
    CheckPane* pane = CheckPane::of(w);
    if (!pane || !pane->openLabFile(file)) return;
    pane->check();
    pane->caseList()->setCurrentRow(1);
}

// Keys in the sample program, runs it, and saves the pictures.
void takeScreenshots(KitWindow& w, const QString& dir) {
    w.setStudyOpen(true);  // from the start, so its listing starts at 8000 as a user's would
    pressKeys(w, {"address", "c8", "c0", "c0", "c0", "c3", "ce", "next", "c0", "c5", "next", "c7", "c6", "address",
                  "c8", "c0", "c0", "c0", "execute"});
    auto save = [&w, dir] {
        w.grab().save(QDir(dir).filePath("kit-panel-hidden.png"));
        pressKeys(w, {"regmod"});
        QTimer::singleShot(200, &w, [&w, dir] {
            w.grab().save(QDir(dir).filePath("kit-panel-shown.png"));
            QTimer::singleShot(300, &w, [&w, dir] {
                sideBySide(w).save(QDir(dir).filePath("kit-study-view.png"));
                editorShot(w, dir);
                w.setStudyDocked(true);
                checkAFailingCase(w);
                shootDocked(w, dir, {QSize(1366, 768), QSize(1024, 768)});
            });
        });
    };
    if (w.running())
        QObject::connect(&w, &KitWindow::runFinished, &w, [save] { QTimer::singleShot(200, save); });
    else
        QTimer::singleShot(200, &w, save);
}

// Counts paint events of the kit window and of the study view's memory pane.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            if (o->objectName() == "form1") ++kit;
            if (auto* w = qobject_cast<QWidget*>(o); w && w->parent() && w->parent()->objectName() == "memory") ++study;
            if (o->objectName() == "form1" && kitFirst < 0) {
                kitFirst = now();
                kitFirstCpu = cpu();
            }
            if (w_isStudy(o) && studyFirst < 0) {
                studyFirst = now();
                studyFirstCpu = cpu();
            }
        }
        return false;
    }
    // A widget of the study view, floating or docked.
    static bool w_isStudy(QObject* o) {
        for (QObject* p = o; p; p = p->parent())
            if (p->objectName() == "studyfm") return true;
        return false;
    }
    static double now() {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    // Processor time of the process: unlike the clock, it does not grow when
    // other programs load the machine.
    static double cpu() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    int kit = 0;
    int study = 0;
    double kitFirst = -1;
    double studyFirst = -1;
    double kitFirstCpu = -1;
    double studyFirstCpu = -1;
};

// About 100 million instructions: D=00 counts 256 rounds of BC from FFFF down,
// six instructions a turn.
const QStringList kLongLoop = {"16", "00", "01", "FF", "FF", "0B", "78", "B1", "00",
                               "00", "C2", "05", "80", "15", "C2", "02", "80", "76"};

void measureRedraws(KitWindow& w, PaintCounter& counter) {
    w.setStudyOpen(true);
    MemoryTable& m = w.memory();
    m.findAddress(Text("8000"));
    for (const QString& b : kLongLoop) {
        m.setText2(Text(b.toStdString()));
        m.MoveNext();
    }
    m.findAddress(Text("8000"));
    w.refresh();
    QTimer::singleShot(300, &w, [&w, &counter] {
        const auto started = std::chrono::steady_clock::now();
        const int kitBefore = counter.kit;
        const int studyBefore = counter.study;
        QObject::connect(&w, &KitWindow::runFinished, &w, [&w, &counter, started, kitBefore, studyBefore] {
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            std::fprintf(stderr,
                         "kit85 redraws: %llu instructions in %.2f s with the study view open; %d slices "
                         "(%.1f refreshes/s); kit window painted %.1f times/s, study view memory pane %.1f times/s; "
                         "status: %s\n",
                         static_cast<unsigned long long>(w.runSteps()), s, w.runSlices(), w.runSlices() / s,
                         (counter.kit - kitBefore) / s, (counter.study - studyBefore) / s,
                         statusText(w.lastOutcome()).c_str());
            w.close();
        });
        if (auto* k = w.findChild<QPushButton*>("execute")) k->click();
    });
}

}  // namespace

int main(int argc, char** argv) {
    const auto mainEntered = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    setUpApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription("kit85-shots \u2014 pictures and start-up figures of the kit85 window");
    parser.addHelpOption();
    const QCommandLineOption memoryOption({"m", "memory"}, "The kit's memory file.", "FILE");
    const QCommandLineOption shotsOption("shots", "Save the pictures of the kit in DIR.", "DIR");
    const QCommandLineOption probeOption("probe", "Print the start-up time and memory use.");
    const QCommandLineOption studyOption("study", "With --probe: the study view opens with the kit.");
    const QCommandLineOption dockedOption("docked", "With --probe --study or --redraws: the study view docked.");
    const QCommandLineOption redrawsOption("redraws",
                                           "Run a long program with the study view open; print redraw rates.");
    parser.addOptions({memoryOption, shotsOption, probeOption, studyOption, dockedOption, redrawsOption});
    parser.process(app);
    const QString shotDir = parser.value(shotsOption);
    const bool probe = parser.isSet(probeOption);
    const bool redraws = parser.isSet(redrawsOption);
    if (int(!shotDir.isEmpty()) + int(probe) + int(redraws) != 1) {
        std::fprintf(stderr, "kit85-shots: give one of --shots DIR, --probe or --redraws\n\n%s",
                     qPrintable(parser.helpText()));
        return 2;
    }
    // A private settings folder: the study view opens only when asked here.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    rememberStudyView(probe && parser.isSet(studyOption));
    rememberStudyDocked(parser.isSet(dockedOption));
    PaintCounter counter;
    app.installEventFilter(&counter);
    double okAt = 0;
    double okCpu = 0;
    std::optional<std::filesystem::path> file;
    if (parser.isSet(memoryOption)) file = std::filesystem::path(parser.value(memoryOption).toStdString());

    double aboutShownMs = 0;
    StartHooks hooks;
    hooks.aboutPainted = [&aboutShownMs, &okAt, &okCpu, shotDir](AboutBox& about) {
        aboutShownMs = processAgeMs();
        if (!shotDir.isEmpty()) about.grab().save(QDir(shotDir).filePath("about-box.png"));
        okAt = PaintCounter::now();
        okCpu = PaintCounter::cpu();
        about.accept();
    };
    if (probe) {
        hooks.kitPainted = [&aboutShownMs, &okAt, &okCpu, &counter, mainEntered](KitWindow& window) {
            const double shown = processAgeMs();
            const double sinceMain =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainEntered).count();
            std::fprintf(stderr,
                         "kit85 start-up: about box painted %.0f ms, kit window painted %.0f ms after the process "
                         "started (%.0f ms after main; %.0f ms after OK, %.0f ms of processor time); %s; %s\n",
                         aboutShownMs, shown, sinceMain, counter.kitFirst - okAt, counter.kitFirstCpu - okCpu,
                         statusLine("VmRSS:").c_str(), statusLine("VmHWM:").c_str());
            // The study view paints in the same turn of the event loop or the next.
            QTimer::singleShot(300, &window, [&window, &counter, &okAt, &okCpu] {
                if (window.studyOpen())
                    std::fprintf(stderr,
                                 "kit85 start-up: study view painted %.0f ms after OK (%.0f ms of processor time)\n",
                                 counter.studyFirst - okAt, counter.studyFirstCpu - okCpu);
                window.close();
            });
        };
    } else if (redraws) {
        hooks.kitPainted = [&counter](KitWindow& window) { measureRedraws(window, counter); };
    } else {
        hooks.kitPainted = [shotDir](KitWindow& window) { takeScreenshots(window, shotDir); };
    }
    return runWindow({file, std::nullopt}, hooks);
}
