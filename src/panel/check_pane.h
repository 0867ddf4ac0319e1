#pragma once

// "Check my program": a student checks the program keyed into the kit
// against a lab's check file before handing it in.
//
// Check my program... (Ctrl+K, in the window's right-click menu) asks for a
// lab file, kept until the window closes, and shows this pane in the study
// view (the window places it there when the pane asks). Check runs every case
// on a private copy of the kit's memory, the same way kit85-grade does
// (src/grade): the rows the student keyed, the registers and the flags are
// never changed by it. The visible cases are listed with
// pass or fail; a selected failing case shows what was expected against what
// the program left, and Show puts that case's inputs into the kit so the
// student can step through it. Hidden cases are only counted.

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "grade/grader.h"
#include "grade/lab.h"
#include "panel/model/key_work.h"

class QAction;
class QLabel;
class QListWidget;
class QPushButton;

namespace kit85 {

class KitState;
class RunSession;
class StatusLine;

class CheckPane : public QWidget {
    Q_OBJECT
public:
    struct Dialogs {
        // A lab file to open; empty: cancelled.
        std::function<QString(const QString& folder)> openLab;
    };

    // Checks the program in `kit`'s memory (never while `session` runs);
    // Show puts a case's inputs into the kit as `keyWork` and says so on
    // `status`. The file dialog stands over `dialogParent`. The window adds
    // action() to its own and owns the pane.
    CheckPane(KitState& kit, const RunSession& session, KeyWork keyWork, StatusLine& status, QWidget* dialogParent);
    // The pane whose action a widget (the kit window) carries, or null.
    static CheckPane* of(QWidget& window);
    ~CheckPane() override;

    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

    // Asks for a lab file and opens it.
    bool openLab();
    // Reads the lab; a bad one is named in the pane, the lab before it kept.
    bool openLabFile(const QString& file);
    // Runs every case on the kit's program (nothing while the kit runs).
    void check();
    // Puts the inputs of the case on `row` of the list into the kit.
    void showCase(int row);

    const std::vector<grade::CaseResult>& results() const { return results_; }
    QListWidget* caseList() const { return list_; }
    // What the pane says: how the lab or the check went, the selected case's
    // checks, the hidden cases' summary.
    QString statusText() const { return status_; }
    QString detailText() const { return detail_; }
    QString hiddenText() const { return hidden_; }
    QAction* action() const { return action_; }

signals:
    // A lab is being opened: the pane wants to be shown (in the study view).
    void placeWanted();

private:
    void fillList();
    void showDetail();
    void setStatus(const QString& text);
    void setDetail(const QString& text);
    void setHidden(const QString& text);

    KitState& kit_;
    const RunSession& session_;
    KeyWork keyWork_;
    StatusLine& statusLine_;
    QWidget* dialogParent_;
    Dialogs dialogs_;
    QAction* action_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* detailLabel_ = nullptr;
    QLabel* hiddenLabel_ = nullptr;
    QPushButton* check_ = nullptr;
    QPushButton* show_ = nullptr;
    QString status_;
    QString detail_;
    QString hidden_;

    // The grader points at the lab: both live here until the window closes.
    std::unique_ptr<grade::Lab> lab_;
    std::optional<grade::Grader> grader_;
    std::vector<grade::CaseResult> results_;
    std::vector<std::size_t> rows_;  // the case of each list row (hidden ones have none)
    QString folder_;
};

}  // namespace kit85
