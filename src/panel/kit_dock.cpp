#include "panel/kit_dock.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScreen>

#include <algorithm>

#include "panel/study_settings.h"
#include "panel/study_view.h"

namespace kit85 {

namespace {

// A window manager's title bar and borders, before the dock has a frame to
// measure.
const QSize kFrameAllowance(16, 48);

}  // namespace

KitDock::KitDock(QWidget& kit, StudyView& study) : QWidget(nullptr, Qt::Window), kit_(kit), study_(study) {
    setObjectName("kitDock");
    // The kit's own title and icon: the dock is the kit with its view beside it.
    setWindowTitle(kit.windowTitle());
    setWindowIcon(kit.windowIcon());
    setPalette(study.palette());
    setAutoFillBackground(true);
    const QPoint at = kit.pos();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    study.setParent(this, Qt::Widget);
    study.holdKit(&kit);
    row->addWidget(&study, 1);
    study.show();
    move(at);
}

void KitDock::showOnScreen() {
    const QScreen* s = kit_.screen();
    if (!s) {
        show();
        return;
    }
    const QRect avail = s->availableGeometry();
    const QSize frame = isVisible() ? frameGeometry().size() - size() : kFrameAllowance;
    const QSize room = (avail.size() - frame).expandedTo(QSize(1, 1));
    const std::optional<KeptWindow> kept = rememberedWindow("dock", screenSizeKey(this));
    if (kept && !kept->maximized) {
        resize(kept->size.boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room)));
        move(std::clamp(x(), avail.left(), std::max(avail.left(), avail.right() + 1 - width() - frame.width())),
             std::clamp(y(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - height() - frame.height())));
        show();
        return;
    }
    // Where no window manager maximises, the size asked for is what it gets.
    resize(room);
    move(avail.topLeft());
    showMaximized();
}

void KitDock::keepSize() {
    if (isVisible()) rememberWindow("dock", screenSizeKey(this), {normalGeometry().size(), isMaximized()});
}

void KitDock::release() {
    keepSize();
    const QPoint at = pos();
    layout()->removeWidget(&study_);
    study_.holdKit(nullptr);
    study_.setParent(&kit_, Qt::Window);
    study_.hide();
    kit_.move(at);
    kit_.show();
    hide();
}

void KitDock::closeEvent(QCloseEvent* event) {
    keepSize();
    kit_.close();  // ends the kit: memory committed, the program ends
    event->accept();
}

}  // namespace kit85
