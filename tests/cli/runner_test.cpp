// kit85-run as a user's script sees it: its report, its exit status, and what
// it leaves in a memory file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;
using Fields = std::vector<std::pair<std::string, json>>;

// Checks the exit status and the named fields (JSON pointers) of the report;
// a failure lists every field that differs, then the whole run.
void expectReport(const Outcome& o, int exitCode, const Fields& fields) {
    json j = o.json();
    std::ostringstream diff;
    if (o.exitCode != exitCode) diff << "  exit: " << o.exitCode << ", want " << exitCode << "\n";
    if (!j.is_object())
        diff << "  stdout is no JSON object\n";
    else
        for (const auto& [ptr, want] : fields) {
            json::json_pointer p(ptr);
            json got = j.contains(p) ? j.at(p) : json("<missing>");
            if (got != want) diff << "  " << ptr << ": " << got.dump() << ", want " << want.dump() << "\n";
        }
    EXPECT_TRUE(diff.str().empty()) << diff.str() << o.describe();
}

std::vector<std::string> withJson(std::vector<std::string> args) {
    args.push_back("--json");
    return args;
}

const std::vector<std::string> kRoad = {"--poke", "8000=3E,05,76", "--at", "8000"};

// --- The report ------------------------------------------------------------

TEST(Kit85Run, RoadOfOneProgramReportsEveryField) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(withJson(kRoad));
    json want = {
        {"stop", "halt"},
        {"steps", 2},
        {"registers",
         {{"A", "05"},
          {"B", "00"},
          {"C", "00"},
          {"D", "00"},
          {"E", "00"},
          {"H", "00"},
          {"L", "00"},
          {"F", "00"},
          {"PC", "8003"},
          {"SP", "0000"}}},
        {"flags", {{"S", "0"}, {"Z", "0"}, {"AC", "0"}, {"P", "0"}, {"CY", "0"}}},
        {"row", {{"address", "8002"}, {"data", "76"}}},
        {"messages", json::array()},
        {"memory", json::object()},
    };
    json got = o.json();
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_EQ(got, want) << "differences: " << json::diff(want, got).dump() << "\n" << o.describe();
    EXPECT_TRUE(o.err.empty()) << o.describe();
    // Exactly one object on one line: scripts read it whole.
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.describe();
    // Keys in a stable order, as listed in the help.
    EXPECT_TRUE(o.out.find("{\"stop\":") == 0 && o.out.find("\"registers\":{\"A\":") != std::string::npos)
        << o.describe();
}

TEST(Kit85Run, SummaryWithoutJson) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85({"--poke", "8000=ED", "--poke", "9000= 5", "--at", "8000", "--dump", "9000:18"});
    EXPECT_EQ(o.exitCode, 1) << o.describe();
    for (const char* line :
         {"ERROR : invalid code\n", "stop: invalid-code after 1 step\n",
          "A=00 B=00 C=00 D=00 E=00 H=00 L=00 F=00 PC=0000 SP=0000\n", "S=0 Z=0 AC=0 P=0 CY=0\n", "row: 8000 ED\n",
          "memory 9000: \" 5\" 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n", "memory 9010: 00 00\n"})
        EXPECT_NE(o.out.find(line), std::string::npos) << "missing line: " << line << o.describe();
}

// --- Exit statuses and stops -------------------------------------------------

struct StopCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    Fields fields;
};

TEST(Kit85Run, StopsAndExitStatuses) {
    SKIP_WITHOUT_RUNNER();
    const StopCase cases[] = {
        {"unknown code ED",
         {"--poke", "8000=ED", "--at", "8000"},
         1,
         {{"/stop", "invalid-code"},
          {"/steps", 1},
          {"/messages", {"invalid code"}},
          {"/row/address", "8000"},
          {"/row/data", "ED"},
          {"/registers/PC", "0000"}}},
        {"lower-case 3e is no opcode",
         {"--poke", "8000=3e,05,76", "--at", "8000"},
         1,
         {{"/stop", "invalid-code"}, {"/row/data", "3e"}}},
        {"without --at the run starts on the first row (0000, NOP...)",
         {"--poke", "0000=00,00,76"},
         0,
         {{"/stop", "halt"}, {"/steps", 3}, {"/row/address", "0002"}, {"/registers/PC", "0003"}}},
        {"--steps 1 stops on the next instruction",
         {"--poke", "8000=3E,05,76", "--at", "8000", "--steps", "1"},
         0,
         {{"/stop", "steps"},
          {"/steps", 1},
          {"/registers/A", "05"},
          {"/registers/PC", "8002"},
          {"/row/address", "8002"}}},
        {"--steps 2 moves past the halt",
         {"--poke", "8000=3E,05,76", "--at", "8000", "--steps", "2"},
         0,
         {{"/stop", "steps"}, {"/steps", 2}, {"/registers/PC", "8003"}, {"/row/address", "8003"}, {"/row/data", "00"}}},
        {"--steps 3 steps on over the halt",
         {"--poke", "8000=3E,05,76", "--at", "8000", "--steps", "3"},
         0,
         {{"/stop", "steps"}, {"/steps", 3}, {"/row/address", "8004"}}},
        {"--steps 0 runs nothing",
         {"--poke", "8000=3E,05,76", "--at", "8000", "--steps", "0"},
         0,
         {{"/stop", "steps"}, {"/steps", 0}, {"/registers/A", "00"}, {"/row/address", "8000"}}},
        {"--steps over an unknown code reports it and goes on at PC",
         {"--poke", "8000=ED,ED", "--at", "8000", "--steps", "2"},
         0,
         {{"/stop", "steps"}, {"/messages", {"invalid code"}}, {"/row/address", "0001"}, {"/registers/PC", "0001"}}},
        {"a flood of messages is listed up to 1000, then counted",
         {"--poke", "0000=ED", "--steps", "1500"},
         0,
         {{"/steps", 1500},
          {"/messages/999", "invalid code"},
          {"/messages/1000", "(500 more messages not listed)"},
          {"/messages/1001", "<missing>"}}},
        {"--max-steps bounds an endless loop",
         {"--poke", "8000=C3,00,80", "--at", "8000", "--max-steps", "1000"},
         0,
         {{"/stop", "step-limit"}, {"/steps", 1000}, {"/registers/PC", "8000"}, {"/row/address", "8000"}}},
        {"--max-steps above what the program needs",
         {"--poke", "8000=3E,05,76", "--at", "8000", "--max-steps", "2"},
         0,
         {{"/stop", "halt"}, {"/steps", 2}}},
        {"halt at FFFF leaves PC at 0000",
         {"--poke", "FFFF=76", "--at", "ffff"},
         0,
         {{"/stop", "halt"}, {"/registers/PC", "0000"}, {"/row/address", "FFFF"}}},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        expectReport(runKit85(withJson(c.args)), c.exitCode, c.fields);
    }
}

TEST(Kit85Run, RegistersAndFlagsAreSetBeforeTheRun) {
    SKIP_WITHOUT_RUNNER();
    // Texts stay as given; F is rebuilt from the labels by the NOP.
    expectReport(runKit85(withJson({"--poke", "8000=00,76", "--at",   "8000", "--reg",  "B=7f", "--reg",  "pc=12",
                                    "--reg",  "SP=FFF0",    "--reg",  "C=",   "--flag", "S=1",  "--flag", "AC=1",
                                    "--flag", "p=1",        "--flag", "CY=1", "--reg",  "F=AA"})),
                 0,
                 {{"/registers/B", "7f"},
                  {"/registers/C", ""},
                  {"/registers/SP", "FFF0"},
                  {"/registers/PC", "8002"},
                  {"/registers/F", "95"},
                  {"/flags", {{"S", "1"}, {"Z", "0"}, {"AC", "1"}, {"P", "1"}, {"CY", "1"}}}});
    // Nothing run: the texts as set, F included.
    expectReport(runKit85(withJson({"--steps", "0", "--reg", "F=AA", "--reg", "PC=8", "--flag", "Z=1"})), 0,
                 {{"/registers/F", "AA"}, {"/registers/PC", "8"}, {"/flags/Z", "1"}});
}

TEST(Kit85Run, Dumps) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(withJson({"--poke", "8000=3E,05,76", "--poke", "FFFE=5,ab", "--at", "8000", "--dump", "8000:3",
                                   "--dump", "fffc:16", "--dump", "8000:1", "--dump", "0:0"}));
    expectReport(
        o, 0,
        {{"/memory", {{"8000", {"3E", "05", "76"}}, {"FFFC", {"00", "00", "5", "ab"}}, {"0000", json::array()}}}});
}

TEST(Kit85Run, TextsThatAreNotUtf8StillGiveValidJson) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(withJson({"--poke", "8000=\xFF", "--reg", "A=\xC3", "--steps", "0", "--dump", "8000:1"}));
    expectReport(o, 0, {{"/memory/8000/0", "\xEF\xBF\xBD"}, {"/registers/A", "\xEF\xBF\xBD"}});
}

json dumpOf(const std::string& memory, const std::vector<std::string>& dumps) {
    std::vector<std::string> args = {"--memory", memory, "--steps", "0", "--json"};
    for (const auto& d : dumps) args.insert(args.end(), {"--dump", d});
    Outcome o = runKit85(args);
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    return o.json().value("memory", json());
}

// --- Bad arguments -----------------------------------------------------------

struct BadArgs {
    std::vector<std::string> args;
    const char* says;  // part of the message on stderr
};

TEST(Kit85Run, BadArgumentsExitTwoAndWriteNothing) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    ASSERT_EQ(runKit85({"--memory", memory, "--poke", "8000=55", "--steps", "0"}).exitCode, 0);
    const BadArgs cases[] = {
        {{"--poke", "8000=123"}, "longer than 2 characters"},
        {{"--poke", "8000="}, "empty byte text"},
        {{"--poke", "8000=3E,,76"}, "empty byte text"},
        {{"--poke", "8000"}, "ADDR=B1,B2"},
        {{"--poke", "G000=00"}, "is no address"},
        {{"--poke", "12345=00"}, "is no address"},
        {{"--poke", "=00"}, "is no address"},
        {{"--poke", "FFFF=00,00"}, "runs past the last row (FFFF)"},
        {{"--at", "80000"}, "is no address"},
        {{"--at", ""}, "is no address"},
        {{"--reg", "Q=1"}, "no register"},
        {{"--reg", "M=1"}, "no register"},
        {{"--reg", "A=123"}, "longer than the 2 characters"},
        {{"--reg", "PC=12345"}, "longer than the 4 characters"},
        {{"--reg", "A"}, "NAME=TEXT"},
        {{"--flag", "CY=2"}, "0 or 1"},
        {{"--flag", "CY="}, "0 or 1"},
        {{"--flag", "X=1"}, "no flag"},
        {{"--steps", "-1"}, "is no count"},
        {{"--steps", "1x"}, "is no count"},
        {{"--steps", "0x10"}, "is no count"},
        {{"--steps", "18446744073709551616"}, "is no count"},
        {{"--max-steps", "0"}, "at least 1"},
        {{"--steps", "1", "--max-steps", "2"}, "excludes"},
        {{"--dump", "8000"}, "ADDR:LEN"},
        {{"--dump", "8000:x"}, "is no count"},
        {{"--dump", "8000:-1"}, "is no count"},
        {{"--frobnicate"}, "frobnicate"},
        {{"--load", dir.path("missing.hex")}, "cannot be read"},
        {{"--load", dir.path("")}, "is a folder"},
        {{"--memory", dir.path("no/such/folder/kit.sqlite")}, "does not exist"},
        {{"--memory", ""}, "file name is empty"},
    };
    // A good poke first on every line: it must not reach the memory file.
    for (const BadArgs& c : cases) {
        std::vector<std::string> args = {"--memory", memory, "--poke", "8000=AA"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (c.args[0] == "--memory") args.erase(args.begin(), args.begin() + 2);
        Outcome o = runKit85(args);
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty() && o.err.find(c.says) != std::string::npos)
            << "want exit 2, no report, stderr with \"" << c.says << "\"\n"
            << o.describe();
    }
    EXPECT_EQ(dumpOf(memory, {"8000:2"}), json({{"8000", {"55", "00"}}})) << "bad arguments wrote to the memory file";
    // An option that is wrong whatever the table holds does not even create a missing memory file.
    const std::string never = dir.path("never.sqlite");
    Outcome o = runKit85({"--memory", never, "--poke", "8000=AA", "--dump", "8000:x"});
    EXPECT_TRUE(o.exitCode == 2 && !std::filesystem::exists(never)) << o.describe();
}

TEST(Kit85Run, HelpExitsZero) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85({"--help"});
    EXPECT_TRUE(o.exitCode == 0 && o.out.find("--max-steps") != std::string::npos) << o.describe();
}

// --- Memory files ------------------------------------------------------------

TEST(Kit85Run, PokesAreSavedInTheMemoryFile) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    expectReport(runKit85(withJson({"--memory", memory, "--poke", "8000=3E,05,76", "--at", "8000"})), 0,
                 {{"/stop", "halt"}});
    // The program is still there for the next run.
    expectReport(runKit85(withJson({"--memory", memory, "--at", "8000", "--dump", "8000:3"})), 0,
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
    expectReport(runKit85(withJson({"--memory", memory, "--dump", "8001:100"})), 0,
                 {{"/stop", "halt"}, {"/steps", 4}, {"/memory/8001", {"00", "00", "76"}}});
    // Stepping the halt on the last row leaves the cursor on no row.
    expectReport(runKit85(withJson({"--memory", memory, "--at", "8003", "--steps", "1"})), 0,
                 {{"/registers/PC", "8004"}, {"/row", nullptr}});
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--at", "7FFF"}, std::vector<std::string>{"--poke", "8002=1,2,3"},
          std::vector<std::string>{"--dump", "9000:1"}}) {
        args.insert(args.begin(), {"--memory", memory, "--poke", "8000=AA"});
        Outcome o = runKit85(args);
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty()) << o.describe();
    }
    EXPECT_EQ(dumpOf(memory, {"8000:4"}), json({{"8000", {"00", "00", "00", "76"}}}));
}

TEST(Kit85Run, ErrorStopNamesTheMissingRow) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = smallTable(dir);
    // STA 9000 with no row 9000: the run stops with a message, exit 1.
    Outcome o = runKit85(withJson({"--memory", memory, "--poke", "8000=32,00,90", "--reg", "A=12"}));
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
    expectReport(runKit85(withJson({"--load", prog, "--at", "8000", "--dump", "8000:3"})), 0,
                 {{"/stop", "halt"}, {"/registers/A", "05"}, {"/memory/8000", {"3E", "05", "76"}}});
    expectReport(runKit85(withJson({"--load", prog, "--load", patch, "--at", "8000"})), 0, {{"/registers/A", "07"}});
    // Pokes come after the files, whatever the order on the line.
    expectReport(runKit85(withJson({"--poke", "8001=09", "--load", prog, "--at", "8000"})), 0,
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
        Outcome o = runKit85({"--memory", memory, "--load", good, "--load", bad, "--poke", "8000=11"});
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
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the loop run a while
    auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(child.pid(), SIGINT), 0);
    Outcome o = child.wait(std::chrono::seconds(30));
    auto took = std::chrono::steady_clock::now() - sent;
    expectReport(o, 1, {{"/stop", "interrupted"}, {"/row/address", "8000"}, {"/row/data", "C3"}});
    EXPECT_LT(took, std::chrono::seconds(10)) << "the runner took long to stop";
    // The pokes were committed before the run; the file is usable afterwards.
    EXPECT_EQ(dumpOf(memory, {"8000:3", "9000:1"}), json({{"8000", {"C3", "00", "80"}}, {"9000", {"42"}}}));
}

}  // namespace
}  // namespace kit85::testing
