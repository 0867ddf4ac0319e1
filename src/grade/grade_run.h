#pragma once

// kit85-grade's work once its arguments are read: the lab read, the
// submissions found and graded, the table printed and the reports written.

#include <iosfwd>
#include <string>
#include <vector>

namespace kit85::grade {

// Exit statuses of kit85-grade.
constexpr int kAllPassed = 0;   // every submission passed every case
constexpr int kSomeFailed = 1;  // some did not
constexpr int kBadInput = 2;    // a bad lab file, bad arguments or a report not written

struct GradeOptions {
    std::string lab;
    std::vector<std::string> submissions;
    std::string csv, junit, json, html;  // "" for none
    unsigned jobs = 0;                   // 0: one thread per core
    bool progress = false;               // a progress line on `err`
};

// The table goes to `out`, problems and the progress line to `err`.
int runGrader(const GradeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kit85::grade
