// The kit window: made from the layout table, and redrawn from the model.

#include "panel/kit_window.h"

#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

#include <string_view>
#include <utility>

#include "board/board.h"
#include "panel/board_pane.h"
#include "panel/check_pane.h"
#include "panel/key_button.h"
#include "panel/kit_dock.h"
#include "panel/message_box_presenter.h"
#include "panel/register_field.h"
#include "panel/shortcuts.h"
#include "panel/study_view.h"
#include "values/ascii.h"

namespace kit85 {

namespace {

// The board the kit is built on, and its white print.
const QColor kBoard("#1E5E3C");
const QColor kPrint("#F2F2E8");
const char* const kDisplayStyle =
    "QLineEdit { background: #0000C0; color: #F4F8FF; border: 2px solid #00002A; border-radius: 2px;"
    " padding: 0px; selection-background-color: #8080FF; selection-color: #000000; }";
const char* const kPlateStyle =
    "QLabel { background: #123B26; color: #D8EEDD; border: 1px solid #9CC7AE; border-radius: 3px;"
    " padding-left: 4px; padding-right: 4px; }";

// The flag cells in the order of kFlagFields.
constexpr std::array<std::string_view, kFlagFields.size()> kFlagCells = {"slb", "zlb", "auxlb", "plb", "clb"};

QFont kitFont(double points, bool bold, bool narrow = false) {
    QFont f;
    // The kit was drawn with a small bitmap sans; these come closest on each
    // system, the narrow ones where a caption must fit a small key.
    if (narrow)
        f.setFamilies(
            {"Liberation Sans Narrow", "Arial Narrow", "DejaVu Sans Condensed", "Liberation Sans", "DejaVu Sans"});
    else
        f.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo", "Arial", "DejaVu Sans"});
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QString qs(const Text& t) { return QString::fromStdString(t.str()); }

}  // namespace

// Redraws the panel before any message, so the box never stands over stale
// displays (a run shows "invalid code" from inside a slice).
class KitWindow::RefreshingPresenter : public Presenter {
public:
    RefreshingPresenter(std::function<void(std::string_view)> before, Presenter& inner)
        : before_(std::move(before)), inner_(inner) {}
    void message(std::string_view text, std::string_view title, Icon icon) override {
        before_(text);
        inner_.message(text, title, icon);
    }

private:
    std::function<void(std::string_view)> before_;
    Presenter& inner_;
};

KitWindow::KitWindow(std::unique_ptr<MemoryTable> memory, Presenter* presenter, QWidget* parent)
    : QWidget(parent),
      memory_(memory ? std::move(memory) : MemoryTable::fresh()),
      ownPresenter_(presenter ? nullptr : std::make_unique<MessageBoxPresenter>(this)),
      presenter_(std::make_unique<RefreshingPresenter>(
          [this](std::string_view text) {
              noteMessage(text);
              refresh();
          },
          presenter ? *presenter : *ownPresenter_)),
      kit_(*memory_, *presenter_),
      panel_(kit_),
      session_(kit_),
      breakpoints_(*memory_, starts_, kit_) {
    initKitResources();
    setObjectName("form1");
    setWindowTitle(" MICROPROCESSER 8085");
    setWindowIcon(QIcon(":/kit85/kit85.svg"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBoard);
    pal.setColor(QPalette::WindowText, kPrint);
    pal.setColor(QPalette::ToolTipBase, QColor("#FFFFE1"));
    pal.setColor(QPalette::ToolTipText, Qt::black);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);

    // A note said outside a key's work shows at once.
    status_.onSaid([this] {
        if (study_) study_->refresh();
    });
    build();
    connectKeys();
    addShortcuts(this);
    layOut();

    makeActions();

    const RunSpeed speed = rememberedRunSpeed();
    session_.controller().setSpeed(speed.speed, speed.perSecond);
    sliceTimer_.setSingleShot(true);
    sliceTimer_.setInterval(0);
    connect(&sliceTimer_, &QTimer::timeout, this, &KitWindow::runSlice);

    panel_.Form_Load();
    // Breakpoints and watchpoints kept in the memory file from an earlier
    // session are said at once: a run that stops on one must not look like a
    // plain halt.
    status_.keep(
        {breakpointsAtStart(memory_->breakpoints(), memory_->breakpointsOff().size(), memory_->watchpoints()), false});
    setRunning(false);
    refresh();
    // Top edge 500 twips below the top of the screen; across, the middle.
    if (QScreen* s = screen()) {
        const QRect g = s->availableGeometry();
        move(g.x() + (g.width() - width()) / 2, s->geometry().y() + px(kWindowTop));
    }
    setFocus();
}

KitWindow::~KitWindow() {
    sliceTimer_.stop();
    delete check_.data();  // wherever it was placed
    delete boardPane_.data();  // before the board it draws
    kit_.board = nullptr;
    if (dock_) {
        // The dock holds this window and the view: out of it first, then the
        // dock (and the view in it) goes.
        setParent(nullptr);
        delete dock_;
        study_ = nullptr;
    }
}

// --- Building from the layout table -----------------------------------------

void KitWindow::build() {
    for (const Placement& p : kitLayout()) {
        QWidget* w = make(p);
        w->setObjectName(p.name);
        if (p.tip && w->toolTip().isEmpty()) {
            QString tip = p.tip;
            if (const Shortcut* s = shortcutFor(p.name)) tip += QString(" (%1)").arg(s->keys);
            w->setToolTip(tip);
        }
        placed_.push_back({w, QRect(p.left, p.top, p.width, p.height)});
    }
}

QWidget* KitWindow::make(const Placement& p) {
    switch (p.kind) {
        case ControlKind::Display: return makeDisplay(p);
        case ControlKind::HexKey:
        case ControlKind::Key: return makeKey(p);
        case ControlKind::Register: return makeRegister(p);
        case ControlKind::Title:
        case ControlKind::Label:
        case ControlKind::NarrowLabel:
        case ControlKind::FlagCell: return makeLabel(p);
        case ControlKind::Line: {
            auto* l = new QFrame(this);
            l->setFrameShape(QFrame::NoFrame);
            l->setAutoFillBackground(true);
            QPalette pal = l->palette();
            pal.setColor(QPalette::Window, kPrint);
            l->setPalette(pal);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
            return l;
        }
        case ControlKind::Plate: {
            auto* plate = new QLabel(this);
            plate->setFont(kitFont(7.5, false, true));
            return makePlate(plate, p.width);
        }
    }
    return new QWidget(this);
}

QLineEdit* KitWindow::makeField(const QString& text, double points) {
    auto* e = new QLineEdit(text, this);
    e->setAlignment(Qt::AlignCenter);
    e->setFont(kitFont(points, true));
    e->setStyleSheet(kDisplayStyle);
    return e;
}

QWidget* KitWindow::makeDisplay(const Placement& p) {
    const std::string_view name = p.name;
    const QString caption = p.caption ? QString(p.caption) : QString();
    QLineEdit* e = makeField(caption, 13.5);
    e->setMaxLength(name == "Text1" || name == "Text3" ? 4 : 2);  // an address, or a byte
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setContextMenuPolicy(Qt::NoContextMenu);
    display_[name.back() - '1'] = {e, caption};
    return e;
}

QWidget* KitWindow::makeKey(const Placement& p) {
    const std::string_view name = p.name;
    auto* k = new KeyButton(p.caption ? QString(p.caption) : QString(), p.face, this);
    keys_.push_back(k);
    if (p.kind == ControlKind::HexKey) {
        k->setFont(kitFont(11, true));
        hexKeys_[hexDigitValue(p.caption[0])] = k;
    } else {
        k->setFont(kitFont(8.25, true, true));
    }
    if (name == "regmod") regmod_ = k;
    if (name == "stop") stop_ = k;
    if (name == "end") end_ = k;
    return k;
}

QWidget* KitWindow::makeRegister(const Placement& p) {
    const Reg r = registerNamed(p.name)->reg;
    QLineEdit* e = makeField(QString(), 12);
    e->setMaxLength(static_cast<int>(mostCharacters(r)));
    e->setToolTip(QString("Register %1: type up to %2 hex digits").arg(p.name).arg(mostCharacters(r)));
    makeRegisterField(e);
    // Typed text goes into the kit at once: the next instruction reads it.
    connect(e, &QLineEdit::textEdited, this, [this, r](const QString& s) {
        kit_[r] = Text(s.toStdString());
        register_[r].shown = s;
    });
    register_[r] = {e, QString()};
    return e;
}

// A caption in the print face; a flag cell is one the redraw fills.
QLabel* KitWindow::makeLabel(const Placement& p) {
    const bool narrow = p.kind == ControlKind::NarrowLabel;
    auto* l = new QLabel(p.caption ? QString(p.caption) : QString(), this);
    l->setFont(kitFont(8.25, true, narrow));
    if (p.kind == ControlKind::Title || p.kind == ControlKind::FlagCell) l->setAlignment(Qt::AlignCenter);
    if (p.kind == ControlKind::FlagCell)
        for (size_t i = 0; i < kFlagCells.size(); ++i)
            if (kFlagCells[i] == p.name) flag_[i] = l;
    return l;
}

// The data control: here only a plate naming the memory file.
QLabel* KitWindow::makePlate(QLabel* plate, int widthTwips) {
    adodc_ = plate;
    adodc_->setStyleSheet(kPlateStyle);
    const QString file =
        memory_->persistent() ? QString::fromStdString(memory_->file().filename().string()) : QString("(not saved)");
    adodc_->setText(adodc_->fontMetrics().elidedText("Adodc1 \u2022 " + file, Qt::ElideMiddle, px(widthTwips) - 10));
    adodc_->setToolTip(memory_->persistent() ? "Memory table: " + QString::fromStdString(memory_->file().string())
                                             : QString("Memory table kept in memory only; nothing is saved"));
    return adodc_;
}

void KitWindow::layOut() {
    for (const Placed& p : placed_) {
        if (!p.widget) continue;
        const QRect& t = p.twips;
        // A line is at least one pixel thick on any screen.
        int w = std::max(1, px(t.width()));
        int h = std::max(1, px(t.height()));
        // A caption wider than its given box in this system's font grows to
        // the right rather than being cut.
        if (auto* l = qobject_cast<QLabel*>(p.widget.data()); l && l != adodc_) w = std::max(w, l->sizeHint().width());
        p.widget->setGeometry(px(t.left()), px(t.top()), w, h);
    }
}

// --- Redrawing --------------------------------------------------------------

void KitWindow::LineField::show(const QString& text) {
    if (!edit || shown == text) return;
    shown = text;
    edit->setText(text);
}

// Labels and keys given the text they show already stay as they are
// (setText changes nothing then); the line fields remember what they were given.
void KitWindow::refresh() {
    display_[0].show(qs(panel_.Text1()));
    display_[1].show(qs(panel_.Text2()));
    display_[2].show(qs(panel_.text3));
    display_[3].show(qs(panel_.text4));
    const bool visible[] = {panel_.text1Visible, panel_.text2Visible, panel_.text3Visible, panel_.text4Visible};
    for (size_t i = 0; i < display_.size(); ++i) display_[i].edit->setHidden(!visible[i]);
    for (const RegisterField& f : kRegisterFields) register_[f.reg].show(qs(kit_[f.reg]));
    for (size_t i = 0; i < kFlagFields.size(); ++i) flag_[i]->setText(qs(kit_.flags.*kFlagFields[i].label));
    regmod_->setText(QString::fromStdString(panel_.regmodCaption));
    const QSize size(px(kWindowWidth - kFrameTwipsWide), px(panel_.windowHeight - kFrameTwipsHigh));
    if (this->size() != size || minimumSize() != size) setFixedSize(size);
    if (study_) study_->refresh();
    // During a run the pane's own timer redraws it at the display's pace.
    if (boardPane_ && !running()) boardPane_->refresh();
}

void KitWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int k = event->key();
    if (k >= Qt::Key_0 && k <= Qt::Key_9) {
        press(hexKeys_[k - Qt::Key_0]);
    } else if (k >= Qt::Key_A && k <= Qt::Key_F) {
        press(hexKeys_[10 + k - Qt::Key_A]);
    } else if (k == Qt::Key_Return || k == Qt::Key_Enter) {
        setFocus();  // leaves a register field: the keyboard works the keypad again
    } else {
        QWidget::keyPressEvent(event);
    }
}

}  // namespace kit85
