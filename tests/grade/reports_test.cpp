// The reports with hostile names: students' file names end up in a
// spreadsheet, in file names of the HTML pages and in the pages themselves.

#include <gtest/gtest.h>

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
    EXPECT_NE(table.find("esc?[2Jx"), std::string::npos) << table;
}

}  // namespace
}  // namespace kit85::grade
