#include "panel/board_faces.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <bit>
#include <cmath>

namespace kit85 {

namespace {

using board::DeviceKind;

const QColor kPanel("#20262B");
const QColor kDark("#3A4046");
const QColor kLabel("#C8D0D6");
const QColor kLedOn("#FF3030");
const QColor kLedOff("#4A1C1C");
const QColor kSegmentOn("#FF4020");
const QColor kSegmentOff("#3A2220");
const QColor kTrace("#40FF80");

// A row of eight bit cells, bit 7 on the left.
constexpr int kCell = 26;
constexpr int kRowLeft = 6;
constexpr int kDigitWidth = 34;
constexpr int kDigitHeight = 54;

// A traffic light's colour by the word after its direction ("north_red").
QColor lampColour(const std::string& name, bool lit) {
    const std::string_view n = name;
    QColor c("#E8E8E8");
    if (n.ends_with("red"))
        c = QColor("#FF2A2A");
    else if (n.ends_with("amber") || n.ends_with("yellow"))
        c = QColor("#FFB020");
    else if (n.ends_with("green"))
        c = QColor("#30E060");
    return lit ? c : c.darker(400);
}

int lampRank(const std::string& name) {
    const std::string_view n = name;
    return n.ends_with("red") ? 0 : n.ends_with("amber") || n.ends_with("yellow") ? 1 : n.ends_with("green") ? 2 : 3;
}

// "north" of "north_red"; the whole name when it has no direction.
std::string directionOf(const std::string& name) {
    const std::size_t cut = name.rfind('_');
    return cut == std::string::npos ? name : name.substr(0, cut);
}

// The distinct directions of a traffic device's lights, in the profile's order.
std::vector<std::string> directions(const board::DeviceSetup& setup) {
    std::vector<std::string> out;
    for (const auto& [name, bit] : setup.lights)
        if (std::find(out.begin(), out.end(), directionOf(name)) == out.end()) out.push_back(directionOf(name));
    return out;
}

// Segment a..g of a digit in a box, as a polygon-ish rounded bar.
QRectF segmentRect(int segment, const QRectF& box) {
    const double w = box.width(), h = box.height(), t = w * 0.16;
    const double x = box.left(), y = box.top(), mid = y + h / 2;
    switch (segment) {
        case 0: return {x + t, y, w - 2 * t, t};                  // a
        case 1: return {x + w - t, y + t * 0.6, t, h / 2 - t};    // b
        case 2: return {x + w - t, mid + t * 0.4, t, h / 2 - t};  // c
        case 3: return {x + t, y + h - t, w - 2 * t, t};          // d
        case 4: return {x, mid + t * 0.4, t, h / 2 - t};          // e
        case 5: return {x, y + t * 0.6, t, h / 2 - t};            // f
        default: return {x + t, mid - t / 2, w - 2 * t, t};       // g
    }
}

}  // namespace

DeviceFace::DeviceFace(const board::DeviceSetup& setup, QWidget* parent) : QWidget(parent), setup_(setup) {
    setObjectName(QString::fromStdString("face-" + setup.name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (setup.kind == DeviceKind::Switches) setCursor(Qt::PointingHandCursor);
    view_.setup = &setup;
}

QSize DeviceFace::sizeHint() const {
    switch (setup_.kind) {
        case DeviceKind::Leds:
        case DeviceKind::Switches: return {kRowLeft * 2 + 8 * kCell, 58};
        case DeviceKind::Digits: return {12 + setup_.count * (kDigitWidth + 12), kDigitHeight + 16};
        case DeviceKind::Traffic: return {std::max<int>(120, 70 * static_cast<int>(directions(setup_).size())), 118};
        case DeviceKind::Stepper: return {200, 110};
        case DeviceKind::Dac: return {440, 120};
        case DeviceKind::Adc: return {200, 30};
    }
    return {200, 60};
}

QSize DeviceFace::minimumSizeHint() const {
    const QSize hint = sizeHint();
    return setup_.kind == DeviceKind::Dac ? QSize(220, hint.height()) : hint;
}

void DeviceFace::setView(const board::DeviceView& view) {
    const bool same = drawn_ && view.value == view_.value && view.lit == view_.lit && view.digits == view_.digits &&
                      view.halfSteps == view_.halfSteps;
    view_ = view;
    drawn_ = true;
    if (!same) update();
}

void DeviceFace::addSamples(const std::vector<board::Sample>& samples) {
    if (samples.empty()) return;
    const std::size_t take = std::min(samples.size(), kScopeSamples);
    scope_.insert(scope_.end(), samples.end() - static_cast<std::ptrdiff_t>(take), samples.end());
    while (scope_.size() > kScopeSamples) scope_.pop_front();
    update();
}

void DeviceFace::clearScope() {
    scope_.clear();
    update();
}

QRect DeviceFace::bitCell(int bit) const { return {kRowLeft + (7 - bit) * kCell, 4, kCell, height() - 8}; }

QRect DeviceFace::leverRect(int bit) const {
    if (setup_.kind != DeviceKind::Switches || bit < 0 || bit > 7 || !(setup_.mask >> bit & 1)) return {};
    const QRect cell = bitCell(bit);
    return {cell.center().x() - 7, cell.top() + 2, 14, cell.height() - 18};
}

void DeviceFace::mousePressEvent(QMouseEvent* event) {
    for (int bit = 0; bit < 8; ++bit)
        if (leverRect(bit).contains(event->position().toPoint())) {
            emit switchFlipped(bit);
            return;
        }
    QWidget::mousePressEvent(event);
}

void DeviceFace::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    paint();
    if (paintNs_) *paintNs_ += clock.nsecsElapsed();
}

void DeviceFace::paint() {
    QPainter p(this);
    p.fillRect(rect(), kPanel);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = font();
    f.setPointSizeF(7.5);
    p.setFont(f);
    switch (setup_.kind) {
        case DeviceKind::Leds: paintLeds(p); break;
        case DeviceKind::Switches: paintSwitches(p); break;
        case DeviceKind::Digits: paintDigits(p); break;
        case DeviceKind::Traffic: paintTraffic(p); break;
        case DeviceKind::Stepper: paintStepper(p); break;
        case DeviceKind::Dac: paintScope(p); break;
        case DeviceKind::Adc: break;  // a slider of the pane's own
    }
}

void DeviceFace::paintLeds(QPainter& p) const {
    for (int bit = 7; bit >= 0; --bit) {
        const QRect cell = bitCell(bit);
        const bool there = setup_.mask >> bit & 1;
        const bool lit = view_.lit >> bit & 1;
        const QPoint c(cell.center().x(), cell.top() + 14);
        if (lit) {
            QRadialGradient glow(c, 13);
            glow.setColorAt(0, QColor(255, 60, 60, 160));
            glow.setColorAt(1, QColor(255, 60, 60, 0));
            p.setBrush(glow);
            p.setPen(Qt::NoPen);
            p.drawEllipse(c, 13, 13);
        }
        p.setPen(QPen(kDark, 1));
        p.setBrush(!there ? kDark : lit ? kLedOn : kLedOff);
        p.drawEllipse(c, 8, 8);
        p.setPen(kLabel);
        p.drawText(QRect(cell.left(), cell.bottom() - 14, cell.width(), 14), Qt::AlignCenter, QString::number(bit));
    }
}

void DeviceFace::paintSwitches(QPainter& p) const {
    for (int bit = 7; bit >= 0; --bit) {
        const QRect cell = bitCell(bit);
        p.setPen(kLabel);
        p.drawText(QRect(cell.left(), cell.bottom() - 14, cell.width(), 14), Qt::AlignCenter, QString::number(bit));
        const QRect slot = leverRect(bit);
        if (slot.isEmpty()) continue;
        const bool up = view_.value >> bit & 1;
        p.setPen(QPen(QColor("#808890"), 1));
        p.setBrush(QColor("#101418"));
        p.drawRoundedRect(slot, 3, 3);
        const QRect knob(slot.left() + 1, up ? slot.top() + 1 : slot.center().y() + 1, slot.width() - 2,
                         slot.height() / 2 - 2);
        p.setBrush(up ? QColor("#F0F0F0") : QColor("#9098A0"));
        p.drawRoundedRect(knob, 2, 2);
    }
}

void DeviceFace::paintDigits(QPainter& p) const {
    for (int i = 0; i < static_cast<int>(view_.digits.size()); ++i) {
        const uint8_t lit = view_.digits[static_cast<std::size_t>(i)];
        const QRectF box(14 + i * (kDigitWidth + 12), 8, kDigitWidth - 6, kDigitHeight - 4);
        p.setPen(Qt::NoPen);
        for (int s = 0; s < 7; ++s) {
            p.setBrush(lit >> s & 1 ? kSegmentOn : kSegmentOff);
            p.drawRoundedRect(segmentRect(s, box), 2, 2);
        }
        p.setBrush(lit >> 7 & 1 ? kSegmentOn : kSegmentOff);
        p.drawEllipse(QPointF(box.right() + 5, box.bottom() - 2), 2.5, 2.5);
    }
}

void DeviceFace::paintTraffic(QPainter& p) const {
    const std::vector<std::string> ways = directions(setup_);
    const int column = width() / std::max<int>(1, static_cast<int>(ways.size()));
    for (std::size_t w = 0; w < ways.size(); ++w) {
        int lamps = 0;
        for (const auto& [name, bit] : setup_.lights) lamps += directionOf(name) == ways[w];
        const int left = static_cast<int>(w) * column + column / 2 - 14;
        p.setPen(QPen(kDark, 1));
        p.setBrush(QColor("#101010"));
        p.drawRoundedRect(QRect(left, 4, 28, 6 + lamps * 26), 5, 5);
        // Top to bottom as on a street: red, amber, green, then any other.
        std::vector<std::size_t> order;
        for (std::size_t l = 0; l < setup_.lights.size(); ++l)
            if (directionOf(setup_.lights[l].first) == ways[w]) order.push_back(l);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return lampRank(setup_.lights[a].first) < lampRank(setup_.lights[b].first);
        });
        int row = 0;
        for (const std::size_t l : order) {
            const std::string& name = setup_.lights[l].first;
            const bool lit = l < 8 && (view_.lit >> l & 1);
            p.setPen(Qt::NoPen);
            p.setBrush(lampColour(name, lit));
            p.drawEllipse(QPoint(left + 14, 17 + row * 26), 10, 10);
            ++row;
        }
        p.setPen(kLabel);
        p.drawText(QRect(static_cast<int>(w) * column, height() - 16, column, 14), Qt::AlignCenter,
                   QString::fromStdString(ways[w]));
    }
}

void DeviceFace::paintStepper(QPainter& p) const {
    const QPointF c(52, height() / 2.0);
    const double r = std::min(46.0, height() / 2.0 - 6);
    p.setPen(QPen(QColor("#808890"), 2));
    p.setBrush(QColor("#2E3438"));
    p.drawEllipse(c, r, r);
    // Ticks at every quarter turn.
    for (int q = 0; q < 4; ++q) {
        const double a = q * M_PI / 2;
        p.drawLine(c + QPointF(std::sin(a), -std::cos(a)) * (r - 6), c + QPointF(std::sin(a), -std::cos(a)) * r);
    }
    // The rotor: 0 degrees points up, a positive angle turns clockwise.
    const double a = view_.angle * M_PI / 180.0;
    const QPointF tip = c + QPointF(std::sin(a), -std::cos(a)) * (r - 8);
    p.setPen(QPen(QColor("#FFC040"), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, tip);
    p.setBrush(QColor("#FFC040"));
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, 5, 5);
    p.setPen(kLabel);
    const double turned = std::fmod(view_.angle, 360.0);
    p.drawText(QRect(110, 10, width() - 112, height() - 20), Qt::AlignLeft | Qt::AlignVCenter,
               QString("%1\u00B0\n%2 half steps\nphases %3")
                   .arg(turned < 0 ? turned + 360.0 : turned, 0, 'f', 1)
                   .arg(view_.halfSteps)
                   .arg(view_.value >> std::countr_zero(static_cast<unsigned>(setup_.mask | 0x100)), 4, 2, QChar('0')));
}

// The DAC's output held from one write to the next, against T-states: the
// newest samples fill the width, so a wave of any period shows its shape.
void DeviceFace::paintScope(QPainter& p) const {
    const QRect plot = rect().adjusted(4, 4, -4, -18);
    p.setPen(QPen(QColor("#2C4A38"), 1));
    for (int i = 0; i <= 4; ++i) {
        const int y = plot.top() + plot.height() * i / 4;
        p.drawLine(plot.left(), y, plot.right(), y);
    }
    p.setPen(kLabel);
    const QRect foot(4, height() - 16, width() - 8, 14);
    if (scope_.size() < 2) {
        p.drawText(foot, Qt::AlignLeft, "output " + QString("%1").arg(view_.value, 2, 16, QChar('0')).toUpper());
        return;
    }
    const double t0 = static_cast<double>(scope_.front().tstate);
    const double span = std::max(1.0, static_cast<double>(scope_.back().tstate) - t0);
    auto x = [&](uint64_t t) { return plot.left() + (static_cast<double>(t) - t0) * plot.width() / span; };
    auto y = [&](uint8_t v) { return plot.bottom() - v * plot.height() / 255.0; };
    QPainterPath path;
    path.moveTo(x(scope_.front().tstate), y(scope_.front().value));
    for (std::size_t i = 1; i < scope_.size(); ++i) {
        path.lineTo(x(scope_[i].tstate), y(scope_[i - 1].value));
        path.lineTo(x(scope_[i].tstate), y(scope_[i].value));
    }
    // Square steps need no smoothing, and it is the costliest thing here.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kTrace, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(kLabel);
    p.drawText(foot, Qt::AlignLeft,
               QString("output %1 \u2022 %2 writes, %3 T-states")
                   .arg(QString("%1").arg(view_.value, 2, 16, QChar('0')).toUpper())
                   .arg(scope_.size())
                   .arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(span))));
}

}  // namespace kit85
