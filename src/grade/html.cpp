#include <sstream>

#include "grade/names.h"
#include "grade/report_files.h"
#include "grade/reports.h"
#include "values/document_text.h"

namespace kit85::grade {
namespace {

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:2em}table{border-collapse:collapse}"
    "td,th{border:1px solid #999;padding:2px 8px;text-align:left}"
    ".pass{color:#060}.fail{color:#a00}.bad{background:#fdd}pre{background:#f4f4f4;padding:6px}";

// A name or message in a page: escaped for HTML, and anything a browser
// would hide or reorder shown as an escape.
std::string nameHtml(std::string_view s) { return htmlText(shownName(s)); }
std::string textHtml(std::string_view s) { return htmlText(shownText(s)); }

std::string page(std::string_view title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + nameHtml(title) +
           "</title><style>" + std::string(kStyle) + "</style></head>\n<body>\n" + body + "</body></html>\n";
}

std::string indexBody(const Lab& lab, const std::vector<SubmissionResult>& results,
                      const std::vector<std::string>& names) {
    std::ostringstream b;
    b << "<h1>" << nameHtml(lab.name) << "</h1>\n<table>\n<tr><th>student</th><th>points</th><th>cases</th>"
      << "<th>first failing case</th></tr>\n";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const SubmissionResult& r = results[i];
        b << "<tr><td><a href=\"" << names[i] << "\">" << nameHtml(r.student) << "</a></td><td>" << r.points << "/"
          << r.maxPoints << "</td><td class=\"" << (r.allPassed() ? "pass" : "fail") << "\">" << r.passed << "/"
          << r.cases.size() << "</td><td>" << nameHtml(r.firstFailure()) << "</td></tr>\n";
    }
    b << "</table>\n";
    return b.str();
}

std::string caseSection(const CaseResult& c) {
    std::ostringstream b;
    b << "<h2 class=\"" << (c.passed ? "pass" : "fail") << "\">" << nameHtml(c.name) << ": "
      << (c.passed ? "passed" : "failed") << ", " << c.earned << "/" << c.points << " points"
      << (c.hidden ? " (hidden from students)" : "") << "</h2>\n";
    if (!c.failure.empty()) b << "<p>" << nameHtml(c.failure) << "</p>\n";
    if (!c.stop.empty())
        b << "<p>stop: " << nameHtml(c.stop) << ", " << c.steps << " steps, " << c.tstates << " T-states</p>\n";
    if (!c.checks.empty()) {
        b << "<table>\n<tr><th></th><th>expected</th><th>actual</th></tr>\n";
        for (const Check& k : c.checks)
            b << "<tr" << (k.ok ? "" : " class=\"bad\"") << "><td>" << nameHtml(k.what) << "</td><td>"
              << nameHtml(k.expected) << "</td><td>" << nameHtml(k.actual) << "</td></tr>\n";
        b << "</table>\n";
    }
    if (!c.trace.empty()) {
        b << "<h3>Step trace</h3>\n<pre>";
        for (const std::string& line : c.trace) b << nameHtml(line) << "\n";
        b << "</pre>\n";
    }
    return b.str();
}

std::string studentBody(const Lab& lab, const SubmissionResult& r) {
    std::ostringstream b;
    b << "<p><a href=\"index.html\">" << nameHtml(lab.name) << "</a></p>\n<h1>" << nameHtml(r.student) << ": "
      << r.points << "/" << r.maxPoints << " points</h1>\n<p>" << nameHtml(r.file) << "</p>\n";
    if (!r.problem.empty()) b << "<p class=\"fail\">" << textHtml(r.problem) << "</p>\n";
    if (!r.warnings.empty()) {
        // The assembler's warnings often say why a case failed: shown before the cases.
        b << "<h2>Assembler warnings</h2>\n<pre>";
        for (const std::string& w : r.warnings) b << textHtml(w) << "\n";
        b << "</pre>\n";
    }
    for (const CaseResult& c : r.cases) b << caseSection(c);
    return b.str();
}

}  // namespace

std::optional<std::string> writeHtml(const std::filesystem::path& dir, const Lab& lab,
                                     const std::vector<SubmissionResult>& results) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(dir, ec)) std::filesystem::create_directories(dir, ec);
    std::string problem;
    const std::optional<ReportFolder> folder = ReportFolder::open(dir, false, problem);
    if (!folder) return problem;
    const std::vector<std::string> names = pageNames(results);
    std::vector<std::string> files = names;
    files.push_back("index.html");
    // Every page is checked before the first is written.
    if (std::optional<std::string> refused = folder->unwritable(files)) return refused;
    if (auto failed = folder->write("index.html", page(lab.name, indexBody(lab, results, names)))) return failed;
    for (std::size_t i = 0; i < results.size(); ++i)
        if (auto failed = folder->write(names[i], page(results[i].student, studentBody(lab, results[i]))))
            return failed;
    return std::nullopt;
}

}  // namespace kit85::grade
