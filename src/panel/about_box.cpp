#include "panel/about_box.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "panel/key_button.h"

#ifndef KIT85_VERSION
#define KIT85_VERSION "0"
#endif

namespace kit85 {

const char* kitVersion() { return KIT85_VERSION; }

namespace {

// The four lines of the box.
const char* const kProductName = "kit85 \u2014 8085 trainer kit simulator";
const char* const kMakers = "Written by the kit85 developers";
const char* const kLicence = "Free software under the MIT licence";
const char* const kContact = "Upgrades or problems? Write to the kit85 project's issue tracker.";

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    initKitResources();
    setObjectName("aboutfm");
    setWindowTitle("");
    setWindowIcon(QIcon(":/kit85/kit85.svg"));
    auto px = [this](int twips) { return twipsToPixels(twips, this); };

    auto* frame = new QGroupBox(this);
    frame->setObjectName("Frame1");
    frame->setGeometry(px(120), 0, px(5400), px(4050));

    QFont base = font();
    base.setPointSizeF(8.5);

    auto* logo = new QLabel(frame);
    logo->setObjectName("imgLogo");
    logo->setGeometry(px(240), px(1080), px(1200), px(1200));
    logo->setPixmap(svgPixmap(":/kit85/logo.svg", QSize(px(1200), px(1200)), devicePixelRatioF()));

    // Each line starts at its place in the frame and may wrap up to the
    // frame's right edge.
    auto line = [&](const char* name, const QString& text, int left, int top, int lines, const QFont& f) {
        auto* l = new QLabel(text, frame);
        l->setObjectName(name);
        l->setFont(f);
        l->setWordWrap(true);
        l->setGeometry(px(left), px(top), px(5400 - 120) - px(left), px(255) * lines + px(60));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    QFont title = base;
    title.setPointSizeF(12);
    title.setBold(true);
    line("lblProductName", kProductName, 600, 360, 2, title);
    line("lblVersion", QString("Version ") + kitVersion(), 1920, 1200, 1, base);
    line("lblCompany", kMakers, 1920, 1680, 1, base);
    line("lblCompanyProduct", kLicence, 1560, 2400, 1, base);
    line("lblWarning", kContact, 600, 3480, 2, base);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Command1");
    ok->setGeometry(px(2280), px(4200), px(975), px(375));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(px(5640), px(4740));
}

}  // namespace kit85
