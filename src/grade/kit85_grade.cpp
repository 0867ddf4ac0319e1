// kit85-grade: runs every submission of a lab against the lab's check file
// and reports points per student (kit85-grade(1)).
//
// Exit statuses: 0 every submission passed every case, 1 some did not, 2 a
// bad lab file, bad arguments or a report that could not be written.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <ctime>
#include <fstream>
#include <iostream>

#include "grade/grader.h"
#include "grade/reports.h"

namespace {

using namespace kit85::grade;
namespace fs = std::filesystem;

constexpr int kAllPassed = 0;
constexpr int kSomeFailed = 1;
constexpr int kBadInput = 2;

struct Options {
    std::string lab;
    std::vector<std::string> submissions;
    std::string csv, junit, json, html;
    unsigned jobs = 0;
    bool quiet = false;
};

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
std::optional<std::string> clashes(const std::string& report, const Options& o, const Found& found) {
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

bool writeReport(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out) return true;
    std::cerr << "kit85-grade: " << file << ": the report could not be written\n";
    return false;
}

int grade(const Options& o) {
    const LabResult read = readLab(o.lab);
    if (read.error) {
        std::cerr << "kit85-grade: " << read.error->message() << "\n";
        return kBadInput;
    }
    const Lab& lab = *read.lab;
    std::string problem;
    const std::optional<Grader> grader = Grader::prepare(lab, problem);
    if (!grader) {
        std::cerr << "kit85-grade: " << problem << "\n";
        return kBadInput;
    }
    const Found found = findSubmissions(std::vector<fs::path>(o.submissions.begin(), o.submissions.end()));
    for (const std::string& note : found.notes) std::cerr << "kit85-grade: " << note << "\n";
    if (found.submissions.empty()) {
        std::cerr << "kit85-grade: no submissions found\n";
        return kBadInput;
    }
    for (const std::string* report : {&o.csv, &o.junit, &o.json, &o.html}) {
        if (std::optional<std::string> clash = clashes(*report, o, found)) {
            std::cerr << "kit85-grade: " << *clash << "; nothing was graded\n";
            return kBadInput;
        }
    }
    const bool progress = !o.quiet && ::isatty(STDERR_FILENO);
    const std::size_t total = found.submissions.size();
    const std::vector<SubmissionResult> results =
        grader->gradeAll(found.submissions, o.jobs, !o.html.empty(), [&](std::size_t done) {
            if (progress) std::cerr << "\rgraded " << done << " of " << total << std::flush;
        });
    if (progress) std::cerr << "\r\033[K" << std::flush;
    std::cout << tableText(lab, results);

    bool written = true;
    if (!o.csv.empty()) written &= writeReport(o.csv, csvText(lab, results));
    if (!o.junit.empty()) written &= writeReport(o.junit, junitText(lab, results, now(), hostname()));
    if (!o.json.empty()) written &= writeReport(o.json, jsonText(lab, results));
    if (!o.html.empty()) {
        if (std::optional<std::string> failed = writeHtml(o.html, lab, results)) {
            std::cerr << "kit85-grade: " << *failed << "\n";
            written = false;
        }
    }
    if (!written) return kBadInput;
    for (const SubmissionResult& r : results)
        if (!r.allPassed()) return kSomeFailed;
    return kAllPassed;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Runs every submission of a lab against its check file and reports points per student."};
    app.set_version_flag("--version", "kit85-grade " KIT85_VERSION);
    Options o;
    app.add_option("LAB", o.lab, "The lab check file (TOML)")->required();
    app.add_option("SUBMISSION", o.submissions,
                   "Submission files (.asm, .hex, .sqlite), a folder per student, or a folder of files")
        ->required();
    app.add_option("--csv", o.csv, "Write one row per student to FILE")->type_name("FILE");
    app.add_option("--junit", o.junit, "Write JUnit XML, one test suite per student, to FILE")->type_name("FILE");
    app.add_option("--json", o.json, "Write every result as JSON to FILE")->type_name("FILE");
    app.add_option("--html", o.html, "Write an index and a page per student to DIR")->type_name("DIR");
    app.add_option("-j,--jobs", o.jobs, "Grade on N threads (default: one per core)")->type_name("N");
    app.add_flag("-q,--quiet", o.quiet, "No progress line");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kBadInput;
    }
    try {
        return grade(o);
    } catch (const std::exception& e) {
        std::cerr << "kit85-grade: " << e.what() << "\n";
        return kBadInput;
    }
}
