#include "panel/model/instruction_reference.h"

#include <string_view>
#include <utility>

#include "isa/disassembler.h"
#include "isa/opcode_table.h"
#include "values/rules.h"

namespace kit85 {

namespace {

// The flags an opcode decides, as the opcode table gives them.
std::string flagNames(uint8_t decides) {
    constexpr std::pair<uint8_t, std::string_view> kNames[] = {
        {kFlagS, "S"}, {kFlagZ, "Z"}, {kFlagAC, "AC"}, {kFlagP, "P"}, {kFlagCY, "CY"}};
    std::string out;
    for (const auto& [bit, name] : kNames)
        if (decides & bit) out.append(out.empty() ? "" : " ").append(name);
    return out.empty() ? "none" : out;
}

}  // namespace

std::vector<InstructionInfo> instructionReference() {
    std::vector<InstructionInfo> out;
    for (int code = 0; code < 256; ++code) {
        const isa::Opcode& o = isa::kOpcodes[static_cast<std::size_t>(code)];
        if (o.gap) continue;
        InstructionInfo i;
        i.code = static_cast<uint8_t>(code);
        const std::string described = describeOpcode(Text::byte(static_cast<uint8_t>(code)));
        i.form = o.executor == isa::Executor::None ? std::string(o.mnemonic)
                                                   : described.substr(0, described.find(" \u2014 "));
        i.bytes = o.length;
        i.tstates = std::to_string(o.tstates);
        if (o.tstatesTaken) i.tstates.append(1, '/').append(std::to_string(o.tstatesTaken));
        i.flags = flagNames(o.flags);
        i.onThisKit = o.executor != isa::Executor::None;
        out.push_back(std::move(i));
    }
    return out;
}

}  // namespace kit85
