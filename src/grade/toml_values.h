#pragma once

// Reading the lab file's values from toml++ nodes. Each reader checks the
// node's type and range and throws a Refusal at the node's line and column
// when it is wrong; parseLab catches the first and reports it.

#include <toml++/toml.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "grade/lab.h"
#include "grade/ranges.h"

namespace kit85::grade {

struct Refusal {
    int line = 0;
    int column = 0;
    std::string problem;
};

// Where `text` nests arrays and inline tables deeper than kMostNesting, or
// gives a key or table header of more parts than that; nullopt when it does
// not. A lexical look at the text, made before the TOML reader (which
// recurses on both) sees it.
std::optional<Refusal> nestingProblem(std::string_view text);

[[noreturn]] void refuse(const toml::source_region& at, std::string problem);
[[noreturn]] void wrongType(const toml::node& n, std::string_view key, std::string_view wanted);

// Every key of `t` must be one of `known`; `where` names the table in the message.
void onlyKeys(const toml::table& t, std::initializer_list<std::string_view> known, std::string_view where);

const toml::table& tableOf(const toml::node& n, std::string_view key);
const toml::array& arrayOf(const toml::node& n, std::string_view key);
std::string stringOf(const toml::node& n, std::string_view key);
int64_t integerOf(const toml::node& n, std::string_view key, int64_t least, int64_t most);
bool booleanOf(const toml::node& n, std::string_view key);  // true/false or 1/0

// A ranges.h result, or a refusal at `at` with its problem.
template <class T>
T checked(Parsed<T> p, const toml::source_region& at) {
    if (!p.value) refuse(at, p.problem);
    return std::move(*p.value);
}

// "34 12", ["34", "12"] or [0x34, 0x12].
std::vector<uint8_t> bytesOf(const toml::node& n, std::string_view key);
// Refuses rows below 8000 (kFirstRamRow).
void inRam(const Span& span, const toml::source_region& at);
// Refuses two keys that give one row (each key with the rows it gives).
void oneKeyARow(std::vector<std::pair<Span, toml::source_region>> keys);
// { "8050" = "34 12", "9000-900F" = "00" }: a range takes as many bytes as
// it has rows, or one byte that fills it.
std::vector<Rows> rowsOf(const toml::node& n, std::string_view key);
Reg registerOf(const toml::source_region& at, std::string_view name);
std::size_t flagOf(const toml::source_region& at, std::string_view name);
std::vector<RegisterValue> registersOf(const toml::node& n);
std::vector<FlagValue> flagsOf(const toml::node& n);
// ["8050-8057", "8100"]
std::vector<Span> spansOf(const toml::node& n, std::string_view key);
// 500 (a maximum) or { min = 10, max = 500 }; with a scale, fractions are
// allowed and multiplied by it (seconds to T-states).
Bound boundOf(const toml::node& n, std::string_view key, uint64_t scale = 1);
std::optional<StopReason> stopOf(const toml::node& n);
Expectation expectationOf(const toml::node& n);

}  // namespace kit85::grade
