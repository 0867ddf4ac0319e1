#include "panel/study_dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <vector>

#include "values/text.h"

namespace kit85 {

QLineEdit* hexField(QDialog& dialog, const char* name, const std::string& value, int digits) {
    auto* field = new QLineEdit(QString::fromStdString(value), &dialog);
    field->setObjectName(name);
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString("[0-9A-Fa-f]{1,%1}").arg(digits)), field));
    return field;
}

namespace {

uint32_t hexOf(const QLineEdit* field) { return field->text().toUInt(nullptr, 16); }

}  // namespace

// OK is offered only while every field holds a digit: an emptied field never
// closes the dialog as if it were cancelled.
bool ask(QDialog& dialog, QFormLayout* form, std::initializer_list<const QLineEdit*> fields) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    const std::vector<const QLineEdit*> all(fields);
    auto filled = [all, ok] {
        ok->setEnabled(std::none_of(all.begin(), all.end(), [](const QLineEdit* f) { return f->text().isEmpty(); }));
    };
    for (const QLineEdit* f : all) QObject::connect(f, &QLineEdit::textChanged, ok, filled);
    filled();
    form->addRow(buttons);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<uint16_t> askAddress(QWidget* parent, uint16_t offered) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Go to address");
    auto* form = new QFormLayout(&dialog);
    QLineEdit* address = hexField(dialog, "address", Text::word(offered).str(), 4);
    form->addRow("Address (hex):", address);
    if (!ask(dialog, form, {address})) return std::nullopt;
    return static_cast<uint16_t>(hexOf(address));
}

std::optional<FillRequest> askFill(QWidget* parent, const std::optional<FillRequest>& offered) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Fill a range of memory");
    auto* form = new QFormLayout(&dialog);
    QLineEdit* start = hexField(dialog, "start", offered ? Text::word(offered->start).str() : "", 4);
    QLineEdit* end = hexField(dialog, "end", offered ? Text::word(offered->end).str() : "", 4);
    QLineEdit* value = hexField(dialog, "value", Text::byte(offered ? offered->value : 0).str(), 2);
    form->addRow("Start address:", start);
    form->addRow("End address (filled too):", end);
    form->addRow("Byte:", value);
    if (!ask(dialog, form, {start, end, value})) return std::nullopt;
    return FillRequest{static_cast<uint16_t>(hexOf(start)), static_cast<uint16_t>(hexOf(end)),
                       static_cast<uint8_t>(hexOf(value))};
}

}  // namespace kit85
