#include "grade/kit_check.h"

namespace kit85::grade {

Program programFromTable(const MemoryTable& memory) {
    Program p;
    for (int row = 0; row < memory.size(); ++row) {
        const Text& address = memory.addressAt(row);
        if (!address.isWord()) continue;
        const Text& data = memory.dataAt(row);
        if (!data.is(0, 2)) p.rows.emplace_back(static_cast<uint16_t>(address.hexValue()), data);
    }
    std::sort(p.rows.begin(), p.rows.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    return p;
}

CaseInputs inputsOf(const Case& c, const CaseResult& result) {
    CaseInputs in{c.memory, c.registers, c.flags};
    in.rows.insert(in.rows.end(), result.inputs.begin(), result.inputs.end());
    return in;
}

void loadInputs(KitState& kit, const Lab& lab, const CaseInputs& inputs) {
    MemoryTable& memory = kit.memory();
    memory.beginEdit();
    try {
        for (const Rows& r : inputs.rows) {
            for (std::size_t i = 0; i < r.bytes.size(); ++i) {
                memory.findAddress(Text::word(r.first + static_cast<uint32_t>(i)));
                memory.keyText2(Text::byte(r.bytes[i]));  // refused with NoRowError on a table without the row
            }
        }
    } catch (...) {
        memory.endEdit();
        throw;
    }
    memory.endEdit();
    for (const RegisterField& f : kRegisterFields) kit[f.reg] = Text::digits(0, mostCharacters(f.reg));
    kit.flags = FlagLabels{};
    for (const RegisterValue& r : inputs.registers) kit[r.reg] = r.value;
    for (const FlagValue& f : inputs.flags) kit.flags.*kFlagFields[f.flag].label = caption(f.set);
    memory.findAddress(Text::word(lab.at));
}

std::string hiddenSummary(const std::vector<CaseResult>& results) {
    int hidden = 0, failed = 0;
    for (const CaseResult& r : results) {
        if (!r.hidden) continue;
        ++hidden;
        failed += r.passed ? 0 : 1;
    }
    if (hidden == 0) return {};
    std::string s = std::to_string(hidden) + (hidden == 1 ? " hidden case: " : " hidden cases: ");
    if (failed == 0) return s + (hidden == 1 ? "passed" : "all passed");
    return s + std::to_string(failed) + " failed";
}

}  // namespace kit85::grade
