// kit85-run and the files it is given: memory files it keeps, Intel HEX it
// loads, and a run stopped by Ctrl-C.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <regex>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;

// --- Memory files ------------------------------------------------------------

TEST(Kit85Run, PokesAreSavedInTheMemoryFile) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    expectReport(runKit85(withJson(bounded({"--memory", memory, "--poke", "8000=3E,05,76", "--at", "8000"}))), 0,
                 {{"/stop", "halt"}});
    // The program is still there for the next run.
    expectReport(runKit85(withJson(bounded({"--memory", memory, "--at", "8000", "--dump", "8000:3"}))), 0,
                 {{"/stop", "halt"}, {"/registers/A", "05"}, {"/memory/8000", {"3E", "05", "76"}}});
    // A file the runner cannot use is refused with exit 2.
    const std::string junk = dir.file("junk.sqlite", "this is not a database");
    Outcome o = runKit85({"--memory", junk, "--steps", "0"});
    EXPECT_TRUE(o.exitCode == 2 && o.err.find("junk.sqlite") != std::string::npos) << o.describe();
}

// A memory file with the rows 8000..8003 only.
std::string smallTable(const TempDir& dir) {
    std::string path = dir.path("small.sqlite");
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE d2 (address TEXT, data TEXT);"
                 "INSERT INTO d2 VALUES ('8000','00'),('8001','00'),('8002','00'),('8003','76');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

TEST(Kit85Run, TableWithFewRows) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = smallTable(dir);
    // Dumps stop at the last row; the run starts on the first row, 8000.
    expectReport(runKit85(withJson(bounded({"--memory", memory, "--dump", "8001:100"}))), 0,
                 {{"/stop", "halt"}, {"/steps", 4}, {"/memory/8001", {"00", "00", "76"}}});
    // Stepping the halt on the last row leaves the cursor on no row.
    expectReport(runKit85(withJson({"--memory", memory, "--at", "8003", "--steps", "1"})), 0,
                 {{"/registers/PC", "8004"}, {"/row", nullptr}});
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--at", "7FFF"}, std::vector<std::string>{"--poke", "8002=1,2,3"},
          std::vector<std::string>{"--dump", "9000:1"}}) {
        args.insert(args.begin(), {"--memory", memory, "--poke", "8000=AA"});
        Outcome o = runKit85(bounded(args));
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty()) << o.describe();
    }
    EXPECT_EQ(dumpOf(memory, {"8000:4"}), json({{"8000", {"00", "00", "00", "76"}}}));
}

TEST(Kit85Run, ErrorStopNamesTheMissingRow) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = smallTable(dir);
    // STA 9000 with no row 9000: the run stops with a message, exit 1.
    Outcome o = runKit85(withJson(bounded({"--memory", memory, "--poke", "8000=32,00,90", "--reg", "A=12"})));
    expectReport(o, 1, {{"/stop", "error"}, {"/steps", 1}});
    json msgs = o.json().value("messages", json::array());
    EXPECT_TRUE(msgs.size() == 1 && msgs[0].get<std::string>().find("9000") != std::string::npos) << o.describe();
}

// --- Intel HEX files -----------------------------------------------------------

TEST(Kit85Run, LoadsIntelHex) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    // MVI A,05; HLT at 8000, in lower case, then a second file patching 8001.
    std::string prog = dir.file("prog.hex", ":038000003e0576c4\r\n:00000001FF\r\n");
    std::string patch = dir.file("patch.hex", ":018001000777\n:00000001FF\n");
    expectReport(runKit85(withJson(bounded({"--load", prog, "--at", "8000", "--dump", "8000:3"}))), 0,
                 {{"/stop", "halt"}, {"/registers/A", "05"}, {"/memory/8000", {"3E", "05", "76"}}});
    expectReport(runKit85(withJson(bounded({"--load", prog, "--load", patch, "--at", "8000"}))), 0,
                 {{"/registers/A", "07"}});
    // Pokes come after the files, whatever the order on the line.
    expectReport(runKit85(withJson(bounded({"--poke", "8001=09", "--load", prog, "--at", "8000"}))), 0,
                 {{"/registers/A", "09"}});
}

TEST(Kit85Run, BadIntelHexStoresNothing) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    ASSERT_EQ(runKit85({"--memory", memory, "--poke", "8000=AA", "--steps", "0"}).exitCode, 0);
    const std::string good = dir.file("good.hex", ":0290000011223B\n:00000001FF\n");
    struct Case {
        const char* name;
        std::string text;
        const char* says;
    } cases[] = {
        {"checksum", ":0290000011223B\n:0190020033FF\n:00000001FF\n", "line 2: bad checksum"},
        {"bad digit", ":029000001122XB\n:00000001FF\n", "line 1: bad hex digit 'X'"},
        {"short record", ":0390000011223B\n:00000001FF\n", "line 1: record too short"},
        {"beyond FFFF", ":0290000011223B\n:02FFFF001122CD\n:00000001FF\n", "line 2: data beyond FFFF"},
        {"unknown type", ":0290000011223B\n:00000006FA\n:00000001FF\n", "line 2: unknown record type 06"},
        {"cut short", ":0290000011223B\n", "line 1: the file ends here without an end-of-file record"},
    };
    for (const auto& c : cases) {
        const std::string bad = dir.file(std::string(c.name) + ".hex", c.text);
        Outcome o = runKit85(bounded({"--memory", memory, "--load", good, "--load", bad, "--poke", "8000=11"}));
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty() && o.err.find(bad) != std::string::npos &&
                    o.err.find(c.says) != std::string::npos)
            << c.name << ": want exit 2 and \"" << c.says << "\"\n"
            << o.describe();
    }
    EXPECT_EQ(dumpOf(memory, {"8000:1", "9000:3"}), json({{"8000", {"AA"}}, {"9000", {"00", "00", "00"}}}));
}

// --- Ctrl-C ----------------------------------------------------------------------

TEST(Kit85Run, SigintStopsAnEndlessLoop) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    Child child({"--memory", memory, "--poke", "8000=C3,00,80", "--poke", "9000=42", "--at", "8000", "--json"});
    ASSERT_TRUE(child.catchesSigint(std::chrono::seconds(30))) << "the runner never installed its Ctrl-C handler";
    // The loop runs a while: a tenth of a second of the processor's time.
    ASSERT_TRUE(child.worksFor(std::chrono::milliseconds(100), std::chrono::seconds(30))) << "the loop never ran";
    ASSERT_EQ(::kill(child.pid(), SIGINT), 0);
    // How promptly it stops is bounded by the test's CTest timeout.
    Outcome o = child.wait(kRunBound);
    expectReport(o, 1, {{"/stop", "interrupted"}, {"/row/address", "8000"}, {"/row/data", "C3"}});
    // The pokes were committed before the run; the file is usable afterwards.
    EXPECT_EQ(dumpOf(memory, {"8000:3", "9000:1"}), json({{"8000", {"C3", "00", "80"}}, {"9000", {"42"}}}));
}

}  // namespace
}  // namespace kit85::testing
