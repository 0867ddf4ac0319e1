#pragma once

// The slow-motion rate field: instructions a second. A number typed out of
// range is let through while it is typed (so 99 is not cut to 9) and set to
// the nearest allowed value when the field is left, with the reason sent out
// for the view to show.

#include <QSpinBox>

#include <string>

namespace kit85 {

class RateBox : public QSpinBox {
    Q_OBJECT
public:
    explicit RateBox(QWidget* parent);

signals:
    // Why the number typed was changed ("" when it was not).
    void corrected(const QString& reason);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    mutable std::string reason_;  // of the correction made while editing
};

}  // namespace kit85
