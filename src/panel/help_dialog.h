#pragma once

// The help window (F1), in three tabs: a first program walked through (key,
// run, read the result, step, breakpoint); the kit's keys with the computer
// keyboard's keys for them, every shortcut of the window's own actions and
// the memory file in use; and every instruction from the opcode table (code,
// bytes, T-states, flags set, what it does, an example, each flag's rule),
// searchable.

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QLabel;

namespace kit85 {

class HelpDialog : public QDialog {
    Q_OBJECT
public:
    // The widgets whose actions the Keys tab lists (the window, its study
    // view); asked each time the help is shown, as the study view comes later.
    using ActionOwners = std::function<QList<QWidget*>()>;

    // `memoryFile`: the full path of the memory file, empty when nothing is saved.
    HelpDialog(const QString& memoryFile, QWidget* parent = nullptr, ActionOwners owners = {});

protected:
    void showEvent(QShowEvent* event) override;

private:
    void listKeys();

    ActionOwners owners_;
    QLabel* keys_ = nullptr;
};

}  // namespace kit85
