#include "values/document_text.h"

namespace kit85 {

std::string csvField(std::string_view text) {
    std::string s(text);
    if (!s.empty() && std::string_view("=+-@\t\r").find(s.front()) != std::string_view::npos) s.insert(0, 1, '\'');
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

std::string htmlText(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\n':
            case '\t': out += c; break;
            default: out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
        }
    }
    return out;
}

}  // namespace kit85
