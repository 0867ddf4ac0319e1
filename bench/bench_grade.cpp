// Grading a class: 1,000 submissions of the bubble-sort lab
// (examples/labs/bubble_sort.toml, ten cases, one of them "same as the
// reference on 100 random inputs"), on every core, as kit85-grade does.
//
// A program, not a Google Benchmark: one timed pass prints the wall time,
// the runs a second and a progress line while it goes. Run it under
// /usr/bin/time -v for the peak memory.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "grade/grader.h"

namespace {

namespace fs = std::filesystem;
using namespace kit85::grade;

const fs::path kLabs = fs::path(KIT85_SOURCE) / "examples/labs";

// The class: most sort right, some swap equal bytes forever, some compare
// with the sign flag, some do not assemble. Each file differs a little so
// no two are the same text.
std::vector<Submission> writeClass(const fs::path& dir, int count) {
    const char* kinds[] = {"alice.asm", "alice.asm", "alice.asm", "alice.asm", "alice.asm", "alice.asm",
                           "erin.hex",  "bob.asm",   "carol.asm", "dave.asm"};
    std::vector<Submission> subs;
    for (int i = 0; i < count; ++i) {
        const fs::path from = kLabs / "submissions" / kinds[i % 10];
        const fs::path to = dir / ("student" + std::to_string(i) + from.extension().string());
        std::ifstream in(from);
        std::ofstream out(to);
        out << in.rdbuf();
        if (from.extension() == ".asm") out << "; student " << i << "\n";
        subs.push_back({"student" + std::to_string(i), to, {}});
    }
    return subs;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const LabResult read = readLab(kLabs / "bubble_sort.toml");
    if (read.error) {
        std::fprintf(stderr, "%s\n", read.error->message().c_str());
        return 2;
    }
    std::string problem;
    const std::optional<Grader> grader = Grader::prepare(*read.lab, problem);
    if (!grader) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 2;
    }
    const fs::path dir = fs::temp_directory_path() / ("kit85-bench-grade-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::vector<Submission> subs = writeClass(dir, count);

    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    const auto began = std::chrono::steady_clock::now();
    const std::vector<SubmissionResult> results = grader->gradeAll(subs, 0, false, [&](std::size_t done) {
        std::fprintf(stderr, "\rgraded %zu of %zu", done, subs.size());
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::fprintf(stderr, "\n");
    fs::remove_all(dir);

    uint64_t runs = 0, steps = 0;
    int passed = 0;
    for (const SubmissionResult& r : results) {
        passed += r.allPassed() ? 1 : 0;
        for (const CaseResult& c : r.cases) {
            runs += c.runs;
            steps += c.steps;
        }
    }
    std::printf("graded %zu submissions x %zu cases on %u threads in %.2f s\n", results.size(),
                read.lab->cases.size(), threads, seconds);
    std::printf("%llu runs (%.0f a second), %d submissions passed every case\n", static_cast<unsigned long long>(runs),
                static_cast<double>(runs) / seconds, passed);
    return 0;
}
