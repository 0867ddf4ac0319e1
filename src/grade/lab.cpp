#include "grade/lab.h"

#include <algorithm>
#include <sstream>

#include "grade/toml_values.h"
#include "values/input_file.h"

namespace kit85::grade {
namespace {

// A lab file is a page of text; the bound keeps a mistaken device or huge
// file from being read whole.
constexpr std::size_t kMostLabBytes = 4u << 20;

ProgramKind kindOf(const toml::node& n, std::string_view key) {
    const std::string name = stringOf(n, key);
    for (ProgramKind k : {ProgramKind::Asm, ProgramKind::Hex, ProgramKind::MemoryFile})
        if (kindName(k) == name) return k;
    refuse(n.source(), quote(key) + " takes asm, hex and memory, not " + quote(name));
}

RandomRows randomRowsOf(const toml::key& address, const toml::node& n) {
    const Span span = checked(parseSpan(address.str()), address.source());
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
    if (const toml::node* v = t.get("inputs"))
        for (auto&& [address, value] : tableOf(*v, "inputs")) ref.inputs.push_back(randomRowsOf(address, value));
    if (const toml::node* v = t.get("compare")) ref.compareRows = spansOf(*v, "compare");
    if (const toml::node* v = t.get("registers"))
        for (const toml::node& e : arrayOf(*v, "registers")) ref.compareRegisters.push_back(registerOf(e.source(), stringOf(e, "registers")));
    if (const toml::node* v = t.get("flags"))
        for (const toml::node& e : arrayOf(*v, "flags")) ref.compareFlags.push_back(flagOf(e.source(), stringOf(e, "flags")));
    if (ref.inputs.empty()) refuse(n.source(), "a reference needs 'inputs', the rows given random bytes");
    if (ref.compareRows.empty() && ref.compareRegisters.empty() && ref.compareFlags.empty())
        refuse(n.source(), "a reference compares nothing: give 'compare', 'registers' or 'flags'");
    return ref;
}

Case caseOf(const toml::node& n, const std::filesystem::path& labFile) {
    const toml::table& t = tableOf(n, "case");
    onlyKeys(t, {"name", "points", "hidden", "memory", "registers", "flags", "expect", "reference"}, "a case");
    Case c;
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
    onlyKeys(t, {"steps", "tstates"}, "limits");
    if (const toml::node* v = t.get("steps")) lab.maxSteps = static_cast<uint64_t>(integerOf(*v, "steps", 1, INT64_MAX));
    if (const toml::node* v = t.get("tstates"))
        lab.maxTStates = static_cast<uint64_t>(integerOf(*v, "tstates", 1, INT64_MAX));
}

Lab labOf(const toml::table& t, const std::filesystem::path& file) {
    onlyKeys(t, {"name", "description", "accepts", "at", "limits", "case"}, "the lab");
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
    if (const toml::node* v = t.get("at")) lab.at = checked(parseAddress(stringOf(*v, "at")), v->source());
    if (const toml::node* v = t.get("limits")) limitsOf(*v, lab);
    const toml::node* cases = t.get("case");
    if (!cases) refuse(toml::source_region{{1, 1}, {1, 1}, {}}, "the lab has no [[case]]");
    for (const toml::node& c : arrayOf(*cases, "case")) lab.cases.push_back(caseOf(c, file));
    for (std::size_t i = 0; i < lab.cases.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (lab.cases[i].name == lab.cases[j].name)
                refuse(toml::source_region{{static_cast<uint32_t>(lab.cases[i].line), 1}, {}, {}},
                       "a second case named " + quote(lab.cases[i].name));
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
           !tstates.max && !unchangedOutside;
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
