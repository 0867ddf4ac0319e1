// kit85-shots: the kit's own start, run without a user, for pictures and
// start-up figures. Not installed; scripts/screenshot.sh and the start-up
// test use it.
//
//   kit85-shots [--memory FILE] (--shots DIR | --probe)
//
//   --shots DIR  accepts the about box, keys in the sample program (3E 05 76
//                at 8000) and runs it with Execute, saves about-box.png,
//                kit-panel-hidden.png and kit-panel-shown.png in DIR, then ends.
//   --probe      accepts the about box and, once the kit window has been
//                painted, prints the time since the process started and the
//                resident memory to standard error, then ends.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "panel/about_box.h"
#include "panel/app.h"
#include "panel/kit_window.h"

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

// Keys in the sample program, runs it, and saves the pictures.
void takeScreenshots(KitWindow& w, const QString& dir) {
    pressKeys(w, {"address", "c8", "c0", "c0", "c0", "c3", "ce", "next", "c0", "c5", "next", "c7", "c6", "address",
                  "c8", "c0", "c0", "c0", "execute"});
    auto save = [&w, dir] {
        w.grab().save(QDir(dir).filePath("kit-panel-hidden.png"));
        pressKeys(w, {"regmod"});
        QTimer::singleShot(200, &w, [&w, dir] {
            w.grab().save(QDir(dir).filePath("kit-panel-shown.png"));
            w.close();
        });
    };
    if (w.running())
        QObject::connect(&w, &KitWindow::runFinished, &w, [save] { QTimer::singleShot(200, save); });
    else
        QTimer::singleShot(200, &w, save);
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
    parser.addOptions({memoryOption, shotsOption, probeOption});
    parser.process(app);
    const QString shotDir = parser.value(shotsOption);
    const bool probe = parser.isSet(probeOption);
    if (shotDir.isEmpty() == !probe) {
        std::fprintf(stderr, "kit85-shots: give either --shots DIR or --probe\n\n%s", qPrintable(parser.helpText()));
        return 2;
    }
    std::optional<std::filesystem::path> file;
    if (parser.isSet(memoryOption)) file = std::filesystem::path(parser.value(memoryOption).toStdString());

    double aboutShownMs = 0;
    StartHooks hooks;
    hooks.aboutPainted = [&aboutShownMs, shotDir](AboutBox& about) {
        aboutShownMs = processAgeMs();
        if (!shotDir.isEmpty()) about.grab().save(QDir(shotDir).filePath("about-box.png"));
        about.accept();
    };
    if (probe) {
        hooks.kitPainted = [&aboutShownMs, mainEntered](KitWindow& window) {
            const double shown = processAgeMs();
            const double sinceMain =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainEntered).count();
            std::fprintf(stderr,
                         "kit85 start-up: about box painted %.0f ms, kit window painted %.0f ms after the process "
                         "started (%.0f ms after main); %s; %s\n",
                         aboutShownMs, shown, sinceMain, statusLine("VmRSS:").c_str(), statusLine("VmHWM:").c_str());
            window.close();
        };
    } else {
        hooks.kitPainted = [shotDir](KitWindow& window) { takeScreenshots(window, shotDir); };
    }
    return runKit(file, hooks);
}
