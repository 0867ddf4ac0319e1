#pragma once

// Helpers for the grading tests: labs written to a scratch folder, small
// sort programs, and a memory file made as the kit makes it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <string>

#include "grade/grader.h"
#include "grade/lab.h"
#include "grade/submission.h"
#include "memory/memory_table.h"
#include "memory/memory_test_support.h"

namespace kit85::grade::testing {

using kit85::testing::namesIn;
using kit85::testing::readBytes;
using kit85::testing::sql;
using kit85::testing::TempDir;

inline void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

// The lab in `text`, written to DIR/lab.toml (so references resolve there).
inline Lab labFrom(const TempDir& dir, const std::string& text) {
    writeFile(dir / "lab.toml", text);
    LabResult r = readLab(dir / "lab.toml");
    if (r.error) ADD_FAILURE() << r.error->message();
    return r.lab ? *r.lab : Lab{};
}

// A kit85 memory file holding the bytes of `source` from its ORG.
inline void writeMemoryFile(const std::filesystem::path& file, const std::string& source) {
    const Program p = assembleProgram(source, "m.asm");
    ASSERT_TRUE(p.ok()) << p.problem;
    std::unique_ptr<MemoryTable> t = MemoryTable::open(file);
    for (const auto& [address, text] : p.rows) {
        t->setCursor(address);
        t->setText2(text);
    }
    t->flush();
}

// A file of the worked labs (examples/labs), whole.
inline std::string exampleFile(const std::string& name) {
    return readBytes(std::filesystem::path(KIT85_SOURCE) / "examples/labs" / name);
}

// Bubble sort of the N bytes from 8051 (N at 8050), smallest first: the lab's
// reference solution.
inline const std::string kSortSource = exampleFile("bubble_sort.asm");

// A sort repeating passes until one swaps nothing, but swapping equal bytes
// too: right on distinct bytes, endless on any two that are equal.
inline const std::string kSwapOnEqualSource = exampleFile("submissions/bob.asm");

// Test names from a table row's `what`.
template <class Row>
std::string outcomeName(const ::testing::TestParamInfo<Row>& info) {
    std::string n = info.param.what;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
}

}  // namespace kit85::grade::testing
