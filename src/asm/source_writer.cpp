#include "asm/source_writer.h"

#include <set>
#include <string_view>
#include <vector>

#include "asm/expression.h"
#include "isa/opcode_table.h"
#include "values/ascii.h"

namespace kit85::assembler {
namespace {

constexpr std::size_t kBytesPerDb = 8;
constexpr std::size_t kLabelColumn = 8;

// A stretch of rows written as one thing: an instruction, data bytes, or a
// row that holds no byte.
struct Unit {
    enum Kind { Instruction, Data, Odd } kind = Data;
    std::size_t first = 0;  // index into the rows
    std::size_t length = 1;
};

std::string label(uint16_t address) { return hexDigits(address, 4).insert(0, 1, 'L'); }

bool followsOn(std::span<const SourceRow> rows, std::size_t i) {
    return i > 0 && rows[i].address == rows[i - 1].address + 1;
}

// The rows cut into instructions, data and odd rows, in order.
std::vector<Unit> unitsOf(std::span<const SourceRow> rows) {
    std::vector<Unit> units;
    for (std::size_t i = 0; i < rows.size();) {
        Unit u{rows[i].byte ? Unit::Data : Unit::Odd, i, 1};
        if (rows[i].byte) {
            const isa::Opcode& o = isa::kOpcodes[*rows[i].byte];
            bool whole = !o.gap && i + o.length <= rows.size();
            for (std::size_t k = 1; whole && k < o.length; ++k) whole = rows[i + k].byte && followsOn(rows, i + k);
            if (whole) u = Unit{Unit::Instruction, i, o.length};
        }
        units.push_back(u);
        i += u.length;
    }
    return units;
}

// A jump's or call's target (JMP, Jcc, CALL, Ccc: three bytes, J or C first).
std::optional<uint16_t> target(std::span<const SourceRow> rows, const Unit& u) {
    if (u.kind != Unit::Instruction || u.length != 3) return std::nullopt;
    const char first = isa::kOpcodes[*rows[u.first].byte].mnemonic[0];
    if (first != 'J' && first != 'C') return std::nullopt;
    return static_cast<uint16_t>(*rows[u.first + 1].byte | (*rows[u.first + 2].byte << 8));
}

std::string instructionText(std::span<const SourceRow> rows, const Unit& u, const std::set<uint16_t>& labels) {
    const std::string_view mnemonic = isa::kOpcodes[*rows[u.first].byte].mnemonic;
    std::string s(mnemonic);
    if (u.length == 1) return s;
    s += mnemonic.find(' ') == std::string_view::npos ? " " : ",";
    if (u.length == 2) return s + hexNumber(*rows[u.first + 1].byte, 2);
    const uint16_t word = static_cast<uint16_t>(*rows[u.first + 1].byte | (*rows[u.first + 2].byte << 8));
    return s + (target(rows, u) && labels.count(word) ? label(word) : hexNumber(word, 4));
}

void line(std::string& out, const std::string& labelText, const std::string& statement) {
    std::string l = labelText.empty() ? "" : labelText + ":";
    l.append(l.size() < kLabelColumn ? kLabelColumn - l.size() : 1, ' ');
    out += l + statement + "\n";
}

// A comment's text: printable ASCII as it is, every other byte as \xNN.
std::string commentText(std::string_view text) {
    std::string s = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\') {
            s += c;
        } else {
            s.append("\\x").append(hexDigits(u, 2));
        }
    }
    return s + "\"";
}

}  // namespace

std::string sourceFromRows(std::span<const SourceRow> rows) {
    const std::vector<Unit> units = unitsOf(rows);
    std::set<uint16_t> starts, labels;
    for (const Unit& u : units) starts.insert(rows[u.first].address);
    for (const Unit& u : units)
        if (std::optional<uint16_t> t = target(rows, u); t && starts.count(*t)) labels.insert(*t);

    std::string out;
    std::string data;  // the DB line being gathered
    std::size_t inData = 0;
    auto flush = [&] {
        if (inData) line(out, "", "DB " + data);
        data.clear(), inData = 0;
    };
    for (const Unit& u : units) {
        const SourceRow& r = rows[u.first];
        const bool labelled = labels.count(r.address) > 0;
        if (!followsOn(rows, u.first) || labelled || u.kind != Unit::Data || inData == kBytesPerDb) flush();
        if (!followsOn(rows, u.first)) line(out, "", "ORG " + hexNumber(r.address, 4));
        const std::string name = labelled ? label(r.address) : "";
        if (u.kind == Unit::Instruction) {
            line(out, name, instructionText(rows, u, labels));
        } else if (u.kind == Unit::Odd) {
            line(out, name,
                 "DS 1            ; " + hexDigits(r.address, 4) + " holds " + commentText(r.text) + ", no byte");
        } else {
            if (labelled) line(out, name, "");
            data.append(inData++ ? "," : "").append(hexNumber(*r.byte, 2));
        }
    }
    flush();
    return out;
}

std::string sourceFromBytes(uint16_t origin, std::span<const uint8_t> bytes) {
    std::vector<SourceRow> rows;
    for (std::size_t i = 0; i < bytes.size() && origin + i <= 0xFFFF; ++i)
        rows.push_back({static_cast<uint16_t>(origin + i), bytes[i], ""});
    return sourceFromRows(rows);
}

std::string sourceFromMemory(const MemoryTable& memory, int row, std::size_t count) {
    std::vector<SourceRow> rows;
    for (int r = std::max(row, 0); r < memory.size() && static_cast<std::size_t>(r - row) < count; ++r) {
        const Text& address = memory.addressAt(r);
        if (!address.isWord()) continue;
        const Text& data = memory.dataAt(r);
        SourceRow s{static_cast<uint16_t>(address.hexValue()), std::nullopt, data.str()};
        if (data.isByte()) s.byte = static_cast<uint8_t>(data.hexValue());
        rows.push_back(std::move(s));
    }
    return sourceFromRows(rows);
}

}  // namespace kit85::assembler
