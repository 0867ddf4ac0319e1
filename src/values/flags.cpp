#include "values/flags.h"

#include <bit>

#include "values/convert.h"
#include "values/errors.h"

namespace kit85 {

void sfg(FlagLabels& f, const Text& t) {
    int32_t v = convt(t.right(2));
    f.slb = caption(v < 256 && v > 127);
}

void zfg(FlagLabels& f, const Text& t) { f.zlb = caption(convt(t.right(2)) == 0); }

void pfg(FlagLabels& f, const Text& t) {
    // Two characters convert to at most 255, whose binary-digit number has as
    // many 1 digits as the byte has one bits.
    int32_t v = convt(t.right(2));
    f.plb = caption(std::popcount(static_cast<uint32_t>(v)) % 2 == 0);
}

void cfg(FlagLabels& f, const Text& t) {
    // Every sum above FF is a carry. (Ending the window at 1FE would lose the
    // carry of FF + FF + 1 in ADC and ACI, and of RAL on FF with carry set.)
    f.clb = caption(convt(t) > 255);
}

void bfg(FlagLabels& f, const Text& t) { f.clb = caption(convt(t) < 256); }

void auxfg(FlagLabels& f, const Text& a, const Text& b) {
    int32_t d1 = convt(a.trimmed().right(1));
    int32_t d2 = convt(b.trimmed().right(1));
    f.auxlb = caption(d1 + d2 > 15);
}

// A caption other than 0 or 1: pack it as a binary-digit number the long way.
Text packFlagsOther(const FlagLabels& f) {
    int64_t n = int64_t{convt(f.slb)} * 10000000 + int64_t{convt(f.zlb)} * 1000000 + int64_t{convt(f.auxlb)} * 10000 +
                int64_t{convt(f.plb)} * 100 + convt(f.clb);
    if (n > INT32_MAX) throw ConversionOverflow("overflow: the flag captions do not pack into a flag byte");
    return hex1(convtbin2int(static_cast<double>(n))).right(2);
}

void unpackFlags(FlagLabels& f, uint32_t byte) {
    f.slb = caption(byte & 0x80);
    f.zlb = caption(byte & 0x40);
    f.auxlb = caption(byte & 0x10);
    f.plb = caption(byte & 0x04);
    f.clb = caption(byte & 0x01);
}

}  // namespace kit85
