#include "grade/reports.h"

#include <tinyxml2.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "values/document_text.h"

namespace kit85::grade {
namespace {

// Names and messages come from students' files: control characters would
// move the terminal's cursor or break a line of a report.
std::string printable(std::string_view s) {
    std::string out;
    for (char c : s) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return out;
}

std::string padded(std::string s, std::size_t width) {
    if (s.size() < width) s.resize(width, ' ');
    return s;
}


}  // namespace

std::string_view statusOf(const SubmissionResult& r) {
    if (!r.problem.empty()) return "error";
    return r.allPassed() ? "passed" : "failed";
}

std::string tableText(const Lab& lab, const std::vector<SubmissionResult>& results) {
    std::size_t width = 7;
    for (const SubmissionResult& r : results) width = std::max(width, std::min<std::size_t>(r.student.size(), 30));
    std::ostringstream out;
    out << padded("student", width) << "  points   cases  first failing case\n";
    int allPassed = 0;
    for (const SubmissionResult& r : results) {
        const std::string points = std::to_string(r.points) + "/" + std::to_string(r.maxPoints);
        const std::string cases = std::to_string(r.passed) + "/" + std::to_string(lab.cases.size());
        std::string first = printable(r.firstFailure());
        if (first.size() > 100) first = first.substr(0, 97) + "...";
        out << padded(printable(r.student), width) << "  " << padded(points, 7) << "  " << padded(cases, 5) << "  "
            << first << "\n";
        allPassed += r.allPassed() ? 1 : 0;
    }
    out << allPassed << " of " << results.size() << (results.size() == 1 ? " submission" : " submissions")
        << " passed every case\n";
    std::string text = out.str();
    // No trailing blanks on a row whose last column is empty.
    for (std::size_t p; (p = text.find(" \n")) != std::string::npos;) text.erase(p, 1);
    return text;
}

std::string csvText(const Lab& lab, const std::vector<SubmissionResult>& results) {
    std::ostringstream out;
    out << "student,file,status,points,max_points,cases_passed,cases,first_failure";
    for (const Case& c : lab.cases) out << ',' << csvField(c.name);
    out << "\r\n";
    for (const SubmissionResult& r : results) {
        out << csvField(r.student) << ',' << csvField(r.file) << ',' << statusOf(r) << ',' << r.points << ','
            << r.maxPoints << ',' << r.passed << ',' << r.cases.size() << ',' << csvField(r.firstFailure());
        for (const CaseResult& c : r.cases) out << ',' << c.earned;
        out << "\r\n";
    }
    return out.str();
}

std::string junitText(const Lab& lab, const std::vector<SubmissionResult>& results, const std::string& timestamp,
                      const std::string& hostname) {
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration());
    tinyxml2::XMLElement* suites = doc.NewElement("testsuites");
    doc.InsertEndChild(suites);
    suites->SetAttribute("name", lab.name.c_str());
    int tests = 0, failures = 0, errors = 0, id = 0;
    for (const SubmissionResult& r : results) {
        tinyxml2::XMLElement* suite = suites->InsertNewChildElement("testsuite");
        const bool error = !r.problem.empty();
        const int failed = static_cast<int>(r.cases.size()) - r.passed;
        suite->SetAttribute("name", r.student.c_str());
        suite->SetAttribute("package", lab.name.c_str());
        suite->SetAttribute("id", id++);
        suite->SetAttribute("timestamp", timestamp.c_str());
        suite->SetAttribute("hostname", hostname.c_str());
        suite->SetAttribute("tests", static_cast<int>(r.cases.size()));
        suite->SetAttribute("failures", error ? 0 : failed);
        suite->SetAttribute("errors", error ? failed : 0);
        suite->SetAttribute("skipped", 0);
        suite->SetAttribute("time", "0");
        suite->InsertNewChildElement("properties");
        for (const CaseResult& c : r.cases) {
            tinyxml2::XMLElement* tc = suite->InsertNewChildElement("testcase");
            tc->SetAttribute("name", c.name.c_str());
            tc->SetAttribute("classname", (r.student + "." + lab.name).c_str());
            tc->SetAttribute("time", "0");
            if (c.passed) continue;
            tinyxml2::XMLElement* f = tc->InsertNewChildElement(error ? "error" : "failure");
            f->SetAttribute("message", c.failure.c_str());
            f->SetAttribute("type", error ? "no program" : "wrong result");
            std::string detail;
            for (const Check& k : c.checks)
                detail += (k.ok ? "  " : "! ") + k.what + ": expected " + k.expected + ", got " + k.actual + "\n";
            f->SetText(detail.c_str());
        }
        suite->InsertNewChildElement("system-out")->SetText(r.file.c_str());
        suite->InsertNewChildElement("system-err")->SetText(r.problem.c_str());
        tests += static_cast<int>(r.cases.size());
        (error ? errors : failures) += failed;
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
            Json j = {{"name", c.name},   {"points", c.points}, {"earned", c.earned},   {"passed", c.passed},
                      {"hidden", c.hidden}, {"stop", c.stop},     {"steps", c.steps},     {"tstates", c.tstates},
                      {"runs", c.runs},     {"failure", c.failure}, {"checks", std::move(checks)}};
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
                        {"cases", std::move(cases)}});
    }
    int passed = 0;
    for (const SubmissionResult& r : results) passed += r.allPassed() ? 1 : 0;
    Json j = {{"lab", lab.name},
              {"max_points", lab.maxPoints()},
              {"submissions", results.size()},
              {"passed", passed},
              {"results", std::move(subs)}};
    // A student's odd file name that is not UTF-8 shows as U+FFFD.
    return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::vector<std::string> pageNames(const std::vector<SubmissionResult>& results) {
    std::vector<std::string> names;
    std::set<std::string> taken{"index"};
    for (const SubmissionResult& r : results) {
        std::string base;
        for (char c : r.student) base += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
        if (base.empty() || base.front() == '.') base.insert(0, "student");
        base = base.substr(0, 60);
        std::string name = base;
        for (int n = 2; taken.count(name); ++n) name = base + "-" + std::to_string(n);
        taken.insert(name);
        names.push_back(name + ".html");
    }
    return names;
}

}  // namespace kit85::grade
