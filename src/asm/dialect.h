#pragma once

// The words of the directives, with the spellings other 8085 assemblers use
// for them, and the header lines those assemblers want and this one ignores.

#include <optional>
#include <string_view>

namespace kit85::assembler {

enum class Directive { None, Org, Equ, Set, Db, Dw, Ds, End, Radix };

// The directive a word names, upper case: "ORG", ".ORG", "DEFB", ".DEFS";
// None for any other word.
Directive directiveOf(std::string_view upper);

// The column (1-based) of a header line's first word (CPU "8085.TBL",
// TITLE ..., .8085), or none when the line is no such line. A header word
// followed by ':' or by EQU or SET is a name, not a header.
std::optional<int> headerLine(std::string_view line);

// The distance between two words: the fewest letters to insert, delete or
// change to turn one into the other (for "did you mean" hints).
std::size_t editDistance(std::string_view a, std::string_view b);

// The most edits a hint allows for a word of `letters` letters.
std::size_t mostEdits(std::size_t letters);

}  // namespace kit85::assembler
