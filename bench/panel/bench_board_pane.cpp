// What the Board pane costs a full-speed run: millions of instructions a
// second (MIPS) of two loops run by the real window for a few seconds each,
// with the board off (the study view open on its Memory tab), on with the
// study view on its Memory tab, and on with the study view on the Board tab. The quiet loop drives nothing on the
// board; the OUT loop writes the LEDs and the DAC every turn, so the pane redraws at every frame. Figures only; run
// offscreen or under Xvfb:
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/panel/bench_board_pane [seconds]

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "panel/board_pane.h"
#include "panel_fixture.h"

using namespace kit85;

namespace {

struct Loop {
    const char* name;
    QStringList bytes;
};

// Both from 8000: the 8255's ports made outputs, then the loop at 8004.
const Loop kLoops[] = {
    // INR A; MOV B,A; MOV C,A; MOV D,A; MOV E,A; JMP 8004
    {"quiet loop", {"3E", "80", "D3", "03", "3C", "47", "4F", "57", "5F", "C3", "04", "80"}},
    // INR A; OUT 00 (LEDs); OUT 20 (DAC); JMP 8004
    {"OUT loop", {"3E", "80", "D3", "03", "3C", "D3", "00", "D3", "20", "C3", "04", "80"}},
};

enum class Board { Off, Hidden, Shown };

double measure(const Loop& loop, Board board, int seconds, uint64_t& frames) {
    testing::Kit k;
    k.w().setStudyOpen(true);
    if (board != Board::Off) {
        k.w().setBoard("lab");
        // Out of sight: the study view stays open on its Memory tab, so both
        // figures pay the same for the rest of the view.
        if (board == Board::Hidden) k.w().studyView()->findChild<QTabWidget*>("studyTabs")->setCurrentIndex(0);
    }
    k.load("8000", loop.bytes);
    k.keys("address 8 0 0 0");
    const uint64_t framesBefore = k.w().boardPane() ? k.w().boardPane()->frames() : 0;
    QElapsedTimer clock;
    clock.start();
    k.keys("execute");
    QTest::qWait(seconds * 1000);
    k.keys("stop");
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    frames = k.w().boardPane() ? k.w().boardPane()->frames() - framesBefore : 0;
    return static_cast<double>(k.w().runSteps()) / elapsed / 1e6;
}

// What one frame costs when every device changed: the pane reads the view,
// takes 400 new DAC samples and its faces repaint, with nothing else running.
double frameMs() {
    testing::Kit k;
    k.w().setStudyOpen(true);
    k.w().setBoard("lab");
    board::Board& b = *k.w().board();
    BoardPane& pane = *k.w().boardPane();
    b.out(0x03, 0x80);  // the 8255's ports outputs
    constexpr int kFrames = 200;
    QElapsedTimer clock;
    clock.start();
    for (int f = 0; f < kFrames; ++f) {
        for (int i = 0; i < 400; ++i) b.out(0x20, static_cast<uint8_t>(i + f));
        b.out(0x00, static_cast<uint8_t>(f));
        b.out(0x02, static_cast<uint8_t>(f * 7));
        b.out(0x30, static_cast<uint8_t>(1u << (f % 4)));
        for (uint8_t d = 0; d < 4; ++d) b.out(static_cast<uint8_t>(0x10 + d), static_cast<uint8_t>(f * 3 + d));
        pane.refresh();
        QCoreApplication::processEvents();  // the faces that changed paint
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / kFrames;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    rememberStudyView(false);
    std::printf("full speed, %d s a figure, platform %s\n", seconds, qPrintable(QGuiApplication::platformName()));
    const std::pair<Board, const char*> boards[] = {
        {Board::Off, "board off"}, {Board::Hidden, "board on, Memory tab"}, {Board::Shown, "board on, Board tab"}};
    for (const Loop& loop : kLoops) {
        double hidden = 0;
        for (const auto& [board, name] : boards) {
            uint64_t frames = 0;
            const double mips = measure(loop, board, seconds, frames);
            if (board == Board::Hidden) hidden = mips;
            std::printf("%-10s %-22s %7.2f MIPS", loop.name, name, mips);
            if (board != Board::Off) std::printf("  %4.0f frames/s", static_cast<double>(frames) / seconds);
            if (board == Board::Shown && hidden > 0) std::printf("  vs Memory tab: %+.1f%%", (mips / hidden - 1) * 100);
            std::printf("\n");
        }
    }
    const double ms = frameMs();
    const double every = std::max<double>(BoardPane::kFrameMs, std::ceil(ms * BoardPane::kFrameShare));
    std::printf("a frame with every device changed: %.2f ms; one every %.0f ms at the most: %.1f%% of the time\n", ms,
                every, ms / every * 100.0);
    return 0;
}
