// kit85-run's breakpoints (--break and those stored in the memory file) and
// its listing (--disassemble), through the built binary.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;

// 8000 MVI A,05 / 8002 INR A / 8003 INR A / 8004 HLT
const std::vector<std::string> kProgram = {"--poke", "8000=3E,05,3C,3C,76", "--at", "8000"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Every run gets a step bound, so a breakpoint wrongly passed ends at once.
std::vector<std::string> boundedJson(std::vector<std::string> args) {
    return with(std::move(args), {"--max-steps", "1000", "--json"});
}

void runSql(const std::string& file, const std::string& text) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

// The rows of a one-column query, or "no such table" when it fails.
std::string rows(const std::string& file, const std::string& query) {
    sqlite3* db = nullptr;
    std::string out;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        out = "no such table";
    } else {
        while (sqlite3_step(s) == SQLITE_ROW)
            out += std::string(out.empty() ? "" : " ") + reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

TEST(Kit85RunBreak, ExecuteStopsBeforeABreakpoint) {
    SKIP_WITHOUT_RUNNER();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        Fields fields;
    };
    const Case cases[] = {
        {"one breakpoint",
         with(kProgram, {"--break", "8003"}),
         0,
         {{"/stop", "breakpoint"},
          {"/steps", 2},
          {"/row/address", "8003"},
          {"/registers/A", "06"},
          {"/registers/PC", "8003"}}},
        {"the first one reached",
         with(kProgram, {"--break", "8003", "--break", "8002"}),
         0,
         {{"/stop", "breakpoint"}, {"/steps", 1}, {"/row/address", "8002"}, {"/registers/A", "05"}}},
        {"a run started on a breakpoint runs its instruction",
         {"--poke", "8000=3E,05,3C,3C,76", "--at", "8002", "--break", "8002", "--break", "8004"},
         0,
         {{"/stop", "breakpoint"}, {"/steps", 2}, {"/row/address", "8004"}, {"/registers/A", "02"}}},
        {"Step Exe passes them",
         with(kProgram, {"--break", "8002", "--break", "8003", "--steps", "3"}),
         0,
         {{"/stop", "steps"}, {"/steps", 3}, {"/row/address", "8004"}, {"/registers/A", "07"}}},
        {"a breakpoint never reached",
         with(kProgram, {"--break", "9000"}),
         0,
         {{"/stop", "halt"}, {"/steps", 4}, {"/registers/A", "07"}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "--steps") == args.end())
            args.insert(args.end(), {"--max-steps", "1000"});
        args.push_back("--json");
        expectReport(runKit85(args), c.exitCode, c.fields, c.name);
    }
}

TEST(Kit85RunBreak, SummaryAndHelpSaySo) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(with(kProgram, {"--break", "8003", "--max-steps", "1000"}));
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_NE(o.out.find("stop: breakpoint after 2 steps\n"), std::string::npos) << o.describe();
    EXPECT_NE(o.out.find("row: 8003 3C\n"), std::string::npos) << o.describe();

    Outcome help = runKit85({"--help"});
    for (const char* part :
         {"--break ADDR", "--disassemble ADDR:LEN", "\"breakpoint\"", "0 after a halt, a breakpoint"})
        EXPECT_NE(help.out.find(part), std::string::npos) << "the help lacks " << part << "\n" << help.describe();
}

TEST(Kit85RunBreak, StoredBreakpointsCountAndGivenOnesAreNotSaved) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    expectReport(
        runKit85(boundedJson({"--memory", memory, "--poke", "8000=3E,05,3C,3C,76", "--at", "8000", "--break", "8002"})),
        0, {{"/stop", "breakpoint"}, {"/row/address", "8002"}}, "--break on a memory file");
    EXPECT_EQ(rows(memory, "SELECT address FROM breakpoints"), "no such table") << "--break is for the run only";

    runSql(memory, "CREATE TABLE breakpoints (address TEXT PRIMARY KEY); INSERT INTO breakpoints VALUES ('8003')");
    expectReport(runKit85(boundedJson({"--memory", memory, "--at", "8000"})), 0,
                 {{"/stop", "breakpoint"}, {"/row/address", "8003"}, {"/steps", 2}}, "a stored breakpoint");
    expectReport(runKit85(boundedJson({"--memory", memory, "--at", "8000", "--break", "8002"})), 0,
                 {{"/stop", "breakpoint"}, {"/row/address", "8002"}}, "both kinds");
    EXPECT_EQ(rows(memory, "SELECT address FROM breakpoints"), "8003");
}

TEST(Kit85RunBreak, ABadBreakAddressExitsTwo) {
    SKIP_WITHOUT_RUNNER();
    for (const char* bad : {"8g00", "12345", ""}) {
        Outcome o = runKit85(with(kProgram, {"--break", bad, "--max-steps", "1000"}));
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty() && o.err.find("--break") != std::string::npos)
            << "\"" << bad << "\"\n"
            << o.describe();
    }
}

// --disassemble runs nothing, so these need no step bound; one that ran would
// still end, on the halt poked at 0000.
const std::vector<std::string> kListed = {"--poke", "0000=76", "--poke", "8000=21,50,80,3E,05,86,C2,03,80,3e,CF,76,08"};

TEST(Kit85RunDisassemble, ListsTheInstructions) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(with(kListed, {"--disassemble", "8000:13"}));
    const std::string want =
        "8000  21 50 80  LXI H,8050\n"
        "8003  3E 05     MVI A,05\n"
        "8005  86        ADD M\n"
        "8006  C2 03 80  JNZ 8003\n"
        "8009  3e        data \"3e\"\n"
        "800A  CF        RST 1 (invalid code)\n"
        "800B  76        HLT\n"
        "800C  08        invalid code 08\n";
    EXPECT_EQ(o.out, want) << o.describe();
    EXPECT_EQ(o.exitCode, 0) << o.describe();

    // An instruction that starts in the rows asked for is listed whole.
    Outcome j = runKit85(with(kListed, {"--disassemble", "8001:3", "--json"}));
    const json wantJson = {
        {"disassembly",
         {{{"address", "8001"}, {"bytes", {"50"}}, {"text", "MOV D,B"}, {"kind", "instruction"}},
          {{"address", "8002"}, {"bytes", {"80"}}, {"text", "ADD B"}, {"kind", "instruction"}},
          {{"address", "8003"}, {"bytes", {"3E", "05"}}, {"text", "MVI A,05"}, {"kind", "instruction"}}}},
        {"source", "        ORG 8001H\n        MOV D,B\n        ADD B\n        MVI A,05H\n"}};
    EXPECT_EQ(j.json(), wantJson) << json::diff(wantJson, j.json()).dump() << "\n" << j.describe();
    EXPECT_EQ(j.exitCode, 0) << j.describe();
}

TEST(Kit85RunDisassemble, OddTextsEdgesAndRefusals) {
    SKIP_WITHOUT_RUNNER();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* out;  // stdout exactly
        const char* err;  // a part of stderr; "" for none
    };
    const Case cases[] = {
        {"a control character is shown escaped",
         {"--poke", "8000=\x1b", "--poke", "8001=3E,\x07", "--disassemble", "8000:2"},
         0,
         "8000  \"\\x1B\"    data \"\\x1B\"\n8001  3E \"\\x07\"  MVI A,\"\\x07\"\n",
         ""},
        {"past FFFF",
         {"--poke", "FFFE=3E", "--disassemble", "FFFE:5"},
         0,
         "FFFE  3E 00     MVI A,00\n",
         "runs past FFFF"},
        {"the operand past the end",
         {"--poke", "FFFF=3E", "--disassemble", "FFFF:1"},
         0,
         "FFFF  3E        MVI A (its operand is past the end of memory)\n",
         ""},
        {"no rows", {"--disassemble", "8000:0", "--json"}, 0, "{\"disassembly\":[],\"source\":\"\"}\n", ""},
        {"with --steps", with(kListed, {"--disassemble", "8000:3", "--steps", "1"}), 2, "", "excludes"},
        {"with --max-steps", with(kListed, {"--disassemble", "8000:3", "--max-steps", "1"}), 2, "", "excludes"},
        {"with --dump", with(kListed, {"--disassemble", "8000:3", "--dump", "8000:1"}), 2, "", "excludes"},
        {"no length", with(kListed, {"--disassemble", "8000"}), 2, "", "--disassemble \"8000\": expected ADDR:LEN"},
        {"a bad address", with(kListed, {"--disassemble", "80000:3"}), 2, "", "--disassemble 80000:3"},
    };
    for (const Case& c : cases) {
        Outcome o = runKit85(c.args);
        std::ostringstream diff;
        if (o.exitCode != c.exitCode) diff << "  exit " << o.exitCode << ", want " << c.exitCode << "\n";
        if (o.out != c.out) diff << "  stdout differs, want: " << c.out << "\n";
        if (*c.err ? o.err.find(c.err) == std::string::npos : !o.err.empty())
            diff << "  stderr, want " << (*c.err ? c.err : "nothing") << "\n";
        EXPECT_TRUE(diff.str().empty()) << c.name << ":\n" << diff.str() << o.describe();
    }
}

}  // namespace
}  // namespace kit85::testing
