#include "panel/editor/asm_lexer.h"

#include <Qsci/qsciscintilla.h>

#include <array>

#include "panel/model/source_styles.h"
#include "panel/study_look.h"

namespace kit85 {

namespace {

struct Look {
    const char* name;
    const char* colour;
    bool bold;
    bool italic;
};

// In the order of SourceStyle.
constexpr std::array<Look, kSourceStyleCount> kLooks = {{
    {"Default", "#1D2330", false, false},
    {"Comment", "#5F7A61", false, true},
    {"Label", "#7A3E00", true, false},
    {"Mnemonic", "#0B3D91", true, false},
    {"Directive", "#7B2D8B", true, false},
    {"Register", "#00707A", false, false},
    {"Number", "#A33B00", false, false},
    {"String", "#2E7D32", false, false},
    {"Operator", "#444444", false, false},
    {"Error", "#B00020", false, false},
}};

bool known(int style) { return style >= 0 && style < kSourceStyleCount; }

}  // namespace

AsmLexer::AsmLexer(QObject* parent) : QsciLexerCustom(parent) {}

QString AsmLexer::description(int style) const { return known(style) ? kLooks[style].name : QString(); }

QColor AsmLexer::defaultColor(int style) const {
    return known(style) ? QColor(kLooks[style].colour) : QsciLexerCustom::defaultColor(style);
}

QFont AsmLexer::defaultFont(int style) const {
    QFont f = look::monoFont();
    if (known(style)) {
        f.setBold(kLooks[style].bold);
        f.setItalic(kLooks[style].italic);
    }
    return f;
}

QColor AsmLexer::defaultPaper(int style) const {
    if (style == static_cast<int>(SourceStyle::Error)) return QColor("#FBE3E4");
    return QColor("#FCFBF6");
}

// Styles whole lines: a line's tokens depend on the line alone.
void AsmLexer::styleText(int start, int end) {
    QsciScintilla* e = editor();
    if (!e) return;
    int line = 0;
    int index = 0;
    e->lineIndexFromPosition(start, &line, &index);
    int lastLine = 0;
    e->lineIndexFromPosition(end, &lastLine, &index);
    for (; line <= lastLine && line < e->lines(); ++line) {
        const long from = e->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line);
        const long to = e->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line);
        const long full = e->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line + 1) - from;
        const int length = static_cast<int>(to - from);
        QByteArray text(length + 1, '\0');
        if (length > 0)
            e->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, static_cast<int>(from), static_cast<int>(to),
                             text.data());
        startStyling(static_cast<int>(from));
        int at = 0;
        for (const StyledRun& r : styleLine(std::string_view(text.constData(), static_cast<size_t>(length)))) {
            if (r.start > at) setStyling(r.start - at, static_cast<int>(SourceStyle::Default));
            setStyling(r.length, static_cast<int>(r.style));
            at = r.start + r.length;
        }
        // The rest of the line and its line end.
        const int rest = static_cast<int>(line + 1 < e->lines() ? full : to - from) - at;
        if (rest > 0) setStyling(rest, static_cast<int>(SourceStyle::Default));
    }
}

}  // namespace kit85
