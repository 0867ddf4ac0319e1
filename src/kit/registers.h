#pragma once

// The register fields and flag labels by name: one table each, in the order
// the register panel and the reports list them.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "values/flags.h"

namespace kit85 {

// Register fields, numbered so that B..A match the 8085's 3-bit register codes
// (6, M, is memory and has no field).
enum Reg : uint8_t { B = 0, C = 1, D = 2, E = 3, H = 4, L = 5, M = 6, A = 7, F = 8, PC = 9, SP = 10 };
constexpr int kRegisterSlots = 11;

struct RegisterField {
    std::string_view name;  // as the panel labels it
    Reg reg;
    unsigned width;  // the most characters the field takes when typed into
};

constexpr std::array<RegisterField, 10> kRegisterFields = {{
    {"A", A, 2},
    {"B", B, 2},
    {"C", C, 2},
    {"D", D, 2},
    {"E", E, 2},
    {"H", H, 2},
    {"L", L, 2},
    {"F", F, 2},
    {"PC", PC, 4},
    {"SP", SP, 4},
}};

struct FlagField {
    std::string_view name;  // S Z AC P CY
    Text FlagLabels::*label;
};

constexpr std::array<FlagField, 5> kFlagFields = {{
    {"S", &FlagLabels::slb},
    {"Z", &FlagLabels::zlb},
    {"AC", &FlagLabels::auxlb},
    {"P", &FlagLabels::plb},
    {"CY", &FlagLabels::clb},
}};

// The field's name ("A", "PC"); "M" for memory.
constexpr std::string_view registerName(Reg r) {
    for (const RegisterField& f : kRegisterFields)
        if (f.reg == r) return f.name;
    return "M";
}

// The most characters the field takes: 2, or 4 for PC and SP.
constexpr unsigned mostCharacters(Reg r) { return r == PC || r == SP ? 4 : 2; }

// Look-ups by exact (upper-case) name.
constexpr std::optional<RegisterField> registerNamed(std::string_view name) {
    for (const RegisterField& f : kRegisterFields)
        if (f.name == name) return f;
    return std::nullopt;
}
constexpr std::optional<FlagField> flagNamed(std::string_view name) {
    for (const FlagField& f : kFlagFields)
        if (f.name == name) return f;
    return std::nullopt;
}

}  // namespace kit85
