#include "values/escape.h"

#include <algorithm>

#include "values/ascii.h"
#include "values/utf8.h"

namespace kit85 {
namespace {

constexpr std::string_view kEllipsis = "\u2026";

// The bytes of the first `count` characters of s.
std::size_t bytesOf(std::string_view s, std::size_t count) {
    std::size_t i = 0;
    char32_t cp = 0;
    for (; i < s.size() && count > 0; --count) i += std::max<std::size_t>(utf8SequenceAt(s, i, cp), 1);
    return i;
}

void appendHex(std::string& out, unsigned char b) { out += "\\x" + hexDigits(b, 2); }

}  // namespace

std::size_t characterCount(std::string_view s) {
    std::size_t count = 0;
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size(); ++count) i += std::max<std::size_t>(utf8SequenceAt(s, i, cp), 1);
    return count;
}

std::string printable(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8SequenceAt(s, i, cp);
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
