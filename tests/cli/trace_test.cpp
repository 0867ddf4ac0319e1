// kit85-run --trace and "tstates": the JSON lines of a short program field by
// field, where they go, and the T-state count in both reports.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::vector<json> lines(const std::string& text) {
    std::vector<json> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(json::parse(line, nullptr, false));
    return out;
}

// MVI A,9A; ADI 7F; STA 9000; HLT
const std::vector<std::string> kProgram = {"--poke", "8000=3E,9A,C6,7F,32,00,90,76", "--at", "8000"};

TEST(Kit85RunTrace, EachInstructionIsOneLineOfWhatChangedAndWhy) {
    SKIP_WITHOUT_RUNNER();
    std::vector<std::string> args = kProgram;
    for (const char* a : {"--trace", "-", "--json"}) args.push_back(a);
    Outcome o = runKit85(args);
    ASSERT_EQ(o.exitCode, 0) << o.describe();
    auto l = lines(o.out);
    ASSERT_EQ(l.size(), 5u) << "four trace lines, then the report\n" << o.describe();
    const json want[] = {
        json::parse(R"({"address":"8000","bytes":["3E","9A"],"mnemonic":"MVI A,9A","tstates":7,
            "registers":{"A":{"old":"00","new":"9A"},"PC":{"old":"0000","new":"8002"}},
            "flags":{},"memory":{},"reasons":[]})"),
        json::parse(R"({"address":"8002","bytes":["C6","7F"],"mnemonic":"ADI 7F","tstates":7,
            "registers":{"A":{"old":"9A","new":"19"},"F":{"old":"00","new":"11"},"PC":{"old":"8002","new":"8004"}},
            "flags":{"AC":{"old":"0","new":"1"},"CY":{"old":"0","new":"1"}},"memory":{},
            "reasons":["A=19: 9A + 7F = 119, A keeps the last two digits",
                       "S=0: bit 7 of 19 is 0",
                       "Z=0: the result 19 is not 00",
                       "AC=1: the low digits A + F = 19, more than F",
                       "P=0: 19 has three one-bits, an odd number",
                       "CY=1: 9A + 7F = 119, more than FF"]})"),
        json::parse(R"({"address":"8004","bytes":["32","00","90"],"mnemonic":"STA 9000","tstates":13,
            "registers":{"PC":{"old":"8004","new":"8007"}},"flags":{},
            "memory":{"9000":{"old":"00","new":"19"}},"reasons":[]})"),
        json::parse(R"({"address":"8007","bytes":["76"],"mnemonic":"HLT","tstates":5,
            "registers":{"PC":{"old":"8007","new":"8008"}},"flags":{},"memory":{},"reasons":[]})"),
    };
    for (std::size_t i = 0; i < 4; ++i)
        for (const auto& [key, value] : want[i].items())
            EXPECT_EQ(l[i][key], value) << "line " << i + 1 << ", field " << key << "\n" << l[i].dump();
    EXPECT_EQ(l[4]["stop"], "halt");
    EXPECT_EQ(l[4]["steps"], 4);
    EXPECT_EQ(l[4]["tstates"], 32);
}

TEST(Kit85RunTrace, AFileGetsTheLinesAndStepExeIsTracedToo) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string file = dir.path("trace.jsonl");
    std::vector<std::string> args = kProgram;
    for (const std::string& a : {std::string("--steps"), std::string("2"), std::string("--trace"), file})
        args.push_back(a);
    Outcome o = runKit85(args);
    ASSERT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_NE(o.out.find("stop: steps after 2 steps\nT-states: 14\n"), std::string::npos) << o.describe();
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    auto l = lines(text.str());
    ASSERT_EQ(l.size(), 2u) << text.str();
    EXPECT_EQ(l[0]["mnemonic"], "MVI A,9A");
    EXPECT_EQ(l[1]["mnemonic"], "ADI 7F");
}

TEST(Kit85RunTrace, RefusedTraces) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--trace", ""}, "--trace: the file name is empty"},
        {{"--trace", "-", "--disassemble", "8000:4"}, "--disassemble runs nothing to trace"},
        {{"--trace", dir.path("no/such/folder/t")}, "No such file or directory; the run did not start"},
    };
    for (const Case& c : cases) {
        Outcome o = runKit85(c.args);
        EXPECT_EQ(o.exitCode, 2) << o.describe();
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.describe();
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// MVI A,07; STA A000; then JMP 8005 for ever.
const std::vector<std::string> kEndless = {"--poke", "8000=3E,07,32,00,A0,C3,05,80", "--at", "8000"};

// A reader that goes away (--trace - | head -1) stops the run with exit 1;
// the process is not killed, and what the run wrote is committed.
TEST(Kit85RunTrace, AClosedPipeStopsTheRunAndKeepsItsWrites) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    std::vector<std::string> args = kEndless;
    for (const std::string& a : {std::string("--memory"), memory, std::string("--trace"), std::string("-")})
        args.push_back(a);
    Child child(args);
    child.closeStdout();
    Outcome o = child.wait(kRunBound);
    EXPECT_TRUE(o.signal == 0 && o.exitCode == 1) << "want exit 1, not SIGPIPE, not a run that never ends\n"
                                                  << o.describe();
    EXPECT_NE(o.err.find("kit85-run: --trace -: the standard output took no more; the run was stopped\n"),
              std::string::npos)
        << o.describe();
    Outcome after = runKit85({"--memory", memory, "--steps", "0", "--dump", "A000:1", "--json"});
    EXPECT_EQ(after.json()["memory"]["A000"], json({"07"})) << "the run's write was lost\n" << after.describe();
}

// A trace file is put in place only when the run has started and the trace
// was written whole; otherwise the file is left as it was, and no temporary
// file stays behind.
TEST(Kit85RunTrace, AFileIsLeftAsItWasWhenTheRunDoesNotStartOrTheTraceIsLost) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    // A memory file whose rows refuse every update.
    const std::string locked = dir.path("locked.sqlite");
    ASSERT_EQ(runKit85({"--memory", locked, "--steps", "0"}).exitCode, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(locked.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "CREATE TRIGGER no BEFORE UPDATE ON d2 BEGIN SELECT RAISE(ABORT, 'refused'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string keep = dir.path("keep.jsonl");
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string says;
        const char* left;  // keep.jsonl afterwards; null: the trace
    } cases[] = {
        {"the memory file refuses the pokes",
         {"--memory", locked, "--poke", "8000=76", "--trace", keep},
         2,
         "the run did not start",
         "KEEP"},
        {"a bad argument", {"--trace", keep, "--dump", "8000:x"}, 2, "is no count", "KEEP"},
        {"the trace is written", {"--poke", "8000=76", "--at", "8000", "--trace", keep}, 0, "", nullptr},
        {"an endless run traced to a full device",
         with(kEndless, {"--trace", "/dev/full", "--save-hex", "8000:1", keep}), 1,
         "kit85-run: --trace /dev/full: the trace cannot be written (No space left on device); the run was stopped\n",
         ":018000003E41\n:00000001FF\n"},
    };
    for (const auto& c : cases) {
        std::ofstream(keep) << "KEEP";
        Outcome o = runKit85(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode) << c.name << "\n" << o.describe();
        EXPECT_NE(o.err.find(c.says), std::string::npos) << c.name << "\n" << o.describe();
        const std::string left = readFile(keep);
        if (c.left)
            EXPECT_EQ(left, c.left) << c.name;
        else
            EXPECT_EQ(lines(left).size(), 1u) << c.name << "\n" << left;
    }
    std::size_t names = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path(""))) ++names;
    EXPECT_EQ(names, 2u) << "locked.sqlite and keep.jsonl only: no temporary file is left";
}

// The temporary files of a trace being written in the folder.
std::vector<std::string> temporaryFiles(const TempDir& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir.path("")))
        if (e.path().filename().string().starts_with(".t.jsonl.kit85-")) found.push_back(e.path().string());
    return found;
}

// A writer killed mid-trace leaves its temporary file; the next run writing
// the same trace removes it, but never one whose writer is still at work.
TEST(Kit85RunTrace, ATemporaryFileIsRemovedOnlyOnceItsWriterIsGone) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string trace = dir.path("t.jsonl");
    Child endless(with(kEndless, {"--trace", trace}));
    std::vector<std::string> temps;
    for (int i = 0; i < 3000 && temps.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        temps = temporaryFiles(dir);
    }
    ASSERT_EQ(temps.size(), 1u) << "the endless run's temporary file never appeared";
    // Paused, so that it stops touching the file, which is then made old
    // enough to be removed, were it not locked.
    ASSERT_EQ(::kill(endless.pid(), SIGSTOP), 0);
    auto age = [&] {
        std::filesystem::last_write_time(temps[0],
                                         std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    };
    const std::vector<std::string> shortRun = {"--poke", "8000=76", "--at", "8000", "--trace", trace};
    age();
    EXPECT_EQ(runKit85(shortRun).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(temps[0])) << "the file of a writer at work was removed";

    ASSERT_EQ(::kill(endless.pid(), SIGKILL), 0);
    Outcome killed = endless.wait(kRunBound);
    EXPECT_EQ(killed.signal, SIGKILL) << killed.describe();
    ASSERT_TRUE(std::filesystem::exists(temps[0]));
    age();
    EXPECT_EQ(runKit85(shortRun).exitCode, 0);
    EXPECT_TRUE(temporaryFiles(dir).empty()) << "the killed writer's file stayed";
    EXPECT_EQ(lines(readFile(trace)).size(), 1u);
}

}  // namespace
}  // namespace kit85::testing
