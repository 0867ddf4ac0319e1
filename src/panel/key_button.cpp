// KeyButton's face painting, and the cache of the pictures it draws again and
// again.

#include "panel/key_button.h"

#include <QApplication>
#include <QCursor>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <memory>

// The images live in a static library; this pulls them in. (The macro must
// be used outside any namespace.)
static void loadKitResources() { Q_INIT_RESOURCE(kit85); }

namespace kit85 {

void initKitResources() {
    static const bool done = (loadKitResources(), true);
    (void)done;
}

namespace {

void render(QSvgRenderer& svg, QPixmap& pm, QSize size) {
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
}

QPixmap blank(QSize size, qreal dpr) {
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

// The pictures drawn again and again, kept by the application and gone with it.
class Assets : public QObject {
public:
    explicit Assets(QObject* app) : QObject(app) { setObjectName("kit85-assets"); }
    static Assets& get() {
        auto* a = qApp->findChild<Assets*>("kit85-assets", Qt::FindDirectChildrenOnly);
        return a ? *a : *new Assets(qApp);
    }
    QSvgRenderer& svg(const QString& resource) {
        QSvgRenderer*& r = svgs_[resource];
        if (!r) r = new QSvgRenderer(resource, this);
        return *r;
    }
    // The finger pointer every key shows; its tip is the hot spot.
    const QCursor& pointer() {
        if (!pointer_) {
            const QSize size(32, 32);
            QPixmap pm = blank(size, qApp->devicePixelRatio());
            render(svg(":/kit85/pointer.svg"), pm, size);
            pointer_ = std::make_unique<QCursor>(pm, 11, 1);
        }
        return *pointer_;
    }

private:
    QHash<QString, QSvgRenderer*> svgs_;
    std::unique_ptr<QCursor> pointer_;
};

}  // namespace

QPixmap svgPixmap(const QString& resource, QSize size, qreal devicePixelRatio) {
    initKitResources();
    QPixmap pm = blank(size, devicePixelRatio);
    render(Assets::get().svg(resource), pm, size);
    return pm;
}

KeyButton::KeyButton(const QString& caption, Face face, QWidget* parent) : QPushButton(caption, parent), face_(face) {
    initKitResources();
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Assets::get().pointer());
}

void KeyButton::paintEvent(QPaintEvent*) {
    // Index: the face (None draws as Blue), then up/down.
    static const char* const faces[4][2] = {{":/kit85/key-blue.svg", ":/kit85/key-blue-down.svg"},
                                            {":/kit85/key-blue.svg", ":/kit85/key-blue-down.svg"},
                                            {":/kit85/key-grey.svg", ":/kit85/key-grey-down.svg"},
                                            {":/kit85/key-red.svg", ":/kit85/key-red-down.svg"}};
    const bool down = isDown();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.45);
    Assets::get().svg(faces[static_cast<int>(face_)][down ? 1 : 0]).render(&p, QRectF(rect()));
    // The cap's top face in the picture: 5%..81% of the height, lower when pressed.
    const int h = height();
    QRect cap(0, h * (down ? 13 : 5) / 100, width(), h * (down ? 68 : 76) / 100);
    if (isEnabled() && underMouse() && !down) {
        p.setOpacity(0.18);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(cap).adjusted(width() * 0.05, 1, -width() * 0.05, -1), 4, 4);
        p.setOpacity(1.0);
    }
    p.setPen(face_ == Face::Red ? QColor("#FFFFFF") : QColor("#000000"));
    p.setFont(font());
    p.drawText(cap, Qt::AlignCenter, text());
}

}  // namespace kit85
