#include "panel/study_look.h"

#include <QFontDatabase>

namespace kit85::look {

QFont monoFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setFamilies({"DejaVu Sans Mono", "Liberation Mono", f.family()});
    f.setPointSizeF(10);
    return f;
}

const std::array<QString, 256>& byteTexts() {
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> t;
        for (int i = 0; i < 256; ++i) t[i] = QString::asprintf("%02X", i);
        return t;
    }();
    return texts;
}

QString quoted(const Text& t) {
    return isByte(t) ? byteTexts()[t.hexValue()] : '"' + QString::fromStdString(t.str()) + '"';
}

std::optional<uint16_t> addressOf(const Text& t) {
    if (t.isHex() && t.size() == 4) return static_cast<uint16_t>(t.hexValue());
    return std::nullopt;
}

}  // namespace kit85::look
