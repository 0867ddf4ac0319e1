// Where kit85-grade writes its reports: never over a file it reads, another
// report or through a link, and then only by replacing the report whole.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <sstream>

#include "grade/grade_run.h"
#include "grade/grade_support.h"

namespace kit85::grade {
namespace {

using testing::writeFile;
namespace fs = std::filesystem;

constexpr const char* kLab = R"(name = "Copy"
[limits]
steps = 500
[[case]]
name = "same as the reference"
[case.reference]
program = "ref.asm"
runs = 3
inputs = { "8050" = true }
compare = ["8051"]
)";

constexpr const char* kCopy = "ORG 8000H\nLDA 8050H\nSTA 8051H\nHLT\n";

// Every file below `dir`: its bytes, a link's target, or "/" for a folder.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(e.path(), dir).string();
        if (e.is_symlink())
            files[name] = "-> " + fs::read_symlink(e.path()).string();
        else if (e.is_directory())
            files[name] = "/";
        else
            files[name] = testing::readBytes(e.path());
    }
    return files;
}

// A lab with a reference, two submissions and a folder for reports.
class Scratch {
public:
    Scratch() {
        writeFile(dir_ / "lab.toml", kLab);
        writeFile(dir_ / "ref.asm", kCopy);
        fs::create_directories(dir_ / "subs");
        fs::create_directories(dir_ / "out");
        writeFile(dir_ / "subs/ann.asm", kCopy);
        writeFile(dir_ / "subs/bob.asm", "ORG 8000H\nHLT\n");
        writeFile(dir_ / "out/keep.txt", "keep\n");
    }

    // Report paths are relative to the scratch folder.
    int run(GradeOptions o) {
        o.lab = (dir_ / "lab.toml").string();
        o.submissions = {(dir_ / "subs").string()};
        for (std::string* report : {&o.csv, &o.junit, &o.json, &o.html})
            if (!report->empty()) *report = (dir_ / *report).string();
        std::ostringstream out, err;
        const int status = runGrader(o, out, err);
        err_ = err.str();
        return status;
    }

    const fs::path& dir() const { return dir_.path(); }
    const std::string& err() const { return err_; }

private:
    testing::TempDir dir_;
    std::string err_;
};

struct Refusal {
    const char* what;
    std::function<void(const fs::path& dir)> setUp;
    const char *csv, *junit, *json, *html;  // "" for none
    const char* says;
};

const Refusal kRefusals[] = {
    {"onto the reference", {}, "ref.asm", "", "", "", "is the reference program of case 'same as the reference'"},
    {"onto the lab by another path", {}, "", "out/../lab.toml", "", "", "is the lab file"},
    {"onto a submission", {}, "", "", "subs/ann.asm", "", "is ann's submission"},
    {"onto a hard link of a submission",
     [](const fs::path& d) { fs::create_hard_link(d / "subs/ann.asm", d / "out/h.asm"); }, "out/h.asm", "", "", "",
     "is ann's submission"},
    {"two reports on one file", {}, "out/r", "", "out/r", "", "is named by both --csv and --json"},
    {"a report among the pages", {}, "", "pages/bob.html", "", "pages", "is named by both --html and --junit"},
    {"a report on the pages' folder", {}, "out/p", "", "", "out/p", "is named by both --html and --csv"},
    {"a report on a folder", {}, "out", "", "", "", "is a folder"},
    {"a report that is a link", [](const fs::path& d) { fs::create_symlink("keep.txt", d / "out/r.csv"); }, "out/r.csv",
     "", "", "", "is a symbolic link"},
    {"a page that links to a submission",
     [](const fs::path& d) {
         fs::create_directory(d / "pages");
         fs::create_symlink("../subs/bob.asm", d / "pages/index.html");
     },
     "", "", "", "pages", "is a symbolic link"},
    {"a page that links elsewhere",
     [](const fs::path& d) {
         fs::create_directory(d / "pages");
         fs::create_symlink("../out/keep.txt", d / "pages/ann.html");
     },
     "", "", "", "pages", "pages/ann.html is a symbolic link"},
    {"a pages' folder that is a link", [](const fs::path& d) { fs::create_directory_symlink("out", d / "pages"); }, "",
     "", "", "pages", "is a symbolic link"},
    {"a pages' folder that is a file", {}, "", "", "", "out/keep.txt", "is not a folder"},
    {"a report in no folder", {}, "", "", "none/r.json", "", "there is no folder"},
};

TEST(ReportFiles, RefusedBeforeAnythingIsWritten) {
    for (const Refusal& r : kRefusals) {
        Scratch s;
        if (r.setUp) r.setUp(s.dir());
        const std::map<std::string, std::string> before = snapshot(s.dir());
        GradeOptions o;
        o.csv = r.csv, o.junit = r.junit, o.json = r.json, o.html = r.html;
        EXPECT_EQ(s.run(o), kBadInput) << r.what << ": " << s.err();
        EXPECT_NE(s.err().find(r.says), std::string::npos) << r.what << ": " << s.err();
        EXPECT_EQ(snapshot(s.dir()), before) << r.what << ": something was written";
    }
}

// A report replaces the old one whole, keeps its permissions and leaves no
// temporary behind; more threads than the machine can use are a note, not a
// failure.
TEST(ReportFiles, ReportsReplaceOldOnesAndLeaveNothingElse) {
    Scratch s;
    const fs::path& dir = s.dir();
    writeFile(dir / "out/r.csv", "old\n");
    fs::permissions(dir / "out/r.csv", fs::perms::owner_read | fs::perms::owner_write);
    GradeOptions o;
    o.csv = "out/r.csv", o.json = "out/r.json", o.html = "out/pages";
    o.jobs = 100000;
    EXPECT_EQ(s.run(o), kSomeFailed) << s.err();
    EXPECT_NE(s.err().find("threads per core; grading on"), std::string::npos) << s.err();
    EXPECT_EQ(testing::namesIn(dir / "out"), (std::vector<std::string>{"keep.txt", "pages", "r.csv", "r.json"}));
    EXPECT_EQ(testing::namesIn(dir / "out/pages"), (std::vector<std::string>{"ann.html", "bob.html", "index.html"}));
    EXPECT_EQ(testing::readBytes(dir / "out/r.csv").rfind("student,", 0), 0u);
    EXPECT_EQ(fs::status(dir / "out/r.csv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace kit85::grade
