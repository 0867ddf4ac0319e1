#pragma once

// Names and messages as the grader's reports show them. Students choose their
// file names, and lab files name cases: a name may hold control characters,
// bytes that are not UTF-8, C1 controls or the characters that reorder text
// right to left. Shown as they are, these move the terminal's cursor, make a
// JUnit file that no XML reader accepts, or make "gpj.exe" read as "exe.jpg".
// Every report shows them escaped instead, so it stays well-formed and says
// what the name really holds.

#include <cstddef>
#include <string>
#include <string_view>

namespace kit85::grade {

// A name on one line: control characters (C0, DEL, C1) and bytes that are not
// UTF-8 as \xNN, the direction marks, embeddings, overrides and isolates
// (U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) and the non-characters
// U+FFFE and U+FFFF as \uNNNN. Everything else as it is.
std::string shownName(std::string_view s);

// The same for a text of several lines: line feeds, returns and tabs stay.
std::string shownText(std::string_view s);

// `s` when it has at most `most` characters (at least 3), else its first
// `most` - 3 and "...". `s` must be UTF-8 (as shownName makes it), so no
// character is cut in two.
std::string cutText(std::string_view s, std::size_t most);

// JSON text (UTF-8) with its C1 controls, direction characters and
// U+FFFE/U+FFFF written as \uNNNN escapes: the same JSON value, which no
// viewer of the file reorders or hides.
std::string jsonInvisiblesEscaped(std::string_view json);

}  // namespace kit85::grade
