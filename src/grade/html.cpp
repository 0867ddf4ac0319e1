#include <fstream>
#include <sstream>

#include "grade/reports.h"
#include "values/document_text.h"

namespace kit85::grade {
namespace {

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:2em}table{border-collapse:collapse}"
    "td,th{border:1px solid #999;padding:2px 8px;text-align:left}"
    ".pass{color:#060}.fail{color:#a00}.bad{background:#fdd}pre{background:#f4f4f4;padding:6px}";

std::string page(std::string_view title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + htmlText(title) +
           "</title><style>" + std::string(kStyle) + "</style></head>\n<body>\n" + body + "</body></html>\n";
}

std::string indexBody(const Lab& lab, const std::vector<SubmissionResult>& results,
                      const std::vector<std::string>& names) {
    std::ostringstream b;
    b << "<h1>" << htmlText(lab.name) << "</h1>\n<table>\n<tr><th>student</th><th>points</th><th>cases</th>"
      << "<th>first failing case</th></tr>\n";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const SubmissionResult& r = results[i];
        b << "<tr><td><a href=\"" << names[i] << "\">" << htmlText(r.student) << "</a></td><td>" << r.points << "/"
          << r.maxPoints << "</td><td class=\"" << (r.allPassed() ? "pass" : "fail") << "\">" << r.passed << "/"
          << r.cases.size() << "</td><td>" << htmlText(r.firstFailure()) << "</td></tr>\n";
    }
    b << "</table>\n";
    return b.str();
}

std::string caseSection(const CaseResult& c) {
    std::ostringstream b;
    b << "<h2 class=\"" << (c.passed ? "pass" : "fail") << "\">" << htmlText(c.name) << ": "
      << (c.passed ? "passed" : "failed") << ", " << c.earned << "/" << c.points << " points"
      << (c.hidden ? " (hidden from students)" : "") << "</h2>\n";
    if (!c.failure.empty()) b << "<p>" << htmlText(c.failure) << "</p>\n";
    if (!c.stop.empty())
        b << "<p>stop: " << htmlText(c.stop) << ", " << c.steps << " steps, " << c.tstates << " T-states</p>\n";
    if (!c.checks.empty()) {
        b << "<table>\n<tr><th></th><th>expected</th><th>actual</th></tr>\n";
        for (const Check& k : c.checks)
            b << "<tr" << (k.ok ? "" : " class=\"bad\"") << "><td>" << htmlText(k.what) << "</td><td>"
              << htmlText(k.expected) << "</td><td>" << htmlText(k.actual) << "</td></tr>\n";
        b << "</table>\n";
    }
    if (!c.trace.empty()) {
        b << "<h3>Step trace</h3>\n<pre>";
        for (const std::string& line : c.trace) b << htmlText(line) << "\n";
        b << "</pre>\n";
    }
    return b.str();
}

std::string studentBody(const Lab& lab, const SubmissionResult& r) {
    std::ostringstream b;
    b << "<p><a href=\"index.html\">" << htmlText(lab.name) << "</a></p>\n<h1>" << htmlText(r.student) << ": " << r.points
      << "/" << r.maxPoints << " points</h1>\n<p>" << htmlText(r.file) << "</p>\n";
    if (!r.problem.empty()) b << "<p class=\"fail\">" << htmlText(r.problem) << "</p>\n";
    for (const CaseResult& c : r.cases) b << caseSection(c);
    return b.str();
}

std::optional<std::string> writeFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) return file.string() + ": cannot be written";
    return std::nullopt;
}

}  // namespace

std::optional<std::string> writeHtml(const std::filesystem::path& dir, const Lab& lab,
                                     const std::vector<SubmissionResult>& results) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) return dir.string() + ": cannot make the folder";
    const std::vector<std::string> names = pageNames(results);
    if (auto problem = writeFile(dir / "index.html", page(lab.name, indexBody(lab, results, names)))) return problem;
    for (std::size_t i = 0; i < results.size(); ++i)
        if (auto problem = writeFile(dir / names[i], page(results[i].student, studentBody(lab, results[i]))))
            return problem;
    return std::nullopt;
}

}  // namespace kit85::grade
