#include "panel/app.h"

#include <QEvent>
#include <QTimer>

#include <memory>
#include <utility>

#include "memory/opening.h"
#include "panel/about_box.h"
#include "panel/key_button.h"
#include "panel/kit_window.h"
#include "panel/memory_file_dialog.h"
#include "panel/program_files.h"

namespace kit85 {

namespace {

// Calls `then` once, after the watched widget's first paint (from the event
// loop, so the paint has ended).
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* w, std::function<void()> then) : QObject(w), then_(std::move(then)) {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && then_) {
            auto f = std::move(then_);
            then_ = nullptr;
            QTimer::singleShot(0, o, f);
        }
        return false;
    }

private:
    std::function<void()> then_;
};

}  // namespace

void setUpApplication() {
    QApplication::setApplicationName("kit85");
    // No display name: Qt would append it to every window title. A window whose
    // title is empty (the about box, "Invalid Address") shows "kit85" instead.
    QApplication::setApplicationVersion(kitVersion());
    QApplication::setQuitOnLastWindowClosed(false);
    initKitResources();
    QApplication::setWindowIcon(QIcon(":/kit85/kit85.svg"));
}

int runWindow(const StartFiles& files, const StartHooks& hooks) {
    std::unique_ptr<MemoryTable> memory;
    {
        MemoryReadAhead ahead(files.memory);
        AboutBox about;
        if (hooks.aboutPainted) new FirstPaint(&about, [&about, &hooks] { hooks.aboutPainted(about); });
        if (about.exec() != QDialog::Accepted) return 0;
        memory = ahead.take();
    }
    if (!memory) memory = openMemoryTable(files.memory, memoryFileDialog());
    if (!memory) return 1;

    KitWindow window(std::move(memory));
    QObject::connect(&window, &KitWindow::ended, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    if (hooks.kitPainted) new FirstPaint(&window, [&window, &hooks] { hooks.kitPainted(window); });
    window.show();
    if (files.program) {
        // After the first turn of the event loop, so a refusal's message box
        // stands over a kit already drawn.
        const QString program = QString::fromStdString(files.program->string());
        QTimer::singleShot(0, &window, [&window, program] {
            if (auto* files = window.findChild<ProgramFiles*>()) files->openFile(program);
        });
    }
    return QApplication::exec();
}

}  // namespace kit85
