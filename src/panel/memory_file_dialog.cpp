#include "panel/memory_file_dialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kit85 {

AskForMemoryFile memoryFileDialog(QWidget* parent) {
    return
        [parent](const std::filesystem::path& file, const std::string& reason) -> std::optional<std::filesystem::path> {
            const QString name =
                file.empty() ? QString("(the default memory file)") : QString::fromStdString(file.string());
            for (;;) {
                QMessageBox box(QMessageBox::Warning, "kit85 \u2014 memory file",
                                "kit85 cannot open its memory file\n" + name, QMessageBox::NoButton, parent);
                box.setInformativeText(QString::fromStdString(reason) +
                                       "\n\nChoose another file to go on (a new file starts with every byte 00), "
                                       "or quit.");
                QPushButton* choose = box.addButton("Choose Another File\u2026", QMessageBox::AcceptRole);
                QPushButton* quit = box.addButton("Quit", QMessageBox::RejectRole);
                box.setDefaultButton(choose);
                box.setEscapeButton(quit);
                box.exec();
                if (box.clickedButton() != choose) return std::nullopt;

                QFileDialog dialog(parent, "Choose a memory file",
                                   file.empty() ? QString() : QString::fromStdString(file.parent_path().string()),
                                   "kit85 memory (*.sqlite *.db);;All files (*)");
                dialog.setAcceptMode(QFileDialog::AcceptOpen);
                dialog.setFileMode(QFileDialog::AnyFile);
                dialog.setLabelText(QFileDialog::Accept, "Open");
                if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
                    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
                // Cancelled: back to the question.
            }
        };
}

}  // namespace kit85
