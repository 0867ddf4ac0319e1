#include "panel/kit_dock.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScreen>

#include <algorithm>

namespace kit85 {

KitDock::KitDock(QWidget& kit, QWidget& study) : QWidget(nullptr, Qt::Window), kit_(kit), study_(study) {
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
    kit.setParent(this, Qt::Widget);
    study.setParent(this, Qt::Widget);
    row->addWidget(&kit, 0, Qt::AlignTop);
    row->addWidget(&study, 1);
    kit.show();
    study.show();
    // As wide as the screen allows, up to the view's natural width; as tall
    // as the screen allows.
    QSize size(kit.width() + study.sizeHint().width(), std::max(kit.height(), study.sizeHint().height()));
    if (QScreen* s = kit.screen()) size = size.boundedTo(s->availableGeometry().size() - QSize(16, 48));
    resize(size.expandedTo(minimumSizeHint()));
    move(at);
    if (QScreen* s = kit.screen()) {
        const QRect avail = s->availableGeometry();
        move(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() - width())),
             std::clamp(at.y(), avail.top(), std::max(avail.top(), avail.bottom() - height() - 32)));
    }
}

void KitDock::release() {
    const QPoint at = pos();
    layout()->removeWidget(&kit_);
    layout()->removeWidget(&study_);
    study_.setParent(&kit_, Qt::Window);
    study_.hide();
    kit_.setParent(nullptr, Qt::Window);
    kit_.move(at);
    kit_.show();
    hide();
}

void KitDock::closeEvent(QCloseEvent* event) {
    kit_.close();  // ends the kit: memory committed, the program ends
    event->accept();
}

}  // namespace kit85
