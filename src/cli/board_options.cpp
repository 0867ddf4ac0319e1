#include "cli/board_options.h"

#include <cctype>

#include "cli/escape.h"
#include "cli/options.h"

namespace kit85 {
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

uint64_t tstateOf(std::string_view s, const std::string& what) {
    const std::optional<uint64_t> t = countOf(s);
    if (!t) throw BadInput{what + ": the T-state " + noCount(s)};
    return *t;
}

void checkInput(const std::string& given, BoardRequest& q) {
    const std::string what = "--in " + echo(given);
    const std::size_t eq = given.find('=');
    if (eq == std::string::npos) throw BadInput{what + ": give PORT=BYTE[,BYTE...] or PORT=BYTE@T[,BYTE@T...]"};
    const std::optional<uint8_t> port = hexByteOf(std::string_view(given).substr(0, eq));
    if (!port) throw BadInput{what + ": the port is one or two hex digits"};
    const std::vector<std::string_view> items = parts(std::string_view(given).substr(eq + 1), ',');
    const bool timed = given.find('@') != std::string::npos;
    BoardRequest::Fed fed{*port, {}};
    for (std::string_view item : items) {
        const std::size_t at = item.find('@');
        if ((at != std::string_view::npos) != timed)
            throw BadInput{what + ": give every byte a T-state (BYTE@T) or none (a sequence)"};
        const std::optional<uint8_t> byte = hexByteOf(item.substr(0, at));
        if (!byte)
            throw BadInput{what + ": " + quotedEcho(std::string(item.substr(0, at))) +
                           " is no byte (one or two hex digits)"};
        if (!timed) {
            fed.bytes.push_back(*byte);
            continue;
        }
        board::Input in;
        in.kind = board::Input::Port;
        in.port = *port;
        in.value = *byte;
        q.timed.push_back({tstateOf(item.substr(at + 1), what), in});
    }
    if (!timed) q.sequences.push_back(std::move(fed));
}

void checkInterrupt(const std::string& given, BoardRequest& q) {
    const std::string what = "--interrupt " + echo(given);
    const std::size_t at = given.rfind('@');
    if (at == std::string::npos) throw BadInput{what + ": give NAME@T, e.g. RST7.5@1000"};
    const std::optional<board::Line> line = board::lineNamed(std::string_view(given).substr(0, at));
    if (!line) throw BadInput{what + ": the interrupts are TRAP, RST7.5, RST6.5, RST5.5 and INTR"};
    board::Input in;
    in.kind = board::Input::Request;
    in.line = *line;
    q.timed.push_back({tstateOf(std::string_view(given).substr(at + 1), what), in});
}

}  // namespace

std::optional<BoardRequest> checkBoardRequest(const std::optional<std::string>& profile,
                                              const std::vector<std::string>& inputs,
                                              const std::vector<std::string>& interrupts,
                                              const std::vector<std::string>& keys) {
    if (!profile) {
        if (!inputs.empty()) throw BadInput{"--in: the ports are the board's; give --board PROFILE too"};
        if (!interrupts.empty()) throw BadInput{"--interrupt: the interrupts come from the board; give --board too"};
        if (!keys.empty()) throw BadInput{"--key: the keys are read by the board's monitor; give --board too"};
        return std::nullopt;
    }
    if (profile->empty()) throw BadInput{"--board: the profile's name is empty"};
    BoardRequest q;
    q.profile = *profile;
    for (const std::string& in : inputs) checkInput(in, q);
    for (const std::string& i : interrupts) checkInterrupt(i, q);
    for (const std::string& k : keys)
        for (std::string_view code : parts(k, ',')) {
            const std::optional<uint8_t> b = hexByteOf(code);
            if (!b)
                throw BadInput{"--key " + echo(k) + ": " + quotedEcho(std::string(code)) +
                               " is no key code (one or two hex digits)"};
            q.keys.push_back(*b);
        }
    return q;
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

}  // namespace kit85
