#include "panel/kit_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>

#include <chrono>
#include <new>
#include <string_view>
#include <utility>

#include "panel/help_dialog.h"
#include "panel/message_box_presenter.h"
#include "panel/program_files.h"
#include "panel/register_field.h"
#include "panel/shortcuts.h"
#include "values/ascii.h"
#include "values/errors.h"

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
    RefreshingPresenter(KitWindow& window, Presenter& inner) : window_(window), inner_(inner) {}
    void message(std::string_view text, std::string_view title, Icon icon) override {
        window_.noteMessage(text);
        window_.refresh();
        inner_.message(text, title, icon);
    }

private:
    KitWindow& window_;
    Presenter& inner_;
};

KitWindow::KitWindow(std::unique_ptr<MemoryTable> memory, Presenter* presenter, QWidget* parent)
    : QWidget(parent),
      memory_(memory ? std::move(memory) : MemoryTable::fresh()),
      ownPresenter_(presenter ? nullptr : std::make_unique<MessageBoxPresenter>(this)),
      presenter_(std::make_unique<RefreshingPresenter>(*this, presenter ? *presenter : *ownPresenter_)),
      kit_(*memory_, *presenter_),
      panel_(kit_),
      session_(kit_) {
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
    note_ = {breakpointsAtStart(memory_->breakpoints(), memory_->breakpointsOff().size(), memory_->watchpoints()),
             false};
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
    const std::string_view name = p.name;
    const QString caption = p.caption ? QString(p.caption) : QString();
    auto field = [this](const QString& text, double points) {
        auto* e = new QLineEdit(text, this);
        e->setAlignment(Qt::AlignCenter);
        e->setFont(kitFont(points, true));
        e->setStyleSheet(kDisplayStyle);
        return e;
    };
    auto label = [this, &caption](const QFont& font) {
        auto* l = new QLabel(caption, this);
        l->setFont(font);
        return l;
    };
    switch (p.kind) {
        case Kind::Display: {
            auto* e = field(caption, 13.5);
            e->setMaxLength(name == "Text1" || name == "Text3" ? 4 : 2);  // an address, or a byte
            e->setReadOnly(true);
            e->setFocusPolicy(Qt::NoFocus);
            e->setContextMenuPolicy(Qt::NoContextMenu);
            display_[name.back() - '1'] = e;
            return e;
        }
        case Kind::HexKey:
        case Kind::Key: {
            auto* k = new KeyButton(caption, p.face, this);
            keys_.push_back(k);
            if (p.kind == Kind::HexKey) {
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
        case Kind::Register: {
            const Reg r = registerNamed(name)->reg;
            auto* e = field(QString(), 12);
            e->setMaxLength(static_cast<int>(mostCharacters(r)));
            e->setToolTip(QString("Register %1: type up to %2 hex digits").arg(p.name).arg(mostCharacters(r)));
            makeRegisterField(e);
            // Typed text goes into the kit at once: the next instruction reads it.
            connect(e, &QLineEdit::textEdited, this, [this, r](const QString& s) { kit_[r] = Text(s.toStdString()); });
            register_[r] = e;
            return e;
        }
        case Kind::Title: {
            auto* l = label(kitFont(8.25, true));
            l->setAlignment(Qt::AlignCenter);
            return l;
        }
        case Kind::Label: return label(kitFont(8.25, true));
        case Kind::NarrowLabel: return label(kitFont(8.25, true, true));
        case Kind::FlagCell: {
            auto* l = label(kitFont(8.25, true));
            l->setAlignment(Qt::AlignCenter);
            for (size_t i = 0; i < kFlagCells.size(); ++i)
                if (kFlagCells[i] == name) flag_[i] = l;
            return l;
        }
        case Kind::Line: {
            auto* l = new QFrame(this);
            l->setFrameShape(QFrame::NoFrame);
            l->setAutoFillBackground(true);
            QPalette pal = l->palette();
            pal.setColor(QPalette::Window, kPrint);
            l->setPalette(pal);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
            return l;
        }
        case Kind::Plate: return makePlate(label(kitFont(7.5, false, true)), p.width);
    }
    return new QWidget(this);
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

// A hex key; the fourth digit of an address keyed makes its row a start the
// instructions pane reads from.
void KitWindow::hexKey(char digit) {
    const bool entering = panel_.addressEntry();
    panel_.hexKey_Click(digit);
    if (entering && !panel_.addressEntry() && memory_->onRow() && memory_->text1().isHex() &&
        memory_->text1().size() == 4)
        starts_.noteKeyedAddress(static_cast<uint16_t>(memory_->text1().hexValue()));
}

void KitWindow::connectKeys() {
    for (KeyButton* k : hexKeys_) {
        const char d = k->text().at(0).toLatin1();
        connect(k, &QPushButton::clicked, this, [this, d] { keyWork([this, d] { hexKey(d); }); });
    }
    const std::pair<const char*, std::function<void()>> clicks[] = {
        {"execute", [this] { execute_Click(); }},
        {"address", [this] { keyWork([this] { panel_.address_Click(); }); }},
        {"prev", [this] { keyWork([this] { panel_.prev_Click(); }); }},
        {"next", [this] { keyWork([this] { panel_.next_Click(); }); }},
        {"regmod", [this] { keyWork([this] { panel_.regmod_Click(); }); }},
        {"stepexe", [this] { stepexe_Click(); }},
        {"stop", [this] { stop_Click(); }},
        {"end", [this] { end_Click(); }},
    };
    for (const auto& [name, click] : clicks) connect(findChild<KeyButton*>(name), &QPushButton::clicked, this, click);
}

// Each row with keys presses its kit key; the row without one opens the help;
// rows naming no key of the kit (the study view's) are the window's actions.
// The study view gets the same shortcuts, so the kit answers there too.
std::vector<QShortcut*> KitWindow::addShortcuts(QWidget* target) {
    std::vector<QShortcut*> made;
    for (const Shortcut& s : kitShortcuts()) {
        QPushButton* button = s.key ? findChild<KeyButton*>(s.key) : nullptr;
        if (s.key && !button) continue;
        for (QKeyCombination c : s.combinations) {
            if (c.key() == Qt::Key_unknown) continue;
            auto* shortcut = new QShortcut(QKeySequence(c), target);
            made.push_back(shortcut);
            if (button)
                connect(shortcut, &QShortcut::activated, this, [this, button] { press(button); });
            else
                connect(shortcut, &QShortcut::activated, this, &KitWindow::showHelp);
        }
    }
    return made;
}

// The help window stays open beside the kit; F1 again brings it to the front.
void KitWindow::showHelp() {
    if (!help_) {
        help_ =
            new HelpDialog(memory_->persistent() ? QString::fromStdString(memory_->file().string()) : QString(), this);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

// --- Redrawing --------------------------------------------------------------

void KitWindow::refresh() {
    auto show = [](auto* widget, const QString& s) {
        if (widget->text() != s) widget->setText(s);
    };
    show(display_[0], qs(panel_.Text1()));
    show(display_[1], qs(panel_.Text2()));
    show(display_[2], qs(panel_.text3));
    show(display_[3], qs(panel_.text4));
    display_[0]->setHidden(!panel_.text1Visible);
    display_[1]->setHidden(!panel_.text2Visible);
    display_[2]->setHidden(!panel_.text3Visible);
    display_[3]->setHidden(!panel_.text4Visible);
    for (const RegisterField& f : kRegisterFields) show(register_[f.reg], qs(kit_[f.reg]));
    for (size_t i = 0; i < kFlagFields.size(); ++i) show(flag_[i], qs(kit_.flags.*kFlagFields[i].label));
    show(regmod_, QString::fromStdString(panel_.regmodCaption));
    const QSize size(px(kWindowWidth - kFrameTwipsWide), px(panel_.windowHeight - kFrameTwipsHigh));
    if (this->size() != size || minimumSize() != size) setFixedSize(size);
    if (study_) study_->refresh();
}

// --- Key work ---------------------------------------------------------------

void KitWindow::keyWork(const std::function<void()>& work) {
    const bool marksItsOwn = std::exchange(marksItsOwn_, false);
    if (busy_ || running() || ended_) return;
    busy_ = true;
    note_ = {};
    session_.clearTrace();
    if (study_) study_->beginAction(marksItsOwn);
    std::string failure;
    try {
        work();
    } catch (const KitError& e) {
        failure = e.what();
    } catch (const std::bad_alloc&) {
        failure = "out of memory";
    } catch (const std::exception& e) {
        failure = std::string("internal error: ") + e.what();
    }
    if (study_) study_->endAction();
    refresh();
    if (!failure.empty()) report(failure);
    // The memory file stopped keeping the undo history (it cannot be read or
    // written): said once, since keying goes on without it.
    if (const std::string notice = memory_->takeHistoryNotice(); !notice.empty()) {
        setStatusNote(notice, true);
        kit().presenter().message(notice, "", Icon::Information);
    }
    busy_ = false;
    setFocus();
}

void KitWindow::setStatusNote(std::string text, bool problem) {
    note_ = {std::move(text), problem};
    if (study_) study_->refresh();
}

void KitWindow::setRunSpeed(const RunSpeed& speed) {
    session_.controller().setSpeed(speed.speed, speed.perSecond);
    rememberRunSpeed(runSpeed());
}

void KitWindow::undoKeyed(bool undo) {
    keyWork([this, undo] {
        MemoryTable::UndoResult r = panel_.undoStep(undo);
        if (r.done) {
            note_ = {undoText(undo, r.rows), false};
            return;
        }
        note_ = {r.message, true};  // on the status line before the message box opens
        throw KitError(r.message);
    });
}

void KitWindow::press(QPushButton* key) {
    if (!key || !key->isEnabled() || !isVisible()) return;
    QPointer<QPushButton> k(key);
    k->click();
    // Show the key going down under the computer keyboard's press too.
    if (k && k->isEnabled() && k->isVisible()) {
        k->setDown(true);
        QTimer::singleShot(110, k, [k] {
            if (k) k->setDown(false);
        });
    }
}

void KitWindow::report(const std::string& text) { presenter_->message(text, "error :", Icon::Exclamation); }

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
