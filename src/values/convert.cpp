#include "values/convert.h"

#include <cmath>
#include <string>

#include "values/ascii.h"
#include "values/errors.h"

namespace kit85 {
namespace {

std::string shown(std::string_view s) {
    if (s.size() <= 24) return std::string(s);
    return std::string(s.substr(0, 24)) + "...";
}

[[noreturn]] void overflow(std::string_view what, std::string_view s) {
    throw ConversionOverflow("overflow: " + std::string(what) + " \"" + shown(s) + "\" does not fit");
}

}  // namespace

int32_t convt(std::string_view s) {
    if (s.size() > 32767) overflow("the text", s);
    int64_t v = 0;
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n; ++i) {
        int d = hexDigitValue(s[n - 1 - i]);
        if (d <= 0) continue;  // a zero digit or a character that counts as one
        if (i >= 8) overflow("the hex value of", s);
        v += static_cast<int64_t>(d) << (4 * i);
        if (v > INT32_MAX) overflow("the hex value of", s);
    }
    return static_cast<int32_t>(v);
}

int32_t convtOther(const Text& t) {
    if (t.isHex()) {
        uint32_t v = t.hexValue();
        if (v > static_cast<uint32_t>(INT32_MAX)) overflow("the hex value of", t.str());
        return static_cast<int32_t>(v);
    }
    return convt(std::string_view(t.str()));
}

int16_t Remd(double dividend, int16_t divisor) {
    if (divisor == 0) throw KitError("division by zero in a remainder");
    double q = std::floor(dividend / divisor);
    double r = std::nearbyint(dividend - divisor * q);  // ties to even
    if (!(r >= -32768.0 && r <= 32767.0)) throw ConversionOverflow("overflow: a remainder does not fit in 16 bits");
    return static_cast<int16_t>(r);
}

Text hex1(double x) {
    if (!std::isfinite(x)) throw ConversionOverflow("overflow: a value to write as hex is not a number");
    if (x == std::floor(x) && std::fabs(x) < 4.0e18) return hex1(static_cast<int64_t>(x));
    // Fractional values are outside what callers pass; follow the digit loop as
    // written so the result is still defined.
    std::string out;
    for (int i = 0; i < 5; ++i) {
        int r = Remd(x, 16);
        x = std::floor(x / 16);
        if (r >= 0 && r <= 15) out.insert(out.begin(), "0123456789ABCDEF"[r]);
    }
    return Text(out);
}

double convtint2bin(double x) {
    double b = 0;
    int k = 0;
    do {
        int bit = Remd(x, 2);
        b += bit * std::pow(10.0, k);
        x = std::floor(x / 2);
        ++k;
    } while (x > 0);
    return b;
}

double convtbin2int(double x) {
    int16_t a = 0;
    int k = 0;
    do {
        int digit = Remd(x, 10);
        double t = std::nearbyint(a + digit * std::pow(2.0, k));
        if (!(t >= -32768.0 && t <= 32767.0))
            throw ConversionOverflow("overflow: a binary-digit number is above 32767");
        a = static_cast<int16_t>(t);
        x = std::floor(x / 10);
        ++k;
    } while (x > 0);
    return a;
}

int16_t comp2Other(const Text& t) {
    int64_t r = 256 - static_cast<int64_t>(convt(t.trimmed()));
    if (r < -32768) overflow("the complement of", t.str());
    return static_cast<int16_t>(r);
}

}  // namespace kit85
