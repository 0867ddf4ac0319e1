#include "asm/lexer.h"

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

}  // namespace

LexedLine lexLine(std::string_view line) {
    LexedLine out;
    std::size_t i = 0;
    auto add = [&](TokenKind kind, std::size_t start, std::size_t end) {
        out.tokens.push_back(Token{kind, line.substr(start, end - start), static_cast<int>(start) + 1});
    };
    while (i < line.size()) {
        char c = line[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        if (c == ';') {
            out.commentColumn = static_cast<int>(i) + 1;
            out.comment = trimmed(line.substr(i + 1));
            break;
        }
        std::size_t start = i;
        if (isNameStart(c) || (c >= '0' && c <= '9')) {
            while (i < line.size() && isNameChar(line[i])) ++i;
            add(isNameStart(c) ? TokenKind::Name : TokenKind::Number, start, i);
            continue;
        }
        if (c == '\'') {
            ++i;
            for (;;) {
                if (i >= line.size()) {
                    out.problem = Problem{static_cast<int>(start) + 1, "string without its closing quote"};
                    return out;
                }
                if (line[i] == '\'') {
                    if (i + 1 < line.size() && line[i + 1] == '\'') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            add(TokenKind::String, start, i);
            continue;
        }
        TokenKind kind;
        switch (c) {
            case '$': kind = TokenKind::Dollar; break;
            case ',': kind = TokenKind::Comma; break;
            case ':': kind = TokenKind::Colon; break;
            case '(': kind = TokenKind::Open; break;
            case ')': kind = TokenKind::Close; break;
            case '+': kind = TokenKind::Plus; break;
            case '-': kind = TokenKind::Minus; break;
            case '*': kind = TokenKind::Star; break;
            case '/': kind = TokenKind::Slash; break;
            default: {
                unsigned char u = static_cast<unsigned char>(c);
                static constexpr char kDigits[] = "0123456789ABCDEF";
                std::string message = "unexpected character ";
                if (u >= 0x20 && u < 0x7F) {
                    message += '\'';
                    message += c;
                    message += '\'';
                } else {
                    message += "byte ";
                    message += kDigits[u >> 4];
                    message += kDigits[u & 15];
                    message += 'H';
                }
                out.problem = Problem{static_cast<int>(start) + 1, std::move(message)};
                return out;
            }
        }
        ++i;
        add(kind, start, i);
    }
    return out;
}

std::string stringValue(const Token& t) {
    std::string s;
    std::string_view body = t.text.substr(1, t.text.size() - 2);
    for (std::size_t i = 0; i < body.size(); ++i) {
        s += body[i];
        if (body[i] == '\'') ++i;  // the second quote of a doubled pair
    }
    return s;
}

}  // namespace kit85::assembler
