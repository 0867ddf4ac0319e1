// kit85-grade: runs every submission of a lab against the lab's check file
// and reports points per student (kit85-grade(1)).
//
// Exit statuses: 0 every submission passed every case, 1 some did not, 2 a
// bad lab file, bad arguments or a report that could not be written.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "grade/grade_run.h"

using namespace kit85::grade;

int main(int argc, char** argv) {
    CLI::App app{"Runs every submission of a lab against its check file and reports points per student."};
    app.set_version_flag("--version", "kit85-grade " KIT85_VERSION);
    GradeOptions o;
    bool quiet = false;
    app.add_option("LAB", o.lab, "The lab check file (TOML)")->required();
    app.add_option("SUBMISSION", o.submissions,
                   "Submission files (.asm, .hex, .sqlite), a folder per student, or a folder of files")
        ->required();
    app.add_option("--csv", o.csv, "Write one row per student to FILE")->type_name("FILE");
    app.add_option("--junit", o.junit, "Write JUnit XML, one test suite per student, to FILE")->type_name("FILE");
    app.add_option("--json", o.json, "Write every result as JSON to FILE")->type_name("FILE");
    app.add_option("--html", o.html, "Write an index and a page per student to DIR")->type_name("DIR");
    app.add_option("-j,--jobs", o.jobs, "Grade on N threads (default: one per core; at most four per core)")
        ->type_name("N");
    app.add_flag("-q,--quiet", quiet, "No progress line");
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
    // The progress line is for a person watching, not for a log.
    o.progress = !quiet && ::isatty(STDERR_FILENO);
    try {
        return runGrader(o, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "kit85-grade: " << e.what() << "\n";
        return kBadInput;
    }
}
