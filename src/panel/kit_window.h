#pragma once

// The kit window form1: the trainer kit's front panel in Qt Widgets.
//
// The window holds no machine state of its own. Every key calls the KitState
// handler or driver it stands for and then redraws every field from the model,
// so what the user sees is always what the instructions will read. Register
// fields are the one way in: an edit goes into the model as it is typed.
//
// Execute runs on the event loop in slices of about 30 ms, redrawing between
// slices, so the window keeps answering; the Stop key (Esc) ends a run between
// two slices. While a run goes on, only Stop and CLOSE take clicks.
//
// Sizes are the kit's twips (1/1440 inch) turned into pixels with the screen's
// logical dpi. The kit sets the window's outer height (4770 twips with the
// register panel hidden, 8040 shown); the window turns that into a client
// height by taking off a fixed frame allowance (see kFrameTwips), whatever the
// window manager's real frame is, so the same bands show on every desktop and
// under the offscreen platform, where there is no frame at all.

#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "memory/opening.h"
#include "panel/model/panel_model.h"
#include "run/run_controller.h"

class QLabel;
class QLineEdit;

namespace kit85 {

// Pixels for a length in twips on the widget's screen.
int twipsToPixels(int twips, const QWidget* widget);

// Makes the key faces, pointer, icon and logo (:/kit85/...) available.
void initKitResources();

// What the window frame takes off the outer size, in twips: title bar and
// borders of the frame the kit was laid out for. Client = outer - frame.
constexpr int kFrameTwipsWide = 90;   // 6480 outer -> 6390 client
constexpr int kFrameTwipsHigh = 375;  // 8040 outer -> 7665 client

// Shows each message as a modal QMessageBox with an OK button.
class MessageBoxPresenter : public Presenter {
public:
    explicit MessageBoxPresenter(QWidget* parent) : parent_(parent) {}
    void message(std::string_view text, std::string_view title, Icon icon) override;

private:
    QPointer<QWidget> parent_;
};

// A key of the kit: a picture of a keycap as its face, the caption on it.
class KeyButton : public QPushButton {
    Q_OBJECT
public:
    enum class Face { Blue, Grey, Red };
    KeyButton(const QString& caption, Face face, QWidget* parent);
    Face face() const { return face_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Face face_;
};

class KitWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the kit on this memory table (a fresh unsaved one when null);
    // Form_Load runs here. Messages go to `presenter`, or to modal message
    // boxes when it is null.
    explicit KitWindow(std::unique_ptr<MemoryTable> memory, Presenter* presenter = nullptr, QWidget* parent = nullptr);
    ~KitWindow() override;

    KitState& kit() { return kit_; }
    PanelModel& panel() { return panel_; }
    MemoryTable& memory() { return *memory_; }

    bool running() const { return run_.running(); }
    // Instructions carried out by the run going on, or by the last one.
    uint64_t runSteps() const { return run_.steps(); }
    // Slices of that run so far; the displays are redrawn after each.
    int runSlices() const { return run_.slices(); }
    // How the last run or step ended.
    const RunResult& lastRun() const { return run_.last(); }

    // Pixels for a length in twips on this window's screen.
    int px(int twips) const { return twipsToPixels(twips, this); }

    // Redraws every field, caption and the window size from the model.
    void refresh();

signals:
    // CLOSE was pressed or the window was closed; memory has been committed
    // (or the failure reported). The program ends on it.
    void ended();
    // A run (Execute) has come to its end, whatever the reason.
    void runFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class RefreshingPresenter;

    template <class W>
    W* place(W* widget, const char* name, int left, int top, int width, int height);
    void layOut();
    void buildUpperBand();
    void buildRegisterPanel();
    void buildLines();
    void addShortcuts();
    KeyButton* key(const char* name, const QString& caption, KeyButton::Face face, int left, int top, int width,
                   int height, const QString& tip);

    // Runs one key's work: refuses while another key's work or a run is going
    // on, reports a KitError in a message box, redraws afterwards.
    void keyWork(const std::function<void()>& work);
    void press(QPushButton* key);  // a key pressed from the computer keyboard

    void execute_Click();
    void stepexe_Click();
    void stop_Click();
    void end_Click();
    void runSlice();
    void finishRun();
    void setRunning(bool on);
    void endKit();
    void report(const std::string& text);

    std::unique_ptr<MemoryTable> memory_;
    std::unique_ptr<Presenter> ownPresenter_;
    std::unique_ptr<RefreshingPresenter> presenter_;
    KitState kit_;
    PanelModel panel_;
    RunController run_;

    struct Placed {
        QPointer<QWidget> widget;
        QRect twips;
    };
    std::vector<Placed> placed_;

    std::array<KeyButton*, 16> hexKeys_{};
    KeyButton* execute_ = nullptr;
    KeyButton* address_ = nullptr;
    KeyButton* prev_ = nullptr;
    KeyButton* next_ = nullptr;
    KeyButton* regmod_ = nullptr;
    KeyButton* stepexe_ = nullptr;
    KeyButton* end_ = nullptr;
    KeyButton* stop_ = nullptr;
    std::array<QLineEdit*, 4> display_{};                // Text1..Text4
    std::array<QLineEdit*, kRegisterSlots> register_{};  // none for M
    std::array<QLabel*, 5> flag_{};                      // slb zlb auxlb plb clb
    QLabel* adodc_ = nullptr;

    QTimer sliceTimer_;
    bool inSlice_ = false;
    bool busy_ = false;
    bool ended_ = false;
};

// The interactive askAnother: a message box naming the file and the reason,
// with "Choose Another File…" (a file dialog) and "Quit".
AskForMemoryFile memoryFileDialog(QWidget* parent = nullptr);

}  // namespace kit85
