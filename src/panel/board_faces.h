#pragma once

// The devices of the interfacing board as the Board pane draws them: LEDs,
// switches, seven-segment digits, traffic lights, a stepper's rotor and a
// small scope of a DAC's output against T-states. Each face is painted from
// the DeviceView the pane hands it; the board model holds the truth, and a
// click on a switch goes out as a signal the pane turns into a board input.

#include <QWidget>

#include <cstddef>
#include <deque>
#include <vector>

#include "board/board.h"

namespace kit85 {

class DeviceFace : public QWidget {
    Q_OBJECT
public:
    // A DAC's scope keeps this many of the newest samples.
    static constexpr std::size_t kScopeSamples = 400;

    DeviceFace(const board::DeviceSetup& setup, QWidget* parent = nullptr);

    const board::DeviceSetup& setup() const { return setup_; }
    // Repaints when the view differs from the one drawn.
    void setView(const board::DeviceView& view);
    const board::DeviceView& view() const { return view_; }
    // A DAC: samples written since the last call, oldest first; the scope
    // keeps the newest kScopeSamples.
    void addSamples(const std::vector<board::Sample>& samples);
    const std::deque<board::Sample>& scope() const { return scope_; }
    void clearScope();
    // Switches: where bit `bit`'s lever is drawn (empty for a bit the
    // switches do not sit on).
    QRect leverRect(int bit) const;
    // Where the face adds the nanoseconds its paints take (the pane keeps
    // its drawing within a budget).
    void setPaintClock(int64_t* ns) { paintNs_ = ns; }

    QSize sizeHint() const override;
    // A scope narrows to fit; the other faces keep their size.
    QSize minimumSizeHint() const override;

signals:
    // A switch's lever clicked: its bit is to flip.
    void switchFlipped(int bit);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paint();
    void paintLeds(QPainter& p) const;
    void paintSwitches(QPainter& p) const;
    void paintDigits(QPainter& p) const;
    void paintTraffic(QPainter& p) const;
    void paintStepper(QPainter& p) const;
    void paintScope(QPainter& p) const;
    // The lamp or lever of bit `bit` (7 leftmost) in a row of eight.
    QRect bitCell(int bit) const;

    const board::DeviceSetup& setup_;
    board::DeviceView view_;
    bool drawn_ = false;
    std::deque<board::Sample> scope_;
    int64_t* paintNs_ = nullptr;
};

}  // namespace kit85
