#include "values/flags.h"

#include "values/convert.h"
#include "values/errors.h"

namespace kit85 {

int32_t auxDigitOther(const Text& t) { return convt(t.trimmed().right(1)); }

void sfg(FlagLabels& f, const Text& t) { f.slb = caption(signRule(convt(t.right(2)))); }

void zfg(FlagLabels& f, const Text& t) { f.zlb = caption(zeroRule(convt(t.right(2)))); }

void pfg(FlagLabels& f, const Text& t) { f.plb = caption(parityRule(convt(t.right(2)))); }

void cfg(FlagLabels& f, const Text& t) { f.clb = caption(carryRule(convt(t))); }

void bfg(FlagLabels& f, const Text& t) { f.clb = caption(borrowRule(convt(t))); }

void auxfg(FlagLabels& f, const Text& a, const Text& b) { f.auxlb = caption(halfCarryRule(auxDigit(a), auxDigit(b))); }

// A caption other than 0 or 1: pack it as a binary-digit number the long way.
Text packFlagsOther(const FlagLabels& f) {
    int64_t n = int64_t{convt(f.slb)} * 10000000 + int64_t{convt(f.zlb)} * 1000000 + int64_t{convt(f.auxlb)} * 10000 +
                int64_t{convt(f.plb)} * 100 + convt(f.clb);
    if (n > INT32_MAX) throw ConversionOverflow("overflow: the flag captions do not pack into a flag byte");
    return hex1(convtbin2int(static_cast<double>(n))).right(2);
}

void unpackFlags(FlagLabels& f, uint32_t byte) { applyFlags(f, static_cast<uint8_t>(byte), kAllFlags); }

}  // namespace kit85
