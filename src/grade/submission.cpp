#include "grade/submission.h"

#include <algorithm>
#include <map>

#include "asm/assembler.h"
#include "grade/ranges.h"
#include "memory/intel_hex.h"
#include "memory/memory_file.h"
#include "memory/memory_table.h"
#include "values/input_file.h"
#include "values/text_encoding.h"

namespace kit85::grade {
namespace fs = std::filesystem;
namespace {

constexpr const char* kLinkProblem = "is a symbolic link, not a submission file; not graded";

// No program for 64 KiB of memory, in any form, comes near this.
constexpr std::size_t kMostSourceBytes = 16u << 20;

Program fromBytes(const std::vector<HexByte>& bytes) {
    // A later byte for the same address wins, as when keyed in that order.
    std::map<uint16_t, Text> rows;
    for (const HexByte& b : bytes) rows[b.address] = Text::byte(b.value);
    Program p;
    for (auto& [address, text] : rows) {
        if (text.is(0, 2))
            p.zeros.push_back(address);
        else
            p.rows.emplace_back(address, std::move(text));
    }
    return p;
}

// Table d2 of a memory file, through the memory file's own read-only reading
// (nothing is written, locked or put beside the file; d2 must be a plain
// table, so a recursive view cannot stall the grader).
Program readMemoryFile(const fs::path& file) {
    Program p;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        p.problem = fs::exists(file, ec) ? "is not a regular file" : "cannot be read (No such file or directory)";
        return p;
    }
    std::vector<StoredRow> stored;
    try {
        stored = MemoryFile::readOnly(file);
    } catch (const StoreError& e) {
        p.problem = "is not a kit85 memory file (" + std::string(e.what()) + ")";
        return p;
    }
    for (StoredRow& row : stored) {
        // Rows the kit cannot reach by address are no part of the program.
        const std::string address = row.address.str();
        if (address.size() != 4 || !parseAddress(address).value) continue;
        if (row.data.size() > kMaxTextLength) {
            p.problem = "row " + address + " holds a text longer than 255 characters";
            p.rows.clear();
            return p;
        }
        if (!row.data.is(0, 2)) p.rows.emplace_back(*parseAddress(address).value, std::move(row.data));
    }
    std::sort(p.rows.begin(), p.rows.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    return p;
}

}  // namespace

Program assembleProgram(std::string_view source, const std::string& name, uint16_t origin, bool board) {
    assembler::Options options;
    options.origin = origin;
    options.board = board;
    const assembler::Assembly a = assembler::assemble(source, options);
    if (a.ok()) {
        Program p = fromBytes(a.bytes());
        for (const assembler::Diagnostic& d : a.diagnostics)
            if (d.severity == assembler::Diagnostic::Severity::Warning) p.warnings.push_back(d.format(name));
        return p;
    }
    Program p;
    for (const assembler::Diagnostic& d : a.diagnostics) {
        if (d.severity != assembler::Diagnostic::Severity::Error) continue;
        const std::size_t n = a.errors();
        p.problem = "assembler error: " + d.format(name);
        if (n > 1) p.problem += " (and " + std::to_string(n - 1) + " more)";
        break;
    }
    return p;
}

Program readProgramOf(const fs::path& file, ProgramKind kind, uint16_t origin, bool board) {
    if (kind == ProgramKind::MemoryFile) return readMemoryFile(file);
    // Only a regular file is read, opened without blocking, so a pipe or
    // device named as a submission cannot stall the grader.
    const InputRead read = readInputFile(file, kMostSourceBytes, InputFiles::RegularOnly);
    if (!read.ok()) return Program::refused(read.problem->reason());
    // A source saved as UTF-16 reads as its text; one that is no text at all
    // is named for what it is.
    const DecodedText decoded = decodeText(read.bytes);
    if (!decoded.ok()) return Program::refused("is not a text file: " + decoded.problem);
    const std::string& text = decoded.text;
    if (kind == ProgramKind::Asm) return assembleProgram(text, file.filename().string(), origin, board);
    const IntelHexImage image = parseIntelHex(text);
    if (!image.ok()) return Program::refused("not an Intel HEX file: " + image.error->message());
    return fromBytes(image.bytes);
}

Program readProgram(const fs::path& file, const Lab& lab) {
    std::error_code ec;
    // A link could point at any file the grader may read (the reference
    // solution, a system file): it is never followed.
    if (fs::is_symlink(file, ec)) return Program::refused(kLinkProblem);
    if (!fs::exists(file, ec)) return Program::refused("cannot be read (No such file or directory)");
    const std::optional<ProgramKind> kind = programKindOf(file);
    if (!kind) return Program::refused("is not a submission: name it .asm, .hex or .sqlite");
    if (!lab.takes(*kind)) {
        std::string list;
        for (ProgramKind k : lab.accepts) list += (list.empty() ? "" : ", ") + std::string(kindName(k));
        return Program::refused("this lab takes " + list + " submissions, not " + std::string(kindName(*kind)));
    }
    return readProgramOf(file, *kind, lab.origin(), lab.board != nullptr);
}

namespace {

bool isLink(const fs::path& p) {
    std::error_code ec;
    return fs::is_symlink(p, ec);
}

// A folder's entries in name order, those starting with a dot passed over
// with a note; an unreadable folder gives its reason in `problem`.
std::vector<fs::directory_entry> entriesOf(const fs::path& dir, Found& found, std::string& problem) {
    std::vector<fs::directory_entry> list;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (it->path().filename().string().front() == '.')
            found.notes.push_back(it->path().string() + ": its name starts with a dot; passed over");
        else
            list.push_back(*it);
    }
    if (ec) problem = "the folder cannot be read (" + ec.message() + ")";
    std::sort(list.begin(), list.end(), [](const auto& x, const auto& y) { return x.path() < y.path(); });
    return list;
}

// A student's folder: its one file (any name when it holds only one).
Submission studentFolder(const fs::path& dir, Found& found) {
    const std::string student = dir.filename().string();
    std::string problem;
    const std::vector<fs::directory_entry> list = entriesOf(dir, found, problem);
    if (!problem.empty()) return Submission{student, dir, problem};
    std::error_code ec;
    std::vector<fs::path> programs;
    for (const fs::directory_entry& e : list)
        if ((e.is_symlink(ec) || e.is_regular_file(ec)) && (list.size() == 1 || programKindOf(e.path())))
            programs.push_back(e.path());
    if (programs.size() != 1)
        return Submission{
            student, dir,
            "the folder holds " + std::to_string(programs.size()) + " submission files, not one .asm, .hex or .sqlite"};
    return Submission{student, programs[0], isLink(programs[0]) ? kLinkProblem : ""};
}

}  // namespace

Found findSubmissions(const std::vector<fs::path>& arguments) {
    Found found;
    std::error_code ec;
    for (const fs::path& arg : arguments) {
        if (isLink(arg) || !fs::is_directory(arg, ec)) {
            found.submissions.push_back({arg.stem().string(), arg, isLink(arg) ? kLinkProblem : ""});
            continue;
        }
        const fs::path name = arg.filename().empty() ? arg.parent_path().filename() : arg.filename();
        std::string problem;
        const std::vector<fs::directory_entry> list = entriesOf(arg, found, problem);
        if (!problem.empty()) {
            found.submissions.push_back({name.string(), arg, problem});
            continue;
        }
        if (list.size() == 1 && !list[0].is_symlink(ec) && list[0].is_regular_file(ec)) {
            found.submissions.push_back({name.string(), list[0].path(), {}});
            continue;
        }
        for (const fs::directory_entry& e : list) {
            if (e.is_symlink(ec) && programKindOf(e.path()))
                found.submissions.push_back({e.path().stem().string(), e.path(), kLinkProblem});
            else if (!e.is_symlink(ec) && e.is_directory(ec))
                found.submissions.push_back(studentFolder(e.path(), found));
            else if (programKindOf(e.path()))
                found.submissions.push_back({e.path().stem().string(), e.path(), {}});
            else
                found.notes.push_back(e.path().string() + ": not .asm, .hex or .sqlite; passed over");
        }
    }
    return found;
}

}  // namespace kit85::grade
