#include "panel/study_dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "values/text.h"

namespace kit85 {

namespace {

QLineEdit* hexField(QDialog& dialog, const char* name, const std::string& value, int digits) {
    auto* field = new QLineEdit(QString::fromStdString(value), &dialog);
    field->setObjectName(name);
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString("[0-9A-Fa-f]{1,%1}").arg(digits)), field));
    return field;
}

// Adds OK and Cancel; true when OK was pressed with every field filled in.
bool ask(QDialog& dialog, QFormLayout* form, std::initializer_list<const QLineEdit*> fields) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    for (const QLineEdit* f : fields)
        if (f->text().isEmpty()) return false;
    return true;
}

uint32_t hexOf(const QLineEdit* field) { return field->text().toUInt(nullptr, 16); }

}  // namespace

std::optional<uint16_t> askAddress(QWidget* parent, uint16_t offered) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Go to address");
    auto* form = new QFormLayout(&dialog);
    QLineEdit* address = hexField(dialog, "address", Text::word(offered).str(), 4);
    form->addRow("Address (hex):", address);
    if (!ask(dialog, form, {address})) return std::nullopt;
    return static_cast<uint16_t>(hexOf(address));
}

std::optional<FillRequest> askFill(QWidget* parent, const FillRequest& offered) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Fill a range of memory");
    auto* form = new QFormLayout(&dialog);
    QLineEdit* start = hexField(dialog, "start", Text::word(offered.start).str(), 4);
    QLineEdit* end = hexField(dialog, "end", Text::word(offered.end).str(), 4);
    QLineEdit* value = hexField(dialog, "value", Text::byte(offered.value).str(), 2);
    form->addRow("Start address:", start);
    form->addRow("End address (filled too):", end);
    form->addRow("Byte:", value);
    if (!ask(dialog, form, {start, end, value})) return std::nullopt;
    return FillRequest{static_cast<uint16_t>(hexOf(start)), static_cast<uint16_t>(hexOf(end)),
                       static_cast<uint8_t>(hexOf(value))};
}

}  // namespace kit85
