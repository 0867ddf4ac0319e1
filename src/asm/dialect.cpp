#include "asm/dialect.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "asm/lexer.h"
#include "values/ascii.h"

namespace kit85::assembler {
namespace {

constexpr std::array<DirectiveName, 15> kDirectives = {{
    {"ORG", Directive::Org},
    {"EQU", Directive::Equ},
    {"SET", Directive::Set},
    {"DB", Directive::Db},
    {"DW", Directive::Dw},
    {"DS", Directive::Ds},
    {"END", Directive::End},
    {"RADIX", Directive::Radix},
    {"BOARD", Directive::Board},
    {"DEFB", Directive::Db},
    {"DFB", Directive::Db},
    {"DEFM", Directive::Db},
    {"DEFW", Directive::Dw},
    {"DEFS", Directive::Ds},
    {"DFS", Directive::Ds},
}};

// Lines other assemblers need for their own setup; nothing here depends on them.
constexpr std::array<std::string_view, 12> kHeaders = {"CPU",  "HOF",    "TITLE", "SUBTTL", "PAGE", "EJECT",
                                                       "LIST", "NOLIST", "NAME",  "8085",   "8080", "SPACE"};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// One edit, two for a word of five letters or more: FOO is no typing slip of NOP.
std::size_t mostEdits(std::size_t letters) { return letters >= 5 ? 2 : 1; }

}  // namespace

std::span<const DirectiveName> directiveNames() { return kDirectives; }

Directive directiveOf(std::string_view upper) {
    if (upper.size() > 1 && upper.front() == '.') upper.remove_prefix(1);
    for (const DirectiveName& d : kDirectives)
        if (d.name == upper) return d.directive;
    return Directive::None;
}

Directive directiveOfStatement(std::string_view statement) {
    return directiveOf(upperAscii(statement.substr(0, statement.find(' '))));
}

bool placesData(Directive d) { return d == Directive::Db || d == Directive::Dw || d == Directive::Ds; }

std::optional<int> headerLine(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    const std::size_t start = i;
    if (i < line.size() && line[i] == '.') ++i;
    while (i < line.size() && isNameChar(line[i])) ++i;
    std::string word = upperAscii(line.substr(start, i - start));
    const bool dotted = word.starts_with('.');
    if (dotted) word.erase(0, 1);
    if (std::find(kHeaders.begin(), kHeaders.end(), word) == kHeaders.end()) return std::nullopt;
    if (!dotted && (word == "8085" || word == "8080")) return std::nullopt;  // a number, not a header
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i < line.size() && line[i] == ':') return std::nullopt;
    std::size_t next = i;
    while (next < line.size() && isNameChar(line[next])) ++next;
    const std::string after = upperAscii(line.substr(i, next - i));
    if (after == "EQU" || after == "SET") return std::nullopt;
    return static_cast<int>(start) + 1;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    // Three rows of the table: two back for a swap of neighbours (HTL, HLT).
    std::vector<std::size_t> before(b.size() + 1), last(b.size() + 1), row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) last[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[j] = std::min(row[j], before[j - 2] + 1);
        }
        std::swap(before, last);
        std::swap(last, row);
    }
    return last[b.size()];
}

NearestWord::NearestWord(std::string_view upper)
    : word_(upper), most_(mostEdits(upper.size())), bestDistance_(most_ + 1) {}

void NearestWord::consider(std::string_view upper, std::string_view shown) {
    // Words whose lengths differ by more than the edits allowed are never near.
    if (upper.size() + most_ < word_.size() || word_.size() + most_ < upper.size()) return;
    const std::size_t d = editDistance(word_, upper);
    if (d >= word_.size() || d > bestDistance_ || (d == bestDistance_ && shown >= best_)) return;
    best_ = std::string(shown);
    bestDistance_ = d;
}

}  // namespace kit85::assembler
