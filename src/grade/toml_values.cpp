#include "grade/toml_values.h"


#include <algorithm>
#include <cctype>
#include <fstream>

#include "grade/board_keys.h"
#include "grade/ranges.h"
#include "run/run_controller.h"

namespace kit85::grade {
namespace {

// Where a string that starts at text[i] ends (one past its closing quote), as
// TOML reads its four kinds; an unclosed one ends with the text or, on one
// line, at the line's end (the TOML reader then says what is wrong).
std::size_t stringEnd(std::string_view text, std::size_t i) {
    const char q = text[i];
    const bool basic = q == '"';
    const std::string_view three = basic ? "\"\"\"" : "'''";
    if (text.substr(i, 3) == three) {
        std::size_t j = i + 3;
        while (j < text.size()) {
            if (basic && text[j] == '\\') {
                j += 2;
            } else if (text.substr(j, 3) == three) {
                j += 3;
                // Up to two more quotes close the string as its content.
                for (int k = 0; k < 2 && j < text.size() && text[j] == q; ++k) ++j;
                return j;
            } else {
                ++j;
            }
        }
        return text.size();
    }
    std::size_t j = i + 1;
    while (j < text.size() && text[j] != '\n') {
        if (basic && text[j] == '\\')
            ++j;
        else if (text[j] == q)
            return j + 1;
        ++j;
    }
    return std::min(j, text.size());
}

}  // namespace

std::optional<Refusal> nestingProblem(std::string_view text) {
    int line = 1;
    std::size_t lineStart = 0;
    int depth = 0;
    int dots = 0;  // in the key or value being read
    auto at = [&](std::size_t i, std::string problem) {
        return Refusal{line, static_cast<int>(i - lineStart + 1), std::move(problem)};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = stringEnd(text, i);
            for (std::size_t j = i; j < end; ++j)
                if (text[j] == '\n') ++line, lineStart = j + 1;
            i = end - 1;
        } else if (c == '#') {
            while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
        } else if (c == '\n') {
            ++line;
            lineStart = i + 1;
            dots = 0;
        } else if (c == '.') {
            // A number holds one dot at most; a key of many parts, one per part.
            if (++dots >= kMostNesting)
                return at(i, "a key of more than " + std::to_string(kMostNesting) + " parts; no lab needs one");
        } else if (c == '[' || c == '{') {
            dots = 0;
            if (++depth > kMostNesting)
                return at(i, "arrays and tables nested more than " + std::to_string(kMostNesting) +
                                 " deep; no lab needs that");
        } else if (c == ']' || c == '}') {
            dots = 0;
            depth = std::max(depth - 1, 0);
        } else if (c == ',' || c == '=') {
            dots = 0;
        }
    }
    return std::nullopt;
}

[[noreturn]] void refuse(const toml::source_region& at, std::string problem) {
    throw Refusal{static_cast<int>(at.begin.line), static_cast<int>(at.begin.column), std::move(problem)};
}

// Every key of `t` must be one of `known`; `where` names the table in the message.
void onlyKeys(const toml::table& t, std::initializer_list<std::string_view> known, std::string_view where) {
    for (auto&& [key, value] : t) {
        if (std::find(known.begin(), known.end(), key.str()) == known.end()) {
            std::string list;
            for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
            refuse(key.source(), "unknown key " + quote(key.str()) + " in " + std::string(where) +
                                     " (the keys there are " + list + ")");
        }
    }
}

std::string_view typeName(const toml::node& n) {
    switch (n.type()) {
        case toml::node_type::table: return "a table";
        case toml::node_type::array: return "an array";
        case toml::node_type::string: return "a string";
        case toml::node_type::integer: return "an integer";
        case toml::node_type::floating_point: return "a number with a fraction";
        case toml::node_type::boolean: return "true or false";
        default: return "a date or time";
    }
}

[[noreturn]] void wrongType(const toml::node& n, std::string_view key, std::string_view wanted) {
    refuse(n.source(), quote(key) + " must be " + std::string(wanted) + ", not " + std::string(typeName(n)));
}

const toml::table& tableOf(const toml::node& n, std::string_view key) {
    if (!n.is_table()) wrongType(n, key, "a table");
    return *n.as_table();
}
const toml::array& arrayOf(const toml::node& n, std::string_view key) {
    if (!n.is_array()) wrongType(n, key, "an array");
    return *n.as_array();
}
std::string stringOf(const toml::node& n, std::string_view key) {
    if (!n.is_string()) wrongType(n, key, "a string");
    return n.as_string()->get();
}
int64_t integerOf(const toml::node& n, std::string_view key, int64_t least, int64_t most) {
    if (!n.is_integer()) wrongType(n, key, "an integer");
    const int64_t v = n.as_integer()->get();
    if (v < least || v > most)
        refuse(n.source(), quote(key) + " must be from " + std::to_string(least) + " to " + std::to_string(most) +
                               ", not " + std::to_string(v));
    return v;
}
bool booleanOf(const toml::node& n, std::string_view key) {
    if (n.is_boolean()) return n.as_boolean()->get();
    if (n.is_integer() && (n.as_integer()->get() == 0 || n.as_integer()->get() == 1)) return n.as_integer()->get() == 1;
    wrongType(n, key, "true, false, 0 or 1");
}

// A byte list: "34 12", ["34", "12"] or [0x34, 0x12].
std::vector<uint8_t> bytesOf(const toml::node& n, std::string_view key) {
    if (n.is_string()) return checked(parseBytes(n.as_string()->get()), n.source());
    if (!n.is_array()) wrongType(n, key, "a string of hex bytes or an array of bytes");
    std::vector<uint8_t> bytes;
    for (const toml::node& e : *n.as_array()) {
        if (e.is_integer())
            bytes.push_back(static_cast<uint8_t>(integerOf(e, key, 0, 255)));
        else if (e.is_string()) {
            std::vector<uint8_t> one = checked(parseBytes(e.as_string()->get()), e.source());
            bytes.insert(bytes.end(), one.begin(), one.end());
        } else
            wrongType(e, key, "a byte (a hex string or an integer)");
    }
    if (bytes.empty()) refuse(n.source(), quote(key) + " gives no bytes");
    return bytes;
}

void inRam(const Span& span, const toml::source_region& at) {
    if (span.first < kFirstRamRow)
        refuse(at, "the rows " + span.str() + " lie below 8000, where the kit keeps no program's data");
}

void oneKeyARow(std::vector<std::pair<Span, toml::source_region>> keys) {
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& x, const auto& y) { return x.first.first < y.first.first; });
    for (std::size_t i = 1; i < keys.size(); ++i) {
        const Span& was = keys[i - 1].first;
        if (keys[i].first.first < was.first + was.count)
            refuse(keys[i].second, "two keys give row " + Text::word(keys[i].first.first).str() +
                                       " (the other at line " + std::to_string(keys[i - 1].second.begin.line) +
                                       ", column " + std::to_string(keys[i - 1].second.begin.column) + ")");
    }
}

// A memory table: { "8050" = "34 12", "9000-900F" = "00" }.
std::vector<Rows> rowsOf(const toml::node& n, std::string_view key) {
    std::vector<Rows> rows;
    std::vector<std::pair<Span, toml::source_region>> keys;
    for (auto&& [address, value] : tableOf(n, key)) {
        const Span span = checked(parseSpan(address.str()), address.source());
        inRam(span, address.source());
        std::vector<uint8_t> bytes = bytesOf(value, address.str());
        const bool range = address.str().find('-') != std::string_view::npos;
        if (range && bytes.size() == 1)
            bytes.assign(span.count, bytes[0]);  // one byte fills the whole range
        else if (range && bytes.size() != span.count)
            refuse(value.source(), "the range " + span.str() + " has " + std::to_string(span.count) + " rows but " +
                                       std::to_string(bytes.size()) + " bytes are given (give one byte to fill it)");
        if (span.first + bytes.size() > 0x10000)
            refuse(address.source(), "the bytes from " + span.str() + " run past FFFF");
        keys.emplace_back(Span{span.first, static_cast<uint32_t>(bytes.size())}, address.source());
        rows.push_back({span.first, std::move(bytes)});
    }
    oneKeyARow(std::move(keys));
    return rows;
}

Reg registerOf(const toml::source_region& at, std::string_view name) {
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::optional<RegisterField> f = registerNamed(upper);
    if (!f) refuse(at, quote(name) + " is no register (A B C D E H L F PC SP)");
    return f->reg;
}

std::size_t flagOf(const toml::source_region& at, std::string_view name) {
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < kFlagFields.size(); ++i)
        if (kFlagFields[i].name == upper) return i;
    refuse(at, quote(name) + " is no flag (S Z AC P CY)");
}

std::vector<RegisterValue> registersOf(const toml::node& n) {
    std::vector<RegisterValue> out;
    for (auto&& [name, value] : tableOf(n, "registers")) {
        const Reg r = registerOf(name.source(), name.str());
        const std::string text = stringOf(value, name.str());
        out.push_back({r, checked(parseRegister(text, mostCharacters(r)), value.source())});
    }
    return out;
}

std::vector<FlagValue> flagsOf(const toml::node& n) {
    std::vector<FlagValue> out;
    for (auto&& [name, value] : tableOf(n, "flags"))
        out.push_back({flagOf(name.source(), name.str()), booleanOf(value, name.str())});
    return out;
}

std::vector<Span> spansOf(const toml::node& n, std::string_view key) {
    std::vector<Span> out;
    for (const toml::node& e : arrayOf(n, key)) out.push_back(checked(parseSpan(stringOf(e, key)), e.source()));
    return out;
}

Bound boundOf(const toml::node& n, std::string_view key, uint64_t scale) {
    Bound b;
    // Seconds are bounded so that their T-states fit.
    const int64_t most = scale == 1 ? INT64_MAX : kMostSeconds;
    if (n.is_integer()) {
        b.max = static_cast<uint64_t>(integerOf(n, key, 0, most)) * scale;
        return b;
    }
    const toml::table& t = tableOf(n, key);
    onlyKeys(t, {"min", "max"}, key);
    auto side = [&](const char* name) -> std::optional<uint64_t> {
        const toml::node* v = t.get(name);
        if (!v) return std::nullopt;
        if (scale != 1 && v->is_floating_point()) {
            const double x = v->as_floating_point()->get();
            if (!(x >= 0 && x <= static_cast<double>(kMostSeconds)))
                refuse(v->source(), quote(name) + " must be from 0 to " + std::to_string(kMostSeconds));
            return static_cast<uint64_t>(x * static_cast<double>(scale) + 0.5);
        }
        return static_cast<uint64_t>(integerOf(*v, name, 0, most)) * scale;
    };
    b.min = side("min");
    b.max = side("max");
    if (!b.min && !b.max) refuse(n.source(), quote(key) + " needs min, max or both");
    if (b.min && b.max && *b.min > *b.max) refuse(n.source(), quote(key) + ": min is more than max");
    return b;
}

std::optional<StopReason> stopOf(const toml::node& n) {
    const std::string name = stringOf(n, "stop");
    for (StopReason r :
         {StopReason::Halt, StopReason::InvalidCode, StopReason::StepLimit, StopReason::Error, StopReason::TimeSlice,
          StopReason::Monitor})
        if (stopName(r) == name) return r;
    refuse(n.source(),
           "'stop' must be halt, monitor, invalid-code, step-limit, time-slice or error, not " + quote(name));
}

Expectation expectationOf(const toml::node& n) {
    const toml::table& t = tableOf(n, "expect");
    onlyKeys(t,
             {"registers", "flags", "memory", "stop", "steps", "tstates", "seconds", "unchanged_outside", "outputs",
              "devices"},
             "a case's expect");
    Expectation e;
    if (const toml::node* v = t.get("registers")) e.registers = registersOf(*v);
    if (const toml::node* v = t.get("flags")) e.flags = flagsOf(*v);
    if (const toml::node* v = t.get("memory")) e.memory = rowsOf(*v, "memory");
    if (const toml::node* v = t.get("stop")) e.stop = stopOf(*v);
    if (const toml::node* v = t.get("steps")) e.steps = boundOf(*v, "steps");
    if (const toml::node* v = t.get("tstates")) e.tstates = boundOf(*v, "tstates");
    if (const toml::node* v = t.get("seconds")) {
        if (t.get("tstates")) refuse(v->source(), "give 'seconds' or 'tstates', not both");
        e.tstates = boundOf(*v, "seconds", kKitClockHz);
    }
    if (const toml::node* v = t.get("unchanged_outside")) e.unchangedOutside = spansOf(*v, "unchanged_outside");
    boardExpectationsOf(t, e);
    return e;
}

}  // namespace kit85::grade
