#include "panel/rate_box.h"

#include <utility>

#include "panel/model/study_status.h"
#include "run/run_controller.h"

namespace kit85 {

namespace {

// The digits typed, without the suffix.
QString digitsOf(const QString& input, const QString& suffix) {
    QString t = input;
    if (!suffix.isEmpty() && t.endsWith(suffix)) t.chop(suffix.size());
    return t.trimmed();
}

}  // namespace

RateBox::RateBox(QWidget* parent) : QSpinBox(parent) {
    setRange(kSlowestPerSecond, kFastestSlowPerSecond);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    // The reason for a correction (or none) goes out when the editing ends.
    connect(this, &QAbstractSpinBox::editingFinished, this,
            [this] { emit corrected(QString::fromStdString(std::exchange(reason_, std::string()))); });
}

QValidator::State RateBox::validate(QString& input, int& pos) const {
    const QValidator::State plain = QSpinBox::validate(input, pos);
    if (plain != QValidator::Invalid) return plain;
    const QString digits = digitsOf(input, suffix());
    bool number = false;
    digits.toUInt(&number);
    // Any whole number may stand while it is typed (nine digits keep it in
    // range of a long), so that leaving the field sets it to the nearest
    // allowed rate and says why, rather than a digit being dropped unsaid.
    return number && digits.size() <= 9 ? QValidator::Intermediate : QValidator::Invalid;
}

void RateBox::fixup(QString& input) const {
    bool number = false;
    const long typed = digitsOf(input, suffix()).toLong(&number);
    if (!number) return;
    const RateCorrection c = correctRate(typed);
    input = QString::number(c.value) + suffix();
    reason_ = c.reason;
}

}  // namespace kit85
