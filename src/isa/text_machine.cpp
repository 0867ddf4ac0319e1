// The text machine's out-of-line parts: the stack's error messages, DAA on a
// text, and the report of a code that is no instruction.
#include "isa/text_machine.h"

#include "isa/exec.h"
#include "values/errors.h"

namespace kit85::isa {

void TextMachine::throwNoStackRow(const Text& sp) {
    throw NoRowError("no memory row has the stack address \"" + sp.str() + "\"; nothing was written");
}

void TextMachine::throwStackEdge(const Text& sp, bool below) {
    if (below)
        throw NoRowError("fewer than two memory rows lie below the stack address \"" + sp.str() +
                         "\"; nothing was written");
    throw NoRowError("no memory row follows the stack address \"" + sp.str() + "\"; nothing was written");
}

namespace {

// convt of the text's last character, blanks included (auxfg would trim them).
int32_t lastDigit(const Text& t) { return t.isHex() ? auxDigit(t) : convt(t.right(1)); }

}  // namespace

DaaOutcome daaOutcome(const Text& a, const FlagLabels& f, Text* adjusted) {
    DaaOutcome d = daaStart(isOne(f.clb));
    Text t = Text::digits(0, 1) + a;
    const int32_t digit = lastDigit(t);
    daaLow(
        d, digit, digit <= 9 && isOne(f.auxlb), [&t] { return int64_t{convt(t)}; }, auxDigit(t));
    if (d.low) t = hex1(d.result);
    t = t.right(3);
    // The high digit as the low adjustment left it.
    daaHigh(d, convt(t), convt(t.mid(2, 1)));
    if (d.high) t = hex1(d.result);
    if (adjusted) *adjusted = t;
    return d;
}

// Reached only when the text matched no code the kit carries out (OUT, IN, DI
// and EI are codes of their own in the map, so they never get here).
int16_t reportInvalid(KitState& k) {
    k.presenter().message("invalid code", "ERROR :", Icon::Information);
    return 1;
}

}  // namespace kit85::isa
