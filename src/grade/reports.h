#pragma once

// The grader's reports: the terminal table, CSV, JUnit XML, JSON and the HTML
// pages. Each is written from the results alone; a file report is written to
// the path the user named and nowhere else.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "grade/grader.h"
#include "grade/lab.h"

namespace kit85::grade {

// One row per student: points, cases passed and the first failing case with
// what differed; then a line of totals.
std::string tableText(const Lab& lab, const std::vector<SubmissionResult>& results);

// student,file,status,points,max_points,cases_passed,cases,first_failure and
// then one column per case with the points earned. RFC 4180 quoting; a cell
// a spreadsheet would take for a formula starts with a quote mark.
std::string csvText(const Lab& lab, const std::vector<SubmissionResult>& results);

// One <testsuite> per student, one <testcase> per case, with the attributes
// and elements the JUnit schema requires. `timestamp` is ISO 8601 without a
// zone, `hostname` the machine's name.
std::string junitText(const Lab& lab, const std::vector<SubmissionResult>& results, const std::string& timestamp,
                      const std::string& hostname);

// Everything the results hold, hidden cases included (the reports are the
// instructor's).
std::string jsonText(const Lab& lab, const std::vector<SubmissionResult>& results);

// index.html and one page per student in `dir` (made when missing). Returns
// the problem when a file cannot be written.
std::optional<std::string> writeHtml(const std::filesystem::path& dir, const Lab& lab,
                                     const std::vector<SubmissionResult>& results);

// The page names writeHtml gives the students, in order: their names cut to
// letters, digits, '-' and '_', made unique.
std::vector<std::string> pageNames(const std::vector<SubmissionResult>& results);
// The same from the students' names alone, before any is graded.
std::vector<std::string> pageNames(const std::vector<std::string>& students);

// "passed", "failed" or "error" (no program to run).
std::string_view statusOf(const SubmissionResult& r);

}  // namespace kit85::grade
