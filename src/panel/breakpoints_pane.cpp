#include "panel/breakpoints_pane.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "panel/study_look.h"
#include "run/watch.h"

namespace kit85 {
namespace {

// Marks the rows that are watchpoints.
constexpr int kWatchRole = Qt::UserRole + 1;

QString watchText(uint8_t access) {
    return QString("watch: stops after it is %1").arg(QString::fromUtf8(run::watchAccessWords(access)));
}

}  // namespace

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
        QTreeWidgetItem* item = list_->currentItem();
        if (!item) return;
        const auto address = static_cast<uint16_t>(item->data(0, Qt::UserRole).toUInt());
        if (item->data(0, kWatchRole).toBool())
            emit watchRemoved(address);
        else
            emit removed(address);
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

void BreakpointsPane::show(const std::vector<BreakpointEntry>& entries, const std::vector<Watchpoints::Entry>& watches) {
    std::vector<std::pair<uint16_t, uint8_t>> w;
    for (const Watchpoints::Entry& e : watches) w.emplace_back(e.address, e.access);
    bool same = entries.size() == shown_.size() && w == shownWatches_;
    for (std::size_t i = 0; same && i < entries.size(); ++i)
        same = entries[i].address == shown_[i].address && entries[i].on == shown_[i].on &&
               entries[i].instruction == shown_[i].instruction;
    if (same) return;
    shown_ = entries;
    shownWatches_ = w;
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
    for (const auto& [address, access] : w) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, look::word(address));
        item->setText(1, watchText(access));
        item->setData(0, Qt::UserRole, address);
        item->setData(0, kWatchRole, true);
    }
    if (current >= 0 && current < list_->topLevelItemCount()) list_->setCurrentItem(list_->topLevelItem(current));
    filling_ = false;
    remove_->setEnabled(!entries.empty() || !w.empty());
    clear_->setEnabled(!entries.empty() || !w.empty());
}

}  // namespace kit85
