#pragma once

// A key of the kit, and the pictures the window and the about box draw from
// the resources (:/kit85/...): key faces, pointer, icon and logo.

#include <QPixmap>
#include <QPushButton>
#include <QSize>
#include <QString>

#include "panel/kit_layout.h"

namespace kit85 {

// Makes the key faces, pointer, icon and logo available.
void initKitResources();

// The SVG resource drawn into a transparent pixmap of `size` logical pixels,
// sharp at the given device pixel ratio.
QPixmap svgPixmap(const QString& resource, QSize size, qreal devicePixelRatio);

// A key of the kit: a picture of a keycap as its face, the caption on it. It
// never takes the focus (the keyboard works the kit, not the focused key) and
// lights up under the pointer.
class KeyButton : public QPushButton {
    Q_OBJECT
public:
    KeyButton(const QString& caption, Face face, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Face face_;
};

}  // namespace kit85
