#include "panel/model/program_loader.h"

#include <algorithm>

#include "asm/dialect.h"
#include "values/input_file.h"
#include "values/text_encoding.h"

namespace kit85 {

namespace {

// An Intel HEX file for 64 KiB of memory is well under a megabyte; the bound
// keeps a mistaken pick of a huge file from eating memory.
constexpr std::size_t kMostProgramFileBytes = 16u << 20;
constexpr uint16_t kKeypadFloor = 0x8000;

ProgramLoad refused(std::string problem) {
    ProgramLoad p;
    p.problem = std::move(problem);
    return p;
}

// A source's lines sorted into instructions and data (DB, DW, DS in any of
// the spellings the assembler takes: DEFB, .DB, DFB, DEFW ...).
OpenedProgram layoutOf(const assembler::Assembly& a) {
    OpenedProgram p;
    for (const assembler::AssembledLine& line : a.lines) {
        if (!line.address || line.bytes.empty()) continue;
        if (assembler::placesData(assembler::directiveOfStatement(line.statement))) {
            for (std::size_t i = 0; i < line.bytes.size(); ++i)
                p.data.push_back(static_cast<uint16_t>(*line.address + i));
        } else {
            p.instructions.push_back(*line.address);
        }
    }
    return p;
}

ProgramLoad placed(ProgramLoad p, std::string_view name);

// The first address of each run of consecutive addresses in `image`, and
// `start` when it lies in memory, in ascending order.
std::vector<uint16_t> runStarts(const std::vector<HexByte>& image, std::optional<uint32_t> start) {
    std::vector<uint16_t> addresses;
    addresses.reserve(image.size());
    for (const HexByte& b : image) addresses.push_back(b.address);
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    std::vector<uint16_t> starts;
    for (std::size_t i = 0; i < addresses.size(); ++i)
        if (i == 0 || addresses[i - 1] + 1 != addresses[i]) starts.push_back(addresses[i]);
    if (start && *start <= 0xFFFF) {
        const auto at = std::lower_bound(starts.begin(), starts.end(), static_cast<uint16_t>(*start));
        if (at == starts.end() || *at != *start) starts.insert(at, static_cast<uint16_t>(*start));
    }
    return starts;
}

}  // namespace

std::optional<ProgramKind> programKind(const std::filesystem::path& file) {
    const std::optional<ProgramKind> kind = programKindOf(file);
    if (kind == ProgramKind::MemoryFile) return std::nullopt;
    return kind;
}

ProgramLoad readProgram(std::string_view text, ProgramKind kind, std::string_view name,
                        const assembler::Options& options) {
    if (kind == ProgramKind::Asm) return readAssembly(assembler::assemble(text, options), name);
    if (kind == ProgramKind::MemoryFile) return refused(std::string(name) + " is a memory file, not a program");
    ProgramLoad p;
    IntelHexImage image = parseIntelHex(text);
    if (!image.ok()) return refused(std::string(name) + ": " + image.error->message() + "; nothing was stored");
    p.image = std::move(image.bytes);
    p = placed(std::move(p), name);
    // A HEX file says nothing of what is code: the listing follows the flow
    // from the first row of each run of consecutive bytes (where a record
    // run, and most often a routine, begins) and from its start address.
    if (p.ok) p.program.flowStarts = runStarts(p.image, image.start);
    return p;
}

ProgramLoad readAssembly(assembler::Assembly a, std::string_view name) {
    ProgramLoad p;
    for (const assembler::Diagnostic& d : a.diagnostics) p.diagnostics.push_back(d.format(name));
    if (!a.ok()) {
        const std::size_t n = a.errors();
        p.problem =
            std::string(name) + ": " + std::to_string(n) + (n == 1 ? " error" : " errors") + "; nothing was stored";
        return p;
    }
    p.image = a.bytes();
    p.program = layoutOf(a);
    p.assembly = std::move(a);
    return placed(std::move(p), name);
}

namespace {

// Where a read program lies; refused when it holds no bytes.
ProgramLoad placed(ProgramLoad p, std::string_view name) {
    if (p.image.empty()) {
        p.problem = std::string(name) + " holds no bytes; nothing was stored";
        return p;
    }
    const auto [lowest, highest] = std::minmax_element(
        p.image.begin(), p.image.end(), [](const HexByte& x, const HexByte& y) { return x.address < y.address; });
    p.first = lowest->address;
    p.program.first = lowest->address;
    p.program.last = highest->address;
    p.ok = true;
    return p;
}

}  // namespace

ProgramLoad storeProgram(MemoryTable& memory, ProgramLoad program, std::string_view name) {
    if (!program.ok) return program;
    auto refuse = [&](std::string problem) {
        program.ok = false;
        program.problem = std::move(problem);
        return program;
    };

    std::vector<int> rows;
    rows.reserve(program.image.size());
    for (const HexByte& b : program.image) {
        const std::optional<int> row = memory.rowOf(Text::word(b.address));
        if (!row)
            return refuse(std::string(name) + ": the memory has no row " + Text::word(b.address).str() +
                          "; nothing was stored");
        rows.push_back(*row);
    }
    const std::optional<int> firstRow = memory.rowOf(Text::word(std::max(*program.first, kKeypadFloor)));

    // Earlier writes go to the file first, so that a refusal below takes back
    // only this program's bytes.
    try {
        memory.flush();
    } catch (const StoreError& e) {
        return refuse(std::string(name) + ": the memory file refuses writes (" + e.what() + "); nothing was stored");
    }

    // The program's bytes are keyed as one edit, so that one undo takes the
    // whole program back; endEdit commits the bytes and their history rows in
    // one transaction.
    const int cursor = memory.cursor();
    std::vector<Text> old;
    old.reserve(rows.size());
    for (int row : rows) old.push_back(memory.dataAt(row));
    // Drops the edit's history, then gives the rows their old texts back,
    // last write first (an address given twice gets its first old text back);
    // they stay pending with the texts the file holds.
    auto takeBack = [&](const std::string& why) {
        memory.abandonEdit();
        for (std::size_t i = rows.size(); i-- > 0;) {
            memory.setCursor(rows[i]);
            memory.setText2(old[i]);
        }
        memory.setCursor(cursor);
        return refuse(std::string(name) + ": " + why + "; nothing was stored");
    };
    memory.beginEdit();
    try {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            memory.setCursor(rows[i]);
            memory.keyText2(Text::byte(program.image[i].value));
        }
        memory.endEdit();
    } catch (const StoreError& e) {
        return takeBack(std::string("the memory file refuses writes (") + e.what() + ")");
    } catch (const KitError& e) {
        return takeBack(e.what());  // the rows were checked above: not expected
    }
    memory.setCursor(firstRow ? *firstRow : rows.front());
    return program;
}

ProgramLoad loadProgram(MemoryTable& memory, const std::filesystem::path& file, const assembler::Options& options) {
    const std::string name = file.filename().string();
    const std::optional<ProgramKind> kind = programKind(file);
    if (!kind) return refused(name + " is neither an Intel HEX file (.hex) nor an 8085 source (.asm)");
    const InputRead read = readInputFile(file, kMostProgramFileBytes);
    if (!read.ok()) return refused(read.problem->message("a program file"));
    // A UTF-16 source reads as its text; a picture or NUL-bearing file is
    // named for what it is rather than for its first odd byte.
    const DecodedText text = decodeText(read.bytes);
    if (!text.ok()) return refused(notTextMessage(name, text) + "; nothing was stored");
    return storeProgram(memory, readProgram(text.text, *kind, name, options), name);
}

ProgramLoad fillRange(uint16_t start, uint16_t end, uint8_t value) {
    if (end < start)
        return refused("the end " + Text::word(end).str() + " is before the start " + Text::word(start).str() +
                       "; nothing was filled");
    ProgramLoad p;
    p.image.reserve(static_cast<std::size_t>(end - start) + 1);
    for (uint32_t a = start; a <= end; ++a) p.image.push_back({static_cast<uint16_t>(a), value});
    p.first = start;
    p.program.first = start;
    p.program.last = end;
    p.ok = true;
    return p;
}

HexSave saveRange(const MemoryTable& memory, uint16_t start, uint16_t end) {
    HexSave s;
    if (end < start) {
        s.problem = "the end " + Text::word(end).str() + " is before the start " + Text::word(start).str() +
                    "; nothing was saved";
        return s;
    }
    const uint32_t length = static_cast<uint32_t>(end) - start + 1;
    std::vector<HexByte> bytes;
    bytes.reserve(length);
    for (uint32_t a = start; a < start + length; ++a) {
        const Text address = Text::word(a);
        const std::optional<int> row = memory.rowOf(address);
        if (!row) {
            s.problem = "the memory has no row " + address.str() + "; nothing was saved";
            return s;
        }
        const Text& data = memory.dataAt(*row);
        if (!data.isByte()) {
            s.problem = "row " + address.str() + " holds \"" + data.str() +
                        "\", not two upper-case hex digits; nothing was saved";
            return s;
        }
        bytes.push_back({static_cast<uint16_t>(a), static_cast<uint8_t>(data.hexValue())});
    }
    s.text = formatIntelHex(bytes);
    s.ok = true;
    return s;
}

}  // namespace kit85
