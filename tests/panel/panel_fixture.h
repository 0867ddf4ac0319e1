#pragma once

// Drives a real kit window offscreen: clicks keys by name, reads fields by
// name, and records messages instead of showing modal boxes.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "memory/memory_table.h"
#include "panel/kit_window.h"
#include "panel/study_view.h"
#include "support/recording_presenter.h"

namespace kit85::testing {

// "text|title|icon" for each message shown, joined by "; ".
inline QString messageLog(const RecordingPresenter& p) {
    QStringList out;
    for (const auto& s : p.shown)
        out << QString::fromStdString(s.text + "|" + s.title + "|") +
                   (s.icon == Icon::Exclamation ? "exclamation" : "information");
    return out.join("; ");
}

// An SQLite memory file holding only the given rows, as a user's own table might.
inline void writeTable(const std::filesystem::path& file,
                       const std::vector<std::pair<std::string, std::string>>& rows) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE d2 (address TEXT, data TEXT)", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO d2 VALUES (?1, ?2)", -1, &insert, nullptr);
    for (const auto& [a, d] : rows) {
        sqlite3_bind_text(insert, 1, a.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, d.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

class Kit {
public:
    explicit Kit(std::unique_ptr<MemoryTable> memory = MemoryTable::fresh())
        : window(std::make_unique<KitWindow>(std::move(memory), &presenter)) {
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) qFatal("the kit window was never exposed");
    }
    KitWindow& w() { return *window; }
    KitState& kit() { return window->kit(); }
    // Pixels for a length in twips on the kit's screen.
    int px(int twips) { return twipsToPixels(twips, window.get()); }

    template <class T = QWidget>
    T* find(const QString& name) {
        T* x = name == "form1" ? qobject_cast<T*>(window.get()) : window->findChild<T*>(name);
        if (!x) qFatal("no control named %s", qPrintable(name));
        return x;
    }

    // How the last run or step ended, and Execute's speed, as the run session has them.
    const RunResult& lastRun() { return window->session().controller().last(); }
    RunSpeed runSpeed() {
        const RunController& run = window->session().controller();
        return {run.speed(), run.perSecond()};
    }

    // Ctrl+Z (`back`) or Ctrl+Y, as the window's actions take them.
    void undo(bool back = true) { find<QAction>(back ? "undo" : "redo")->trigger(); }

    // The study view's requests, made as its menu and panes make them (the
    // view is made for them, not opened).
    StudyView* study() {
        window->sourceEditor();
        return window->studyView();
    }
    void fill(uint16_t start, uint16_t end, uint8_t value) { emit study()->fillRequested(start, end, value); }
    void resetRegisters() { study()->findChild<QAction*>("resetAction")->trigger(); }
    void chooseSpeed(Speed speed) {
        auto* chooser = study()->findChild<QComboBox*>("speed");
        chooser->setCurrentIndex(chooser->findData(static_cast<int>(speed)));
    }
    void runToHere(const char* address) {
        emit study()->instructionsPane()->runToHere(*window->memory().rowOf(Text(address)));
    }

    // Clicks keys given by name, blank-separated; a single hex digit is the
    // keypad key with that caption ("8" -> c8, "E" -> ce).
    void keys(const QString& sequence) {
        for (const QString& k : sequence.split(' ', Qt::SkipEmptyParts)) {
            const QString name = k.size() == 1 ? "c" + k.toLower() : k;
            QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton);
        }
    }

    // Puts bytes into memory from `address` on and leaves the current row there.
    void load(const char* address, const QStringList& bytes) {
        MemoryTable& m = window->memory();
        m.findAddress(Text(address));
        const int first = m.cursor();
        for (const QString& b : bytes) {
            m.setText2(Text(b.toStdString()));
            m.MoveNext();
        }
        m.setCursor(first);
        window->refresh();
    }

    // One field as the checks name it:
    //   X           text of the field, label or key named X
    //   X.visible   1/0, X.enabled 1/0, X.readOnly 1/0
    //   height      the outer height in twips, when the client area matches it
    //   panelshown, running
    QString field(const QString& name) {
        if (name == "height") {
            const int t = window->panel().windowHeight;
            return window->height() == px(t - kFrameTwipsHigh)
                       ? QString::number(t)
                       : QString("%1 twips but %2 px high").arg(t).arg(window->height());
        }
        if (name == "panelshown") return QString::number(window->panel().panelshown);
        if (name == "running") return window->running() ? "1" : "0";
        const QStringList parts = name.split('.');
        QWidget* x = find(parts[0]);
        if (parts.size() == 2) {
            if (parts[1] == "visible") return x->isHidden() ? "0" : "1";
            if (parts[1] == "enabled") return x->isEnabled() ? "1" : "0";
            if (parts[1] == "readOnly") return qobject_cast<QLineEdit*>(x)->isReadOnly() ? "1" : "0";
        }
        if (auto* e = qobject_cast<QLineEdit*>(x)) return e->text();
        if (auto* l = qobject_cast<QLabel*>(x)) return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(x)) return b->text();
        qFatal("cannot read %s", qPrintable(name));
    }

    // Compares "name=value; name=value ..." with the window and lists every
    // field that differs (empty when all match).
    QString differences(const QString& expect) {
        QStringList out;
        for (const QString& item : expect.split(';', Qt::SkipEmptyParts)) {
            const QString name = item.section('=', 0, 0).trimmed();
            const QString want = item.section('=', 1);
            const QString got = field(name);
            if (got != want) out << QString("%1: got \"%2\", want \"%3\"").arg(name, got, want);
        }
        return out.join("\n");
    }

    RecordingPresenter presenter;
    std::unique_ptr<KitWindow> window;
};

}  // namespace kit85::testing

// Checks every field of an expectation and prints all that differ.
#define CHECK_KIT(kitObject, expect)                           \
    do {                                                       \
        const QString diff_ = (kitObject).differences(expect); \
        QVERIFY2(diff_.isEmpty(), qPrintable("\n" + diff_));   \
    } while (0)
