// kit85-grade's whole run over a folder of small submissions covering every
// outcome, with its reports read back field by field, and its exit statuses.

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "grade/grade_run.h"
#include "grade/grade_support.h"
#include "memory/intel_hex.h"

namespace kit85::grade {
namespace {

using testing::writeFile;
namespace fs = std::filesystem;

constexpr const char* kLab = R"(name = "Sum"
[limits]
steps = 500
[[case]]
name = "sum"
points = 3
memory = { "8050" = "05 03" }
[case.expect]
memory = { "8052" = "08" }
flags = { CY = 0 }
[[case]]
name = "hidden sum"
hidden = true
memory = { "8050" = "10 20" }
[case.expect]
memory = { "8052" = "30" }
)";

constexpr const char* kRight = "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nHLT\n";

struct Student {
    const char* what;  // the outcome it stands for
    const char* file;  // in the class folder; "" for the missing argument
    const char* name;
    const char* status;
    int points;
    int passed;
    const char* failure;  // the start of the first failure
};

// In the order the grader lists them: the folder's files by name, then the
// missing file given on its own.
const Student kStudents[] = {
    {"pass", "ann.asm", "ann", "passed", 4, 2, ""},
    {"wrong value", "ben.asm", "ben", "failed", 0, 0, "sum: 8052: expected 08, got FE"},
    {"wrong flag", "cat.asm", "cat", "failed", 1, 1, "sum: CY: expected 0, got 1"},
    {"does not halt", "dan.asm", "dan", "failed", 0, 0, "sum: did not halt within 500 steps"},
    {"invalid code", "eve.asm", "eve", "failed", 0, 0, "sum: stopped on invalid code"},
    {"assembler error", "fay.asm", "fay", "error", 0, 0, "assembler error: fay.asm:2:1: error:"},
    {"not a kit85 memory file", "gus.sqlite", "gus", "error", 0, 0, "is not a kit85 memory file"},
    {"a kit85 memory file", "hal.sqlite", "hal", "passed", 4, 2, ""},
    {"Intel HEX", "ivy.hex", "ivy", "passed", 4, 2, ""},
    {"a file that is not there", "", "nobody", "error", 0, 0, "cannot be read (No such file or directory)"},
};

GradeOptions reportTo(std::string GradeOptions::*report, const std::string& file) {
    GradeOptions o;
    o.*report = file;
    return o;
}

class WholeRun : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir_ / "lab.toml", kLab);
        fs::create_directory(dir_ / "class");
        writeFile(dir_ / "class/ann.asm", kRight);
        writeFile(dir_ / "class/ben.asm", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nSUB B\nSTA 8052H\nHLT\n");
        writeFile(dir_ / "class/cat.asm", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nSTC\nHLT\n");
        writeFile(dir_ / "class/dan.asm", "ORG 8000H\nAGAIN: JMP AGAIN\n");
        writeFile(dir_ / "class/eve.asm", "ORG 8000H\nDB 08H\n");
        writeFile(dir_ / "class/fay.asm", "ORG 8000H\nMVX A,5\n");
        writeFile(dir_ / "class/gus.sqlite", "this is no database\n");
        testing::writeMemoryFile(dir_ / "class/hal.sqlite", kRight);
        writeFile(dir_ / "class/ivy.hex", hexOf(kRight));
        writeFile(dir_ / "class/notes.txt", "not a submission\n");
    }

    static std::string hexOf(const std::string& source) {
        const Program p = assembleProgram(source, "x.asm");
        std::vector<HexByte> bytes;
        for (const auto& [address, text] : p.rows) bytes.push_back({address, static_cast<uint8_t>(text.hexValue())});
        return formatIntelHex(bytes);
    }

    int run(GradeOptions o) {
        if (o.lab.empty()) o.lab = (dir_ / "lab.toml").string();
        if (o.submissions.empty()) o.submissions = {(dir_ / "class").string(), (dir_ / "nobody.asm").string()};
        o.jobs = 2;
        std::ostringstream out, err;
        const int status = runGrader(o, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    testing::TempDir dir_;
    std::string out_, err_;
};

TEST_F(WholeRun, TheTableHasARowPerStudent) {
    EXPECT_EQ(run({}), kSomeFailed) << err_;
    std::istringstream lines(out_);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("student", 0), 0u) << line;
    for (const Student& s : kStudents) {
        ASSERT_TRUE(std::getline(lines, line)) << s.what;
        std::istringstream cells(line);
        std::string name, points, cases;
        cells >> name >> points >> cases;
        EXPECT_EQ(name, s.name) << s.what;
        EXPECT_EQ(points, std::to_string(s.points) + "/4") << s.what;
        EXPECT_EQ(cases, std::to_string(s.passed) + "/2") << s.what;
        EXPECT_NE(line.find(s.failure), std::string::npos) << s.what << ": " << line;
    }
    std::getline(lines, line);
    EXPECT_EQ(line, "3 of 10 submissions passed every case");
    EXPECT_NE(err_.find("notes.txt: not .asm, .hex or .sqlite; passed over"), std::string::npos) << err_;
}

TEST_F(WholeRun, CsvFieldByField) {
    ASSERT_EQ(run(reportTo(&GradeOptions::csv, (dir_ / "r.csv").string())), kSomeFailed) << err_;
    std::istringstream lines(testing::readBytes(dir_ / "r.csv"));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "student,file,status,points,max_points,cases_passed,cases,first_failure,sum,hidden sum\r");
    for (const Student& s : kStudents) {
        ASSERT_TRUE(std::getline(lines, line)) << s.what;
        // Split on commas outside quotes.
        std::vector<std::string> f(1);
        bool quoted = false;
        for (char c : line.substr(0, line.size() - 1)) {
            if (c == '"') quoted = !quoted;
            else if (c == ',' && !quoted) f.emplace_back();
            else f.back() += c;
        }
        ASSERT_EQ(f.size(), 10u) << s.what << ": " << line;
        EXPECT_EQ(f[0], s.name);
        EXPECT_EQ(fs::path(f[1]).filename(), std::string(*s.file ? s.file : "nobody.asm")) << s.what;
        EXPECT_EQ(f[2], s.status) << s.what;
        EXPECT_EQ(f[3], std::to_string(s.points)) << s.what;
        EXPECT_EQ(f[4], "4");
        EXPECT_EQ(f[5], std::to_string(s.passed)) << s.what;
        EXPECT_EQ(f[6], "2");
        EXPECT_EQ(f[7].rfind(s.failure, 0), 0u) << s.what << ": " << f[7];
        EXPECT_EQ(std::stoi(f[8]) + std::stoi(f[9]), s.points) << s.what;
    }
}

TEST_F(WholeRun, JUnitHasEveryElementAndAttributeTheSchemaRequires) {
    ASSERT_EQ(run(reportTo(&GradeOptions::junit, (dir_ / "r.xml").string())), kSomeFailed) << err_;
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile((dir_ / "r.xml").c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* suites = doc.RootElement();
    ASSERT_STREQ(suites->Name(), "testsuites");
    EXPECT_EQ(suites->IntAttribute("tests"), 20);
    const tinyxml2::XMLElement* suite = suites->FirstChildElement("testsuite");
    for (const Student& s : kStudents) {
        ASSERT_TRUE(suite) << s.what;
        for (const char* a : {"name", "package", "id", "timestamp", "hostname", "tests", "failures", "errors", "time"})
            EXPECT_TRUE(suite->Attribute(a)) << s.what << ": testsuite lacks " << a;
        EXPECT_STREQ(suite->Attribute("name"), s.name);
        EXPECT_EQ(std::string(suite->Attribute("timestamp")).size(), 19u);  // 2026-01-31T12:00:00
        const bool error = std::string(s.status) == "error";
        EXPECT_EQ(suite->IntAttribute("failures"), error ? 0 : 2 - s.passed) << s.what;
        EXPECT_EQ(suite->IntAttribute("errors"), error ? 2 : 0) << s.what;
        for (const char* e : {"properties", "system-out", "system-err"})
            EXPECT_TRUE(suite->FirstChildElement(e)) << s.what << ": testsuite lacks <" << e << ">";
        int cases = 0, failed = 0;
        for (auto* tc = suite->FirstChildElement("testcase"); tc; tc = tc->NextSiblingElement("testcase")) {
            ++cases;
            for (const char* a : {"name", "classname", "time"})
                EXPECT_TRUE(tc->Attribute(a)) << s.what << ": testcase lacks " << a;
            const tinyxml2::XMLElement* f = tc->FirstChildElement(error ? "error" : "failure");
            if (!f) continue;
            ++failed;
            EXPECT_TRUE(f->Attribute("message")) << s.what;
            EXPECT_TRUE(f->Attribute("type")) << s.what;
        }
        EXPECT_EQ(cases, 2) << s.what;
        EXPECT_EQ(failed, 2 - s.passed) << s.what;
        suite = suite->NextSiblingElement("testsuite");
    }
    EXPECT_FALSE(suite);
}

TEST_F(WholeRun, JsonFieldByField) {
    ASSERT_EQ(run(reportTo(&GradeOptions::json, (dir_ / "r.json").string())), kSomeFailed) << err_;
    const nlohmann::json j = nlohmann::json::parse(testing::readBytes(dir_ / "r.json"));
    EXPECT_EQ(j["lab"], "Sum");
    EXPECT_EQ(j["max_points"], 4);
    EXPECT_EQ(j["submissions"], 10);
    EXPECT_EQ(j["passed"], 3);
    ASSERT_EQ(j["results"].size(), std::size(kStudents));
    for (std::size_t i = 0; i < std::size(kStudents); ++i) {
        const Student& s = kStudents[i];
        const nlohmann::json& r = j["results"][i];
        EXPECT_EQ(r["student"], s.name);
        EXPECT_EQ(r["status"], s.status) << s.what;
        EXPECT_EQ(r["points"], s.points) << s.what;
        EXPECT_EQ(r["max_points"], 4);
        EXPECT_EQ(r["cases_passed"], s.passed) << s.what;
        ASSERT_EQ(r["cases"].size(), 2u);
        const nlohmann::json& sum = r["cases"][0];
        EXPECT_EQ(sum["name"], "sum");
        EXPECT_EQ(sum["points"], 3);
        EXPECT_EQ(sum["hidden"], false);
        EXPECT_EQ(r["cases"][1]["hidden"], true);
        std::string failure = s.failure;
        if (failure.rfind("sum: ", 0) == 0) failure.erase(0, 5);  // the table names the case; the case does not
        EXPECT_EQ(sum["failure"].get<std::string>().rfind(failure, 0), 0u) << s.what << ": " << sum["failure"];
        if (std::string(s.status) != "error") {
            ASSERT_FALSE(sum["checks"].empty());
            EXPECT_EQ(sum["checks"][0]["what"], "stop");
            EXPECT_EQ(sum["checks"][1]["what"], "8052");
            EXPECT_EQ(sum["checks"][1]["expected"], "08");
        }
    }
    EXPECT_EQ(j["results"][1]["cases"][0]["checks"][1]["actual"], "FE");
    EXPECT_EQ(j["results"][3]["cases"][0]["stop"], "step-limit");
    EXPECT_EQ(j["results"][3]["cases"][0]["steps"], 500);
}

TEST_F(WholeRun, HtmlHasAnIndexAndAPagePerStudentWithTheTrace) {
    ASSERT_EQ(run(reportTo(&GradeOptions::html, (dir_ / "pages").string())), kSomeFailed) << err_;
    std::vector<std::string> pages = testing::namesIn(dir_ / "pages");
    EXPECT_EQ(pages.size(), std::size(kStudents) + 1);
    const std::string index = testing::readBytes(dir_ / "pages/index.html");
    for (const Student& s : kStudents) EXPECT_NE(index.find("href=\"" + std::string(s.name) + ".html\""), std::string::npos);
    const std::string ben = testing::readBytes(dir_ / "pages/ben.html");
    EXPECT_NE(ben.find("<td>8052</td><td>08</td><td>FE</td>"), std::string::npos);
    EXPECT_NE(ben.find("STA 8052"), std::string::npos) << "the trace up to the wrong write";
    EXPECT_NE(ben.find("&lt;- expected 08"), std::string::npos);
}

TEST_F(WholeRun, SubmissionsAreNeverWritten) {
    const std::string before = testing::readBytes(dir_ / "class/hal.sqlite");
    const std::vector<std::string> names = testing::namesIn(dir_ / "class");
    run({});
    EXPECT_EQ(testing::readBytes(dir_ / "class/hal.sqlite"), before);
    EXPECT_EQ(testing::namesIn(dir_ / "class"), names) << "no journal, lock or report beside the submissions";

    // A report named after a submission is refused before anything is written.
    EXPECT_EQ(run(reportTo(&GradeOptions::csv, (dir_ / "class/ann.asm").string())), kBadInput);
    EXPECT_NE(err_.find("is ann's submission"), std::string::npos) << err_;
    EXPECT_EQ(testing::readBytes(dir_ / "class/ann.asm"), kRight);
    EXPECT_EQ(run(reportTo(&GradeOptions::json, (dir_ / "lab.toml").string())), kBadInput);
    EXPECT_EQ(testing::readBytes(dir_ / "lab.toml"), kLab);
}

struct Status {
    const char* what;
    const char* lab;                       // "" for the good one
    std::vector<const char*> submissions;  // in the class folder; empty for all
    int status;
    const char* says;
};

TEST_F(WholeRun, ExitStatuses) {
    const Status kStatuses[] = {
        {"every submission passes", "", {"ann.asm", "hal.sqlite"}, kAllPassed, ""},
        {"one fails", "", {"ann.asm", "ben.asm"}, kSomeFailed, ""},
        {"a bad lab file", "name = \"x\"\nsteps = 3\n", {"ann.asm"}, kBadInput, "bad.toml:2:1: unknown key 'steps'"},
        {"a lab file that is not there", "-", {"ann.asm"}, kBadInput, "there is no such file"},
    };
    for (const Status& s : kStatuses) {
        GradeOptions o;
        if (std::string(s.lab) == "-") {
            o.lab = (dir_ / "none.toml").string();
        } else if (*s.lab) {
            writeFile(dir_ / "bad.toml", s.lab);
            o.lab = (dir_ / "bad.toml").string();
        }
        for (const char* f : s.submissions) o.submissions.push_back((dir_ / "class" / f).string());
        EXPECT_EQ(run(o), s.status) << s.what << ": " << err_;
        EXPECT_NE(err_.find(s.says), std::string::npos) << s.what << ": " << err_;
    }
}

// Each worked lab passes its own reference solution.
TEST(ExampleLabs, EachPassesItsSolution) {
    const fs::path labs = fs::path(KIT85_SOURCE) / "examples/labs";
    for (const char* name : {"add16", "block_move", "bubble_sort", "bcd_add", "delay"}) {
        GradeOptions o;
        o.lab = (labs / (std::string(name) + ".toml")).string();
        o.submissions = {(labs / (std::string(name) + ".asm")).string()};
        std::ostringstream out, err;
        EXPECT_EQ(runGrader(o, out, err), kAllPassed) << name << "\n" << out.str() << err.str();
    }
}

}  // namespace
}  // namespace kit85::grade

namespace kit85::grade {
namespace {

// The table the README shows is the one the grader prints.
TEST(ExampleLabs, TheGuideShowsTheTableTheGraderPrints) {
    const fs::path root = KIT85_SOURCE;
    const std::string guide = testing::readBytes(root / "README.md");
    const std::string command = "$ kit85-grade examples/labs/bubble_sort.toml examples/labs/submissions/\n";
    const std::size_t at = guide.find(command);
    ASSERT_NE(at, std::string::npos);
    const std::size_t begin = at + command.size();
    const std::string shown = guide.substr(begin, guide.find("```", begin) - begin);
    GradeOptions o;
    o.lab = (root / "examples/labs/bubble_sort.toml").string();
    o.submissions = {(root / "examples/labs/submissions").string()};
    std::ostringstream out, err;
    EXPECT_EQ(runGrader(o, out, err), kSomeFailed) << err.str();
    EXPECT_EQ(out.str(), shown);
}

}  // namespace
}  // namespace kit85::grade
