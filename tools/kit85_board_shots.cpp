// kit85-board-shots: pictures of the Board pane with students' programs
// running at kit speed (3.072 MHz), for the documentation. Not installed.
//
//   xvfb-run -s "-screen 0 1366x768x24" build/release/tools/kit85-board-shots docs
//
// Saves board-traffic.png (traffic lights cycling through their states),
// board-stepper.png (a stepper turning a full step at a time),
// board-dac.png (a triangle wave on the DAC's scope) and board-rst75.png
// (RST 7.5 presses counted on the LEDs and the monitor's data field), each
// the kit and its study view docked as one 1366x740 window with the lab
// profile's board. Settings go to a private folder, never the user's own.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "panel/app.h"
#include "panel/board_pane.h"
#include "panel/kit_window.h"
#include "panel/study_view.h"

namespace {

using namespace kit85;

struct Shot {
    const char* file;
    // Rows from an address on.
    std::vector<std::pair<const char*, QStringList>> rows;
    int runMs;      // how long it runs before the picture
    int rst75 = 0;  // RST 7.5 presses during the run, evenly spread
};

const Shot kShots[] = {
    // The 8255's port C drives the lights: four states from a table at 8030,
    // each held for the monitor's longest delay (about half a second).
    {"board-traffic.png",
     {{"8000", {"31", "00", "8F",        // LXI SP,8F00
                "3E", "80", "D3", "03",  // MVI A,80; OUT 03: every port an output
                "21", "30", "80",        // START: LXI H,8030
                "0E", "04",              // MVI C,04
                "7E", "D3", "02",        // NEXT: MOV A,M; OUT 02
                "11", "00", "00",        // LXI D,0000: 65536 counts
                "CD", "BC", "03",        // CALL 03BC (delay)
                "23", "0D",              // INX H; DCR C
                "C2", "0C", "80",        // JNZ NEXT
                "C3", "07", "80"}},      // JMP START
      // north green + east red, north amber + east red, north red + east green, north red + east amber
      {"8030", {"14", "12", "41", "21"}}},
     1300},
    // Full steps 1 2 4 8 on port 30 by rotating 11, 16 ms a step.
    {"board-stepper.png",
     {{"8000",
       {"31", "00", "8F",     // LXI SP,8F00
        "3E", "11",           // MVI A,11
        "D3", "30",           // LOOP: OUT 30
        "11", "00", "08",     // LXI D,0800
        "CD", "BC", "03",     // CALL 03BC (delay)
        "07",                 // RLC
        "C3", "05", "80"}}},  // JMP LOOP
     1500},
    // A triangle on the DAC at port 20: up by 8 to F8, down by 8 to 00.
    {"board-dac.png",
     {{"8000", {"AF",                 // XRA A
                "D3", "20",           // UP: OUT 20
                "C6", "08",           // ADI 08
                "FE", "F8",           // CPI F8
                "C2", "01", "80",     // JNZ UP
                "D3", "20",           // DOWN: OUT 20
                "D6", "08",           // SUI 08
                "C2", "0A", "80",     // JNZ DOWN
                "C3", "01", "80"}}},  // JMP UP
     800},
    // RST 7.5 presses counted in B by the routine at 8FBF; the main loop
    // waits in HLT and shows the count on the LEDs and in the data field.
    {"board-rst75.png",
     {{"8000", {"31", "00", "8F",        // LXI SP,8F00
                "3E", "80", "D3", "03",  // MVI A,80; OUT 03
                "06", "00",              // MVI B,00
                "3E", "0B", "30",        // MVI A,0B; SIM: only RST 7.5 unmasked
                "FB", "76",              // WAIT: EI; HLT
                "78", "D3", "00",        // MOV A,B; OUT 00
                "CD", "6E", "03",        // CALL 036E (A in the data field)
                "C3", "0C", "80"}},      // JMP WAIT
      {"8FBF", {"04", "C9"}}},           // INR B; RET
     1500,
     5},
};

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void load(KitWindow& w, const char* address, const QStringList& bytes) {
    MemoryTable& m = w.memory();
    m.findAddress(Text(address));
    for (const QString& b : bytes) {
        m.setText2(Text(b.toStdString()));
        m.MoveNext();
    }
}

void press(KitWindow& w, const QStringList& names) {
    for (const QString& n : names)
        if (auto* k = w.findChild<QPushButton*>(n)) k->click();
}

bool shoot(const Shot& shot, const QString& dir) {
    auto w = std::make_unique<KitWindow>(nullptr);
    w->show();
    w->setStudyDocked(true);
    if (!w->setBoard("lab")) return false;
    auto* speed = w->studyView()->findChild<QComboBox*>("speed");
    speed->setCurrentIndex(speed->findData(static_cast<int>(Speed::Kit)));
    QWidget* dock = w->window();
    dock->showNormal();
    w->studyView()->arrangeFor(1366);
    dock->resize(1366, 740);
    for (const auto& [address, bytes] : shot.rows) load(*w, address, bytes);
    press(*w, {"address", "c8", "c0", "c0", "c0", "execute"});
    const int pieces = shot.rst75 + 1;
    for (int i = 0; i < pieces; ++i) {
        wait(shot.runMs / pieces);
        if (i < shot.rst75) w->boardPane()->lineKey(board::Line::Rst75)->click();
    }
    const bool saved = dock->grab().save(QDir(dir).filePath(shot.file));
    press(*w, {"stop"});
    std::printf("%s: %s, %llu instructions\n", shot.file, saved ? "saved" : "NOT saved",
                static_cast<unsigned long long>(w->runSteps()));
    w->close();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setUpApplication();
    if (argc != 2) {
        std::fprintf(stderr, "usage: kit85-board-shots DIR\n");
        return 2;
    }
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    rememberStudyView(false);
    bool all = true;
    for (const Shot& shot : kShots) all = shoot(shot, argv[1]) && all;
    return all ? 0 : 1;
}
