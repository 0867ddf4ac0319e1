#include "panel/study_placement.h"

#include <algorithm>

namespace kit85 {

StudyPlacement placeStudyBeside(const QRect& avail, const QRect& kit, const QSize& view, const QSize& minimum,
                                int gap) {
    const int height = std::max(minimum.height(), std::min(view.height(), avail.height()));
    const int top = std::max(avail.top(), std::min(kit.top(), avail.bottom() + 1 - height));
    if (kit.right() + gap + view.width() <= avail.right())
        return {kit.topLeft(), QRect(kit.right() + 1 + gap, top, view.width(), height)};
    if (kit.left() - gap - view.width() >= avail.left())
        return {kit.topLeft(), QRect(kit.left() - gap - view.width(), top, view.width(), height)};
    // Neither side has room: the kit moves over, and the view gets no wider
    // than what is left beside it.
    const int width = std::max(minimum.width(), std::min(view.width(), avail.width() - kit.width() - gap));
    const int x = std::max(avail.left(), avail.left() + (avail.width() - kit.width() - gap - width) / 2);
    const int viewX = std::min(x + kit.width() + gap, avail.right() + 1 - width);
    return {QPoint(x, kit.top()), QRect(viewX, top, width, height)};
}

}  // namespace kit85
