#pragma once

// The Board pane: the interfacing board's devices drawn live as the program
// drives them, in a tab of the study view while the board is on.
//
// The board model (board/board.h) holds the truth; the pane draws what its
// view() says and turns the student's clicks into board inputs: a switch
// flipped, the ADC knob turned, an interrupt key (TRAP, RST 7.5, 6.5, 5.5,
// INTR) or a keypad key pressed. The window runs its run slices on the same
// thread, so every input is applied between two slices, where the board is
// free.
//
// Redraws go at the display's pace: a timer some 30 times a second asks the
// board's change counter whether anything moved, and only then reads the
// view and repaints the faces that changed. Nothing is drawn per
// instruction, and a frame that took long (a slow machine, software
// drawing) spaces the next ones out, so drawing keeps under a tenth of the
// time a full-speed run has.
//
// A DAC's scope keeps the newest samples itself and lets the board forget
// its records each time it has read them, so a long run keeps recording.

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

#include "board/board.h"

class QLabel;
class QPushButton;
class QSlider;

namespace kit85 {

class DeviceFace;

class BoardPane : public QWidget {
    Q_OBJECT
public:
    // The redraw timer's period: about 33 frames a second.
    static constexpr int kFrameMs = 30;
    // Drawing may take one part in this many of the time between frames.
    static constexpr int kFrameShare = 12;

    // Draws `board`, which outlives the pane.
    explicit BoardPane(board::Board& board, QWidget* parent = nullptr);

    // Reads the board and redraws, when it changed since the last time.
    void refresh();
    // What the pane last drew.
    const board::BoardView& shown() const { return shown_; }
    // How many times the pane has read the board's view (the benchmark
    // reports it).
    uint64_t frames() const { return frames_; }
    // The time between frames now (kFrameMs, or more after costly frames).
    int frameInterval() const { return frame_.interval(); }

    // The faces and keys, for the window's tests and pictures.
    DeviceFace* face(const std::string& device) const;
    QSlider* knob(const std::string& device) const;
    QPushButton* lineKey(board::Line line) const { return lineKeys_[static_cast<int>(line)]; }
    QLabel* stateLabel() const { return state_; }

signals:
    // An input was applied to the board: the window redraws what depends on it.
    void inputApplied();
    // Power on pressed: the window resets the board unless a run goes on.
    void resetWanted();

private:
    QWidget* makeDevices();
    QWidget* makeKeys();
    QWidget* makeKeypad();
    QWidget* makeMonitor();
    void apply(const board::Input& input);
    void showState();

    board::Board& board_;
    board::BoardView shown_;
    uint64_t seen_ = UINT64_MAX;
    uint64_t frames_ = 0;
    QTimer frame_;
    int64_t drawNs_ = 0;              // reading and painting since the last frame
    std::vector<DeviceFace*> faces_;  // by device index
    std::vector<QSlider*> knobs_;     // by device index; null for other kinds
    std::vector<QLabel*> values_;     // a knob's or switches' byte, by device index
    std::array<QPushButton*, board::kLineCount> lineKeys_{};
    QLabel* state_ = nullptr;
    QLabel* address_ = nullptr;  // the monitor's fields, when the profile has them
    QLabel* data_ = nullptr;
};

}  // namespace kit85
