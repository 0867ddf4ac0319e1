#pragma once

// The kit and its study view as one window: the kit on the left as it always
// looks, the study view's panes on the right. The dock takes both widgets in
// and gives them back as windows of their own (release), the kit where the
// dock stood, so nothing jumps when the view is docked, floated or closed.
// Closing the dock ends the kit, as closing the kit's own window does.

#include <QWidget>

namespace kit85 {

class KitDock : public QWidget {
    Q_OBJECT
public:
    // `kit` is the kit's window, `study` the study view's: plain widgets here.
    KitDock(QWidget& kit, QWidget& study);

    // The kit back as its own window at the dock's place, the study view as
    // a window of its own (hidden); the dock hides.
    void release();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget& kit_;
    QWidget& study_;
};

}  // namespace kit85
