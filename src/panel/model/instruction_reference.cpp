#include "panel/model/instruction_reference.h"

#include <array>
#include <string_view>

#include "isa/disassembler.h"
#include "isa/opcode_table.h"

namespace kit85 {

namespace {

struct FlagRule {
    std::string_view operation;
    std::string_view flags;
};

// By the mnemonic's operation; POP PSW is looked at whole first.
constexpr std::array<FlagRule, 24> kFlagRules = {{
    {"POP PSW", "S Z AC P CY"},
    {"ADD", "S Z AC P CY"},
    {"ADC", "S Z AC P CY"},
    {"SUB", "S Z AC P CY"},
    {"SBB", "S Z AC P CY"},
    {"ANA", "S Z AC P CY"},
    {"XRA", "S Z AC P CY"},
    {"ORA", "S Z AC P CY"},
    {"CMP", "S Z AC P CY"},
    {"ADI", "S Z AC P CY"},
    {"ACI", "S Z AC P CY"},
    {"SUI", "S Z AC P CY"},
    {"SBI", "S Z AC P CY"},
    {"ANI", "S Z AC P CY"},
    {"XRI", "S Z AC P CY"},
    {"ORI", "S Z AC P CY"},
    {"CPI", "S Z AC P CY"},
    {"DAA", "S Z AC P CY"},
    {"INR", "S Z AC P"},
    {"DCR", "S Z AC P"},
    {"RLC", "CY"},
    {"RRC", "CY"},
    {"RAL", "CY"},
    {"RAR", "CY"},
}};

}  // namespace

std::string flagsSetBy(const std::string& mnemonic) {
    if (mnemonic == kFlagRules[0].operation) return std::string(kFlagRules[0].flags);
    const std::string_view op = std::string_view(mnemonic).substr(0, mnemonic.find(' '));
    for (const FlagRule& r : kFlagRules)
        if (r.operation == op) return std::string(r.flags);
    if (op == "STC" || op == "CMC" || op == "DAD") return "CY";
    return "none";
}

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
        i.flags = flagsSetBy(o.mnemonic);
        i.onThisKit = o.executor != isa::Executor::None;
        out.push_back(std::move(i));
    }
    return out;
}

}  // namespace kit85
