// kit85-run's assembler options: --asm-radix for --asm sources, and
// --disassemble with --source (and its JSON "source") giving back a source
// kit85-asm assembles to the same bytes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "asm_support.h"

namespace kit85::testing {
namespace {

namespace fs = std::filesystem;

class RunSource : public ::testing::Test {
protected:
    fs::path dir;
    int exitCode = -1;
    std::string out, err;

    void SetUp() override {
        if (!std::getenv("KIT85_RUN")) GTEST_SKIP() << "KIT85_RUN names no kit85-run";
        std::string tmpl = (fs::temp_directory_path() / "kit85-run-source-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs a tool in `dir` with the arguments (none holds a quote).
    void run(const std::string& tool, const std::string& args) {
        const std::string command =
            "cd '" + dir.string() + "' && '" + tool + "' </dev/null " + args + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        out = read("out.txt");
        err = read("err.txt");
    }
    void runKit(const std::string& args) { run(std::getenv("KIT85_RUN"), args); }
    std::string describe() const {
        return "exit " + std::to_string(exitCode) + "\nstdout: " + out + "\nstderr: " + err;
    }
};

TEST_F(RunSource, AsmRadixReadsBareNumbersAsHex) {
    std::ofstream(dir / "kit.asm") << "ORG 8000H\nMVI A,29\nADI 45\nDAA\nHLT\n";
    struct Case {
        const char* args;
        int exit;
        const char* part;  // of stdout, or of stderr when the exit is 2
    };
    const Case cases[] = {
        {"--asm kit.asm --asm-radix 16 --at 8000 --json", 0, "\"A\":\"74\""},
        {"--asm kit.asm --at 8000 --json", 0, "\"A\":\"50\""},  // 29 + 45 = 4AH, not BCD
        {"--asm kit.asm --asm-radix 12", 2, "kit85-run: --asm-radix: the radix is 2, 8, 10 or 16\n"},
    };
    for (const Case& c : cases) {
        runKit(c.args);
        EXPECT_EQ(exitCode, c.exit) << c.args << "\n" << describe();
        EXPECT_NE((c.exit == 2 ? err : out).find(c.part), std::string::npos) << c.args << "\n" << describe();
    }
}

TEST_F(RunSource, DisassemblyBackToSource) {
    const std::string pokes = "--poke 8000=3E,A4,3D,C2,02,80,08,CF,76";
    const std::string want =
        "        ORG 8000H\n"
        "        MVI A,0A4H\n"
        "L8002:  DCR A\n"
        "        JNZ L8002\n"
        "        DB 08H\n"
        "        RST 1\n"
        "        HLT\n";
    runKit(pokes + " --disassemble 8000:9 --source back.asm");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(read("back.asm"), want);
    EXPECT_NE(out.find("8000  3E A4"), std::string::npos) << "the listing keeps its kit style\n" << out;

    runKit(pokes + " --disassemble 8000:9 --json");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_NE(out.find("\"source\":\"        ORG 8000H\\n        MVI A,0A4H\\nL8002:  DCR A\\n"), std::string::npos)
        << out;

    // kit85-asm takes it back to the same bytes.
    run(KIT85_ASM, "back.asm -o - -Wno-invalid-code");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(out, ":098000003EA43DC2028008CF76C7\n:00000001FF\n");
}

TEST_F(RunSource, SourceNeedsADisassemblyAndAFile) {
    struct Case {
        const char* args;
        const char* err;
    };
    const Case cases[] = {
        {"--source x.asm", "kit85-run: --source: it writes the --disassemble range; give --disassemble too\n"},
        {"--disassemble 8000:1 --source -",
         "kit85-run: --source -: the standard output carries the listing; name a file\n"},
    };
    for (const Case& c : cases) {
        runKit(c.args);
        EXPECT_EQ(exitCode, 2) << c.args << "\n" << describe();
        EXPECT_EQ(err, c.err) << c.args;
        EXPECT_FALSE(fs::exists(dir / "x.asm"));
    }
    runKit("--disassemble 8000:1 --source no/such/folder.asm");
    EXPECT_EQ(exitCode, 1) << describe();
    EXPECT_NE(err.find("kit85-run: --source: cannot write no/such/folder.asm"), std::string::npos) << err;
}

}  // namespace
}  // namespace kit85::testing
