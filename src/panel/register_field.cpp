#include "panel/register_field.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

#include "values/ascii.h"

namespace kit85 {

namespace {

// Selects a field's text when it takes the cursor. Deferred: a mouse press
// places the text cursor after the focus change and would clear the selection.
class SelectAllOnFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn)
            if (auto* e = qobject_cast<QLineEdit*>(watched))
                QTimer::singleShot(0, e, [e] {
                    if (e->hasFocus()) e->selectAll();
                });
        return false;
    }
};

}  // namespace

QValidator::State HexDigitsValidator::validate(QString& input, int&) const {
    for (QChar& c : input) {
        const char a = c.toLatin1();
        if (c.unicode() > 0x7F || hexDigitValue(a) < 0) return Invalid;
        if (a >= 'a' && a <= 'f') c = QChar(a - 'a' + 'A');
    }
    return Acceptable;
}

void makeRegisterField(QLineEdit* field) {
    field->setValidator(new HexDigitsValidator(field));
    field->installEventFilter(new SelectAllOnFocus(field));
}

}  // namespace kit85
