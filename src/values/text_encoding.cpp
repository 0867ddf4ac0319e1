#include "values/text_encoding.h"

#include <cstdint>

#include "values/utf8.h"

namespace kit85 {
namespace {

bool isUtf8(std::string_view s) {
    char32_t c = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8SequenceAt(s, i, c);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

DecodedText fromUtf16(std::string_view s, bool bigEndian, TextEncoding encoding) {
    DecodedText d;
    d.encoding = encoding;
    if (s.size() % 2 != 0) {
        d.problem = "its UTF-16 is cut short (an odd number of bytes)";
        return d;
    }
    const auto unit = [&](std::size_t i) {
        const auto hi = static_cast<uint8_t>(s[bigEndian ? i : i + 1]);
        const auto lo = static_cast<uint8_t>(s[bigEndian ? i + 1 : i]);
        return static_cast<uint32_t>(hi << 8 | lo);
    };
    for (std::size_t i = 0; i < s.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 2 < s.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            d.problem = "its UTF-16 holds a broken character";
            return d;
        }
        if (c == 0) {
            d.problem = "it holds NUL characters";
            return d;
        }
        appendUtf8(d.text, c);
    }
    return d;
}

// UTF-16 text saved without a byte-order mark: ASCII with a NUL beside
// almost every character.
bool looksLikeUtf16(std::string_view s) {
    if (s.size() < 4) return false;
    std::size_t evenNul = 0, oddNul = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\0') ++(i % 2 ? oddNul : evenNul);
    const std::size_t half = s.size() / 2;
    return (evenNul * 10 >= half * 9 && oddNul == 0) || (oddNul * 10 >= half * 9 && evenNul == 0);
}

void putUtf16(std::string& out, uint32_t unit, bool bigEndian) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

}  // namespace

DecodedText decodeText(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) return fromUtf16(bytes.substr(2), false, TextEncoding::Utf16Le);
    if (bytes.starts_with("\xFE\xFF")) return fromUtf16(bytes.substr(2), true, TextEncoding::Utf16Be);
    DecodedText d;
    if (bytes.find('\0') != std::string_view::npos) {
        d.problem =
            looksLikeUtf16(bytes) ? "it is UTF-16 without a byte-order mark; save it as UTF-8" : "it holds NUL bytes";
        return d;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        d.encoding = TextEncoding::Utf8Bom;
        bytes.remove_prefix(3);
    }
    d.text = std::string(bytes);
    if (!isUtf8(bytes)) d.encoding = TextEncoding::Latin1;
    return d;
}

std::string encodeText(std::string_view text, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8: return std::string(text);
        case TextEncoding::Utf8Bom: return "\xEF\xBB\xBF" + std::string(text);
        case TextEncoding::Latin1: {
            // Characters past U+00FF cannot be Latin-1; their bytes stay as
            // they are rather than be lost.
            std::string out;
            char32_t c = 0;
            for (std::size_t i = 0; i < text.size();) {
                const std::size_t n = utf8SequenceAt(text, i, c);
                if (n == 0 || c > 0xFF) {
                    out += text[i++];
                    continue;
                }
                out += static_cast<char>(c);
                i += n;
            }
            return out;
        }
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be: {
            const bool big = encoding == TextEncoding::Utf16Be;
            std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
            char32_t c = 0;
            for (std::size_t i = 0; i < text.size();) {
                std::size_t n = utf8SequenceAt(text, i, c);
                if (n == 0) c = 0xFFFD, n = 1;
                if (c >= 0x10000) {
                    putUtf16(out, 0xD800 + ((c - 0x10000) >> 10), big);
                    putUtf16(out, 0xDC00 + ((c - 0x10000) & 0x3FF), big);
                } else {
                    putUtf16(out, c, big);
                }
                i += n;
            }
            return out;
        }
    }
    return std::string(text);
}

std::string_view encodingName(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8: return "UTF-8";
        case TextEncoding::Utf8Bom: return "UTF-8 with a byte-order mark";
        case TextEncoding::Utf16Le: return "UTF-16 LE";
        case TextEncoding::Utf16Be: return "UTF-16 BE";
        case TextEncoding::Latin1: return "Latin-1";
    }
    return "UTF-8";
}

std::string notTextMessage(std::string_view name, const DecodedText& decoded) {
    if (decoded.ok()) return {};
    return std::string(name) + " is not a text file: " + decoded.problem;
}

}  // namespace kit85
