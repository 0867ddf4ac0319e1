// The kit's start as a student meets it: from OK on the about box to the kit
// window's first paint, with the study view closed, docked and floating (as
// it was left last time). Each start is the program's own (runWindow), on a
// memory file that exists, as on every start after the first. OK is pressed
// 0.4 s after the about box shows (quicker than a student reads it, so the
// memory file read meanwhile is counted where it is not done). Figures only;
// run under Xvfb (or offscreen) on a quiet machine:
//
//   xvfb-run -s "-screen 0 1366x768x24" build/release/bench/panel/bench_startup [STARTS]

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "panel/about_box.h"
#include "panel/app.h"
#include "panel/kit_window.h"
#include "panel/study_settings.h"

using namespace kit85;

namespace {

// Milliseconds from OK to the kit painted, for one start.
double timeOneStart(const StartFiles& files) {
    QElapsedTimer clock;
    double ms = -1;
    StartHooks hooks;
    hooks.aboutPainted = [&clock](AboutBox& about) {
        QTimer::singleShot(400, &about, [&clock, &about] {
            clock.start();
            about.accept();
        });
    };
    hooks.kitPainted = [&clock, &ms](KitWindow& w) {
        ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        QTimer::singleShot(0, &w, [&w] { w.window()->close(); });
    };
    if (runWindow(files, hooks) != 0) return -1;
    return ms;
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %6.1f ms  fastest %6.1f ms  slowest %6.1f ms  (%zu starts)\n", what,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setUpApplication();
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    StartFiles files;
    files.memory = dir.filePath("kit85.sqlite").toStdString();
    timeOneStart(files);  // makes the memory file: every later start opens it

    struct Way {
        const char* what;
        bool open, docked;
    };
    for (const Way& way : {Way{"OK -> kit painted, study closed", false, false},
                           Way{"OK -> kit painted, study docked", true, true},
                           Way{"OK -> kit painted, study floating", true, false}}) {
        std::vector<double> ms;
        for (int i = 0; i < starts; ++i) {
            rememberStudyView(way.open);
            rememberStudyDocked(way.docked);
            const double t = timeOneStart(files);
            if (t < 0) {
                std::fprintf(stderr, "the kit did not start\n");
                return 1;
            }
            ms.push_back(t);
        }
        report(way.what, ms);
    }
    return 0;
}
