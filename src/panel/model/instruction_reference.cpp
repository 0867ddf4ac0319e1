#include "panel/model/instruction_reference.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "isa/disassembler.h"
#include "isa/opcode_table.h"
#include "values/ascii.h"
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

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
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
        InstructionNote note = instructionNote(i.code);
        i.what = std::move(note.what);
        i.flagRules = std::move(note.flagRules);
        i.example = std::move(note.example);
        out.push_back(std::move(i));
    }
    return out;
}

std::string exampleText(const InstructionExample& e) {
    return e.instruction + ": " + (e.before.empty() ? std::string("(at 8000)") : e.before) + " \u2192 " +
           (e.after.empty() ? std::string("nothing changes but PC") : e.after);
}

bool matchesSearch(const InstructionInfo& i, std::string_view words) {
    const std::string want = lowered(trimmed(words));
    if (want.empty()) return true;
    for (const std::string& field : {hexDigits(i.code), i.form, i.flags, i.what, i.flagRules, exampleText(i.example)})
        if (lowered(field).find(want) != std::string::npos) return true;
    return false;
}

std::string noMatchMessage(std::string_view words) {
    return "no instruction matches \u201C" + std::string(trimmed(words)) + "\u201D";
}

}  // namespace kit85
