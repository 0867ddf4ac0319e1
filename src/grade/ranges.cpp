#include "grade/ranges.h"

#include <cctype>

namespace kit85::grade {
namespace {

std::optional<uint32_t> hexValue(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                  : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    return v;
}

}  // namespace

std::string quote(std::string_view text) {
    std::string out(1, '\'');
    out.append(text.substr(0, 40));
    out += '\'';
    return out;
}

std::string Span::str() const {
    const std::string a = Text::word(first).str();
    return count == 1 ? a : a + "-" + Text::word(first + count - 1).str();
}

Parsed<uint16_t> parseAddress(std::string_view text) {
    std::optional<uint32_t> v = hexValue(text);
    if (!v) return {std::nullopt, quote(text) + " is no address (one to four hex digits)"};
    if (*v > 0xFFFF) return {std::nullopt, "the address " + quote(text) + " is past FFFF"};
    return {static_cast<uint16_t>(*v), {}};
}

Parsed<Span> parseSpan(std::string_view text) {
    const std::size_t dash = text.find('-');
    Parsed<uint16_t> first = parseAddress(text.substr(0, dash));
    if (!first.value) return {std::nullopt, first.problem};
    if (dash == std::string_view::npos) return {Span{*first.value, 1}, {}};
    Parsed<uint16_t> last = parseAddress(text.substr(dash + 1));
    if (!last.value) return {std::nullopt, last.problem};
    if (*last.value < *first.value) return {std::nullopt, "the range " + quote(text) + " ends before it begins"};
    return {Span{*first.value, static_cast<uint32_t>(*last.value - *first.value + 1)}, {}};
}

Parsed<std::vector<uint8_t>> parseBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ',' || text[i] == '\t') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != ',' && text[end] != '\t') ++end;
        const std::string_view word = text.substr(i, end - i);
        std::optional<uint32_t> v = hexValue(word);
        if (!v || word.size() > 2) return {std::nullopt, quote(word) + " is no byte (one or two hex digits)"};
        bytes.push_back(static_cast<uint8_t>(*v));
        i = end;
    }
    if (bytes.empty()) return {std::nullopt, "no bytes are given"};
    return {std::move(bytes), {}};
}

Parsed<Text> parseRegister(std::string_view text, unsigned width) {
    std::optional<uint32_t> v = hexValue(text);
    if (!v || text.size() > width)
        return {std::nullopt, quote(text) + " is no register value (at most " + std::to_string(width) + " hex digits)"};
    return {Text::digits(*v, width), {}};
}

}  // namespace kit85::grade
