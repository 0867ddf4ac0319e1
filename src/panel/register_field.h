#pragma once

// Register fields the way a student types into them: the field's text is
// selected when it takes the cursor (so typing replaces it), and only hex
// digits are taken, upper-cased as they are typed. The kit still shows
// whatever text a register holds (a memory file or kit85-run can leave
// "3e" or " 5" there); it is only typing that is held to hex digits.

#include <QValidator>

class QLineEdit;

namespace kit85 {

class HexDigitsValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Gives a register field the validator and the select-all on focus.
void makeRegisterField(QLineEdit* field);

}  // namespace kit85
