// kit85: the trainer kit's window.
//
//   kit85 [--memory FILE]
//
// Shows the about box; its OK opens the memory table (asking for another file
// while the one given is refused) and shows the kit window. Closing the about
// box any other way ends the program without showing the kit.
//
// Two environment variables serve scripts, not users:
//   KIT85_SCREENSHOT_DIR=DIR  accepts the about box, keys in the sample program
//       (3E 05 76 at 8000) and runs it with Execute, saves about-box.png,
//       kit-panel-hidden.png and kit-panel-shown.png in DIR, then ends.
//   KIT85_STARTUP_PROBE=1     accepts the about box and, once the kit window
//       has been painted, prints the time since the process started and the
//       resident memory to standard error, then ends.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPointer>
#include <QTimer>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "memory/opening.h"
#include "panel/about_box.h"
#include "panel/kit_window.h"

#ifndef KIT85_VERSION
#define KIT85_VERSION "0"
#endif

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

// Calls `then` once, after the watched widget's first paint.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* w, std::function<void()> then) : QObject(w), then_(std::move(then)) {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && then_) {
            auto f = std::move(then_);
            then_ = nullptr;
            QTimer::singleShot(0, o, f);
        }
        return false;
    }

private:
    std::function<void()> then_;
};

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
    QApplication::setApplicationName("kit85");
    // No display name: Qt would append it to every window title. A window whose
    // title is empty (the about box, "Invalid Address") shows "kit85" instead.
    QApplication::setApplicationVersion(KIT85_VERSION);
    // The program ends on CLOSE or when the kit window closes, never because
    // the about box was the last window for a moment.
    QApplication::setQuitOnLastWindowClosed(false);
    initKitResources();
    QApplication::setWindowIcon(QIcon(":/kit85/kit85.svg"));

    QCommandLineParser parser;
    parser.setApplicationDescription("kit85 \u2014 8085 trainer kit simulator");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption memoryOption(
        {"m", "memory"}, "Keep the kit's memory in FILE (created with every byte 00 if missing).", "FILE");
    parser.addOption(memoryOption);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "kit85: %s\n\n%s", qPrintable(parser.errorText()), qPrintable(parser.helpText()));
        return 2;
    }
    if (parser.isSet("help")) parser.showHelp(0);
    if (parser.isSet("version")) parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "kit85: unexpected argument '%s'\n\n%s", qPrintable(parser.positionalArguments().first()),
                     qPrintable(parser.helpText()));
        return 2;
    }
    std::optional<std::filesystem::path> file;
    if (parser.isSet(memoryOption)) file = std::filesystem::path(parser.value(memoryOption).toStdString());

    const QString shotDir = qEnvironmentVariable("KIT85_SCREENSHOT_DIR");
    const bool probe = !qEnvironmentVariableIsEmpty("KIT85_STARTUP_PROBE");

    double aboutShownMs = 0;
    {
        AboutBox about;
        if (!shotDir.isEmpty() || probe) {
            new FirstPaint(&about, [&about, &aboutShownMs, shotDir] {
                aboutShownMs = processAgeMs();
                if (!shotDir.isEmpty()) about.grab().save(QDir(shotDir).filePath("about-box.png"));
                about.accept();
            });
        }
        if (about.exec() != QDialog::Accepted) return 0;
    }

    std::unique_ptr<MemoryTable> memory = openMemoryTable(file, memoryFileDialog());
    if (!memory) return 1;

    KitWindow window(std::move(memory));
    QObject::connect(&window, &KitWindow::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (probe) {
        new FirstPaint(&window, [&window, aboutShownMs, mainEntered] {
            const double shown = processAgeMs();
            const double sinceMain =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainEntered).count();
            std::fprintf(stderr,
                         "kit85 start-up: about box painted %.0f ms, kit window painted %.0f ms after the process "
                         "started (%.0f ms after main); %s; %s\n",
                         aboutShownMs, shown, sinceMain, statusLine("VmRSS:").c_str(), statusLine("VmHWM:").c_str());
            window.close();
        });
    }
    if (!shotDir.isEmpty()) new FirstPaint(&window, [&window, shotDir] { takeScreenshots(window, shotDir); });
    window.show();
    return QApplication::exec();
}
