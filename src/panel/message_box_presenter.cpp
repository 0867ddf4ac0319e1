#include "panel/message_box_presenter.h"

#include <QMessageBox>

namespace kit85 {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

void MessageBoxPresenter::message(std::string_view text, std::string_view title, Icon icon) {
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, qs(title), qs(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

}  // namespace kit85
