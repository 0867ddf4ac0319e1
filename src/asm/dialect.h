#pragma once

// The words of the directives, with the spellings other 8085 assemblers use
// for them, and the header lines those assemblers want and this one ignores.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kit85::assembler {

enum class Directive { None, Org, Equ, Set, Db, Dw, Ds, End, Radix, Board };

// A directive's word: the assembler's own (ORG ... RADIX) and the other
// assemblers' spellings of them (DEFB, DFS ...). Each may also be written
// with a leading dot (.ORG, .DEFB).
struct DirectiveName {
    std::string_view name;
    Directive directive;
};

// Every directive word the assembler takes, without the dot.
std::span<const DirectiveName> directiveNames();

// The directive a word names, upper case: "ORG", ".ORG", "DEFB", ".DEFS";
// None for any other word.
Directive directiveOf(std::string_view upper);

// The directive an assembled line's statement ("DB 1,2", "MVI A,05") starts
// with, in any case; None for an instruction.
Directive directiveOfStatement(std::string_view statement);

// Whether a directive's bytes are data (DB, DW, DS and their spellings), not
// an instruction.
bool placesData(Directive d);

// The candidate nearest to a word, for a "did you mean" hint: within
// mostEdits of it, never as far as the word is long, the first in name order
// on a tie.
class NearestWord {
public:
    explicit NearestWord(std::string_view upper);
    // `upper` is the candidate as compared, `shown` as a hint writes it.
    void consider(std::string_view upper, std::string_view shown);
    // The nearest so far; empty when none is near enough.
    const std::string& best() const { return best_; }

private:
    std::string_view word_;
    std::size_t most_;
    std::size_t bestDistance_;
    std::string best_;
};

// The column (1-based) of a header line's first word (CPU "8085.TBL",
// TITLE ..., .8085), or none when the line is no such line. A header word
// followed by ':' or by EQU or SET is a name, not a header.
std::optional<int> headerLine(std::string_view line);

// The distance between two words: the fewest letters to insert, delete or
// change, or neighbours to swap, to turn one into the other (for "did you
// mean" hints).
std::size_t editDistance(std::string_view a, std::string_view b);

}  // namespace kit85::assembler
