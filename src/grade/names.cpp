#include "grade/names.h"

#include <algorithm>

#include "values/ascii.h"
#include "values/escape.h"
#include "values/utf8.h"

namespace kit85::grade {
namespace {

// The characters a viewer does not show but acts on: C1 controls, the
// direction marks and overrides, and the two non-characters XML forbids.
bool invisible(char32_t cp) {
    return (cp >= 0x80 && cp <= 0x9F) || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFFFE || cp == 0xFFFF;
}

// `utf8` with each invisible character as \uNNNN.
std::string escapeInvisible(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char32_t cp = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = std::max<std::size_t>(utf8SequenceAt(utf8, i, cp), 1);
        if (n > 1 && invisible(cp))
            out += "\\u" + hexDigits(cp, 4);
        else
            out.append(utf8.substr(i, n));
        i += n;
    }
    return out;
}

}  // namespace

std::string shownName(std::string_view s) { return escapeInvisible(printable(s)); }

std::string shownText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    // Line ends and tabs are ASCII, never inside a UTF-8 character, so the
    // pieces between them are escaped as names and the ends kept.
    for (std::size_t i = 0; i <= s.size();) {
        const std::size_t end = std::min(s.find_first_of("\n\r\t", i), s.size());
        out += shownName(s.substr(i, end - i));
        if (end < s.size()) out += s[end];
        i = end + 1;
    }
    return out;
}

std::string cutText(std::string_view s, std::size_t most) {
    std::size_t characters = 0, keep = s.size();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;  // inside a character
        if (characters == most - 3) keep = i;
        if (characters++ == most) return std::string(s.substr(0, keep)) + "...";
    }
    return std::string(s);
}

std::string jsonInvisiblesEscaped(std::string_view json) { return escapeInvisible(json); }

}  // namespace kit85::grade
