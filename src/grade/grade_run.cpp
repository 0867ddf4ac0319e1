#include "grade/grade_run.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <ostream>
#include <thread>
#include <utility>

#include "grade/grader.h"
#include "grade/names.h"
#include "grade/report_files.h"
#include "grade/reports.h"

namespace kit85::grade {
namespace {

namespace fs = std::filesystem;

std::string now() {
    char buf[32];
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    return buf;
}

std::string hostname() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0 || !buf[0]) return "localhost";
    return buf;
}

// The files the grader reads, which no report may replace.
std::vector<ReadFile> readFiles(const GradeOptions& o, const Lab& lab, const Found& found) {
    std::vector<ReadFile> read{{o.lab, "the lab file"}};
    for (const Case& c : lab.cases)
        if (c.reference)
            read.push_back({c.reference->program, "the reference program of case '" + shownName(c.name) + "'"});
    for (const Submission& s : found.submissions) read.push_back({s.file, shownName(s.student) + "'s submission"});
    return read;
}

// Why the reports asked for may not be written, checked before anything is
// graded or written.
std::optional<std::string> refusedReports(const GradeOptions& o, const Lab& lab, const Found& found) {
    std::vector<ReportPath> reports;
    for (auto [option, path] : {std::pair{"--csv", &o.csv}, {"--junit", &o.junit}, {"--json", &o.json}})
        if (!path->empty()) reports.push_back({option, *path, false});
    std::vector<std::string> pages;
    if (!o.html.empty()) {
        reports.push_back({"--html", o.html, true});
        std::vector<std::string> students;
        for (const Submission& s : found.submissions) students.push_back(s.student);
        pages = pageNames(students);
        pages.push_back("index.html");
    }
    if (reports.empty()) return std::nullopt;
    return refusedReport(reports, readFiles(o, lab, found), pages);
}

bool writeReport(const std::string& file, const std::string& text, std::ostream& err) {
    if (std::optional<std::string> failed = writeReportFile(file, text)) {
        err << "kit85-grade: " << *failed << "\n";
        return false;
    }
    return true;
}

// More threads than this gain nothing on the grader's work, which keeps
// every core busy, and thousands would run out of the system's threads.
unsigned mostJobs() { return std::max(1u, std::thread::hardware_concurrency()) * 4; }

}  // namespace

int runGrader(const GradeOptions& o, std::ostream& out, std::ostream& err) {
    const LabResult read = readLab(o.lab);
    if (read.error) {
        err << "kit85-grade: " << shownText(read.error->message()) << "\n";
        return kBadInput;
    }
    const Lab& lab = *read.lab;
    std::string problem;
    const std::optional<Grader> grader = Grader::prepare(lab, problem);
    if (!grader) {
        err << "kit85-grade: " << shownText(problem) << "\n";
        return kBadInput;
    }
    const Found found = findSubmissions(std::vector<fs::path>(o.submissions.begin(), o.submissions.end()));
    for (const std::string& note : found.notes) err << "kit85-grade: " << shownName(note) << "\n";
    if (found.submissions.empty()) {
        err << "kit85-grade: no submissions found\n";
        return kBadInput;
    }
    if (std::optional<std::string> refused = refusedReports(o, lab, found)) {
        err << "kit85-grade: " << *refused << "; nothing was graded or written\n";
        return kBadInput;
    }
    unsigned jobs = o.jobs;
    if (jobs > mostJobs()) {
        err << "kit85-grade: -j " << jobs << " is more than 4 threads per core; grading on " << mostJobs()
            << " threads\n";
        jobs = mostJobs();
    }
    const bool progress = o.progress;
    const std::size_t total = found.submissions.size();
    const std::vector<SubmissionResult> results =
        grader->gradeAll(found.submissions, jobs, !o.html.empty(), [&](std::size_t done) {
            if (progress) err << "\rgraded " << done << " of " << total << std::flush;
        });
    if (progress) err << "\r\033[K" << std::flush;
    out << tableText(lab, results);

    bool written = true;
    if (!o.csv.empty()) written &= writeReport(o.csv, csvText(lab, results), err);
    if (!o.junit.empty()) written &= writeReport(o.junit, junitText(lab, results, now(), hostname()), err);
    if (!o.json.empty()) written &= writeReport(o.json, jsonText(lab, results), err);
    if (!o.html.empty()) {
        if (std::optional<std::string> failed = writeHtml(o.html, lab, results)) {
            err << "kit85-grade: " << *failed << "\n";
            written = false;
        }
    }
    if (!written) return kBadInput;
    for (const SubmissionResult& r : results)
        if (!r.allPassed()) return kSomeFailed;
    return kAllPassed;
}

}  // namespace kit85::grade
