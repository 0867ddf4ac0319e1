#include "profile/board_inputs.h"

#include <cctype>
#include <charconv>

namespace kit85::profile {
namespace {

std::optional<uint8_t> hexByteOf(std::string_view s) {
    if (s.empty() || s.size() > 2) return std::nullopt;
    unsigned v = 0;
    for (char c : s) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        v = v * 16 +
            static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    return static_cast<uint8_t>(v);
}

std::vector<std::string_view> parts(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    for (std::size_t at = 0;;) {
        const std::size_t next = s.find(sep, at);
        out.push_back(s.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos) return out;
        at = next + 1;
    }
}

std::optional<uint64_t> tstateOf(std::string_view s) {
    uint64_t t = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), t);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return t;
}

std::string quoted(std::string_view s) {
    std::string q(1, '"');
    q.append(s);
    q += '"';
    return q;
}

}  // namespace

std::optional<std::string> addInput(const std::string& given, BoardRequest& q, const std::string& option) {
    const std::string what = option + " " + given;
    const std::size_t eq = given.find('=');
    if (eq == std::string::npos) return what + ": give PORT=BYTE[,BYTE...] or PORT=BYTE@T[,BYTE@T...]";
    const std::optional<uint8_t> port = hexByteOf(std::string_view(given).substr(0, eq));
    if (!port) return what + ": the port is one or two hex digits";
    const bool timed = given.find('@') != std::string::npos;
    BoardRequest::Fed fed{*port, {}};
    std::vector<BoardRequest::At> at;
    for (std::string_view item : parts(std::string_view(given).substr(eq + 1), ',')) {
        const std::size_t sign = item.find('@');
        if ((sign != std::string_view::npos) != timed)
            return what + ": give every byte a T-state (BYTE@T) or none (a sequence)";
        const std::optional<uint8_t> byte = hexByteOf(item.substr(0, sign));
        if (!byte) return what + ": " + quoted(item.substr(0, sign)) + " is no byte (one or two hex digits)";
        if (!timed) {
            fed.bytes.push_back(*byte);
            continue;
        }
        const std::optional<uint64_t> t = tstateOf(item.substr(sign + 1));
        if (!t) return what + ": the T-state " + quoted(item.substr(sign + 1)) + " is no decimal count";
        board::Input in;
        in.kind = board::Input::Port;
        in.port = *port;
        in.value = *byte;
        at.push_back({*t, in});
    }
    if (timed)
        q.timed.insert(q.timed.end(), at.begin(), at.end());
    else
        q.sequences.push_back(std::move(fed));
    return std::nullopt;
}

std::optional<std::string> addInterrupt(const std::string& given, BoardRequest& q, const std::string& option) {
    const std::string what = option + " " + given;
    const std::size_t sign = given.rfind('@');
    if (sign == std::string::npos) return what + ": give NAME@T, e.g. RST7.5@1000";
    const std::optional<board::Line> line = board::lineNamed(std::string_view(given).substr(0, sign));
    if (!line) return what + ": the interrupts are TRAP, RST7.5, RST6.5, RST5.5 and INTR";
    const std::optional<uint64_t> t = tstateOf(std::string_view(given).substr(sign + 1));
    if (!t) return what + ": the T-state " + quoted(std::string_view(given).substr(sign + 1)) + " is no decimal count";
    board::Input in;
    in.kind = board::Input::Request;
    in.line = *line;
    q.timed.push_back({*t, in});
    return std::nullopt;
}

std::optional<std::string> addKeys(const std::string& given, BoardRequest& q, const std::string& option) {
    for (std::string_view code : parts(given, ',')) {
        const std::optional<uint8_t> b = hexByteOf(code);
        if (!b) return option + " " + given + ": " + quoted(code) + " is no key code (one or two hex digits)";
        q.keys.push_back(*b);
    }
    return std::nullopt;
}

void applyBoardRequest(const BoardRequest& q, board::Board& b) {
    for (const BoardRequest::Fed& f : q.sequences) b.feed(f.port, f.bytes);
    for (const BoardRequest::At& a : q.timed) b.schedule(a.tstate, a.input);
    for (uint8_t k : q.keys) {
        board::Input in;
        in.kind = board::Input::Key;
        in.value = k;
        b.apply(in);
    }
}

}  // namespace kit85::profile
