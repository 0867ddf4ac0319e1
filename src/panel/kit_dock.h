#pragma once

// The kit and its study view as one window, using the whole screen: the kit
// in its own size in the top left corner, the study view's side column under
// it and its tabs (the source editor) at the full height on the right. The
// dock takes both widgets in and gives them back as windows of their own
// (release), the kit where the dock stood, so nothing jumps when the view is
// docked, floated or closed. Its size is kept per screen size: maximised
// until the user makes it smaller. Closing the dock ends the kit, as closing
// the kit's own window does.

#include <QWidget>

namespace kit85 {

class StudyView;

class KitDock : public QWidget {
    Q_OBJECT
public:
    // `kit` is the kit's window, `study` the study view's: plain widgets here.
    KitDock(QWidget& kit, StudyView& study);

    // Shown at the size kept for this screen size, else maximised; never
    // larger than the screen's free area.
    void showOnScreen();

    // The kit back as its own window at the dock's place, the study view as
    // a window of its own (hidden); the dock hides.
    void release();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void keepSize();

    QWidget& kit_;
    StudyView& study_;
};

}  // namespace kit85
