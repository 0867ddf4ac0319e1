#pragma once

// A small harness for instruction tests.
//
// A case names the instruction bytes (placed at 8000, the cursor on 8000), a
// setup and the expected outcome, both as blank-separated assignments:
//
//   A=FF B=01 CY=1      register fields and flag labels (S Z AC P CY)
//   @2050=05            the data of the row of 2050
//   row=2050            (expect only) the address of the current row afterwards
//   ret=1               (expect only) what the executors returned
//   threw=1             (expect only) the instruction stopped with a KitError;
//                       the other fields show what it had done by then
//
// One instruction is carried out as the drivers do it (exec1, then exec2 when
// exec1 declines), without rebuilding F or moving to PC, so the test sees where
// the instruction itself left the cursor. Every field not named in the
// expectation must keep its value; a failure lists every field that differs.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "isa/exec.h"
#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "support/recording_presenter.h"
#include "values/errors.h"

namespace kit85::testing {

struct IsaCase {
    const char* name;
    std::vector<std::string> bytes;  // the instruction, from 8000 on
    const char* setup;
    const char* expect;
};

inline std::ostream& operator<<(std::ostream& os, const IsaCase& c) { return os << c.name; }

class Machine {
public:
    Machine() : memory(MemoryTable::fresh()), kit(*memory, presenter) {}

    std::unique_ptr<MemoryTable> memory;
    RecordingPresenter presenter;
    KitState kit;

    void poke(const std::string& address, const std::vector<std::string>& data) {
        memory->findAddress(Text(address));
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (i) memory->MoveNext();
            memory->setText2(Text(data[i]));
        }
    }
    std::string peek(const std::string& address) const {
        auto r = memory->rowOf(Text(address));
        return r ? memory->dataAt(*r).str() : "<no row>";
    }

    Text* field(const std::string& name) {
        static const std::map<std::string, Reg> regs = {{"A", A}, {"B", B}, {"C", C}, {"D", D},   {"E", E},
                                                        {"H", H}, {"L", L}, {"F", F}, {"PC", PC}, {"SP", SP}};
        if (auto it = regs.find(name); it != regs.end()) return &kit[it->second];
        if (name == "S") return &kit.flags.slb;
        if (name == "Z") return &kit.flags.zlb;
        if (name == "AC") return &kit.flags.auxlb;
        if (name == "P") return &kit.flags.plb;
        if (name == "CY") return &kit.flags.clb;
        return nullptr;
    }

    // Splits "A=FF @2050=05" into name/value pairs. A value may be quoted to
    // hold blanks: A='3e ' .
    static std::vector<std::pair<std::string, std::string>> parse(const char* assignments) {
        std::vector<std::pair<std::string, std::string>> out;
        std::string s = assignments ? assignments : "";
        std::size_t i = 0;
        while (i < s.size()) {
            while (i < s.size() && s[i] == ' ') ++i;
            if (i >= s.size()) break;
            std::size_t eq = s.find('=', i);
            if (eq == std::string::npos) {
                ADD_FAILURE() << "no '=' in \"" << s.substr(i) << "\" (quote values that hold blanks)";
                break;
            }
            std::string name = s.substr(i, eq - i);
            i = eq + 1;
            std::string value;
            if (i < s.size() && s[i] == '\'') {
                std::size_t end = s.find('\'', i + 1);
                value = s.substr(i + 1, end - i - 1);
                i = end + 1;
            } else {
                std::size_t end = s.find(' ', i);
                if (end == std::string::npos) end = s.size();
                value = s.substr(i, end - i);
                i = end;
            }
            out.emplace_back(name, value);
        }
        return out;
    }

    void apply(const char* setup) {
        for (auto& [name, value] : parse(setup)) {
            if (name[0] == '@')
                poke(name.substr(1), {value});
            else if (Text* t = field(name))
                *t = Text(value);
            else
                ADD_FAILURE() << "unknown field in setup: " << name;
        }
    }

    // Every register and flag, the current row, and the rows named in `also`.
    std::map<std::string, std::string> snapshot(const std::vector<std::string>& also) {
        std::map<std::string, std::string> s;
        for (const char* n : {"A", "B", "C", "D", "E", "H", "L", "F", "PC", "SP", "S", "Z", "AC", "P", "CY"})
            s[n] = field(n)->str();
        s["row"] = memory->onRow() ? memory->text1().str() : "<no row>";
        for (const auto& a : also) s["@" + a] = peek(a);
        return s;
    }

    // Carries out the instruction on the current row as a driver cycle does,
    // minus rebuilding F and moving to PC.
    int16_t execOne() {
        const Text opcode = memory->text2();
        int16_t r = exec1(kit, opcode);
        if (r == 1) r = exec2(kit, opcode);
        return r;
    }
};

// Runs one case and reports every field that differs from what it should be.
inline void runCase(const IsaCase& c) {
    Machine m;
    m.apply(c.setup);
    m.poke("8000", c.bytes);
    m.memory->findAddress(Text("8000"));

    auto expect = Machine::parse(c.expect);
    std::vector<std::string> rows;
    for (auto& [name, value] : expect)
        if (name[0] == '@') rows.push_back(name.substr(1));
    for (auto& [name, value] : Machine::parse(c.setup))
        if (name[0] == '@') rows.push_back(name.substr(1));

    auto want = m.snapshot(rows);
    want["row"] = "8000";  // unless the case says where the cursor ends
    want["threw"] = "0";
    std::string wantRet = "0";
    for (auto& [name, value] : expect) {
        if (name == "ret")
            wantRet = value;
        else
            want[name] = value;
    }

    int16_t ret = 0;
    std::string threw = "0", message;
    try {
        ret = m.execOne();
    } catch (const KitError& e) {
        threw = "1";
        message = e.what();
    }
    auto got = m.snapshot(rows);
    got["threw"] = threw;

    std::ostringstream diff;
    for (auto& [name, value] : want)
        if (got[name] != value) diff << "\n  " << name << ": got \"" << got[name] << "\", want \"" << value << "\"";
    if (threw == "0" && std::to_string(ret) != wantRet) diff << "\n  returned " << ret << ", want " << wantRet;
    if (!diff.str().empty() && !message.empty()) diff << "\n  (the error: " << message << ")";
    EXPECT_TRUE(diff.str().empty()) << c.name << ":" << diff.str();
}

}  // namespace kit85::testing
