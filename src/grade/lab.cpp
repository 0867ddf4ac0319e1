#include "grade/lab.h"

#include <algorithm>
#include <sstream>
#include <unordered_set>

#include "grade/board_keys.h"
#include "grade/toml_values.h"
#include "values/input_file.h"

namespace kit85::grade {
namespace {

toml::source_region lineOf(int line) { return toml::source_region{{static_cast<uint32_t>(line), 1}, {}, {}}; }

ProgramKind kindOf(const toml::node& n, std::string_view key) {
    const std::string name = stringOf(n, key);
    for (ProgramKind k : {ProgramKind::Asm, ProgramKind::Hex, ProgramKind::MemoryFile})
        if (kindName(k) == name) return k;
    refuse(n.source(), quote(key) + " takes asm, hex and memory, not " + quote(name));
}

RandomRows randomRowsOf(const toml::key& address, const toml::node& n) {
    const Span span = checked(parseSpan(address.str()), address.source());
    inRam(span, address.source());
    RandomRows r{span.first, span.count, 0, 0xFF};
    if (n.is_table()) {
        const toml::table& t = *n.as_table();
        onlyKeys(t, {"count", "min", "max"}, "an input");
        if (const toml::node* v = t.get("count")) r.count = static_cast<uint32_t>(integerOf(*v, "count", 1, 0x10000));
        auto byte = [&](const char* key, uint8_t fallback) {
            const toml::node* v = t.get(key);
            if (!v) return fallback;
            if (v->is_integer()) return static_cast<uint8_t>(integerOf(*v, key, 0, 255));
            std::vector<uint8_t> b = checked(parseBytes(stringOf(*v, key)), v->source());
            if (b.size() != 1) refuse(v->source(), quote(key) + " must be one byte");
            return b[0];
        };
        r.min = byte("min", 0);
        r.max = byte("max", 0xFF);
        if (r.min > r.max) refuse(n.source(), "the input at " + span.str() + " has min above max");
    } else if (!n.is_boolean() || !n.as_boolean()->get()) {
        wrongType(n, address.str(), "a table { count, min, max } or true");
    }
    if (r.first + r.count > 0x10000) refuse(address.source(), "the input at " + span.str() + " runs past FFFF");
    return r;
}

Reference referenceOf(const toml::node& n, const std::filesystem::path& labFile) {
    const toml::table& t = tableOf(n, "reference");
    onlyKeys(t, {"program", "runs", "seed", "inputs", "compare", "registers", "flags"}, "a case's reference");
    Reference ref;
    const toml::node* program = t.get("program");
    if (!program) refuse(n.source(), "a reference needs 'program', the file of the reference solution");
    ref.program = labFile.parent_path() / stringOf(*program, "program");
    // A name of no known kind is read as an assembler source.
    ref.kind = programKindOf(ref.program).value_or(ProgramKind::Asm);
    if (const toml::node* v = t.get("runs")) ref.runs = static_cast<uint32_t>(integerOf(*v, "runs", 1, 100000));
    if (const toml::node* v = t.get("seed")) ref.seed = static_cast<uint64_t>(integerOf(*v, "seed", 0, INT64_MAX));
    if (const toml::node* v = t.get("inputs")) {
        std::vector<std::pair<Span, toml::source_region>> keys;
        for (auto&& [address, value] : tableOf(*v, "inputs")) {
            ref.inputs.push_back(randomRowsOf(address, value));
            keys.emplace_back(Span{ref.inputs.back().first, ref.inputs.back().count}, address.source());
        }
        oneKeyARow(std::move(keys));
    }
    if (const toml::node* v = t.get("compare")) {
        ref.compareRows = spansOf(*v, "compare");
        for (const Span& s : ref.compareRows) inRam(s, v->source());
    }
    if (const toml::node* v = t.get("registers"))
        for (const toml::node& e : arrayOf(*v, "registers"))
            ref.compareRegisters.push_back(registerOf(e.source(), stringOf(e, "registers")));
    if (const toml::node* v = t.get("flags"))
        for (const toml::node& e : arrayOf(*v, "flags"))
            ref.compareFlags.push_back(flagOf(e.source(), stringOf(e, "flags")));
    if (ref.inputs.empty()) refuse(n.source(), "a reference needs 'inputs', the rows given random bytes");
    if (ref.compareRows.empty() && ref.compareRegisters.empty() && ref.compareFlags.empty())
        refuse(n.source(), "a reference compares nothing: give 'compare', 'registers' or 'flags'");
    return ref;
}

Case caseOf(const toml::node& n, const Lab& lab) {
    const std::filesystem::path& labFile = lab.file;
    const toml::table& t = tableOf(n, "case");
    onlyKeys(t,
             {"name", "points", "hidden", "memory", "registers", "flags", "expect", "reference", "in", "interrupts",
              "keys"},
             "a case");
    Case c;
    c.board = lab.board;
    checkBoardCase(t, c);
    boardInputsOf(t, c);
    c.line = static_cast<int>(n.source().begin.line);
    const toml::node* name = t.get("name");
    if (!name) refuse(n.source(), "a case needs a 'name'");
    c.name = stringOf(*name, "name");
    if (c.name.empty()) refuse(name->source(), "a case's name is empty");
    if (const toml::node* v = t.get("points")) c.points = static_cast<int>(integerOf(*v, "points", 0, 1000000));
    if (const toml::node* v = t.get("hidden")) c.hidden = booleanOf(*v, "hidden");
    if (const toml::node* v = t.get("memory")) c.memory = rowsOf(*v, "memory");
    if (const toml::node* v = t.get("registers")) c.registers = registersOf(*v);
    if (const toml::node* v = t.get("flags")) c.flags = flagsOf(*v);
    if (const toml::node* v = t.get("expect")) c.expect = expectationOf(*v);
    if (const toml::node* v = t.get("reference")) c.reference = referenceOf(*v, labFile);
    if (c.expect.empty() && !c.reference)
        refuse(t.get("expect") ? t.get("expect")->source() : n.source(),
               "the case " + quote(c.name) + " expects nothing: give 'expect' or 'reference'");
    return c;
}

void limitsOf(const toml::node& n, Lab& lab) {
    const toml::table& t = tableOf(n, "limits");
    onlyKeys(t, {"steps", "tstates", "unwritten_rows"}, "limits");
    if (const toml::node* v = t.get("steps"))
        lab.maxSteps = static_cast<uint64_t>(integerOf(*v, "steps", 1, static_cast<int64_t>(kMostSteps)));
    if (const toml::node* v = t.get("tstates"))
        lab.maxTStates = static_cast<uint64_t>(integerOf(*v, "tstates", 1, static_cast<int64_t>(kMostTStates)));
    if (const toml::node* v = t.get("unwritten_rows"))
        lab.gapRows = static_cast<uint32_t>(integerOf(*v, "unwritten_rows", 0, 0x10000));
}

// What a reference case keeps for all its runs: their random bytes and the
// reference's compared values.
uint64_t referenceValues(const Reference& ref) {
    uint64_t each = ref.compareRegisters.size() + ref.compareFlags.size();
    for (const RandomRows& r : ref.inputs) each += r.count;
    for (const Span& s : ref.compareRows) each += s.count;
    return each * ref.runs;
}

// The bounds that span cases: unique names, the points and the reference runs.
void checkCases(const Lab& lab) {
    std::unordered_set<std::string_view> names;
    int64_t points = 0;
    uint64_t values = 0;
    for (const Case& c : lab.cases) {
        if (!names.insert(c.name).second) refuse(lineOf(c.line), "a second case named " + quote(c.name));
        points += c.points;
        if (points > kMostPoints)
            refuse(lineOf(c.line), "the cases give more than " + std::to_string(kMostPoints) + " points together");
        if (c.reference) values += referenceValues(*c.reference);
        if (values > kMostReferenceValues)
            refuse(lineOf(c.line), "the reference cases keep more than " + std::to_string(kMostReferenceValues) +
                                       " random bytes and compared values (fewer runs or rows)");
    }
}

Lab labOf(const toml::table& t, const std::filesystem::path& file) {
    onlyKeys(t, {"name", "description", "accepts", "at", "org", "limits", "board", "case"}, "the lab");
    Lab lab;
    lab.file = file;
    const toml::node* name = t.get("name");
    if (!name) refuse(toml::source_region{{1, 1}, {1, 1}, {}}, "the lab needs a 'name'");
    lab.name = stringOf(*name, "name");
    if (const toml::node* v = t.get("description")) lab.description = stringOf(*v, "description");
    if (const toml::node* v = t.get("accepts")) {
        lab.accepts.clear();
        for (const toml::node& e : arrayOf(*v, "accepts")) lab.accepts.push_back(kindOf(e, "accepts"));
        if (lab.accepts.empty()) refuse(v->source(), "'accepts' takes nothing: give asm, hex or memory");
    }
    if (const toml::node* v = t.get("at")) {
        lab.at = checked(parseAddress(stringOf(*v, "at")), v->source());
        if (lab.at < kFirstRamRow)
            refuse(v->source(),
                   "'at' is " + Text::word(lab.at).str() + ", below 8000: the kit runs programs from its RAM");
    }
    if (const toml::node* v = t.get("org")) lab.org = checked(parseAddress(stringOf(*v, "org")), v->source());
    if (const toml::node* v = t.get("limits")) limitsOf(*v, lab);
    if (const toml::node* v = t.get("board")) lab.board = boardOf(*v, file);
    const toml::node* cases = t.get("case");
    if (!cases) refuse(toml::source_region{{1, 1}, {1, 1}, {}}, "the lab has no [[case]]");
    const toml::array& list = arrayOf(*cases, "case");
    if (list.size() > kMostCases)
        refuse(list[kMostCases].source(), "more than " + std::to_string(kMostCases) + " cases");
    for (const toml::node& c : list) lab.cases.push_back(caseOf(c, lab));
    checkCases(lab);
    return lab;
}

}  // namespace

std::string_view kindName(ProgramKind k) {
    switch (k) {
        case ProgramKind::Asm: return "asm";
        case ProgramKind::Hex: return "hex";
        case ProgramKind::MemoryFile: return "memory";
    }
    return "asm";
}

bool Expectation::empty() const {
    return registers.empty() && flags.empty() && memory.empty() && !stop && !steps.min && !steps.max && !tstates.min &&
           !tstates.max && !unchangedOutside && outputs.empty() && devices.empty();
}

bool Lab::takes(ProgramKind k) const { return std::find(accepts.begin(), accepts.end(), k) != accepts.end(); }

int Lab::maxPoints() const {
    int sum = 0;
    for (const Case& c : cases) sum += c.points;
    return sum;
}

std::string LabError::message() const {
    std::string where = file.string();
    if (line > 0) {
        where += ':';
        where += std::to_string(line);
        where += ':';
        where += std::to_string(column);
    }
    return where + ": " + problem;
}

LabResult parseLab(std::string_view text, const std::filesystem::path& file) {
    LabResult out;
    if (text.size() > kMostLabBytes)
        return {std::nullopt,
                LabError{file, 0, 0, "is larger than " + sizeText(kMostLabBytes) + "; no lab file is that large"}};
    if (std::optional<Refusal> r = nestingProblem(text))
        return {std::nullopt, LabError{file, r->line, r->column, r->problem}};
    try {
        toml::table t = toml::parse(text, file.string());
        out.lab = labOf(t, file);
    } catch (const toml::parse_error& e) {
        out.error = LabError{file, static_cast<int>(e.source().begin.line), static_cast<int>(e.source().begin.column),
                             std::string(e.description())};
    } catch (const Refusal& r) {
        out.error = LabError{file, r.line, r.column, r.problem};
    }
    return out;
}

LabResult readLab(const std::filesystem::path& file) {
    std::error_code ec;
    // A link is not followed: the lab is the file named, not one it points at.
    if (std::filesystem::is_symlink(file, ec))
        return {std::nullopt, LabError{file, 0, 0, "is a symbolic link; give the lab file itself"}};
    if (!std::filesystem::exists(file, ec)) return {std::nullopt, LabError{file, 0, 0, "there is no such file"}};
    // A regular file alone, opened without blocking: a pipe never stalls the grader.
    const InputRead read = readInputFile(file, kMostLabBytes, InputFiles::RegularOnly);
    if (read.ok()) return parseLab(read.bytes, file);
    const InputProblem& p = *read.problem;
    const std::string why = p.what == InputProblem::What::NotRegular ? "is not a file"
                            : p.what == InputProblem::What::TooLarge ? p.reason() + "; no lab file is that large"
                                                                     : p.reason();
    return {std::nullopt, LabError{file, 0, 0, why}};
}

}  // namespace kit85::grade
