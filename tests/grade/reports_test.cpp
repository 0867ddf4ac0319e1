// The reports with hostile names: students' file names end up in a
// spreadsheet, in file names of the HTML pages and in the pages themselves.

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <nlohmann/json.hpp>

#include "grade/grade_support.h"
#include "grade/reports.h"

namespace kit85::grade {
namespace {

SubmissionResult named(const std::string& student, const std::string& problem = "") {
    SubmissionResult r;
    r.student = student;
    r.file = student + ".asm";
    r.problem = problem;
    r.maxPoints = 1;
    CaseResult c;
    c.name = "c";
    c.points = 1;
    c.failure = problem;
    r.cases.push_back(c);
    return r;
}

Lab oneCase() {
    Lab lab;
    lab.name = "L";
    lab.cases.resize(1);
    lab.cases[0].name = "c";
    return lab;
}

struct Cell {
    const char* what;
    const char* student;
    const char* csv;  // the row's first cell as written
};

const Cell kCells[] = {
    {"plain", "ann", "ann"},
    {"a formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
    {"a plus", "+1", "'+1"},
    {"a minus", "-2", "'-2"},
    {"an at", "@sum", "'@sum"},
    {"a comma", "smith, j", "\"smith, j\""},
    {"a quote", "o\"neil", "\"o\"\"neil\""},
    {"a return", "a\rb", "\"a\rb\""},
    {"a line feed", "a\nb", "\"a\nb\""},
    {"an escape", "a\x1b[2J", "a\\x1B[2J"},
    {"a C1 control",
     "a\xC2\x9B"
     "2J",
     "a\\xC2\\x9B2J"},
    {"a right-to-left override", "a\u202Egpj.exe", "a\\u202Egpj.exe"},
    {"not UTF-8", "a\xFF", "a\\xFF"},
};

class CsvCells : public ::testing::TestWithParam<Cell> {};

TEST_P(CsvCells, QuotedAndNeverAFormula) {
    const Cell& c = GetParam();
    const std::string text = csvText(oneCase(), {named(c.student)});
    const std::string row = text.substr(text.find("\r\n") + 2);
    EXPECT_EQ(row.substr(0, std::string(c.csv).size() + 1), std::string(c.csv) + ",") << c.what << ": " << row;
}

INSTANTIATE_TEST_SUITE_P(Names, CsvCells, ::testing::ValuesIn(kCells), testing::outcomeName<Cell>);

TEST(Reports, PageNamesStayInTheirFolderAndDiffer) {
    const std::vector<std::string> names =
        pageNames({named("../../etc/passwd"), named("index"), named("a b"), named("a_b"), named(""), named(".x")});
    ASSERT_EQ(names.size(), 6u);
    for (const std::string& n : names) {
        EXPECT_EQ(n.find('/'), std::string::npos) << n;
        EXPECT_NE(n.front(), '.') << n;
        EXPECT_EQ(n.substr(n.size() - 5), ".html") << n;
    }
    EXPECT_NE(names[1], "index.html");  // the index keeps its own name
    EXPECT_NE(names[2], names[3]);      // "a b" and "a_b" both read a_b
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

TEST(Reports, PagesEscapeWhatStudentsWrote) {
    testing::TempDir dir;
    const std::vector<SubmissionResult> results = {named("<script>x</script>", "a <b> & \"c\"")};
    ASSERT_FALSE(writeHtml(dir / "pages", oneCase(), results));
    const std::string page = testing::readBytes(dir / "pages" / pageNames(results)[0]);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;x&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("a &lt;b&gt; &amp; &quot;c&quot;"), std::string::npos);
}

TEST(Reports, TheTableHidesNoControlCharacters) {
    const std::string table = tableText(oneCase(), {named("esc\x1b[2Jx", "bad\rline")});
    EXPECT_EQ(table.find('\x1b'), std::string::npos);
    EXPECT_EQ(table.find('\r'), std::string::npos);
    EXPECT_NE(table.find("esc\\x1B[2Jx"), std::string::npos) << table;
    EXPECT_NE(table.find("bad\\x0Dline"), std::string::npos) << table;
}

// Names holding what XML forbids, what is not UTF-8, or what a viewer hides
// or reorders by: every report stays well-formed and shows them escaped.
TEST(Reports, EveryReportShowsOddNamesEscaped) {
    const std::vector<std::string> odd = {"esc\x1b",          "bel\x07",    "bad\xC3(",  "csi\xC2\x9B",
                                          "rlo\u202Egpj.exe", "lri\u2066x", "lrm\u200Ex"};
    const std::vector<std::string> raw = {"\x1b", "\x07", "\xC3(", "\xC2\x9B", "\u202E", "\u2066", "\u200E"};
    Lab lab = oneCase();
    lab.name = odd[0];
    lab.cases[0].name = odd[4];
    std::vector<SubmissionResult> results;
    for (const std::string& name : odd) results.push_back(named(name, name));
    testing::TempDir dir;
    ASSERT_FALSE(writeHtml(dir / "pages", lab, results));
    const std::string pages =
        testing::readBytes(dir / "pages/index.html") + testing::readBytes(dir / "pages/esc_.html");
    const std::string junit = junitText(lab, results, "2026-01-31T12:00:00", "host\x1b");
    const std::string json = jsonText(lab, results);
    const std::pair<const char*, std::string> kReports[] = {
        {"the table", tableText(lab, results)},
        {"CSV", csvText(lab, results)},
        {"JUnit", junit},
        {"JSON", json},
        {"HTML", pages},
    };
    for (const auto& [what, text] : kReports)
        for (std::size_t i = 0; i < raw.size(); ++i)
            EXPECT_EQ(text.find(raw[i]), std::string::npos) << what << " shows " << odd[i] << " as it is";
    for (const char* shown : {"esc\\x1B", "bad\\xC3(", "csi\\xC2\\x9B", "rlo\\u202Egpj.exe"})
        EXPECT_NE(pages.find(shown), std::string::npos) << shown;
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse(junit.c_str(), junit.size()), tinyxml2::XML_SUCCESS) << junit;
    EXPECT_STREQ(doc.RootElement()->FirstChildElement("testsuite")->Attribute("name"), "esc\\x1B");
    // JSON keeps the names themselves, in JSON's own escapes.
    const nlohmann::json j = nlohmann::json::parse(json);
    EXPECT_EQ(j["results"][0]["student"], odd[0]);
    EXPECT_EQ(j["results"][3]["student"], odd[3]);
    EXPECT_EQ(j["results"][4]["student"], odd[4]);
    EXPECT_EQ(j["results"][2]["student"], "bad\uFFFD(");
}

// A failure is a case that ran and went wrong, an error one that could not
// run: the suites and the root count them apart.
TEST(Reports, JUnitCountsErrorsApartFromFailures) {
    const std::string junit =
        junitText(oneCase(), {named("ran"), named("none", "no program"), named("ran too")}, "2026-01-31T12:00:00", "h");
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse(junit.c_str(), junit.size()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = doc.RootElement();
    EXPECT_EQ(root->IntAttribute("tests"), 3);
    EXPECT_EQ(root->IntAttribute("failures"), 2);
    EXPECT_EQ(root->IntAttribute("errors"), 1);
    const tinyxml2::XMLElement* none = root->FirstChildElement("testsuite")->NextSiblingElement("testsuite");
    EXPECT_EQ(none->IntAttribute("failures"), 0);
    EXPECT_EQ(none->IntAttribute("errors"), 1);
}

// The assembler's warnings often say why a case failed: the instructor sees
// them in the JSON and on the student's page.
TEST(Reports, WarningsInTheJsonAndTheStudentsPage) {
    SubmissionResult r = named("ann");
    r.warnings = {"ann.asm:3:5: warning: <value> truncated"};
    const nlohmann::json j = nlohmann::json::parse(jsonText(oneCase(), {r}));
    EXPECT_EQ(j["results"][0]["warnings"], nlohmann::json::array({r.warnings[0]}));
    EXPECT_EQ(j["results"][0]["problem"], "") << "the keys before stay as they were";
    testing::TempDir dir;
    ASSERT_FALSE(writeHtml(dir / "pages", oneCase(), {r}));
    EXPECT_NE(testing::readBytes(dir / "pages/ann.html").find("ann.asm:3:5: warning: &lt;value&gt; truncated"),
              std::string::npos);
}

}  // namespace
}  // namespace kit85::grade
