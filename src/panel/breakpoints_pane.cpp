#include "panel/breakpoints_pane.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "panel/study_look.h"

namespace kit85 {

BreakpointsPane::BreakpointsPane(QWidget* parent) : QWidget(parent) {
    list_ = new QTreeWidget(this);
    list_->setObjectName("breakpointList");
    list_->setColumnCount(2);
    list_->setHeaderLabels({"Address", "Stops before"});
    list_->setRootIsDecorated(false);
    list_->setFont(look::monoFont());
    list_->header()->setStretchLastSection(true);
    list_->setMinimumHeight(QFontMetrics(look::monoFont()).lineSpacing() * 3 + 24);
    list_->setToolTip("Untick to turn a breakpoint off without losing it");
    remove_ = new QPushButton("Remove", this);
    remove_->setObjectName("removeBreakpoint");
    clear_ = new QPushButton("Clear all", this);
    clear_->setObjectName("clearBreakpoints");
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (filling_ || column != 0) return;
        emit switched(static_cast<uint16_t>(item->data(0, Qt::UserRole).toUInt()), item->checkState(0) == Qt::Checked);
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = list_->currentItem())
            emit removed(static_cast<uint16_t>(item->data(0, Qt::UserRole).toUInt()));
    });
    connect(clear_, &QPushButton::clicked, this, &BreakpointsPane::clearedAll);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove_);
    buttons->addWidget(clear_);
    buttons->addStretch(1);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->addWidget(list_, 1);
    all->addLayout(buttons);
}

void BreakpointsPane::show(const std::vector<BreakpointEntry>& entries) {
    bool same = entries.size() == shown_.size();
    for (std::size_t i = 0; same && i < entries.size(); ++i)
        same = entries[i].address == shown_[i].address && entries[i].on == shown_[i].on &&
               entries[i].instruction == shown_[i].instruction;
    if (same) return;
    shown_ = entries;
    filling_ = true;
    const int current = list_->currentIndex().row();
    list_->clear();
    for (const BreakpointEntry& e : entries) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, look::word(e.address));
        item->setText(1, QString::fromStdString(e.instruction));
        item->setData(0, Qt::UserRole, e.address);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, e.on ? Qt::Checked : Qt::Unchecked);
    }
    if (current >= 0 && current < list_->topLevelItemCount()) list_->setCurrentItem(list_->topLevelItem(current));
    filling_ = false;
    remove_->setEnabled(!entries.empty());
    clear_->setEnabled(!entries.empty());
}

}  // namespace kit85
