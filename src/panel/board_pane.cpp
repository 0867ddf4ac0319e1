#include "panel/board_pane.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

#include "board/hex.h"
#include "panel/board_faces.h"

namespace kit85 {

namespace {

using board::DeviceKind;
using board::Input;
using board::Line;

const char* const kDisplayStyle =
    "QLabel { background: #0000C0; color: #F4F8FF; border: 2px solid #00002A; border-radius: 2px;"
    " padding: 1px 6px; }";

QString hex2(unsigned v) { return QString("%1").arg(v, 2, 16, QChar('0')).toUpper(); }

// The object name of an interrupt line's key: "lineRst75" for RST 7.5.
QString keyName(Line l) {
    QString n = QString::fromUtf8(board::lineName(l).data(), static_cast<qsizetype>(board::lineName(l).size()));
    n.remove(' ').remove('.');
    return "line" + n.left(1) + n.mid(1).toLower();
}

bool hasService(const board::Profile& p, board::Service s) {
    for (const board::ServiceSetup& setup : p.services)
        if (setup.kind == s) return true;
    return false;
}

QLabel* small(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    l->setFont(f);
    return l;
}

}  // namespace

BoardPane::BoardPane(board::Board& board, QWidget* parent) : QWidget(parent), board_(board) {
    setObjectName("boardPane");
    const board::Profile& profile = board_.profile();
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(2, 2, 2, 2);
    auto* head = new QHBoxLayout;
    auto* title = new QLabel(QString::fromStdString(profile.name + ": " + profile.description), this);
    title->setObjectName("boardTitle");
    title->setWordWrap(true);
    head->addWidget(title, 1);
    auto* reset = new QPushButton("Power on", this);
    reset->setObjectName("boardReset");
    reset->setToolTip(
        "The board as at power on: the 8255's ports inputs, the devices at their start, "
        "the interrupts reset, the displays blank");
    connect(reset, &QPushButton::clicked, this, &BoardPane::resetWanted);
    head->addWidget(reset, 0, Qt::AlignTop);
    all->addLayout(head);
    state_ = new QLabel(this);
    state_->setObjectName("boardState");
    state_->setWordWrap(true);
    all->addWidget(state_);
    // The keys stay in sight above the scrolled devices: a HLT waits on them.
    all->addWidget(makeKeys());

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 4, 0);
    if (QWidget* monitor = makeMonitor()) column->addWidget(monitor);
    column->addWidget(makeDevices());
    if (QWidget* keypad = makeKeypad()) column->addWidget(keypad);
    column->addStretch(1);
    auto* area = new QScrollArea(this);
    area->setObjectName("boardArea");
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    all->addWidget(area, 1);

    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, &BoardPane::refresh);
    frame_.start();
    refresh();
}

// Two columns of devices, each under its name and port.
QWidget* BoardPane::makeDevices() {
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    const std::vector<board::DeviceSetup>& devices = board_.profile().devices;
    faces_.assign(devices.size(), nullptr);
    knobs_.assign(devices.size(), nullptr);
    values_.assign(devices.size(), nullptr);
    int row = 0, column = 0;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const board::DeviceSetup& d = devices[i];
        auto* cell = new QWidget(box);
        auto* l = new QVBoxLayout(cell);
        l->setContentsMargins(0, 0, 0, 4);
        l->setSpacing(2);
        QString port = "port " + hex2(d.port);
        if (d.kind == DeviceKind::Digits && d.count > 1)
            port = "ports " + hex2(d.port) + "\u2013" + hex2(d.port + d.count - 1u);
        auto* name = small(
            QString("<b>%1</b> \u00B7 %2 \u00B7 %3").arg(QString::fromStdString(d.name), board::kindName(d.kind), port),
            cell);
        l->addWidget(name);
        if (d.kind == DeviceKind::Adc) {
            auto* line = new QHBoxLayout;
            auto* knob = new QSlider(Qt::Horizontal, cell);
            knob->setObjectName(QString::fromStdString("knob-" + d.name));
            knob->setRange(0, 255);
            knob->setToolTip("The voltage at the converter's input: IN reads it as a byte");
            connect(knob, &QSlider::valueChanged, this, [this, i](int v) {
                Input in;
                in.kind = Input::Device;
                in.device = static_cast<uint8_t>(i);
                in.value = static_cast<uint8_t>(v);
                apply(in);
            });
            knobs_[i] = knob;
            line->addWidget(knob, 1);
            values_[i] = new QLabel(cell);
            line->addWidget(values_[i]);
            l->addLayout(line);
        } else {
            auto* face = new DeviceFace(d, cell);
            face->setPaintClock(&drawNs_);
            faces_[i] = face;
            if (d.kind == DeviceKind::Dac)
                l->addWidget(face);
            else
                l->addWidget(face, 0, Qt::AlignLeft);
            if (d.kind == DeviceKind::Switches) {
                face->setToolTip("Click a switch to flip it: IN reads the byte");
                values_[i] = small("", cell);
                l->addWidget(values_[i]);
                connect(face, &DeviceFace::switchFlipped, this, [this, i](int bit) {
                    refresh();
                    Input in;
                    in.kind = Input::Device;
                    in.device = static_cast<uint8_t>(i);
                    in.value = static_cast<uint8_t>(shown_.devices[i].value ^ (1u << bit));
                    apply(in);
                });
            }
        }
        // Wide faces (a scope, many digits) take a row of their own.
        const bool wide = d.kind == DeviceKind::Dac || (d.kind == DeviceKind::Digits && d.count > 4);
        if (wide && column > 0) ++row, column = 0;
        grid->addWidget(cell, row, column, 1, wide ? 2 : 1, wide ? Qt::AlignTop : Qt::AlignTop | Qt::AlignLeft);
        column += wide ? 2 : 1;
        if (column > 1) ++row, column = 0;
    }
    grid->setColumnStretch(2, 1);
    return box;
}

// The interrupt keys: each requests its line once (an edge on TRAP and
// RST 7.5; the level lines held until the interrupt is taken).
QWidget* BoardPane::makeKeys() {
    auto* box = new QWidget;
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    row->addWidget(small("<b>Interrupt keys</b>", box));
    for (int i = 0; i < board::kLineCount; ++i) {
        const Line line = static_cast<Line>(i);
        auto* key = new QPushButton(QString::fromUtf8(board::lineName(line).data()), box);
        key->setObjectName(keyName(line));
        key->setToolTip(
            line == Line::Intr
                ? QString("INTR: the board reads RST %1 in the acknowledgement")
                      .arg((board_.profile().intrCode & 0x38) / 8)
                : QString("Jumps to %1 when taken").arg(QString::fromStdString(board::hexWord(board::vectorOf(line)))));
        key->setFocusPolicy(Qt::NoFocus);
        connect(key, &QPushButton::clicked, this, [this, line] {
            Input in;
            in.kind = Input::Request;
            in.line = line;
            apply(in);
        });
        lineKeys_[static_cast<std::size_t>(i)] = key;
        row->addWidget(key);
    }
    row->addStretch(1);
    l->addLayout(row);
    return box;
}

// The monitor's keypad, for programs that read a key through its routine.
QWidget* BoardPane::makeKeypad() {
    if (!hasService(board_.profile(), board::Service::ReadKey)) return nullptr;
    auto* box = new QWidget;
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(0, 4, 0, 0);
    l->addWidget(small("<b>Keypad</b> (the monitor's read_key takes these)", box));
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int k = 0; k < 16; ++k) {
        auto* key = new QPushButton(QString::number(k, 16).toUpper(), box);
        key->setObjectName(QString("keypad%1").arg(QString::number(k, 16).toUpper()));
        key->setFixedWidth(30);
        key->setFocusPolicy(Qt::NoFocus);
        connect(key, &QPushButton::clicked, this, [this, k] {
            Input in;
            in.kind = Input::Key;
            in.value = static_cast<uint8_t>(k);
            apply(in);
        });
        grid->addWidget(key, k / 8, k % 8);
    }
    l->addLayout(grid);
    return box;
}

// The monitor's address and data fields, as its show routines set them.
QWidget* BoardPane::makeMonitor() {
    const board::Profile& p = board_.profile();
    if (!hasService(p, board::Service::ShowA) && !hasService(p, board::Service::ShowPair)) return nullptr;
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(small("<b>Monitor</b>", box));
    QFont f("Monospace");
    f.setStyleHint(QFont::Monospace);
    f.setPointSizeF(14);
    f.setBold(true);
    for (auto [field, name, width] : {std::tuple{&address_, "monitorAddress", 4}, {&data_, "monitorData", 2}}) {
        *field = new QLabel(box);
        (*field)->setObjectName(name);
        (*field)->setFont(f);
        (*field)->setStyleSheet(kDisplayStyle);
        (*field)->setMinimumWidth(QFontMetrics(f).horizontalAdvance(QString(width, '8')) + 20);
        (*field)->setAlignment(Qt::AlignCenter);
        row->addWidget(*field);
    }
    row->addStretch(1);
    return box;
}

void BoardPane::apply(const Input& input) {
    board_.apply(input);
    refresh();
    emit inputApplied();
}

void BoardPane::refresh() {
    const uint64_t now = board_.changes();
    if (now == seen_) return;
    QElapsedTimer clock;
    clock.start();
    // The last frame's cost sets the pace of the next ones.
    const auto spaced = static_cast<int>((drawNs_ * kFrameShare + 999'999) / 1'000'000);
    frame_.setInterval(std::max(kFrameMs, spaced));
    drawNs_ = 0;
    seen_ = now;
    ++frames_;
    for (std::size_t i = 0; i < faces_.size(); ++i)
        if (faces_[i] && faces_[i]->setup().kind == DeviceKind::Dac) faces_[i]->addSamples(board_.samples(i));
    board_.forgetRecords();
    shown_ = board_.view();
    for (std::size_t i = 0; i < shown_.devices.size() && i < faces_.size(); ++i) {
        const board::DeviceView& d = shown_.devices[i];
        if (faces_[i]) faces_[i]->setView(d);
        if (knobs_[i] && !knobs_[i]->isSliderDown() && knobs_[i]->value() != d.value) {
            const QSignalBlocker quiet(knobs_[i]);
            knobs_[i]->setValue(d.value);
        }
        if (values_[i]) values_[i]->setText(QString("%1 (%2)").arg(hex2(d.value)).arg(d.value, 8, 2, QChar('0')));
    }
    if (address_) address_->setText(QString::fromStdString(shown_.addressField));
    if (data_) data_->setText(QString::fromStdString(shown_.dataField));
    showState();
    drawNs_ += clock.nsecsElapsed();
}

// IE, the masks, the pending RST 7.5, the serial lines, and what the kit
// waits for.
void BoardPane::showState() {
    const board::BoardView& v = shown_;
    QString s = QString("IE %1 \u00B7 masks 7.5 %2, 6.5 %3, 5.5 %4")
                    .arg(v.ie)
                    .arg(v.masks >> 2 & 1)
                    .arg(v.masks >> 1 & 1)
                    .arg(v.masks & 1);
    if (v.pending75) s += " \u00B7 RST 7.5 pending";
    s += QString(" \u00B7 SOD %1 \u00B7 SID %2").arg(v.sod).arg(v.sid);
    switch (board_.wait()) {
        case board::Board::Wait::None: break;
        case board::Board::Wait::Halt: s += "<br><b>HLT: waiting for an interrupt</b> (a key below wakes it)"; break;
        case board::Board::Wait::Key: s += "<br><b>waiting for a keypad key</b>"; break;
    }
    state_->setText(s);
}

DeviceFace* BoardPane::face(const std::string& device) const {
    for (DeviceFace* f : faces_)
        if (f && f->setup().name == device) return f;
    return nullptr;
}

QSlider* BoardPane::knob(const std::string& device) const {
    const std::vector<board::DeviceSetup>& devices = board_.profile().devices;
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].name == device) return knobs_[i];
    return nullptr;
}

}  // namespace kit85
