#pragma once

// The help window (F1), in three tabs: a first program walked through (key,
// run, read the result, step, breakpoint); the kit's keys with the computer
// keyboard's keys for them and the memory file in use; and every instruction
// from the opcode table (code, bytes, T-states, flags set), searchable.

#include <QDialog>
#include <QString>

namespace kit85 {

class HelpDialog : public QDialog {
    Q_OBJECT
public:
    // `memoryFile`: the full path of the memory file, empty when nothing is saved.
    HelpDialog(const QString& memoryFile, QWidget* parent = nullptr);
};

}  // namespace kit85
