#pragma once

// The about box aboutfm: the first window of the program. OK (Command1)
// accepts it and the kit window opens; closing it any other way rejects it
// and the program ends without showing the kit.

#include <QDialog>

namespace kit85 {

// The kit's version: the project's version in CMake.
const char* kitVersion();

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace kit85
