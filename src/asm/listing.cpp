#include "asm/listing.h"

#include <algorithm>

#include "values/ascii.h"

namespace kit85::assembler {
namespace {

constexpr std::size_t kBytesPerRow = 4;

void appendHex(std::string& s, unsigned value, int digits) {
    s += hexDigits(value & ((1ull << (4 * digits)) - 1), digits);
}

void pad(std::string& s, std::size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
}

// "8000  3E 05        " : the address (or =VALUE) and bytes columns of a row.
std::string leftColumns(std::optional<uint32_t> address, std::optional<int64_t> value, const uint8_t* bytes,
                        std::size_t count) {
    std::string s;
    if (value) {
        s += '=';
        appendHex(s, static_cast<unsigned>(*value & 0xFFFF), 4);
    } else if (address) {
        appendHex(s, *address & 0xFFFF, 4);
    }
    pad(s, 6);
    for (std::size_t i = 0; i < count; ++i) {
        if (i) s += ' ';
        appendHex(s, bytes[i], 2);
    }
    pad(s, 6 + 3 * kBytesPerRow);
    return s;
}

}  // namespace

std::string formatListing(const Assembly& a, std::string_view sourceName) {
    std::string out = "Listing of " + std::string(sourceName) + "\n";
    if (a.placedWithoutOrg)
        out += "Placed at " + hexDigits(*a.placedWithoutOrg, 4) + "H: no ORG before the first byte\n";
    out += "\nADDR  BYTES       LINE  SOURCE\n";
    std::size_t next = 0;  // the next diagnostic, in line order
    for (const AssembledLine& l : a.lines) {
        std::size_t first = std::min(l.bytes.size(), kBytesPerRow);
        std::string row = leftColumns(l.address, l.value, l.bytes.data(), first);
        std::string number = std::to_string(l.line);
        row.append(number.size() < 4 ? 4 - number.size() : 0, ' ');
        out += row + number + "  " + l.source;
        while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
        out += '\n';
        for (std::size_t i = first; i < l.bytes.size(); i += kBytesPerRow) {
            std::string more = leftColumns(*l.address + i, std::nullopt, l.bytes.data() + i,
                                           std::min(kBytesPerRow, l.bytes.size() - i));
            while (!more.empty() && more.back() == ' ') more.pop_back();
            out += more + '\n';
        }
        for (; next < a.diagnostics.size() && a.diagnostics[next].line <= l.line; ++next)
            out += "*** " + a.diagnostics[next].format(sourceName) + '\n';
    }
    if (!a.symbols.empty()) {
        out += "\nSYMBOL            VALUE  LINE\n";
        for (const Symbol& s : a.symbols) {
            std::string row = s.name;
            pad(row, 16);
            row += "  ";
            appendHex(row, static_cast<unsigned>(s.value & 0xFFFF), 4);
            std::string number = std::to_string(s.line);
            row.append(number.size() < 6 ? 6 - number.size() : 0, ' ');
            out += row + number + '\n';
        }
    }
    return out;
}

}  // namespace kit85::assembler
