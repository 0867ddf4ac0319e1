#pragma once

// "Check my program": a student checks the program keyed into the kit
// against a lab's check file before handing it in.
//
// Check my program... (Ctrl+K, in the window's right-click menu) asks for a
// lab file, kept until the window closes, and shows this pane in the study
// view. Check runs every case on a private copy of the kit's memory, the same
// way kit85-grade does (src/grade): the rows the student keyed, the registers
// and the flags are never changed by it. The visible cases are listed with
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

class QAction;
class QLabel;
class QListWidget;
class QPushButton;

namespace kit85 {

class KitWindow;

class CheckPane : public QWidget {
    Q_OBJECT
public:
    struct Dialogs {
        // A lab file to open; empty: cancelled.
        std::function<QString(const QString& folder)> openLab;
    };

    // Attaches itself to the window: the action and its shortcut. The pane
    // lives until the window is destroyed.
    explicit CheckPane(KitWindow& window);
    // The pane of a window.
    static CheckPane* of(KitWindow& window);
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
    QString statusText() const;
    QString detailText() const;
    QString hiddenText() const;
    QAction* action() const { return action_; }

private:
    void placeInStudyView();
    void fillList();
    void showDetail();

    KitWindow& window_;
    Dialogs dialogs_;
    QAction* action_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* detail_ = nullptr;
    QLabel* hidden_ = nullptr;
    QPushButton* check_ = nullptr;
    QPushButton* show_ = nullptr;

    // The grader points at the lab: both live here until the window closes.
    std::unique_ptr<grade::Lab> lab_;
    std::optional<grade::Grader> grader_;
    std::vector<grade::CaseResult> results_;
    std::vector<std::size_t> rows_;  // the case of each list row (hidden ones have none)
    QString folder_;
};

}  // namespace kit85
