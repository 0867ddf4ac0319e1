#pragma once

// The study view's breakpoints: each with its address, the instruction it
// stops before and an on/off box; after them the watchpoints, each with its
// address and the access it stops after. Remove takes the selected one away,
// Clear all every one of both. Changes go out as signals: the kit window
// makes them through the breakpoint list, which stores them in the memory file.

#include <QWidget>

#include <utility>
#include <vector>

#include "panel/model/breakpoint_list.h"

class QPushButton;
class QTreeWidget;

namespace kit85 {

class BreakpointsPane : public QWidget {
    Q_OBJECT
public:
    explicit BreakpointsPane(QWidget* parent);

    // Shows these entries (rebuilt only when they differ from what is shown).
    void show(const std::vector<BreakpointEntry>& entries, const std::vector<Watchpoints::Entry>& watches = {});
    QTreeWidget* list() const { return list_; }

signals:
    void switched(uint16_t address, bool on);
    void removed(uint16_t address);
    void watchRemoved(uint16_t address);
    void clearedAll();

private:
    QTreeWidget* list_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* clear_ = nullptr;
    std::vector<BreakpointEntry> shown_;
    std::vector<std::pair<uint16_t, uint8_t>> shownWatches_;
    bool filling_ = false;
};

}  // namespace kit85
