// kit85-run --asm and --save-hex through the built runner: a source assembled
// and run, its errors refusing the run, and rows saved as Intel HEX after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every run gets a step bound, so that a program wrongly accepted ends at once.
Outcome run(std::vector<std::string> args) {
    args.insert(args.end(), {"--max-steps", "1000", "--json"});
    return runKit85(args);
}

bool everyLineNamesTheRunner(const std::string& err) {
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("kit85-run: ", 0) != 0) return false;
    return true;
}

const char* kSum =
    "        ORG 8000H\n"
    "        LXI H,DATA\n"
    "        MOV A,M      ; 12H\n"
    "        INX H\n"
    "        ADD M        ; + 34H\n"
    "        STA RESULT\n"
    "        HLT\n"
    "DATA:   DB 12H,34H\n"
    "RESULT: DS 1\n";

TEST(AsmOption, AssemblesLoadsAndRuns) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    Outcome o = run({"--asm", dir.file("sum.asm", kSum), "--at", "8000", "--dump", "800A:3"});
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_EQ(o.json()["stop"], "halt") << o.describe();
    EXPECT_EQ(o.json()["registers"]["A"], "46") << o.describe();
    EXPECT_EQ(o.json()["memory"]["800A"], nlohmann::json({"12", "34", "46"})) << o.describe();
    EXPECT_EQ(o.err, "");
}

// A source without ORG goes to 8000, where the run starts by default; --org
// places it elsewhere, and needs --asm.
TEST(AsmOption, ASourceWithoutOrgGoesTo8000OrWhereOrgSays) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string source = dir.file("noorg.asm", "MVI A,42H\nSTA 9100H\nHLT\n");
    Outcome o = run({"--asm", source, "--dump", "8000:2"});
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_EQ(o.json()["memory"]["8000"], nlohmann::json({"3E", "42"})) << o.describe();
    EXPECT_EQ(o.err, "");
    o = run({"--asm", source, "--org", "9000", "--at", "9000", "--dump", "9000:2"});
    EXPECT_EQ(o.json()["memory"]["9000"], nlohmann::json({"3E", "42"})) << o.describe();
    EXPECT_EQ(o.json()["registers"]["A"], "42") << o.describe();
    o = run({"--org", "9000", "--at", "8000"});
    EXPECT_EQ(o.exitCode, 2) << o.describe();
    EXPECT_EQ(o.err, "kit85-run: --org: it places the --asm sources; give --asm too\n");
}

TEST(AsmOption, PokesComeAfterTheSource) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    Outcome o = run({"--poke", "800A=20", "--asm", dir.file("sum.asm", kSum), "--at", "8000"});
    EXPECT_EQ(o.json()["registers"]["A"], "54") << "20H + 34H: the poke overwrote the source's 12H\n" << o.describe();
}

TEST(AsmOption, ErrorsRefuseTheRunAndStoreNothing) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string source = dir.file("bad.asm", "  MVI A,FF\n  JMP NOWHERE\n  HLT\n");
    const std::string memory = dir.path("kept.sqlite");
    Outcome o = run({"--memory", memory, "--asm", source});
    EXPECT_EQ(o.exitCode, 2) << o.describe();
    EXPECT_EQ(o.out, "") << "no report";
    EXPECT_EQ(o.err, "kit85-run: " + source +
                         ":1:9: error: 'FF' is no label; a hex number starts with a digit and ends in H: 0FFH\n" +
                         "kit85-run: " + source + ":2:7: error: undefined label 'NOWHERE'\n" + "kit85-run: --asm " +
                         source + ": 2 errors; nothing was written\n");
    EXPECT_FALSE(std::filesystem::exists(memory)) << "the memory file is not even created";
}

// Files --asm cannot read, and files whose names give them to another option
// (refused unread).
TEST(AsmOption, UnreadableSourcesAreRefused) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    struct Case {
        std::string option, file, message;
    };
    const Case cases[] = {
        {"--asm", dir.path("missing.asm"), "cannot be read (No such file or directory)"},
        {"--asm", dir.path(""), "is a folder, not an 8085 source"},
        {"--asm", dir.path("kit.sqlite"),
         "is a memory file, not an 8085 source (--memory takes it); nothing was written"},
        {"--asm", dir.path("prog.HEX"),
         "is an Intel HEX file, not an 8085 source (--load takes it); nothing was written"},
        {"--load", dir.path("prog.s"),
         "is an 8085 source, not an Intel HEX file (--asm takes it); nothing was written"},
    };
    for (const Case& c : cases) {
        Outcome o = run({c.option, c.file});
        EXPECT_EQ(o.exitCode, 2) << o.describe();
        EXPECT_EQ(o.err, "kit85-run: " + c.option + " " + c.file + ": " + c.message + "\n") << o.describe();
    }
}

TEST(AsmOption, WarningsAreShownAndTheRunGoesOn) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string source = dir.file("rst.asm", "ORG 8000H\nRST 1\n");
    Outcome o = run({"--asm", source, "--at", "8000"});
    EXPECT_EQ(o.exitCode, 1) << "the kit stops on RST\n" << o.describe();
    EXPECT_EQ(o.json()["stop"], "invalid-code") << o.describe();
    EXPECT_EQ(o.err, "kit85-run: " + source + ":2:1: warning: this kit stops with 'invalid code' on RST\n");
}

TEST(SaveHexOption, WritesTheRowsAfterTheRun) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string saved = dir.path("after.hex");
    Outcome o = run({"--asm", dir.file("sum.asm", kSum), "--at", "8000", "--save-hex", "800A:3", saved});
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_EQ(readFile(saved), ":03800A00123446E7\n:00000001FF\n") << "the sum 46H the run stored is saved";

    // The saved file loads back.
    Outcome back = runKit85({"--load", saved, "--dump", "800A:3", "--steps", "0", "--json"});
    EXPECT_EQ(back.json()["memory"]["800A"], nlohmann::json({"12", "34", "46"})) << back.describe();
}

TEST(SaveHexOption, ARowThatIsNoByteRefusesEveryFile) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string good = dir.path("good.hex"), bad = dir.path("bad.hex");
    Outcome o =
        run({"--poke", "8000=76,3e", "--at", "8000", "--save-hex", "8000:1", good, "--save-hex", "8000:2", bad});
    EXPECT_EQ(o.exitCode, 2) << o.describe();
    EXPECT_EQ(o.json()["stop"], "halt") << "the run itself went as asked\n" << o.describe();
    EXPECT_EQ(o.err, "kit85-run: --save-hex 8000:2 " + bad +
                         ": row 8001 holds \"3e\", not two upper-case hex digits; nothing was written\n");
    EXPECT_FALSE(std::filesystem::exists(good));
    EXPECT_FALSE(std::filesystem::exists(bad));
}

TEST(SaveHexOption, BadArgumentsAreRefusedBeforeTheRun) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string f = dir.path("x.hex");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--save-hex", "8000", f}, "--save-hex \"8000\": expected ADDR:LEN FILE"},
        {{"--save-hex", "80000:1", f}, "--save-hex 80000:1 " + f + ": \"80000\" is no address (1 to 4 hex digits)"},
        {{"--save-hex", "8000:x", f}, "--save-hex 8000:x " + f + ": \"x\" is no count (decimal digits)"},
        {{"--save-hex", "FFFF:2", f}, "--save-hex FFFF:2 " + f + ": runs past FFFF"},
        {{"--save-hex", "8000:1", "-"}, "--save-hex 8000:1 -: the standard output carries the report; name a file"},
        {{"--save-hex", "8000:1", f, "--save-hex", "9000:1", f},
         "--save-hex 9000:1 " + f + ": the file is named by --save-hex 8000:1 " + f + " too"},
    };
    for (const Case& c : cases) {
        Outcome o = run(c.args);
        EXPECT_EQ(o.exitCode, 2) << o.describe();
        EXPECT_EQ(o.err, "kit85-run: " + c.message + "\n") << o.describe();
        EXPECT_EQ(o.out, "") << "refused before the run";
        EXPECT_TRUE(everyLineNamesTheRunner(o.err));
        EXPECT_FALSE(std::filesystem::exists(f));
    }
}

TEST(SaveHexOption, AFileThatCannotBeWrittenEndsWithStatusOne) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string plain = dir.file("plain", "a file, not a folder");
    Outcome o = run({"--poke", "8000=76", "--at", "8000", "--save-hex", "8000:1", plain + "/x.hex"});
    EXPECT_EQ(o.exitCode, 1) << o.describe();
    EXPECT_EQ(o.err, "kit85-run: --save-hex: cannot write " + plain + "/x.hex: Not a directory; nothing was written\n");
}

}  // namespace
}  // namespace kit85::testing
