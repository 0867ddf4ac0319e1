#pragma once

// A kit window with its study view open, for the study view's tests: keys,
// the view's labels and marks, and the instructions pane's lines by address.

#include <QLabel>
#include <QScrollBar>

#include "panel/study_view.h"
#include "panel_fixture.h"

namespace kit85::testing {

// A kit with its study view open.
struct Study : Kit {
    explicit Study(std::unique_ptr<MemoryTable> memory = MemoryTable::fresh()) : Kit(std::move(memory)) {
        w().setStudyOpen(true);
        if (!QTest::qWaitForWindowExposed(view())) qFatal("the study view was never exposed");
        // The size the view is made with: the small test screen would have it
        // narrower beside the kit, its panes one over the other.
        view()->resize(std::max(view()->sizeHint().width(), view()->sideBySideWidth()), 640);
    }
    StudyView* view() { return w().studyView(); }
    QString label(const char* name) { return view()->findChild<QLabel*>(name)->text(); }
    int row(const char* address) { return *w().memory().rowOf(Text(address)); }
    bool changed(const char* address) { return view()->changedByLastAction(row(address)); }
    // Every address from the list whose mark is not as wanted.
    QString wrongMarks(const QStringList& marked, const QStringList& unmarked) {
        QStringList out;
        for (const QString& a : marked)
            if (!changed(qPrintable(a))) out << a + " not marked";
        for (const QString& a : unmarked)
            if (changed(qPrintable(a))) out << a + " marked";
        return out.join(", ");
    }
    void clickByte(uint16_t address) {
        MemoryPane* pane = view()->memoryPane();
        pane->verticalScrollBar()->setValue(address / 16 - 2);
        const QRect cell = pane->cellRect(address);
        if (cell.isEmpty()) qFatal("byte %04X is not on screen", address);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Bytes put in from `address` on, that address keyed as a start.
    void keyed(const char* address, const QStringList& bytes) {
        load(address, bytes);
        w().starts().noteKeyedAddress(static_cast<uint16_t>(Text(address).hexValue()));
        w().refresh();
    }
    // The instructions pane's line for an address ("" when not listed).
    QString line(const char* address) {
        InstructionsPane* pane = view()->instructionsPane();
        for (int i = 0; i < int(pane->listing().size()); ++i)
            if (pane->listing()[size_t(i)].address.str() == address) return pane->lineText(i);
        return {};
    }
    int lineIndex(const char* address) {
        InstructionsPane* pane = view()->instructionsPane();
        for (int i = 0; i < int(pane->listing().size()); ++i)
            if (pane->listing()[size_t(i)].address.str() == address) return i;
        return -1;
    }
    void runToEnd() {
        keys("execute");
        QTRY_VERIFY_WITH_TIMEOUT(!w().running(), 20000);
    }
};

}  // namespace kit85::testing
