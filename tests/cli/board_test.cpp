// kit85-run with the interfacing board (--board, --in, --interrupt, --key),
// through the built binary.
#include <gtest/gtest.h>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

// 8000 MVI A,82 / OUT 03 / IN 01 / OUT 00 / RST 1 with SP at 9000: LEDs from
// the switches, then back to the monitor.
const std::vector<std::string> kLeds = {"--board", "lab",  "--poke", "8000=3E,82,D3,03,DB,01,D3,00,CF",
                                        "--at",    "8000", "--reg",  "SP=9000"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(Kit85RunBoard, PortsAndDevicesInTheReport) {
    SKIP_WITHOUT_RUNNER();
    const Outcome o = runKit85(withJson(with(kLeds, {"--in", "01=5A"})));
    expectReport(o, 0,
                 {{"/stop", "monitor"},
                  {"/tstates", 7 + 10 + 10 + 10 + 12},
                  {"/ports", nlohmann::json::parse(R"([{"port":"03","byte":"82","tstate":7},
                                                       {"port":"00","byte":"5A","tstate":27}])")},
                  {"/board/profile", "lab"},
                  {"/board/devices/leds/lit", "5A"},
                  {"/registers/SP", "8FFE"}});
}

TEST(Kit85RunBoard, InputsBySequenceAndByTState) {
    SKIP_WITHOUT_RUNNER();
    // IN 01 / OUT 00 / JMP 8000: the LEDs show what port 01 gives each time round.
    const std::vector<std::string> loop = {"--board", "lab",  "--poke",      "8000=3E,82,D3,03,DB,01,D3,00,C3,04,80",
                                           "--at",    "8000", "--max-steps", "11"};
    auto bytesOut = [&](const std::string& in) {
        const Outcome o = runKit85(withJson(with(loop, {"--in", in})));
        EXPECT_EQ(o.exitCode, 0) << o.describe();
        const nlohmann::json report = o.json();
        std::vector<std::string> bytes;
        for (const auto& w : report["ports"]) bytes.push_back(w["byte"].get<std::string>());
        return bytes;
    };
    EXPECT_EQ(bytesOut("01=01,02,03"), (std::vector<std::string>{"82", "01", "02", "03"}));
    EXPECT_EQ(bytesOut("01=0F@0,F0@40"), (std::vector<std::string>{"82", "0F", "F0", "F0"}));
}

TEST(Kit85RunBoard, AnInterruptWakesAHaltAndTheTraceSaysWhy) {
    SKIP_WITHOUT_RUNNER();
    // LXI SP,9000 / MVI A,08 / SIM / EI / HLT / HLT, and at 8FBF (RST 7.5): INR B / RET.
    const Outcome o = runKit85(with({"--board", "lab", "--poke", "8000=31,00,90,3E,08,30,FB,76,76", "--poke",
                                     "8FBF=04,C9", "--at", "8000", "--interrupt", "RST7.5@500", "--trace", "-"},
                                    {}));
    ASSERT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_NE(o.out.find("RST 7.5 taken: its flip-flop holds an edge, M7.5 is 0, IE is 1; pushed 8008"),
              std::string::npos)
        << o.describe();
    EXPECT_NE(o.out.find("B=01"), std::string::npos) << o.describe();
    EXPECT_NE(o.out.find("stop: halt"), std::string::npos) << o.describe();
}

TEST(Kit85RunBoard, MonitorRoutinesAndAnAddressNoneNames) {
    SKIP_WITHOUT_RUNNER();
    // MVI A,42 / CALL 036E (show A) / CALL 02E7 (read a key) / CALL 0123.
    const Outcome o = runKit85(withJson({"--board", "lab", "--poke", "8000=3E,42,CD,6E,03,CD,E7,02,CD,23,01", "--at",
                                         "8000", "--reg", "SP=9000", "--key", "0C"}));
    expectReport(o, 1,
                 {{"/stop", "error"},
                  {"/messages", nlohmann::json::array({"no monitor routine at 0123 in this profile"})},
                  {"/board/data_field", "42"},
                  {"/registers/A", "0C"}});
}

TEST(Kit85RunBoard, TheBoardOffKeepsTheKitsOwnRst) {
    SKIP_WITHOUT_RUNNER();
    expectReport(runKit85(withJson({"--poke", "8000=CF", "--at", "8000"})), 1, {{"/stop", "invalid-code"}});
    EXPECT_FALSE(runKit85(withJson({"--poke", "8000=76", "--at", "8000"})).json().contains("ports"));
}

TEST(Kit85RunBoard, ATStateBudgetEndsAWaitingHalt) {
    SKIP_WITHOUT_RUNNER();
    // EI / HLT with an RST 7.5 far off: the budget ends the wait first.
    expectReport(runKit85(withJson({"--board", "lab", "--poke", "8000=FB,76", "--at", "8000", "--interrupt",
                                    "RST7.5@100000", "--max-tstates", "5000"})),
                 0, {{"/stop", "step-limit"}, {"/tstates", 5000}, {"/board/waiting", true}});
}

TEST(Kit85RunBoard, BadValuesAreRefused) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string bad = dir.file("bad.toml", "name = \"x\"\n[[device]]\nkind = \"lamp\"\nport = 1\n");
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--in", "01=05"}, "--in: the ports are the board's; give --board PROFILE too"},
        {{"--interrupt", "TRAP@5"}, "give --board too"},
        {{"--board", "lab", "--in", "01=123"}, "--in 01=123: \"123\" is no byte"},
        {{"--board", "lab", "--in", "01=05@3,06"}, "give every byte a T-state"},
        {{"--board", "lab", "--interrupt", "RST8@5"}, "the interrupts are TRAP, RST7.5"},
        {{"--board", "lab", "--interrupt", "TRAP"}, "give NAME@T"},
        {{"--board", "nosuch"}, "--board: nosuch: no such profile"},
        {{"--board", bad}, "bad.toml:3:8: \"kind\" must be one of"},
    };
    for (const auto& c : cases) {
        const Outcome o = runKit85(c.args);
        EXPECT_EQ(o.exitCode, 2) << o.describe();
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.describe();
    }
}

}  // namespace
}  // namespace kit85::testing
