#include "grade/grade_run.h"

#include <unistd.h>

#include <ctime>
#include <fstream>
#include <ostream>

#include "grade/grader.h"
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

// A report must not land on the lab file or a submission: the grader writes
// nothing but the reports asked for, and never over what it reads.
std::optional<std::string> clashes(const std::string& report, const GradeOptions& o, const Found& found) {
    if (report.empty()) return std::nullopt;
    std::error_code ec;
    auto same = [&](const fs::path& p) { return fs::exists(p, ec) && fs::equivalent(report, p, ec); };
    if (same(o.lab)) return report + " is the lab file; the report would overwrite it";
    for (const Submission& s : found.submissions)
        if (same(s.file)) return report + " is " + s.student + "'s submission; the report would overwrite it";
    const fs::path parent = fs::absolute(report, ec).parent_path();
    if (!fs::is_directory(parent, ec)) return report + ": there is no folder " + parent.string();
    return std::nullopt;
}

bool writeReport(const std::string& file, const std::string& text, std::ostream& err) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out) return true;
    err << "kit85-grade: " << file << ": the report could not be written\n";
    return false;
}

}  // namespace

int runGrader(const GradeOptions& o, std::ostream& out, std::ostream& err) {
    const LabResult read = readLab(o.lab);
    if (read.error) {
        err << "kit85-grade: " << read.error->message() << "\n";
        return kBadInput;
    }
    const Lab& lab = *read.lab;
    std::string problem;
    const std::optional<Grader> grader = Grader::prepare(lab, problem);
    if (!grader) {
        err << "kit85-grade: " << problem << "\n";
        return kBadInput;
    }
    const Found found = findSubmissions(std::vector<fs::path>(o.submissions.begin(), o.submissions.end()));
    for (const std::string& note : found.notes) err << "kit85-grade: " << note << "\n";
    if (found.submissions.empty()) {
        err << "kit85-grade: no submissions found\n";
        return kBadInput;
    }
    for (const std::string* report : {&o.csv, &o.junit, &o.json, &o.html}) {
        if (std::optional<std::string> clash = clashes(*report, o, found)) {
            err << "kit85-grade: " << *clash << "; nothing was graded\n";
            return kBadInput;
        }
    }
    const bool progress = o.progress;
    const std::size_t total = found.submissions.size();
    const std::vector<SubmissionResult> results =
        grader->gradeAll(found.submissions, o.jobs, !o.html.empty(), [&](std::size_t done) {
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
