#pragma once

// The editor's colouring of 8085 source: a QScintilla lexer whose every
// decision is the assembler's own lexer's (panel/model/source_styles.h), so
// what is coloured as a mnemonic is what assembles as one.

#include <Qsci/qscilexercustom.h>

namespace kit85 {

class AsmLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit AsmLexer(QObject* parent = nullptr);

    const char* language() const override { return "8085"; }
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    QColor defaultPaper(int style) const override;
    void styleText(int start, int end) override;
};

}  // namespace kit85
