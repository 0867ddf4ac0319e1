#include "panel/message_box_presenter.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace kit85 {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

int messageBoxMinimumWidth(const QString& title, const QFont& font) {
    // Window managers draw titles bold and a little larger than the dialog's
    // own text; the allowance covers the window icon, the close button and
    // the title bar's padding on both sides.
    QFont titleFont = font;
    titleFont.setBold(true);
    titleFont.setPointSizeF(font.pointSizeF() * 1.2);
    constexpr int kTitleBarExtras = 150;
    return QFontMetrics(titleFont).horizontalAdvance(title) + kTitleBarExtras;
}

void MessageBoxPresenter::message(std::string_view text, std::string_view title, Icon icon) {
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, qs(title), qs(text),
                    QMessageBox::Ok, parent_);
    // A message box has nothing to minimise or maximise; without those
    // buttons the title bar has room for the title ("ERROR :" was cut to "ER… :").
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // QMessageBox sizes itself from its layout and ignores a minimum width; a
    // spacer across the bottom of its grid makes the layout that wide.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(messageBoxMinimumWidth(box.windowTitle(), box.font()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
}

}  // namespace kit85
