#include "values/text.h"

#include <ostream>

#include "values/ascii.h"

namespace kit85 {

Text::Text(std::string_view s) {
    if (s.size() <= kMaxDigits) {
        uint32_t v = 0;
        bool plain = true;
        for (char c : s) {
            int d = upperHexDigitValue(c);
            if (d < 0) {
                plain = false;
                break;
            }
            v = (v << 4) | static_cast<uint32_t>(d);
        }
        if (plain) {
            value_ = v;
            size_ = static_cast<uint8_t>(s.size());
            return;
        }
    }
    other_ = std::make_unique<std::string>(s);
}

std::string Text::str() const {
    if (other_) return *other_;
    std::string s(size_, '0');
    uint32_t v = value_;
    for (std::size_t i = size_; i-- > 0;) {
        s[i] = "0123456789ABCDEF"[v & 0xF];
        v >>= 4;
    }
    return s;
}

char Text::at(std::size_t i) const {
    if (other_) return (*other_)[i];
    return "0123456789ABCDEF"[(value_ >> (4 * (size_ - 1 - i))) & 0xF];
}

// The Other functions take what the inline forms in text.h leave: rightOther,
// trimmedOther and joinOther only texts held as strings, leftOther a text of
// hex digits only when n is 0 or reaches the end, midOther hex digits with any
// start or count out of range.
Text Text::rightOther(std::size_t n) const {
    if (n >= size()) return *this;
    return Text(std::string_view(*other_).substr(other_->size() - n));
}

Text Text::leftOther(std::size_t n) const {
    if (n >= size()) return *this;
    if (n == 0) return Text();
    return Text(std::string_view(*other_).substr(0, n));
}

Text Text::midOther(std::size_t start1, std::size_t n) const {
    std::size_t len = size();
    if (start1 < 1) start1 = 1;
    if (start1 > len) return Text();
    std::size_t from = start1 - 1;
    if (n > len - from) n = len - from;
    if (n == 0) return Text();
    if (!other_) return digits(value_ >> (4 * (len - from - n)), static_cast<unsigned>(n));
    return Text(std::string_view(*other_).substr(from, n));
}

Text Text::trimmedOther() const {
    std::string_view s(*other_);
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return Text();
    std::size_t e = s.find_last_not_of(' ');
    if (b == 0 && e + 1 == s.size()) return *this;
    return Text(s.substr(b, e - b + 1));
}

Text Text::joinOther(const Text& a, const Text& b) { return Text(a.str() + b.str()); }

std::ostream& operator<<(std::ostream& os, const Text& t) { return os << '"' << t.str() << '"'; }

}  // namespace kit85
