// Finding submissions among the grader's arguments, and reading each kind
// without writing anything.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "grade/grade_support.h"

namespace kit85::grade {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

struct Layout {
    const char* what;
    std::vector<const char*> files;      // made below the scratch folder ("x/" is a folder)
    std::vector<const char*> arguments;  // below the scratch folder
    const char* found;                   // "student=file" for each, in order; a problem as "student!"
    const char* notes;                   // the start of the first note, or ""
};

const Layout kLayouts[] = {
    {"files given one by one", {"a.asm", "b.hex"}, {"b.hex", "a.asm"}, "b=b.hex a=a.asm", ""},
    {"a folder of files",
     {"class/zoe.asm", "class/al.hex", "class/me.sqlite"},
     {"class"},
     "al=al.hex me=me.sqlite zoe=zoe.asm",
     ""},
    {"a folder per student", {"class/ann/prog.asm", "class/bo/lab1.hex"}, {"class"}, "ann=prog.asm bo=lab1.hex", ""},
    {"a student's folder given", {"ann/whatever.asm"}, {"ann"}, "ann=whatever.asm", ""},
    {"other files passed over",
     {"class/a.asm", "class/b.asm", "class/notes.txt", "class/.hidden.asm"},
     {"class"},
     "a=a.asm b=b.asm",
     "notes.txt: not .asm"},
    {"a student's folder with two programs",
     {"class/ann/one.asm", "class/ann/two.asm", "class/bo/x.asm"},
     {"class"},
     "ann! bo=x.asm",
     ""},
    {"a file that is not there", {}, {"ghost.asm"}, "ghost=ghost.asm", ""},
    {"a student's folder of one odd file",
     {"class/ann/prog.txt", "class/bo/x.asm"},
     {"class"},
     "ann=prog.txt bo=x.asm",
     ""},
    {"a dot file noted",
     {"class/a.asm", "class/.hidden.asm", "class/ann/.x.asm", "class/ann/p.asm"},
     {"class"},
     "a=a.asm ann=p.asm",
     "its name starts with a dot; passed over"},
};

class Finding : public ::testing::TestWithParam<Layout> {};

TEST_P(Finding, EachForm) {
    const Layout& l = GetParam();
    testing::TempDir dir;
    for (const char* f : l.files) {
        fs::create_directories((dir / f).parent_path());
        writeFile(dir / f, "; x\n");
    }
    std::vector<fs::path> args;
    for (const char* a : l.arguments) args.push_back(dir / a);
    const Found found = findSubmissions(args);
    std::string got;
    for (const Submission& s : found.submissions) {
        if (!got.empty()) got += ' ';
        got += s.student;
        if (s.problem.empty()) {
            got += '=';
            got += s.file.filename().string();
        } else {
            got += '!';
        }
    }
    EXPECT_EQ(got, l.found) << l.what;
    if (*l.notes) {
        EXPECT_TRUE(std::any_of(found.notes.begin(), found.notes.end(), [&](const std::string& n) {
            return n.find(l.notes) != std::string::npos;
        })) << l.what;
    } else {
        EXPECT_TRUE(found.notes.empty()) << l.what << ": " << found.notes[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Finding, ::testing::ValuesIn(kLayouts), testing::outcomeName<Layout>);

// A link is never followed: it could point at the reference solution or any
// file the grader may read. A folder that cannot be read says so.
TEST(Finding, LinksAndUnreadableFoldersAreReported) {
    testing::TempDir dir;
    fs::create_directories(dir / "class/bo");
    writeFile(dir / "ref.asm", "ORG 8000H\nHLT\n");
    fs::create_symlink("/etc/passwd", dir / "class/al.asm");
    fs::create_symlink(dir / "ref.asm", dir / "class/bo/prog.asm");
    fs::create_symlink(dir / "ref.asm", dir / "link.asm");
    fs::create_directories(dir / "class/cy");
    writeFile(dir / "class/cy/p.asm", "; x\n");
    const Found found = findSubmissions({dir / "class", dir / "link.asm"});
    ASSERT_EQ(found.submissions.size(), 4u);
    for (std::size_t i : {0u, 1u, 3u})
        EXPECT_NE(found.submissions[i].problem.find("symbolic link"), std::string::npos)
            << found.submissions[i].student;
    EXPECT_EQ(found.submissions[2].problem, "");
    LabResult lab = parseLab("name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { stop = \"halt\" }\n", dir / "lab.toml");
    ASSERT_TRUE(lab.lab);
    EXPECT_NE(readProgram(dir / "link.asm", *lab.lab).problem.find("symbolic link"), std::string::npos);
    fs::create_symlink(dir / "lab.toml", dir / "lab-link.toml");
    writeFile(dir / "lab.toml", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { stop = \"halt\" }\n");
    EXPECT_TRUE(readLab(dir / "lab-link.toml").error);

    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    fs::permissions(dir / "class/cy", fs::perms::none);
    const Found locked = findSubmissions({dir / "class", dir / "class/cy"});
    fs::permissions(dir / "class/cy", fs::perms::owner_all);
    ASSERT_EQ(locked.submissions.size(), 4u);
    EXPECT_NE(locked.submissions[2].problem.find("cannot be read"), std::string::npos) << locked.submissions[2].problem;
    EXPECT_NE(locked.submissions[3].problem.find("cannot be read"), std::string::npos) << locked.submissions[3].problem;
}

struct Read {
    const char* what;
    const char* file;
    const char* problem;  // the start; "" when read
};

TEST(ReadingSubmissions, EachKindOrItsProblem) {
    testing::TempDir dir;
    writeFile(dir / "ok.asm", "ORG 8000H\nMVI A,3AH\nHLT\n");
    writeFile(dir / "bad.hex", ":0100000001FE\n");  // no end record
    writeFile(dir / "odd.txt", "x");
    testing::sql(dir / "other.sqlite", "CREATE TABLE t (x)");
    fs::create_directory(dir / "folder.asm");
    ASSERT_EQ(::mkfifo((dir / "pipe.asm").c_str(), 0600), 0);
    LabResult only =
        parseLab("name = \"x\"\naccepts = [\"asm\", \"hex\"]\n[[case]]\nname = \"c\"\nexpect = { stop = \"halt\" }\n",
                 dir / "lab.toml");
    ASSERT_TRUE(only.lab);
    const Read kReads[] = {
        {"a source", "ok.asm", ""},
        {"bad Intel HEX", "bad.hex", "not an Intel HEX file: line 1: the file ends here without an end-of-file record"},
        {"an unknown extension", "odd.txt", "is not a submission"},
        {"a kind the lab does not take", "other.sqlite", "this lab takes asm, hex submissions, not memory"},
        {"a folder", "folder.asm", "is not a regular file"},
        {"a pipe, which would block a reader", "pipe.asm", "is not a regular file"},
    };
    for (const Read& r : kReads) {
        const Program p = readProgram(dir / r.file, *only.lab);
        EXPECT_EQ(p.problem.rfind(r.problem, 0), 0u) << r.what << ": " << p.problem;
    }
    const Program ok = readProgram(dir / "ok.asm", *only.lab);
    ASSERT_EQ(ok.rows.size(), 3u);
    EXPECT_EQ(ok.rows[1], (std::pair<uint16_t, Text>{0x8001, Text("3A")}));
    // A memory file is read only when its d2 is a plain table: a recursive
    // view would never end.
    testing::sql(dir / "loop.sqlite",
                 "CREATE VIEW d2 AS WITH RECURSIVE r(address, data) AS (SELECT '8000', '3E' UNION ALL "
                 "SELECT address, data FROM r) SELECT address, data FROM r");
    testing::sql(dir / "halts.sqlite",
                 "CREATE VIEW d2 AS WITH RECURSIVE r(address, data) AS (SELECT '8000', '76' UNION ALL "
                 "SELECT address, data FROM r) SELECT address, data FROM r");
    testing::sql(dir / "many.sqlite",
                 "CREATE TABLE d2 (address TEXT, data TEXT); WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 "
                 "FROM n WHERE i < 65536) INSERT INTO d2 SELECT printf('%04X', i), '00' FROM n");
    for (const char* file : {"other.sqlite", "loop.sqlite", "halts.sqlite", "many.sqlite"}) {
        const std::string problem = readProgramOf(dir / file, ProgramKind::MemoryFile).problem;
        EXPECT_EQ(problem.rfind("is not a kit85 memory file", 0), 0u) << file << ": " << problem;
    }
}

// A memory file is read as it is, odd texts included, and left exactly as it
// was: no journal, no lock file, not a byte changed, even when read-only.
TEST(ReadingSubmissions, AMemoryFileIsOnlyRead) {
    testing::TempDir dir;
    const fs::path file = dir / "kit.sqlite";
    testing::writeMemoryFile(file, "ORG 8000H\nMVI A,05H\nHLT\n");
    testing::sql(file, "UPDATE d2 SET data = '3e' WHERE address = '9000'");
    fs::permissions(file, fs::perms::owner_read);
    const std::string before = testing::readBytes(file);
    const std::vector<std::string> names = testing::namesIn(dir.path());

    const Program p = readProgramOf(file, ProgramKind::MemoryFile);
    ASSERT_TRUE(p.ok()) << p.problem;
    // Characters a URI gives meaning are the file name's own.
    fs::create_directory(dir / "odd #1 ?%");
    fs::copy_file(file, dir / "odd #1 ?%" / "a#b%20.sqlite");
    EXPECT_EQ(readProgramOf(dir / "odd #1 ?%" / "a#b%20.sqlite", ProgramKind::MemoryFile).rows, p.rows);
    fs::remove_all(dir / "odd #1 ?%");
    ASSERT_EQ(p.rows.size(), 4u);
    EXPECT_EQ(p.rows[0], (std::pair<uint16_t, Text>{0x8000, Text("3E")}));
    EXPECT_EQ(p.rows[3], (std::pair<uint16_t, Text>{0x9000, Text("3e")}));
    EXPECT_EQ(testing::readBytes(file), before);
    EXPECT_EQ(testing::namesIn(dir.path()), names);
}

}  // namespace
}  // namespace kit85::grade
