#include "grade/reports.h"

#include <tinyxml2.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "grade/names.h"
#include "values/document_text.h"
#include "values/escape.h"

namespace kit85::grade {
namespace {

// `s` filled with blanks to `width` characters.
std::string padded(std::string s, std::size_t width) {
    const std::size_t characters = characterCount(s);
    if (characters < width) s.append(width - characters, ' ');
    return s;
}

// A row of the table, without the blanks a last empty column would leave.
void appendRow(std::string& text, std::string row) {
    row.erase(row.find_last_not_of(' ') + 1);
    text += row;
    text += '\n';
}

}  // namespace

std::string_view statusOf(const SubmissionResult& r) {
    if (!r.problem.empty()) return "error";
    return r.allPassed() ? "passed" : "failed";
}

std::string tableText(const Lab& lab, const std::vector<SubmissionResult>& results) {
    std::vector<std::string> students;
    std::size_t width = 7;
    for (const SubmissionResult& r : results) {
        students.push_back(shownName(r.student));
        width = std::max(width, std::min<std::size_t>(characterCount(students.back()), 30));
    }
    std::string text;
    appendRow(text, padded("student", width) + "  points   cases  first failing case");
    int allPassed = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const SubmissionResult& r = results[i];
        const std::string points = std::to_string(r.points) + "/" + std::to_string(r.maxPoints);
        const std::string cases = std::to_string(r.passed) + "/" + std::to_string(lab.cases.size());
        appendRow(text, padded(students[i], width) + "  " + padded(points, 7) + "  " + padded(cases, 5) + "  " +
                            cutText(shownName(r.firstFailure()), 100));
        allPassed += r.allPassed() ? 1 : 0;
    }
    text += std::to_string(allPassed) + " of " + std::to_string(results.size()) +
            (results.size() == 1 ? " submission" : " submissions") + " passed every case\n";
    return text;
}

std::string csvText(const Lab& lab, const std::vector<SubmissionResult>& results) {
    // A cell keeps its line ends (quoted, as RFC 4180 allows); anything else
    // a spreadsheet would hide or act on is escaped.
    auto cell = [](std::string_view s) { return csvField(shownText(s)); };
    std::ostringstream out;
    out << "student,file,status,points,max_points,cases_passed,cases,first_failure";
    for (const Case& c : lab.cases) out << ',' << cell(c.name);
    out << "\r\n";
    for (const SubmissionResult& r : results) {
        out << cell(r.student) << ',' << cell(r.file) << ',' << statusOf(r) << ',' << r.points << ',' << r.maxPoints
            << ',' << r.passed << ',' << r.cases.size() << ',' << cell(r.firstFailure());
        for (const CaseResult& c : r.cases) out << ',' << c.earned;
        out << "\r\n";
    }
    return out.str();
}

namespace {

// A failed case's checks, one a line, the failing ones marked.
std::string checksText(const CaseResult& c) {
    std::string detail;
    for (const Check& k : c.checks)
        detail += (k.ok ? "  " : "! ") + k.what + ": expected " + k.expected + ", got " + k.actual + "\n";
    return shownText(detail);
}

// XML 1.0 admits no control character but tab and the line ends, and only
// UTF-8 in this document: every text from a name or a file is escaped first.
void junitSuite(tinyxml2::XMLElement* suites, const Lab& lab, const SubmissionResult& r, int id,
                const std::string& timestamp, const std::string& hostname) {
    tinyxml2::XMLElement* suite = suites->InsertNewChildElement("testsuite");
    const bool error = !r.problem.empty();
    const int failed = static_cast<int>(r.cases.size()) - r.passed;
    const std::string student = shownName(r.student), labName = shownName(lab.name);
    suite->SetAttribute("name", student.c_str());
    suite->SetAttribute("package", labName.c_str());
    suite->SetAttribute("id", id);
    suite->SetAttribute("timestamp", timestamp.c_str());
    suite->SetAttribute("hostname", shownName(hostname).c_str());
    suite->SetAttribute("tests", static_cast<int>(r.cases.size()));
    suite->SetAttribute("failures", error ? 0 : failed);
    suite->SetAttribute("errors", error ? failed : 0);
    suite->SetAttribute("skipped", 0);
    suite->SetAttribute("time", "0");
    suite->InsertNewChildElement("properties");
    for (const CaseResult& c : r.cases) {
        tinyxml2::XMLElement* tc = suite->InsertNewChildElement("testcase");
        tc->SetAttribute("name", shownName(c.name).c_str());
        tc->SetAttribute("classname", (student + "." + labName).c_str());
        tc->SetAttribute("time", "0");
        if (c.passed) continue;
        tinyxml2::XMLElement* f = tc->InsertNewChildElement(error ? "error" : "failure");
        f->SetAttribute("message", shownName(c.failure).c_str());
        f->SetAttribute("type", error ? "no program" : "wrong result");
        f->SetText(checksText(c).c_str());
    }
    suite->InsertNewChildElement("system-out")->SetText(shownText(r.file).c_str());
    suite->InsertNewChildElement("system-err")->SetText(shownText(r.problem).c_str());
}

}  // namespace

std::string junitText(const Lab& lab, const std::vector<SubmissionResult>& results, const std::string& timestamp,
                      const std::string& hostname) {
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration());
    tinyxml2::XMLElement* suites = doc.NewElement("testsuites");
    doc.InsertEndChild(suites);
    suites->SetAttribute("name", shownName(lab.name).c_str());
    // A failure is a case that ran and left a wrong result; an error a case
    // that could not run (no program): counted apart, as JUnit means them.
    int tests = 0, failures = 0, errors = 0, id = 0;
    for (const SubmissionResult& r : results) {
        junitSuite(suites, lab, r, id++, timestamp, hostname);
        const int failed = static_cast<int>(r.cases.size()) - r.passed;
        tests += static_cast<int>(r.cases.size());
        (r.problem.empty() ? failures : errors) += failed;
    }
    suites->SetAttribute("tests", tests);
    suites->SetAttribute("failures", failures);
    suites->SetAttribute("errors", errors);
    suites->SetAttribute("time", "0");
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    return printer.CStr();
}

std::string jsonText(const Lab& lab, const std::vector<SubmissionResult>& results) {
    using Json = nlohmann::ordered_json;
    Json subs = Json::array();
    for (const SubmissionResult& r : results) {
        Json cases = Json::array();
        for (const CaseResult& c : r.cases) {
            Json checks = Json::array();
            for (const Check& k : c.checks)
                checks.push_back({{"what", k.what}, {"expected", k.expected}, {"actual", k.actual}, {"ok", k.ok}});
            Json j = {{"name", c.name},       {"points", c.points},         {"earned", c.earned},
                      {"passed", c.passed},   {"hidden", c.hidden},         {"stop", c.stop},
                      {"steps", c.steps},     {"tstates", c.tstates},       {"runs", c.runs},
                      {"failure", c.failure}, {"checks", std::move(checks)}};
            if (c.failedRun) j["failed_run"] = c.failedRun;
            if (!c.trace.empty()) j["trace"] = c.trace;
            cases.push_back(std::move(j));
        }
        subs.push_back({{"student", r.student},
                        {"file", r.file},
                        {"status", statusOf(r)},
                        {"points", r.points},
                        {"max_points", r.maxPoints},
                        {"cases_passed", r.passed},
                        {"problem", r.problem},
                        {"warnings", r.warnings},
                        {"cases", std::move(cases)}});
    }
    int passed = 0;
    for (const SubmissionResult& r : results) passed += r.allPassed() ? 1 : 0;
    Json j = {{"lab", lab.name},
              {"max_points", lab.maxPoints()},
              {"submissions", results.size()},
              {"passed", passed},
              {"results", std::move(subs)}};
    // The names stay the students' own: control characters as JSON escapes,
    // bytes that are not UTF-8 as U+FFFD, and the characters a viewer would
    // hide or reorder by as \uNNNN too.
    return jsonInvisiblesEscaped(j.dump(2, ' ', false, Json::error_handler_t::replace)) + "\n";
}

std::vector<std::string> pageNames(const std::vector<std::string>& students) {
    std::vector<std::string> names;
    std::set<std::string> taken{"index"};
    std::map<std::string, int> next;  // per base, the number to try first: no class is counted up from 2 again
    for (const std::string& student : students) {
        std::string base;
        for (char c : student) base += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
        if (base.empty() || base.front() == '.') base.insert(0, "student");
        base = base.substr(0, 60);
        std::string name = base;
        int& n = next.try_emplace(base, 2).first->second;
        while (taken.count(name)) name = base + "-" + std::to_string(n++);
        taken.insert(name);
        names.push_back(name + ".html");
    }
    return names;
}

std::vector<std::string> pageNames(const std::vector<SubmissionResult>& results) {
    std::vector<std::string> students;
    for (const SubmissionResult& r : results) students.push_back(r.student);
    return pageNames(students);
}

}  // namespace kit85::grade
