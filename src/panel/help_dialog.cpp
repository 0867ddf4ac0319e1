#include "panel/help_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include <cstring>

#include "panel/kit_layout.h"
#include "panel/shortcuts.h"

namespace kit85 {

namespace {

// What the kit key does: its tooltip's text in the layout table.
QString keyText(const Shortcut& s) {
    if (s.what) return s.what;
    for (const Placement& p : kitLayout())
        if (std::strcmp(p.name, s.key) == 0 && p.tip) return p.tip;
    return s.key;
}

}  // namespace

HelpDialog::HelpDialog(const QString& memoryFile, QWidget* parent) : QDialog(parent) {
    setObjectName("helpfm");
    setWindowTitle("kit85 \u2014 keys");

    QString rows;
    for (const Shortcut& s : kitShortcuts())
        rows += QString("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(QString(s.keys).toHtmlEscaped(), keyText(s).toHtmlEscaped());
    auto* keys = new QLabel(
        "<p>Click the kit's keys, or press these on the computer keyboard:</p>"
        "<table cellspacing='0' cellpadding='3'>" +
            rows + "</table>",
        this);
    keys->setObjectName("keys");
    keys->setTextFormat(Qt::RichText);

    auto* file = new QLabel(memoryFile.isEmpty() ? QString("Memory table kept in memory only; nothing is saved.")
                                                 : "Memory file: " + memoryFile,
                            this);
    file->setObjectName("memoryFile");
    file->setWordWrap(true);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keys);
    layout->addWidget(file);
    layout->addWidget(buttons);
}

}  // namespace kit85
