#include "grade/submission.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>

#include "asm/assembler.h"
#include "grade/ranges.h"
#include "memory/intel_hex.h"
#include "memory/memory_table.h"

namespace kit85::grade {
namespace fs = std::filesystem;
namespace {

// No program for 64 KiB of memory, in any form, comes near this.
constexpr std::size_t kMostSourceBytes = 16u << 20;

std::string lowerExtension(const fs::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The whole file, or the problem. Opened without blocking and refused unless
// it is a regular file, so a pipe or device named as a submission cannot
// stall the grader.
std::pair<std::string, std::string> readFile(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {{}, std::string("cannot be read (") + std::strerror(errno) + ")"};
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return {{}, "is not a regular file"};
    if (static_cast<std::size_t>(st.st_size) > kMostSourceBytes) return {{}, "is larger than 16 MiB"};
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {{}, std::string("cannot be read (") + std::strerror(errno) + ")"};
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kMostSourceBytes) return {{}, "is larger than 16 MiB"};
        text.append(buf, static_cast<std::size_t>(n));
    }
    return {std::move(text), {}};
}

Program fromBytes(const std::vector<HexByte>& bytes) {
    // A later byte for the same address wins, as when keyed in that order.
    std::map<uint16_t, Text> rows;
    for (const HexByte& b : bytes) rows[b.address] = Text::byte(b.value);
    Program p;
    for (auto& [address, text] : rows)
        if (!text.is(0, 2)) p.rows.emplace_back(address, std::move(text));
    return p;
}

// A file: URI for SQLite, with the characters a URI gives meaning escaped.
std::string fileUri(const fs::path& file) {
    std::string uri = "file:";
    for (char c : fs::absolute(file).string()) {
        if (c == '%' || c == '?' || c == '#' || static_cast<unsigned char>(c) < 0x20) {
            char esc[4];
            std::snprintf(esc, sizeof esc, "%%%02X", static_cast<unsigned char>(c));
            uri += esc;
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro&immutable=1";
}

// Table d2 of a memory file, read-only and immutable: SQLite takes no lock
// and writes no journal, so the file and its folder stay exactly as they were.
Program readMemoryFile(const fs::path& file) {
    Program p;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        p.problem = fs::exists(file, ec) ? "is not a regular file" : "cannot be read (No such file or directory)";
        return p;
    }
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(fileUri(file).c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    sqlite3_stmt* st = nullptr;
    if (opened != SQLITE_OK || sqlite3_prepare_v2(db, "SELECT address, data FROM d2", -1, &st, nullptr) != SQLITE_OK) {
        p.problem = "is not a kit85 memory file (" + std::string(db ? sqlite3_errmsg(db) : "out of memory") + ")";
        sqlite3_close(db);
        return p;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const auto* a = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const auto* d = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        if (!a || !d) continue;
        const std::string_view address(a), data(d);
        // Rows the kit cannot reach by address are no part of the program.
        if (address.size() != 4 || !parseAddress(address).value) continue;
        if (data.size() > kMaxTextLength) {
            p.problem = "row " + std::string(address) + " holds a text longer than 255 characters";
            break;
        }
        Text text(data);
        if (!text.is(0, 2)) p.rows.emplace_back(*parseAddress(address).value, std::move(text));
    }
    if (rc != SQLITE_DONE && p.problem.empty()) p.problem = "is not a kit85 memory file (" + std::string(sqlite3_errmsg(db)) + ")";
    sqlite3_finalize(st);
    sqlite3_close(db);
    std::sort(p.rows.begin(), p.rows.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    if (!p.problem.empty()) p.rows.clear();
    return p;
}

}  // namespace

std::optional<Kind> kindOfFile(const fs::path& file) {
    const std::string ext = lowerExtension(file);
    if (ext == ".asm" || ext == ".a85" || ext == ".s") return Kind::Asm;
    if (ext == ".hex" || ext == ".ihx") return Kind::Hex;
    if (ext == ".sqlite" || ext == ".sqlite3" || ext == ".db" || ext == ".kit85") return Kind::MemoryFile;
    return std::nullopt;
}

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

Program readProgramOf(const fs::path& file, Kind kind) {
    if (kind == Kind::MemoryFile) return readMemoryFile(file);
    auto [text, problem] = readFile(file);
    if (!problem.empty()) return Program{{}, problem};
    if (kind == Kind::Asm) return assembleProgram(text, file.filename().string());
    const IntelHexImage image = parseIntelHex(text);
    if (!image.ok()) return Program{{}, "not an Intel HEX file: " + image.error->message()};
    return fromBytes(image.bytes);
}

Program readProgram(const fs::path& file, const Lab& lab) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return Program{{}, "cannot be read (No such file or directory)"};
    const std::optional<Kind> kind = kindOfFile(file);
    if (!kind) return Program{{}, "is not a submission: name it .asm, .hex or .sqlite"};
    if (!lab.takes(*kind)) {
        std::string list;
        for (Kind k : lab.accepts) list += (list.empty() ? "" : ", ") + std::string(kindName(k));
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
            if (e.is_regular_file(ec) && (list.size() == 1 || kindOfFile(e.path()))) programs.push_back(e.path());
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
            else if (kindOfFile(e.path()))
                found.submissions.push_back({e.path().stem().string(), e.path(), {}});
            else
                found.notes.push_back(e.path().string() + ": not .asm, .hex or .sqlite; passed over");
        }
    }
    return found;
}

}  // namespace kit85::grade
