#pragma once

// Asking the user for another memory file when the one given is refused.

#include <QWidget>

#include "memory/opening.h"

namespace kit85 {

// The interactive askAnother of openMemoryTable: a message box naming the file
// and the reason, with "Choose Another File…" (a file dialog) and "Quit".
// Cancelling the file dialog asks the question again.
AskForMemoryFile memoryFileDialog(QWidget* parent = nullptr);

}  // namespace kit85
