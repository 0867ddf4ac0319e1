// kit85-run as a user's script sees it: its report, its exit status, and what
// it leaves in a memory file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <regex>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;

// Every line on stderr starts with the runner's name, so a script's log shows
// where it came from.
bool everyLineNamesTheRunner(const std::string& err) {
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("kit85-run: ", 0) != 0) return false;
    return true;
}

const std::vector<std::string> kRoad = {"--poke", "8000=3E,05,76", "--at", "8000"};

// --- The report ------------------------------------------------------------

TEST(Kit85Run, RoadOfOneProgramReportsEveryField) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(withJson(kRoad));
    json want = {
        {"stop", "halt"},
        {"steps", 2},
        {"tstates", 7 + 5},  // MVI, HLT
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
        {"a count with a leading zero is decimal, not octal",
         {"--poke", "0000=00", "--steps", "010"},
         0,
         {{"/stop", "steps"}, {"/steps", 10}, {"/registers/PC", "000A"}}},
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
                                   "--dump", "fffc:16", "--dump", "8000:1", "--dump", "0:0", "--dump", "FFF0:16"}));
    expectReport(o, 0,
                 {{"/memory/8000", {"3E", "05", "76"}},
                  {"/memory/FFFC", {"00", "00", "5", "ab"}},
                  {"/memory/0000", json::array()},
                  {"/memory/FFF0/15", "ab"}});
    // The dump cut at FFFF is said on stderr; the report is as before.
    EXPECT_EQ(o.err, "kit85-run: --dump fffc:16: runs past FFFF; the report has the 4 rows to the end of the memory\n")
        << o.describe();
}

// The JSON report gives every text exactly as the kit holds it.
TEST(Kit85Run, JsonKeepsOddTexts) {
    SKIP_WITHOUT_RUNNER();
    expectReport(runKit85(withJson({"--reg", "A= 5", "--reg", "B=5 ", "--reg", "SP= 1 2", "--poke", "8000= 5,3e",
                                    "--at", "8000", "--steps", "0", "--dump", "8000:2"})),
                 0,
                 {{"/registers/A", " 5"},
                  {"/registers/B", "5 "},
                  {"/registers/SP", " 1 2"},
                  {"/row/data", " 5"},
                  {"/memory/8000", {" 5", "3e"}}});
}

// A field takes as many characters as the window's field would, whatever
// bytes they are in UTF-8.
TEST(Kit85Run, FieldWidthsCountCharacters) {
    SKIP_WITHOUT_RUNNER();
    expectReport(runKit85(withJson({"--reg", "A=\u00e9\u00e9", "--reg", "PC=\u00c4\u00d6\u00dc\u00df", "--poke",
                                    "8000=\u00e9\u20ac", "--steps", "0", "--dump", "8000:1"})),
                 0,
                 {{"/registers/A", "\u00e9\u00e9"},
                  {"/registers/PC", "\u00c4\u00d6\u00dc\u00df"},
                  {"/memory/8000/0", "\u00e9\u20ac"}});
}

TEST(Kit85Run, TextsThatAreNotUtf8StillGiveValidJson) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(withJson({"--poke", "8000=\xFF", "--reg", "A=\xC3", "--steps", "0", "--dump", "8000:1"}));
    expectReport(o, 0, {{"/memory/8000/0", "\xEF\xBF\xBD"}, {"/registers/A", "\xEF\xBF\xBD"}});
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
        {{"--reg", "A=\u00e9\u00e9\u00e9"}, "longer than the 2 characters"},
        {{"--poke", "8000=\u00e9\u00e9\u00e9"}, "longer than 2 characters"},
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
        if (c.args[0] != "--steps" && c.args[0] != "--max-steps") args = bounded(args);
        Outcome o = runKit85(args);
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty() && o.err.find(c.says) != std::string::npos &&
                    everyLineNamesTheRunner(o.err))
            << "want exit 2, no report, stderr with \"" << c.says << "\" on lines that start with \"kit85-run: \"\n"
            << o.describe();
    }
    EXPECT_EQ(dumpOf(memory, {"8000:2"}), json({{"8000", {"55", "00"}}})) << "bad arguments wrote to the memory file";
    // An option that is wrong whatever the table holds does not even create a missing memory file.
    const std::string never = dir.path("never.sqlite");
    Outcome o = runKit85({"--memory", never, "--poke", "8000=AA", "--dump", "8000:x"});
    EXPECT_TRUE(o.exitCode == 2 && !std::filesystem::exists(never)) << o.describe();
}

// A value of any length is echoed in a message cut short, still naming the problem.
TEST(Kit85Run, LongValuesAreCutInMessages) {
    SKIP_WITHOUT_RUNNER();
    const std::string text(100000, 'A'), digits(100000, '7');
    const BadArgs cases[] = {
        {{"--poke", "8000=" + text}, "is longer than 2 characters"},
        {{"--poke", digits + "=00"}, "is no address"},
        {{"--reg", "A=" + text}, "longer than the 2 characters"},
        {{"--reg", text + "=1"}, "no register"},
        {{"--flag", "CY=" + text}, "a flag is 0 or 1"},
        {{"--dump", "8000:" + digits}, "is no count"},
        {{"--dump", digits}, "ADDR:LEN"},
        {{"--steps", digits}, "is no count"},
        {{"--at", text}, "is no address"},
        {{"--load", "/" + text}, "cannot be read"},
        {{"--memory", "/" + text + "/kit.sqlite"}, "memory file"},
        {{"--" + text}, "not expected"},
    };
    for (const BadArgs& c : cases) {
        Outcome o = runKit85(c.args);
        EXPECT_TRUE(o.exitCode == 2 && o.err.size() < 1000 && o.err.find("\u2026") != std::string::npos &&
                    o.err.find(c.says) != std::string::npos && everyLineNamesTheRunner(o.err))
            << "want exit 2 and a short message with \"" << c.says << "\" and \"\u2026\"\n"
            << o.describe();
    }
}

// Text mode writes no control character but the line ends: register and
// memory texts, the kit's messages and the echoes of bad arguments are escaped.
TEST(Kit85Run, TextModeWritesNoControlCharacters) {
    SKIP_WITHOUT_RUNNER();
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::vector<std::string> shows;
    } cases[] = {
        {"a run error naming an address made of register texts",
         {"--reg", "H=\x1b[", "--reg", "L=2J", "--poke", "8000=77", "--at", "8000", "--steps", "1"},
         1,
         {"H=\"\\x1B[\" L=2J", "error: no memory row has the address \"\\x1B[2J\""}},
        {"texts in the summary",
         {"--reg", "A=\x07", "--reg", "B=\"", "--poke", "8000=\x1b,\x7f", "--at", "8000", "--steps", "0", "--dump",
          "8000:2"},
         0,
         {"A=\"\\x07\" B=\"\\\"\"", "row: 8000 \"\\x1B\"", "memory 8000: \"\\x1B\" \"\\x7F\""}},
        {"a register name", {"--reg", "Q\x1b[2J=1"}, 2, {"--reg Q\\x1B[2J=1: no register \"Q\\x1B[2J\""}},
        {"a poke", {"--poke", "8000=\x1b[31m"}, 2, {"--poke 8000=\\x1B[31m: \"\\x1B[31m\" is longer"}},
        {"a file name", {"--load", "/no/such/\x1b[2J.hex"}, 2, {"--load /no/such/\\x1B[2J.hex: cannot be read"}},
        {"an unknown option", {"--\x1b[2J"}, 2, {"--\\x1B[2J"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = runKit85(c.args);
        std::ostringstream diff;
        if (o.exitCode != c.exitCode) diff << "  exit: " << o.exitCode << ", want " << c.exitCode << "\n";
        for (const std::string* stream : {&o.out, &o.err})
            for (char ch : *stream)
                if ((static_cast<unsigned char>(ch) < 0x20 && ch != '\n') || ch == '\x7f')
                    diff << "  control character " << static_cast<int>(ch) << " in "
                         << (stream == &o.out ? "stdout" : "stderr") << "\n";
        for (const std::string& line : c.shows)
            if ((o.out + o.err).find(line) == std::string::npos) diff << "  missing: " << line << "\n";
        EXPECT_TRUE(diff.str().empty()) << diff.str() << o.describe();
    }
}

TEST(Kit85Run, HelpAndVersionExitZero) {
    SKIP_WITHOUT_RUNNER();
    Outcome help = runKit85({"--help"});
    EXPECT_TRUE(help.exitCode == 0 && help.out.find("--max-steps") != std::string::npos &&
                help.out.find("--version") != std::string::npos)
        << help.describe();
    Outcome version = runKit85({"--version"});
    EXPECT_TRUE(version.exitCode == 0 && version.err.empty() &&
                std::regex_match(version.out, std::regex("kit85-run [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.describe();
}

// A report that cannot be written is a failure, not a silent success.
TEST(Kit85Run, ALostReportExitsOne) {
    SKIP_WITHOUT_RUNNER();
    const struct {
        const char* name;
        Stdout to;
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {"JSON to a full disk", Stdout::Full, {"--steps", "0", "--json"}, "(No space left on device)"},
        {"summary to a full disk", Stdout::Full, {"--steps", "0"}, "(No space left on device)"},
        {"a long summary to a full disk", Stdout::Full, {"--steps", "0", "--dump", "0:65536"}, "(No space"},
        {"an invalid code to a full disk", Stdout::Full, {"--poke", "0000=ED"}, "(No space left on device)"},
        {"JSON with stdout closed", Stdout::Closed, {"--steps", "0", "--json"}, "(Bad file descriptor)"},
        {"summary with stdout closed", Stdout::Closed, {"--steps", "0"}, "(Bad file descriptor)"},
    };
    for (const auto& c : cases) {
        Outcome o = runKit85(c.args, c.to);
        EXPECT_TRUE(o.exitCode == 1 && o.err.find("kit85-run: cannot write the report ") == 0 &&
                    o.err.find(c.says) != std::string::npos && everyLineNamesTheRunner(o.err))
            << c.name << ": want exit 1 and \"cannot write the report " << c.says << "\"\n"
            << o.describe();
    }
}

}  // namespace
}  // namespace kit85::testing
