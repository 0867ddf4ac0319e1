// "Check my program" for the page: the kit's memory checked against a lab
// file, as the desktop kit's check pane does it, answered as one object.

#include "web_check.h"

#include "grade/grader.h"
#include "grade/kit_check.h"
#include "grade/machine.h"

namespace kit85::web {

LabCheck checkProgram(const MemoryTable& memory, const std::string& labFile) {
    LabCheck out;
    const grade::LabResult read = grade::readLab(labFile);
    std::string problem = read.error ? read.error->message() : "";
    std::optional<grade::Grader> grader;
    if (read.lab) grader = grade::Grader::prepare(*read.lab, problem);
    if (!grader) {
        out.problem = "The lab file was not opened: " + problem;
        return out;
    }
    const grade::Lab& lab = *read.lab;
    out.name = lab.name;
    grade::Machine machine;
    const std::vector<grade::CaseResult> results = grader->check(grade::programFromTable(memory), machine);
    int passed = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const grade::CaseResult& r = results[i];
        passed += r.passed ? 1 : 0;
        if (lab.cases[i].hidden) continue;
        CaseLine line{r.name, r.passed, r.failure, {}};
        // A check that held shows its value; one that failed, both values.
        for (const grade::Check& c : r.checks)
            line.checks.push_back(c.ok ? "\u2714 " + c.what + ": " + c.actual
                                       : "\u2718 " + c.what + ": expected " + c.expected + ", got " + c.actual);
        out.cases.push_back(std::move(line));
    }
    out.summary = std::to_string(passed) + " of " + std::to_string(results.size()) + " cases passed";
    out.hidden = grade::hiddenSummary(results);
    out.ok = true;
    return out;
}

}  // namespace kit85::web
