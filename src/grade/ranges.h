#pragma once

// The small texts of a lab file and the grader's options: addresses, spans
// of rows, byte lists and register values. Each parse gives the value or a
// problem worded for the user.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grade/lab.h"

namespace kit85::grade {

// The text in single quotes, cut to 40 characters: how messages show what
// the user wrote.
std::string quote(std::string_view text);

template <class T>
struct Parsed {
    std::optional<T> value;
    std::string problem;
};

// One to four hex digits, either case: "8050".
Parsed<uint16_t> parseAddress(std::string_view text);
// "8050" (one row) or "8050-8057" (both ends included).
Parsed<Span> parseSpan(std::string_view text);
// Hex bytes separated by blanks or commas: "34 12", "3A".
Parsed<std::vector<uint8_t>> parseBytes(std::string_view text);
// A register's text: hex digits, at most `width`, given upper-case and
// padded to `width` ("5" reads "05").
Parsed<Text> parseRegister(std::string_view text, unsigned width);

}  // namespace kit85::grade
