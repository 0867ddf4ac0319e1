// The kit window's keys: the keypad and the other kit keys, the computer
// keyboard's shortcuts for them, the help key, undo and redo, and the one way
// every key's work is run.

#include <QShortcut>

#include <new>
#include <utility>

#include "panel/help_dialog.h"
#include "panel/key_button.h"
#include "panel/kit_window.h"
#include "panel/shortcuts.h"
#include "panel/study_view.h"
#include "values/errors.h"

namespace kit85 {

namespace {

// The keypad's captions, c0..cf.
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

}  // namespace

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
    for (std::size_t v = 0; v < hexKeys_.size(); ++v) {
        const char d = kHexDigits[v];
        connect(hexKeys_[v], &QPushButton::clicked, this, [this, d] { keyWork([this, d] { hexKey(d); }); });
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
        help_ = new HelpDialog(memory_->persistent() ? QString::fromStdString(memory_->file().string()) : QString(),
                               this, [this] { return QList<QWidget*>{this, study_}; });
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
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

// --- Key work ---------------------------------------------------------------

void KitWindow::keyWork(const std::function<void()>& work) {
    const bool marksItsOwn = std::exchange(marksItsOwn_, false);
    if (busy_ || running() || ended_) return;
    busy_ = true;
    status_.clear();
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
        status_.say(notice, true);
        kit_.presenter().message(notice, "", Icon::Information);
    }
    busy_ = false;
    setFocus();
}

KeyWork KitWindow::keyWorker() {
    return [this](const std::function<void()>& work) { keyWork(work); };
}

void KitWindow::undoKeyed(bool undo) {
    keyWork([this, undo] {
        MemoryTable::UndoResult r = panel_.undoStep(undo);
        if (r.done) {
            // A step dropped on the way is said first ("dropped the step of
            // row 8000 that a run wrote over; undone: ...").
            const std::string done = r.rows.empty() ? std::string() : undoText(undo, r.rows);
            status_.keep({r.message.empty() ? done : done.empty() ? r.message : r.message + "; " + done, false});
            return;
        }
        status_.keep({r.message, true});  // on the status line before the message box opens
        throw KitError(r.message);
    });
}

void KitWindow::report(const std::string& text) { kit_.presenter().message(text, "error :", Icon::Exclamation); }

void KitWindow::noteMessage(std::string_view text) { session_.noteMessage(text); }

}  // namespace kit85
