#include "asm/encoding.h"

#include <unordered_map>

#include "isa/opcode_table.h"

namespace kit85::assembler {
namespace {

std::vector<std::string> splitFixed(std::string_view s) {
    std::vector<std::string> parts;
    if (s.empty()) return parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = s.find(',', start);
        parts.emplace_back(s.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return parts;
}

struct Table {
    std::vector<Operation> ops;
    std::unordered_map<std::string, std::size_t> byName;

    Table() {
        for (int code = 0; code < 256; ++code) {
            const isa::Opcode& o = isa::kOpcodes[code];
            std::string_view mnemonic = o.mnemonic;
            if (mnemonic.empty() || mnemonic == "-") continue;
            std::size_t blank = mnemonic.find(' ');
            std::string name(mnemonic.substr(0, blank));
            Encoding encoding;
            if (blank != std::string_view::npos) encoding.fixed = splitFixed(mnemonic.substr(blank + 1));
            encoding.code = static_cast<uint8_t>(code);
            encoding.invalidOnKit = o.executor == isa::Executor::None;
            auto [it, added] = byName.try_emplace(name, ops.size());
            if (added) {
                Operation op;
                op.name = name;
                op.fixedCount = encoding.fixed.size();
                op.length = o.length;
                op.numericFixed =
                    !encoding.fixed.empty() && encoding.fixed[0].find_first_not_of("0123456789") == std::string::npos;
                ops.push_back(std::move(op));
            }
            ops[it->second].encodings.push_back(std::move(encoding));
        }
    }
};

const Table& table() {
    static const Table t;
    return t;
}

}  // namespace

const Operation* findOperation(std::string_view upperName) {
    const Table& t = table();
    auto it = t.byName.find(std::string(upperName));
    return it == t.byName.end() ? nullptr : &t.ops[it->second];
}

const std::vector<Operation>& operations() { return table().ops; }

}  // namespace kit85::assembler
