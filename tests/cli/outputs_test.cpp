// kit85-run's outputs (--save-hex and --trace files): never written over an
// input, the memory file or each other, all or none, and the rows up to FFFF.
#include <gtest/gtest.h>

#include <fstream>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// An output that leads to an input, to the memory file or to a file SQLite
// keeps beside it, or to another output's file, however it is spelled, is
// refused before anything is opened: exit 2, no report, every file as it was.
TEST(Kit85RunOutputs, AnOutputNamingAnInputOrTheMemoryFileIsRefused) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("m.sqlite");
    ASSERT_EQ(runKit85({"--memory", memory, "--poke", "8000=76", "--poke", "9000=11", "--steps", "0"}).exitCode, 0);
    const std::string source = dir.file("src.asm", "ORG 8000H\nHLT\n");
    const std::string hex = dir.file("prog.hex", ":018000007609\n:00000001FF\n");
    std::filesystem::create_hard_link(source, dir.path("hard.asm"));
    std::filesystem::create_symlink(memory, dir.path("link.sqlite"));
    std::filesystem::create_directory(dir.path("sub"));
    const std::string memoryBytes = readFile(memory);
    const std::string named = " (--memory " + memory + ")";
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {"the trace over the memory file",
         {"--trace", dir.path("./m.sqlite")},
         "--trace " + dir.path("./m.sqlite") + ": the file is the memory file" + named},
        {"a HEX file over the memory file",
         {"--save-hex", "9000:2", dir.path("sub/../m.sqlite")},
         ": the file is the memory file" + named},
        {"the memory file through a link",
         {"--save-hex", "9000:1", dir.path("link.sqlite")},
         "the memory file" + named},
        {"SQLite's log", {"--save-hex", "9000:2", memory + "-wal"}, "kept by SQLite beside the memory file" + named},
        {"SQLite's shared memory", {"--trace", memory + "-shm"}, "kept by SQLite beside the memory file" + named},
        {"the source", {"--asm", source, "--trace", dir.path("./src.asm")}, "the file is an input (--asm " + source},
        {"the source by a hard link",
         {"--asm", source, "--save-hex", "8000:4", dir.path("hard.asm")},
         "the file is an input (--asm " + source},
        {"a loaded file", {"--load", hex, "--save-hex", "8000:1", dir.path("./prog.hex")}, "an input (--load " + hex},
        {"the trace and a HEX file",
         {"--save-hex", "8000:1", dir.path("x.hex"), "--trace", dir.path("sub/../x.hex")},
         "--save-hex 8000:1 " + dir.path("x.hex") + ": the file is named by --trace " + dir.path("sub/../x.hex") +
             " too"},
        {"two HEX files",
         {"--save-hex", "8000:1", dir.path("x.hex"), "--save-hex", "8000:2", dir.path("./x.hex")},
         "the file is named by --save-hex 8000:1 " + dir.path("x.hex") + " too"},
        {"the source written from a disassembly over the memory file",
         {"--disassemble", "8000:1", "--source", dir.path("./m.sqlite")},
         "--source " + dir.path("./m.sqlite") + ": the file is the memory file" + named},
        {"the source written from a disassembly over an input",
         {"--asm", source, "--disassemble", "8000:1", "--source", dir.path("hard.asm")},
         "the file is an input (--asm " + source},
    };
    for (const auto& c : cases) {
        Outcome o = runKit85(with({"--memory", memory, "--poke", "9000=AA", "--at", "8000"}, c.args));
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty() && o.err.find(c.says) != std::string::npos)
            << c.name << ": want exit 2, no report, and \"" << c.says << "\"\n"
            << o.describe();
    }
    EXPECT_TRUE(readFile(memory) == memoryBytes) << "the memory file changed";
    EXPECT_EQ(readFile(source), "ORG 8000H\nHLT\n");
    EXPECT_EQ(readFile(hex), ":018000007609\n:00000001FF\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path("x.hex")));
    Outcome after = runKit85({"--memory", memory, "--steps", "0", "--dump", "9000:1", "--json"});
    EXPECT_EQ(after.json()["memory"]["9000"], json({"11"})) << "a refused run wrote its poke\n" << after.describe();
}

// Every target is checked and written before any is put in place: a device
// that fails, a folder or a loop of links leaves the other files as they were.
TEST(Kit85RunOutputs, ATargetThatFailsLeavesEveryFileAsItWas) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string keep = dir.path("keep.hex");
    std::filesystem::create_directory(dir.path("folder"));
    std::filesystem::create_symlink("loop", dir.path("loop"));
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    } cases[] = {
        {"a full device",
         {"--save-hex", "8000:1", keep, "--save-hex", "8000:1", "/dev/full"},
         1,
         "kit85-run: --save-hex: cannot write /dev/full: No space left on device; nothing was written\n"},
        {"a folder",
         {"--save-hex", "8000:1", keep, "--save-hex", "8000:1", dir.path("folder")},
         1,
         "kit85-run: --save-hex: cannot write " + dir.path("folder") + ": it is a folder; nothing was written\n"},
        {"a loop of links",
         {"--save-hex", "8000:1", keep, "--save-hex", "8000:1", dir.path("loop")},
         1,
         "kit85-run: --save-hex: cannot write " + dir.path("loop") +
             ": its symbolic links form a loop; nothing was written\n"},
        {"a trace over a loop of links",
         {"--save-hex", "8000:1", keep, "--trace", dir.path("loop")},
         2,
         "kit85-run: --trace: cannot write " + dir.path("loop") +
             ": its symbolic links form a loop; the run did not start\n"},
    };
    for (const auto& c : cases) {
        std::ofstream(keep) << "OLD";
        Outcome o = runKit85(with({"--poke", "8000=76", "--at", "8000"}, c.args));
        EXPECT_EQ(o.exitCode, c.exitCode) << c.name << "\n" << o.describe();
        EXPECT_EQ(o.err, c.says) << c.name;
        EXPECT_EQ(readFile(keep), "OLD") << c.name;
    }
    std::size_t names = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path(""))) ++names;
    EXPECT_EQ(names, 3u) << "keep.hex, folder and loop only: no temporary file is left";
}

// --save-hex reaches the last row: FFF0:16 and the whole memory are saved and
// load back; one row more is refused.
TEST(Kit85RunOutputs, SaveHexReachesFFFF) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string saved = dir.path("saved.hex");
    const struct {
        const char* range;
        int exitCode;
        std::string check;  // --dump of the file loaded back
    } cases[] = {
        {"FFF0:16", 0, "FFF0:16"},
        {"0000:65536", 0, "FFFE:2"},
        {"ffff:1", 0, "FFFF:1"},
        {"FFF0:17", 2, ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(saved);
        Outcome o = runKit85(
            {"--poke", "FFF0=01,02", "--poke", "FFFE=AB,CD", "--steps", "0", "--save-hex", c.range, saved, "--json"});
        EXPECT_EQ(o.exitCode, c.exitCode) << c.range << "\n" << o.describe();
        if (c.exitCode != 0) {
            EXPECT_NE(o.err.find("runs past FFFF"), std::string::npos) << o.describe();
            continue;
        }
        Outcome back = runKit85({"--load", saved, "--steps", "0", "--dump", c.check, "--json"});
        const json want =
            std::string(c.check) == "FFF0:16"
                ? json({"01", "02", "00", "00", "00", "00", "00", "00", "00", "00", "00", "00", "00", "00", "AB", "CD"})
            : std::string(c.check) == "FFFE:2" ? json({"AB", "CD"})
                                               : json({"CD"});
        EXPECT_EQ(back.json()["memory"][std::string(c.check).substr(0, 4)], want) << c.range << "\n" << back.describe();
    }
}

// The exit status when the run stopped at its step limit, and when a row to
// save is no byte: the report is printed either way, the file only when
// every row is a byte.
TEST(Kit85RunOutputs, ExitStatusOfAStepLimitAndOfARowThatIsNoByte) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string saved = dir.path("saved.hex");
    const std::vector<std::string> loop = {"--poke", "8000=C3,00,80", "--at", "8000", "--max-steps", "7"};
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* report;
        bool written;
    } cases[] = {
        {"a step limit", with(loop, {"--save-hex", "8000:3", saved}), 0, "stop: step-limit after 7 steps\n", true},
        {"a step limit and a row that is no byte", with(loop, {"--poke", "9000=5", "--save-hex", "9000:1", saved}), 2,
         "stop: step-limit after 7 steps\n", false},
        {"an invalid code and a row that is no byte",
         {"--poke", "8000=ED,xy", "--at", "8000", "--save-hex", "8000:2", saved},
         2,
         "stop: invalid-code after 1 step\n",
         false},
        {"an invalid code, rows saved",
         {"--poke", "8000=ED", "--at", "8000", "--save-hex", "8000:2", saved},
         1,
         "stop: invalid-code after 1 step\n",
         true},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(saved);
        Outcome o = runKit85(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode) << c.name << "\n" << o.describe();
        EXPECT_NE(o.out.find(c.report), std::string::npos) << c.name << "\n" << o.describe();
        EXPECT_EQ(std::filesystem::exists(saved), c.written) << c.name << "\n" << o.describe();
    }
}

}  // namespace
}  // namespace kit85::testing
