#include "panel/check_pane.h"

#include <QAction>
#include <QBoxLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "grade/kit_check.h"
#include "grade/machine.h"
#include "kit/kit_state.h"
#include "panel/model/run_session.h"
#include "panel/model/status_line.h"
#include "values/text.h"

namespace kit85 {

CheckPane::CheckPane(KitState& kit, const RunSession& session, KeyWork keyWork, StatusLine& status,
                     QWidget* dialogParent)
    : QWidget(nullptr),
      kit_(kit),
      session_(session),
      keyWork_(std::move(keyWork)),
      statusLine_(status),
      dialogParent_(dialogParent) {
    setObjectName("checkPane");
    action_ = new QAction("Check my program against a lab file...", this);
    action_->setObjectName("checkProgram");
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(action_, &QAction::triggered, this, [this] { openLab(); });

    titleLabel_ = new QLabel("Check my program", this);
    QFont bold = titleLabel_->font();
    bold.setBold(true);
    titleLabel_->setFont(bold);
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName("checkStatus");
    statusLabel_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName("checkCases");
    list_->setMaximumHeight(140);
    detailLabel_ = new QLabel(this);
    detailLabel_->setObjectName("checkDetail");
    detailLabel_->setTextFormat(Qt::PlainText);
    detailLabel_->setWordWrap(true);
    hiddenLabel_ = new QLabel(this);
    hiddenLabel_->setObjectName("checkHidden");
    check_ = new QPushButton("Check", this);
    check_->setObjectName("check");
    show_ = new QPushButton("Show", this);
    show_->setObjectName("showCase");
    show_->setToolTip("Put this case's inputs into the kit, to step through it");
    show_->setEnabled(false);
    auto* open = new QPushButton("Open lab...", this);
    connect(check_, &QPushButton::clicked, this, &CheckPane::check);
    connect(show_, &QPushButton::clicked, this, [this] { showCase(list_->currentRow()); });
    connect(open, &QPushButton::clicked, this, [this] { openLab(); });
    connect(list_, &QListWidget::currentRowChanged, this, &CheckPane::showDetail);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(check_);
    buttons->addWidget(show_);
    buttons->addWidget(open);
    buttons->addStretch(1);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 4, 0, 0);
    all->addWidget(titleLabel_);
    all->addLayout(buttons);
    all->addWidget(statusLabel_);
    all->addWidget(list_);
    all->addWidget(detailLabel_);
    all->addWidget(hiddenLabel_);
}

CheckPane::~CheckPane() = default;

namespace {

// What Show did, for the status line: which case, the rows it keyed, where
// the run begins. "case \"two equal\" in the kit: 8050\u20138051 keyed,
// registers set; Execute (F5) or Step Exe (F10) runs it from 8000 (Ctrl+Z
// takes the rows back)".
std::string shownCaseText(const std::string& name, const grade::CaseInputs& inputs, uint16_t at) {
    std::string rows;
    for (const grade::Rows& r : inputs.rows) {
        if (r.bytes.empty()) continue;
        const auto last = static_cast<uint16_t>(r.first + r.bytes.size() - 1);
        rows += (rows.empty() ? "" : ", ") + Text::word(r.first).str() +
                (last == r.first ? "" : "\u2013" + Text::word(last).str());
    }
    std::string out = "case \"" + name + "\" in the kit: ";
    out += rows.empty() ? "no rows keyed" : rows + " keyed";
    out += inputs.registers.empty() && inputs.flags.empty() ? ", registers 00" : ", registers set";
    out += "; Execute (F5) or Step Exe (F10) runs it from " + Text::word(at).str();
    if (!rows.empty()) out += " (Ctrl+Z takes the rows back)";
    return out;
}

}  // namespace

CheckPane* CheckPane::of(QWidget& window) {
    for (QAction* a : window.actions())
        if (a->objectName() == "checkProgram") return qobject_cast<CheckPane*>(a->parent());
    return nullptr;
}

bool CheckPane::openLab() {
    const QString file = dialogs_.openLab
                             ? dialogs_.openLab(folder_)
                             : QFileDialog::getOpenFileName(dialogParent_, "Open a lab check file", folder_,
                                                            "Lab check files (*.toml);;All files (*)");
    return !file.isEmpty() && openLabFile(file);
}

bool CheckPane::openLabFile(const QString& file) {
    emit placeWanted();
    show();
    folder_ = QFileInfo(file).absolutePath();
    const grade::LabResult read = grade::readLab(file.toStdString());
    std::string problem = read.error ? read.error->message() : "";
    auto lab = read.lab ? std::make_unique<grade::Lab>(*read.lab) : nullptr;
    std::optional<grade::Grader> grader;
    if (lab) grader = grade::Grader::prepare(*lab, problem);
    if (!grader) {
        setStatus("The lab file was not opened: " + QString::fromStdString(problem));
        return false;
    }
    grader_.reset();
    lab_ = std::move(lab);
    grader_ = std::move(grader);
    results_.clear();
    titleLabel_->setText("Check my program: " + QString::fromStdString(lab_->name));
    setStatus("Key in your program from " + QString::fromStdString(Text::word(lab_->at).str()) + ", then press Check.");
    fillList();
    return true;
}

void CheckPane::check() {
    if (!grader_ || session_.running()) return;
    grade::Machine machine;
    results_ = grader_->check(grade::programFromTable(kit_.memory()), machine);
    int passed = 0;
    for (const grade::CaseResult& r : results_) passed += r.passed ? 1 : 0;
    setStatus(QString("%1 of %2 cases passed").arg(passed).arg(results_.size()));
    fillList();
}

void CheckPane::fillList() {
    list_->clear();
    rows_.clear();
    for (std::size_t i = 0; i < lab_->cases.size(); ++i) {
        if (lab_->cases[i].hidden) continue;
        QString text = QString::fromStdString(lab_->cases[i].name);
        if (i < results_.size())
            text = (results_[i].passed ? QString("\u2714 ") : QString("\u2718 ")) + text +
                   (results_[i].passed ? "" : ": " + QString::fromStdString(results_[i].failure));
        list_->addItem(text);
        if (i < results_.size())
            list_->item(list_->count() - 1)->setForeground(results_[i].passed ? QColor("#1C4A2A") : QColor("#8A1C17"));
        rows_.push_back(i);
    }
    QString hidden = QString::fromStdString(grade::hiddenSummary(results_));
    if (results_.empty()) {
        int count = 0;
        for (const grade::Case& c : lab_->cases) count += c.hidden ? 1 : 0;
        if (count) hidden = QString("%1 hidden case%2").arg(count).arg(count == 1 ? "" : "s");
    }
    setHidden(hidden);
    showDetail();
}

void CheckPane::showDetail() {
    const int row = list_->currentRow();
    const bool checked = row >= 0 && static_cast<std::size_t>(row) < rows_.size() && rows_[row] < results_.size();
    show_->setEnabled(row >= 0 && static_cast<std::size_t>(row) < rows_.size());
    if (!checked) {
        setDetail(QString());
        return;
    }
    const grade::CaseResult& r = results_[rows_[row]];
    QStringList lines;
    // A check that held shows its value; one that failed, both values.
    for (const grade::Check& c : r.checks)
        lines << (c.ok ? QString("\u2714 %1: %2").arg(QString::fromStdString(c.what), QString::fromStdString(c.actual))
                       : QString("\u2718 %1: expected %2, got %3")
                             .arg(QString::fromStdString(c.what), QString::fromStdString(c.expected),
                                  QString::fromStdString(c.actual)));
    setDetail(lines.join('\n'));
}

void CheckPane::showCase(int row) {
    if (!lab_ || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
    const std::size_t index = rows_[row];
    const grade::CaseResult result = index < results_.size() ? results_[index] : grade::CaseResult{};
    const grade::CaseInputs inputs = grade::inputsOf(lab_->cases[index], result);
    keyWork_([&] {
        grade::loadInputs(kit_, *lab_, inputs);
        statusLine_.keep({shownCaseText(lab_->cases[index].name, inputs, lab_->at), false});
    });
}

// The pane's words are kept here and shown; the labels are never read back.
void CheckPane::setStatus(const QString& text) {
    status_ = text;
    statusLabel_->setText(text);
}

void CheckPane::setDetail(const QString& text) {
    detail_ = text;
    detailLabel_->setText(text);
}

void CheckPane::setHidden(const QString& text) {
    hidden_ = text;
    hiddenLabel_->setText(text);
}

}  // namespace kit85
