#include "values/escape.h"

#include <algorithm>

#include "values/ascii.h"

namespace kit85 {
namespace {

constexpr std::string_view kEllipsis = "\u2026";

// The length of the valid UTF-8 sequence at s[i], with its code point, or 0
// when the byte begins none (a stray continuation byte, an overlong form, a
// surrogate, a sequence cut short).
std::size_t sequenceAt(std::string_view s, std::size_t i, char32_t& cp) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t n = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2, cp = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3, cp = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4, cp = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (n > s.size() - i) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// The bytes of the first `count` characters of s.
std::size_t bytesOf(std::string_view s, std::size_t count) {
    std::size_t i = 0;
    char32_t cp = 0;
    for (; i < s.size() && count > 0; --count) i += std::max<std::size_t>(sequenceAt(s, i, cp), 1);
    return i;
}

void appendHex(std::string& out, unsigned char b) {
    out += "\\x" + hexDigits(b, 2);
}

}  // namespace

std::size_t characterCount(std::string_view s) {
    std::size_t count = 0;
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size(); ++count) i += std::max<std::size_t>(sequenceAt(s, i, cp), 1);
    return count;
}

std::string printable(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = sequenceAt(s, i, cp);
        const bool control = cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
        if (n == 0 || control) {
            for (std::size_t k = 0; k < std::max<std::size_t>(n, 1); ++k)
                appendHex(out, static_cast<unsigned char>(s[i + k]));
        } else {
            out.append(s.substr(i, n));
        }
        i += std::max<std::size_t>(n, 1);
    }
    return out;
}

std::string quoted(std::string_view s) {
    std::string q = "\"";
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            q += '\\';
            q += c;
        } else if (u >= 0x20 && u < 0x7F) {
            q += c;
        } else {
            appendHex(q, u);
        }
    }
    return q + "\"";
}

std::string shown(std::string_view s) {
    bool plain = !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7F && c != '"' && c != '\\';
    });
    return plain ? std::string(s) : quoted(s);
}

std::string echo(std::string_view s) {
    const std::size_t cut = bytesOf(s, kEchoCharacters);
    return cut < s.size() ? printable(s.substr(0, cut)) + std::string(kEllipsis) : printable(s);
}

std::string quotedEcho(std::string_view s) {
    const std::size_t cut = bytesOf(s, kEchoCharacters);
    return cut < s.size() ? quoted(s.substr(0, cut)) + std::string(kEllipsis) : quoted(s);
}

std::string printableMessage(std::string_view s) {
    const std::size_t count = characterCount(s);
    if (count <= kMessageCharacters) return printable(s);
    const std::size_t head = bytesOf(s, kMessageCharacters / 2);
    const std::size_t tail = bytesOf(s, count - kMessageCharacters / 2);
    return printable(s.substr(0, head)) + std::string(kEllipsis) + printable(s.substr(tail));
}

}  // namespace kit85
