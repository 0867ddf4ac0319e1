#pragma once

// The kit's messages as modal message boxes.

#include <QPointer>
#include <QWidget>

#include "kit/presenter.h"

namespace kit85 {

// The least width of a message box whose title bar must show `title` whole.
int messageBoxMinimumWidth(const QString& title, const QFont& font);

// Shows each message as a modal QMessageBox with an OK button: a warning icon
// for Icon::Exclamation, an information icon otherwise. The box has no
// minimise or maximise button and is wide enough for its title.
class MessageBoxPresenter : public Presenter {
public:
    explicit MessageBoxPresenter(QWidget* parent) : parent_(parent) {}
    void message(std::string_view text, std::string_view title, Icon icon) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace kit85
