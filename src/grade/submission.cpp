#include "grade/submission.h"

#include <algorithm>
#include <map>

#include "asm/assembler.h"
#include "grade/ranges.h"
#include "memory/intel_hex.h"
#include "memory/memory_file.h"
#include "memory/memory_table.h"
#include "values/input_file.h"

namespace kit85::grade {
namespace fs = std::filesystem;
namespace {

// No program for 64 KiB of memory, in any form, comes near this.
constexpr std::size_t kMostSourceBytes = 16u << 20;

Program fromBytes(const std::vector<HexByte>& bytes) {
    // A later byte for the same address wins, as when keyed in that order.
    std::map<uint16_t, Text> rows;
    for (const HexByte& b : bytes) rows[b.address] = Text::byte(b.value);
    Program p;
    for (auto& [address, text] : rows)
        if (!text.is(0, 2)) p.rows.emplace_back(address, std::move(text));
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

Program assembleProgram(std::string_view source, const std::string& name) {
    const assembler::Assembly a = assembler::assemble(source);
    if (a.ok()) return fromBytes(a.bytes());
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

Program readProgramOf(const fs::path& file, ProgramKind kind) {
    if (kind == ProgramKind::MemoryFile) return readMemoryFile(file);
    // Only a regular file is read, opened without blocking, so a pipe or
    // device named as a submission cannot stall the grader.
    const InputRead read = readInputFile(file, kMostSourceBytes, InputFiles::RegularOnly);
    if (!read.ok()) return Program{{}, read.problem->reason()};
    const std::string& text = read.bytes;
    if (kind == ProgramKind::Asm) return assembleProgram(text, file.filename().string());
    const IntelHexImage image = parseIntelHex(text);
    if (!image.ok()) return Program{{}, "not an Intel HEX file: " + image.error->message()};
    return fromBytes(image.bytes);
}

Program readProgram(const fs::path& file, const Lab& lab) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return Program{{}, "cannot be read (No such file or directory)"};
    const std::optional<ProgramKind> kind = programKindOf(file);
    if (!kind) return Program{{}, "is not a submission: name it .asm, .hex or .sqlite"};
    if (!lab.takes(*kind)) {
        std::string list;
        for (ProgramKind k : lab.accepts) list += (list.empty() ? "" : ", ") + std::string(kindName(k));
        return Program{{}, "this lab takes " + list + " submissions, not " + std::string(kindName(*kind))};
    }
    return readProgramOf(file, *kind);
}

Found findSubmissions(const std::vector<fs::path>& arguments) {
    Found found;
    std::error_code ec;
    auto entries = [&](const fs::path& dir) {
        std::vector<fs::directory_entry> list;
        for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
            if (e.path().filename().string().front() != '.') list.push_back(e);
        std::sort(list.begin(), list.end(), [](const auto& x, const auto& y) { return x.path() < y.path(); });
        return list;
    };
    // A student's folder: its one file.
    auto studentFolder = [&](const fs::path& dir) {
        std::vector<fs::directory_entry> list = entries(dir);
        std::vector<fs::path> programs;
        for (const fs::directory_entry& e : list)
            if (e.is_regular_file(ec) && (list.size() == 1 || programKindOf(e.path()))) programs.push_back(e.path());
        if (programs.size() != 1) {
            return Submission{dir.filename().string(), dir,
                              "the folder holds " + std::to_string(programs.size()) +
                                  " submission files, not one .asm, .hex or .sqlite"};
        }
        return Submission{dir.filename().string(), programs[0], {}};
    };
    for (const fs::path& arg : arguments) {
        if (!fs::is_directory(arg, ec)) {
            found.submissions.push_back({arg.stem().string(), arg, {}});
            continue;
        }
        std::vector<fs::directory_entry> list = entries(arg);
        if (list.size() == 1 && list[0].is_regular_file(ec)) {
            const fs::path name = arg.filename().empty() ? arg.parent_path().filename() : arg.filename();
            found.submissions.push_back({name.string(), list[0].path(), {}});
            continue;
        }
        for (const fs::directory_entry& e : list) {
            if (e.is_directory(ec))
                found.submissions.push_back(studentFolder(e.path()));
            else if (programKindOf(e.path()))
                found.submissions.push_back({e.path().stem().string(), e.path(), {}});
            else
                found.notes.push_back(e.path().string() + ": not .asm, .hex or .sqlite; passed over");
        }
    }
    return found;
}

}  // namespace kit85::grade
