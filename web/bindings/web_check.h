#pragma once

// "Check my program" for the page: the kit's memory run through a lab file's
// cases by the grader, in the words of the desktop kit's check pane.

#include <string>
#include <vector>

#include "memory/memory_table.h"

namespace kit85::web {

struct CaseLine {
    std::string name;
    bool passed = false;
    std::string failure;              // what differed first; "" when passed
    std::vector<std::string> checks;  // "✔ A: 07", "✘ A: expected 07, got 06"
};

struct LabCheck {
    bool ok = false;
    std::string problem;          // the lab file could not be used, and why
    std::string name;             // the lab's
    std::string summary;          // "2 of 3 cases passed"
    std::string hidden;           // "1 hidden case: passed"
    std::vector<CaseLine> cases;  // the cases shown (not the hidden ones)
};

// The lab file at `labFile` (a path in the page's file system; references
// beside it), its cases run on the program memory holds.
LabCheck checkProgram(const MemoryTable& memory, const std::string& labFile);

}  // namespace kit85::web
