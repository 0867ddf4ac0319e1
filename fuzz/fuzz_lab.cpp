// Fuzz target: the lab file reader.
//
// Any input goes to parseLab, which must return a lab or an error, never
// crash, overflow its stack or run on: deep arrays and inline tables, dotted
// keys of thousands of parts and huge counts included. An error must name a
// problem; a lab must keep within the documented maxima (at least one case,
// at most kMostCases, its start in RAM, its limits and points bounded).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "grade/lab.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_lab: %s\n%s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kit85::grade;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const LabResult r = parseLab(text, "/fuzz/lab.toml");
    if (r.lab.has_value() == r.error.has_value()) fault("not exactly one of a lab and an error", std::string(text));
    if (r.error) {
        if (r.error->problem.empty()) fault("an error without a problem", r.error->message());
        return 0;
    }
    const Lab& lab = *r.lab;
    if (lab.cases.empty() || lab.cases.size() > kMostCases) fault("a case count out of bounds", lab.name);
    if (lab.at < kFirstRamRow) fault("a start below 8000", lab.name);
    if (lab.maxSteps == 0 || lab.maxSteps > kMostSteps || lab.maxTStates > kMostTStates)
        fault("a limit out of bounds", lab.name);
    if (lab.maxPoints() < 0 || lab.maxPoints() > kMostPoints) fault("points out of bounds", lab.name);
    return 0;
}
