#pragma once

// Where the floating study view goes beside the kit: on the right when it
// fits, else on the left; when neither side has room the kit moves over so
// both are seen, and a view wider than what is left beside the kit gets
// narrower (never below its minimum), as one taller than the screen gets
// shorter. All sizes are of the windows' frames.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace kit85 {

struct StudyPlacement {
    QPoint kit;  // the kit's frame's top left (unchanged unless it must move)
    QRect view;  // the view's frame
};

StudyPlacement placeStudyBeside(const QRect& available, const QRect& kit, const QSize& view, const QSize& minimum,
                                int gap);

}  // namespace kit85
