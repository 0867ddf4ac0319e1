#include "panel/kit_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QSvgRenderer>

#include <chrono>
#include <new>

#include "values/errors.h"

// The images live in a static library; this pulls them in. (The macro must
// be used outside any namespace.)
static void loadKitResources() { Q_INIT_RESOURCE(kit85); }

namespace kit85 {

void initKitResources() {
    static const bool done = (loadKitResources(), true);
    (void)done;
}

namespace {

// A run gives the event loop a turn this often, and redraws the panel then.
constexpr auto kSlice = std::chrono::milliseconds(30);

// The board the kit is built on, and its white print.
const QColor kBoard("#1E5E3C");
const QColor kPrint("#F2F2E8");
const char* const kDisplayStyle =
    "QLineEdit { background: #0000C0; color: #F4F8FF; border: 2px solid #00002A; border-radius: 2px;"
    " padding: 0px; selection-background-color: #8080FF; selection-color: #000000; }";

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
            const qreal dpr = qApp->devicePixelRatio();
            QPixmap pm(QSize(32, 32) * dpr);
            pm.setDevicePixelRatio(dpr);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            svg(":/kit85/pointer.svg").render(&p, QRectF(0, 0, 32, 32));
            p.end();
            pointer_ = std::make_unique<QCursor>(pm, 11, 1);
        }
        return *pointer_;
    }

private:
    QHash<QString, QSvgRenderer*> svgs_;
    std::unique_ptr<QCursor> pointer_;
};

QString qs(const Text& t) { return QString::fromStdString(t.str()); }
QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

int twipsToPixels(int twips, const QWidget* widget) {
    const double dpi = widget ? widget->logicalDpiY() : 96.0;
    return static_cast<int>(twips * dpi / 1440.0 + 0.5);
}

// --- Messages ---------------------------------------------------------------

void MessageBoxPresenter::message(std::string_view text, std::string_view title, Icon icon) {
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, qs(title), qs(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

// Redraws the panel before any message, so the box never stands over stale
// displays (a run shows "invalid code" from inside a slice).
class KitWindow::RefreshingPresenter : public Presenter {
public:
    RefreshingPresenter(KitWindow& window, Presenter& inner) : window_(window), inner_(inner) {}
    void message(std::string_view text, std::string_view title, Icon icon) override {
        window_.refresh();
        inner_.message(text, title, icon);
    }

private:
    KitWindow& window_;
    Presenter& inner_;
};

// --- Keys -------------------------------------------------------------------

KeyButton::KeyButton(const QString& caption, Face face, QWidget* parent) : QPushButton(caption, parent), face_(face) {
    initKitResources();
    setFocusPolicy(Qt::NoFocus);  // the keyboard works the kit, not the focused key
    setAttribute(Qt::WA_Hover);   // the face lights up under the pointer
    setCursor(Assets::get().pointer());
}

void KeyButton::paintEvent(QPaintEvent*) {
    static const char* const faces[3][2] = {{":/kit85/key-blue.svg", ":/kit85/key-blue-down.svg"},
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

// --- The window -------------------------------------------------------------

template <class W>
W* KitWindow::place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    placed_.push_back({widget, QRect(left, top, width, height)});
    return widget;
}

KeyButton* KitWindow::key(const char* name, const QString& caption, KeyButton::Face face, int left, int top, int width,
                          int height, const QString& tip) {
    auto* k = place(new KeyButton(caption, face, this), name, left, top, width, height);
    k->setToolTip(tip);
    return k;
}

KitWindow::KitWindow(std::unique_ptr<MemoryTable> memory, Presenter* presenter, QWidget* parent)
    : QWidget(parent),
      memory_(memory ? std::move(memory) : MemoryTable::fresh()),
      ownPresenter_(presenter ? nullptr : std::make_unique<MessageBoxPresenter>(this)),
      presenter_(std::make_unique<RefreshingPresenter>(*this, presenter ? *presenter : *ownPresenter_)),
      kit_(*memory_, *presenter_),
      panel_(kit_),
      run_(kit_) {
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

    buildUpperBand();
    buildRegisterPanel();
    buildLines();
    addShortcuts();
    layOut();

    sliceTimer_.setSingleShot(true);
    sliceTimer_.setInterval(0);
    connect(&sliceTimer_, &QTimer::timeout, this, &KitWindow::runSlice);

    panel_.Form_Load();
    setRunning(false);
    refresh();
    // Top edge 500 twips below the top of the screen; across, the middle.
    if (QScreen* s = screen()) {
        const QRect g = s->availableGeometry();
        move(g.x() + (g.width() - width()) / 2, s->geometry().y() + px(kWindowTop));
    }
    setFocus();
}

KitWindow::~KitWindow() { sliceTimer_.stop(); }

void KitWindow::buildUpperBand() {
    using Face = KeyButton::Face;
    auto display = [this](const char* name, int left, int width, int most) {
        auto* e = place(new QLineEdit(" ", this), name, left, 240, width, 495);
        e->setMaxLength(most);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setAlignment(Qt::AlignCenter);
        e->setFont(kitFont(13.5, true));
        e->setStyleSheet(kDisplayStyle);
        e->setContextMenuPolicy(Qt::NoContextMenu);
        return e;
    };
    display_[0] = display("Text1", 3360, 975, 4);
    display_[1] = display("Text2", 4320, 615, 2);
    display_[2] = display("Text3", 3360, 975, 4);
    display_[3] = display("Text4", 4320, 615, 2);
    display_[0]->setToolTip("Address display: the address of the current memory location");
    display_[1]->setToolTip("Data display: the byte at the current memory location");
    display_[2]->setToolTip("The address being keyed in");

    static const int columns[4] = {720, 1680, 2640, 3600};
    static const int rows[4] = {1080, 1680, 2280, 2880};
    static const char* const names[16] = {"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7",
                                          "c8", "c9", "ca", "cb", "cc", "cd", "ce", "cf"};
    for (int i = 0; i < 16; ++i) {
        const QString digit = QString("0123456789ABCDEF").at(i);
        hexKeys_[i] = key(names[i], digit, Face::Blue, columns[i % 4], rows[i / 4], 735, 375,
                          QString("Hex key %1 (keyboard: %1)").arg(digit));
        hexKeys_[i]->setFont(kitFont(11, true));
        const char d = "0123456789ABCDEF"[i];
        connect(hexKeys_[i], &QPushButton::clicked, this,
                [this, d] { keyWork([this, d] { panel_.hexKey_Click(d); }); });
    }

    const QFont fkey = kitFont(8.25, true, true);
    execute_ = key("execute", "Execute", Face::Blue, 4560, 1080, 735, 375,
                   "Execute: run the program from the current location (F5)");
    address_ = key("address", "Address", Face::Blue, 4560, 1680, 735, 375,
                   "Address: key in a memory address, four hex digits (F2)");
    prev_ = key("prev", "Prev", Face::Blue, 4560, 2280, 735, 375, "Prev: the previous memory location (F3 or Up)");
    next_ = key("next", "Next", Face::Blue, 4560, 2880, 735, 375, "Next: the next memory location (F4 or Down)");
    regmod_ = key("regmod", "show panal", Face::Grey, 1080, 3480, 975, 375, "Show or hide the register panel (F6)");
    stop_ = key("stop", "Stop", Face::Red, 2160, 3480, 855, 375, "Stop: interrupt a running program (Esc)");
    stepexe_ =
        key("stepexe", "Step Exe", Face::Blue, 3120, 3480, 855, 375, "Step Exe: carry out one instruction (F10)");
    end_ = key("end", "CLOSE", Face::Grey, 4560, 3480, 735, 375, "CLOSE: end the kit (Ctrl+Q)");
    for (KeyButton* k : {execute_, address_, prev_, next_, regmod_, stop_, stepexe_, end_}) k->setFont(fkey);

    connect(execute_, &QPushButton::clicked, this, &KitWindow::execute_Click);
    connect(address_, &QPushButton::clicked, this, [this] { keyWork([this] { panel_.address_Click(); }); });
    connect(prev_, &QPushButton::clicked, this, [this] { keyWork([this] { panel_.prev_Click(); }); });
    connect(next_, &QPushButton::clicked, this, [this] { keyWork([this] { panel_.next_Click(); }); });
    connect(regmod_, &QPushButton::clicked, this, [this] { keyWork([this] { panel_.regmod_Click(); }); });
    connect(stepexe_, &QPushButton::clicked, this, &KitWindow::stepexe_Click);
    connect(stop_, &QPushButton::clicked, this, &KitWindow::stop_Click);
    connect(end_, &QPushButton::clicked, this, &KitWindow::end_Click);

    // The data control: here only a plate naming the memory file.
    adodc_ = place(new QLabel(this), "Adodc1", 600, 360, 2175, 330);
    adodc_->setFont(kitFont(7.5, false, true));
    adodc_->setStyleSheet(
        "QLabel { background: #123B26; color: #D8EEDD; border: 1px solid #9CC7AE; border-radius: 3px;"
        " padding-left: 4px; padding-right: 4px; }");
    const QString file =
        memory_->persistent() ? QString::fromStdString(memory_->file().filename().string()) : QString("(not saved)");
    adodc_->setText(adodc_->fontMetrics().elidedText("Adodc1 \u2022 " + file, Qt::ElideMiddle, px(2175) - 10));
    adodc_->setToolTip(memory_->persistent() ? "Memory table: " + QString::fromStdString(memory_->file().string())
                                             : QString("Memory table kept in memory only; nothing is saved"));
}

void KitWindow::buildRegisterPanel() {
    auto label = [this](const char* name, const QString& caption, int left, int top, int width, int height,
                        const QFont& font) {
        auto* l = place(new QLabel(caption, this), name, left, top, width, height);
        l->setFont(font);
        return l;
    };
    const QFont print = kitFont(8.25, true);

    label("Label1", "MICROPROCESSER REGISTERS", 1800, 4440, 2895, 255, kitFont(8.25, true))
        ->setAlignment(Qt::AlignCenter);
    label("Label19", "Flag Register", 4080, 4800, 975, 255, kitFont(8.25, true, true));

    struct Field {
        Reg reg;
        const char* name;
        int left, top, width;
        const char* labelName;
        const char* caption;
        int labelLeft, labelTop;
    };
    static const Field fields[] = {
        {A, "A", 1200, 5520, 495, "Label2", "A", 720, 5640},
        {F, "F", 2160, 5520, 495, "Label20", "FF", 1920, 5640},
        {B, "B", 1200, 6000, 495, "Label8", "B", 720, 6120},
        {C, "C", 2160, 6000, 495, "Label5", "C", 1920, 6120},
        {D, "D", 1200, 6480, 495, "Label7", "D", 720, 6600},
        {E, "E", 2160, 6480, 495, "Label4", "E", 1920, 6600},
        {H, "H", 1200, 6960, 495, "Label6", "H", 720, 7080},
        {L, "L", 2160, 6960, 495, "Label9", "L", 1920, 7080},
        {SP, "SP", 4440, 6360, 855, "Label3", "SP", 3720, 6480},
        {PC, "PC", 4440, 6960, 855, "Label10", "PC", 3720, 7080},
    };
    for (const Field& f : fields) {
        auto* e = place(new QLineEdit(this), f.name, f.left, f.top, f.width, 375);
        e->setMaxLength(static_cast<int>(mostCharacters(f.reg)));
        e->setAlignment(Qt::AlignCenter);
        e->setFont(kitFont(12, true));
        e->setStyleSheet(kDisplayStyle);
        e->setToolTip(QString("Register %1: type up to %2 characters").arg(f.name).arg(mostCharacters(f.reg)));
        const Reg r = f.reg;
        // Typed text goes into the kit at once: the next instruction reads it.
        connect(e, &QLineEdit::textEdited, this, [this, r](const QString& s) { kit_[r] = Text(s.toStdString()); });
        register_[f.reg] = e;
        label(f.labelName, f.caption, f.labelLeft, f.labelTop, f.labelLeft >= 3000 ? 495 : 240, 255, print);
    }

    // The flag block: bit 7 first, one cell every 360 twips.
    struct Cell {
        const char* name;
        int flag;  // index into flag_, -1 for the bits without a flag
        int left;
        const char* captionName;
        const char* caption;
        int captionLeft;
    };
    static const Cell cells[] = {
        {"slb", 0, 3240, "flagS", "S", 3240},       {"zlb", 1, 3600, "flagZ", "Z", 3600},
        {"Label15", -1, 3960, nullptr, nullptr, 0}, {"auxlb", 2, 4320, "flagAux", "Aux", 4200},
        {"Label13", -1, 4680, nullptr, nullptr, 0}, {"plb", 3, 5040, "flagP", "P", 5040},
        {"Label11", -1, 5400, nullptr, nullptr, 0}, {"clb", 4, 5760, "flagCy", "Cy", 5760},
    };
    for (const Cell& c : cells) {
        QLabel* l = label(c.name, c.flag < 0 ? " " : "0", c.left, 5400, 135, 255, print);
        l->setAlignment(Qt::AlignCenter);
        if (c.flag >= 0) {
            flag_[c.flag] = l;
            l->setToolTip(QString("Flag %1").arg(c.caption));
        }
        if (c.captionName) label(c.captionName, c.caption, c.captionLeft, 5880, c.flag == 2 ? 375 : 240, 255, print);
    }
}

void KitWindow::buildLines() {
    auto line = [this](const char* name, int left, int top, int width, int height) {
        auto* l = place(new QFrame(this), name, left, top, width, height);
        l->setFrameShape(QFrame::NoFrame);
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, kPrint);
        l->setPalette(p);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    };
    line("Line1", 120, 4200, 6135, 15);  // between the two bands
    line("Line2", 120, 120, 15, 7455);   // the frame around the panel
    line("Line3", 6240, 120, 15, 7455);
    line("Line4", 120, 120, 6135, 15);
    line("Line5", 120, 7560, 6135, 15);
    static const char* const grid[] = {"Line6",  "Line7",  "Line8",  "Line9", "Line10",
                                       "Line11", "Line12", "Line13", "Line14"};
    for (int i = 0; i < 9; ++i) line(grid[i], 3120 + 360 * i, 5280, 15, 495);
    line("Line15", 3120, 5280, 2895, 15);
    line("Line16", 3120, 5760, 2895, 15);
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

void KitWindow::addShortcuts() {
    struct Binding {
        QKeySequence keys;
        KeyButton* KitWindow::*button;
    };
    const Binding bindings[] = {
        {QKeySequence(Qt::Key_F2), &KitWindow::address_},  {QKeySequence(Qt::Key_F3), &KitWindow::prev_},
        {QKeySequence(Qt::Key_Up), &KitWindow::prev_},     {QKeySequence(Qt::Key_F4), &KitWindow::next_},
        {QKeySequence(Qt::Key_Down), &KitWindow::next_},   {QKeySequence(Qt::Key_F5), &KitWindow::execute_},
        {QKeySequence(Qt::Key_F6), &KitWindow::regmod_},   {QKeySequence(Qt::Key_F10), &KitWindow::stepexe_},
        {QKeySequence(Qt::Key_Escape), &KitWindow::stop_}, {QKeySequence(Qt::CTRL | Qt::Key_Q), &KitWindow::end_},
    };
    for (const Binding& b : bindings) {
        auto* s = new QShortcut(b.keys, this);
        auto member = b.button;
        connect(s, &QShortcut::activated, this, [this, member] { press(this->*member); });
    }
}

// --- Redrawing --------------------------------------------------------------

void KitWindow::refresh() {
    auto show = [](QLineEdit* e, const QString& s) {
        if (e->text() != s) e->setText(s);
    };
    show(display_[0], qs(panel_.Text1()));
    show(display_[1], qs(panel_.Text2()));
    show(display_[2], qs(panel_.text3));
    show(display_[3], qs(panel_.text4));
    display_[0]->setHidden(!panel_.text1Visible);
    display_[1]->setHidden(!panel_.text2Visible);
    display_[2]->setHidden(!panel_.text3Visible);
    display_[3]->setHidden(!panel_.text4Visible);
    for (Reg r : {A, F, B, C, D, E, H, L, SP, PC}) show(register_[r], qs(kit_[r]));
    const Text* flags[5] = {&kit_.flags.slb, &kit_.flags.zlb, &kit_.flags.auxlb, &kit_.flags.plb, &kit_.flags.clb};
    for (int i = 0; i < 5; ++i) {
        const QString s = qs(*flags[i]);
        if (flag_[i]->text() != s) flag_[i]->setText(s);
    }
    const QString cap = QString::fromStdString(panel_.regmodCaption);
    if (regmod_->text() != cap) regmod_->setText(cap);
    const QSize size(px(kWindowWidth - kFrameTwipsWide), px(panel_.windowHeight - kFrameTwipsHigh));
    if (this->size() != size || minimumSize() != size) setFixedSize(size);
}

// --- Key work ---------------------------------------------------------------

void KitWindow::keyWork(const std::function<void()>& work) {
    if (busy_ || run_.running() || ended_) return;
    busy_ = true;
    std::string failure;
    try {
        work();
    } catch (const KitError& e) {
        failure = e.what();
    } catch (const std::bad_alloc&) {
        failure = "out of memory";
    }
    refresh();
    if (!failure.empty()) report(failure);
    busy_ = false;
    setFocus();
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

// --- Execute, Step Exe, Stop ------------------------------------------------

void KitWindow::execute_Click() {
    if (busy_ || run_.running() || ended_) return;
    run_.start();
    setRunning(true);
    runSlice();
}

void KitWindow::runSlice() {
    if (!run_.running() || inSlice_) return;
    inSlice_ = true;
    run_.slice(kSlice);
    inSlice_ = false;
    if (ended_) return;  // the kit ended while a message box of this slice was open
    if (run_.running()) {
        refresh();
        // The next slice starts once the events that came meanwhile are done.
        sliceTimer_.start();
        return;
    }
    finishRun();
}

void KitWindow::finishRun() {
    sliceTimer_.stop();
    setRunning(false);
    refresh();
    if (run_.last().reason == StopReason::Error) report(run_.last().message);
    emit runFinished();
}

void KitWindow::stop_Click() {
    if (!run_.running()) return;
    run_.requestStop();
    if (inSlice_) return;  // the slice sees the request and ends the run itself
    // Between slices: every write of the last slice is committed, and the
    // cursor stands on the row of the next instruction.
    run_.interrupt();
    finishRun();
}

void KitWindow::stepexe_Click() {
    keyWork([this] {
        const RunResult& r = run_.step(1);
        if (r.reason == StopReason::Error) throw KitError(r.message);
    });
}

void KitWindow::setRunning(bool on) {
    for (KeyButton* k : hexKeys_) k->setEnabled(!on);
    for (KeyButton* k : {execute_, address_, prev_, next_, regmod_, stepexe_}) k->setEnabled(!on);
    stop_->setEnabled(on);
    end_->setEnabled(true);
    for (QLineEdit* e : register_)
        if (e) e->setReadOnly(on);
    if (on) setFocus();
}

// --- CLOSE ------------------------------------------------------------------

void KitWindow::endKit() {
    if (ended_) return;
    ended_ = true;
    if (run_.running()) {
        run_.requestStop();
        sliceTimer_.stop();
        run_.interrupt();
    }
    try {
        memory_->flush();
    } catch (const KitError& e) {
        report(std::string("The kit ends, but its memory could not be saved: ") + e.what());
    }
    emit ended();
}

void KitWindow::end_Click() {
    endKit();
    close();
}

void KitWindow::closeEvent(QCloseEvent* event) {
    endKit();
    event->accept();
}

// --- Asking for another memory file -----------------------------------------

AskForMemoryFile memoryFileDialog(QWidget* parent) {
    return
        [parent](const std::filesystem::path& file, const std::string& reason) -> std::optional<std::filesystem::path> {
            const QString name =
                file.empty() ? QString("(the default memory file)") : QString::fromStdString(file.string());
            for (;;) {
                QMessageBox box(QMessageBox::Warning, "kit85 \u2014 memory file",
                                "kit85 cannot open its memory file\n" + name, QMessageBox::NoButton, parent);
                box.setInformativeText(QString::fromStdString(reason) +
                                       "\n\nChoose another file to go on (a new file starts with every byte 00), "
                                       "or quit.");
                QPushButton* choose = box.addButton("Choose Another File\u2026", QMessageBox::AcceptRole);
                QPushButton* quit = box.addButton("Quit", QMessageBox::RejectRole);
                box.setDefaultButton(choose);
                box.setEscapeButton(quit);
                box.exec();
                if (box.clickedButton() != choose) return std::nullopt;

                QFileDialog dialog(parent, "Choose a memory file",
                                   file.empty() ? QString() : QString::fromStdString(file.parent_path().string()),
                                   "kit85 memory (*.sqlite *.db);;All files (*)");
                dialog.setAcceptMode(QFileDialog::AcceptOpen);
                dialog.setFileMode(QFileDialog::AnyFile);
                dialog.setLabelText(QFileDialog::Accept, "Open");
                if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
                // Cancelled: back to the question.
            }
        };
}

}  // namespace kit85
