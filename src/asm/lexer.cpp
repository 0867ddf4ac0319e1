#include "asm/lexer.h"

#include "values/ascii.h"

namespace kit85::assembler {

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '?' || c == '@';
}

bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The end of the string token that starts at `start` (its quote, ' or "), or
// npos when the line ends first.
std::size_t stringEnd(std::string_view line, std::size_t start) {
    const char quote = line[start];
    for (std::size_t i = start + 1; i < line.size(); ++i) {
        if (line[i] != quote) continue;
        if (i + 1 < line.size() && line[i + 1] == quote) {
            ++i;  // a doubled quote stands for one
            continue;
        }
        return i + 1;
    }
    return std::string_view::npos;
}

std::optional<TokenKind> punctuation(char c) {
    switch (c) {
        case '$': return TokenKind::Dollar;
        case ',': return TokenKind::Comma;
        case ':': return TokenKind::Colon;
        case '(': return TokenKind::Open;
        case ')': return TokenKind::Close;
        case '+': return TokenKind::Plus;
        case '-': return TokenKind::Minus;
        case '*': return TokenKind::Star;
        case '/': return TokenKind::Slash;
        default: return std::nullopt;
    }
}

std::string unexpected(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    std::string message = "unexpected character ";
    if (u >= 0x20 && u < 0x7F) return message + '\'' + c + '\'';
    return message + "byte " + hexDigits(u, 2) + 'H';
}

// '#' starts a comment unless it stands right before a value or after a
// comma, where other dialects mark an immediate with it.
bool hashStartsComment(std::string_view line, std::size_t i, const std::vector<Token>& tokens) {
    if (tokens.empty()) return true;
    if (tokens.back().kind == TokenKind::Comma) return false;
    if (i + 1 >= line.size()) return true;
    const char next = line[i + 1];
    return !((next >= '0' && next <= '9') || next == '\'' || next == '"' || next == '(' || next == '$' || next == '-' ||
             next == '+');
}

}  // namespace

LexedLine lexLine(std::string_view line) {
    LexedLine out;
    std::size_t i = 0;
    auto add = [&](TokenKind kind, std::size_t start, std::size_t end) {
        out.tokens.push_back(Token{kind, line.substr(start, end - start), static_cast<int>(start) + 1});
    };
    while (i < line.size()) {
        const char c = line[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        const bool slashes = c == '/' && i + 1 < line.size() && line[i + 1] == '/';
        if (c == ';' || slashes || (c == '#' && hashStartsComment(line, i, out.tokens))) {
            out.commentColumn = static_cast<int>(i) + 1;
            out.comment = trimmed(line.substr(i + (slashes ? 2 : 1)));
            break;
        }
        const std::size_t start = i;
        const bool dotted = c == '.' && i + 1 < line.size() && isNameChar(line[i + 1]);
        if (isNameStart(c) || (c >= '0' && c <= '9') || dotted) {
            for (++i; i < line.size() && isNameChar(line[i]);) ++i;
            add(isNameStart(c) || dotted ? TokenKind::Name : TokenKind::Number, start, i);
            continue;
        }
        if (c == '\'' || c == '"') {
            i = stringEnd(line, start);
            if (i == std::string_view::npos) {
                out.problem = Problem{static_cast<int>(start) + 1, "string without its closing quote"};
                return out;
            }
            add(TokenKind::String, start, i);
            continue;
        }
        std::optional<TokenKind> kind = c == '#' ? TokenKind::Hash : punctuation(c);
        if (!kind) {
            out.problem = Problem{static_cast<int>(start) + 1, unexpected(c)};
            return out;
        }
        add(*kind, start, ++i);
    }
    return out;
}

std::string stringValue(const Token& t) {
    std::string s;
    const char quote = t.text.front();
    std::string_view body = t.text.substr(1, t.text.size() - 2);
    for (std::size_t i = 0; i < body.size(); ++i) {
        s += body[i];
        if (body[i] == quote) ++i;  // the second quote of a doubled pair
    }
    return s;
}

}  // namespace kit85::assembler
