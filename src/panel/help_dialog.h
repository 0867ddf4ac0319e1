#pragma once

// The help window (F1): the kit's keys with the computer keyboard's keys for
// them, and the memory file in use.

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
