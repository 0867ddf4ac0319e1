// kit85-asm as a user runs it: the files it writes, its messages and exit
// status, and that a source with an error, or an output that cannot be
// written, leaves no file behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "asm/keying_sheet.h"
#include "asm_support.h"
#include "memory/intel_hex.h"

namespace kit85::testing {
namespace {

namespace fs = std::filesystem;

class Kit85Asm : public ::testing::Test {
protected:
    fs::path dir;
    int exitCode = -1;
    std::string out, err;

    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "kit85-asm-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
        return path(name);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs kit85-asm in `dir` with the arguments (none holds a quote).
    void run(const std::string& args) {
        std::string command = "cd '" + dir.string() + "' && '" KIT85_ASM "' </dev/null " + args + " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        out = read("out.txt");
        err = read("err.txt");
        fs::remove(dir / "out.txt");
        fs::remove(dir / "err.txt");
    }
    std::string files() const {
        std::set<std::string> sorted;
        for (const auto& e : fs::directory_iterator(dir)) sorted.insert(e.path().filename().string());
        std::string names;
        for (const std::string& n : sorted) names += n + " ";
        return names;
    }
    std::string describe() const {
        return "exit " + std::to_string(exitCode) + "\nstdout: " + out + "\nstderr: " + err + "\nfiles: " + files();
    }
};

const char* kProgram = "START: MVI A,05H ; five\n       HLT\n";

TEST_F(Kit85Asm, WritesHexListingAndSheet) {
    write("prog.asm", kProgram);
    run("prog.asm -o prog.hex --listing prog.lst --sheet prog.csv");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(err, "prog.asm:1:8: warning: code at 0000H: the keypad starts at 8000: add ORG 8000H\n");
    auto a = assembler::assemble(kProgram);
    auto bytes = a.bytes();
    EXPECT_EQ(read("prog.hex"), formatIntelHex(bytes)) << describe();
    EXPECT_EQ(read("prog.csv"), assembler::keyingSheetCsv(a));
    EXPECT_NE(read("prog.lst").find("0000  3E 05          1  START: MVI A,05H ; five"), std::string::npos)
        << read("prog.lst");
    run("prog.asm --sheet prog.HTML");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(read("prog.HTML").rfind("<!DOCTYPE html>", 0), 0u);
}

TEST_F(Kit85Asm, WithoutOutputsTheHexGoesBesideTheSource) {
    write("lab.asm", kProgram);
    run("lab.asm");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(read("lab.hex"), ":030000003E057644\n:00000001FF\n");
}

TEST_F(Kit85Asm, StandardInputAndOutput) {
    write("prog.asm", kProgram);
    run("- -o - < prog.asm");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(out, ":030000003E057644\n:00000001FF\n");
}

// A device is written to, never replaced; a symbolic link's file is replaced,
// the link kept.
TEST_F(Kit85Asm, DevicesAndLinksAreWrittenThrough) {
    write("prog.asm", kProgram);
    write("real.hex", "old");
    fs::create_symlink("real.hex", dir / "link.hex");
    run("prog.asm -o /dev/null --listing link.hex");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.hex"));
    EXPECT_EQ(read("real.hex").rfind("Listing of prog.asm", 0), 0u) << read("real.hex");
    EXPECT_EQ(files(), "link.hex prog.asm real.hex ");
}

TEST_F(Kit85Asm, ErrorsAreAllReportedAndNothingIsWritten) {
    write("bad.asm", "MVI A,FFH\nJMP X\nMOV A,Q\n");
    write("bad.hex", "old");
    run("bad.asm -o bad.hex --listing bad.lst --sheet bad.html");
    EXPECT_EQ(exitCode, 2) << describe();
    EXPECT_EQ(err,
              "bad.asm:1:7: error: 'FFH' is no label; a hex number starts with a digit: 0FFH\n"
              "bad.asm:2:5: error: undefined label 'X'\n"
              "bad.asm:3:7: error: bad register 'Q' for MOV: one of B C D E H L M A\n"
              "kit85-asm: 3 errors in bad.asm; nothing written\n");
    EXPECT_EQ(read("bad.hex"), "old");
    EXPECT_EQ(files(), "bad.asm bad.hex ") << "no listing, no sheet, no temporary file";
}

TEST_F(Kit85Asm, AnOutputThatCannotBeWrittenLeavesNone) {
    write("prog.asm", kProgram);
    write("plain", "a file, not a folder");
    run("prog.asm -o prog.hex --listing plain/prog.lst");
    EXPECT_EQ(exitCode, 1) << describe();
    EXPECT_EQ(err,
              "prog.asm:1:8: warning: code at 0000H: the keypad starts at 8000: add ORG 8000H\n"
              "kit85-asm: cannot write plain/prog.lst: Not a directory; nothing written\n");
    EXPECT_EQ(files(), "plain prog.asm ") << "the HEX file is not left behind either";
}

TEST_F(Kit85Asm, BadArgumentsAreRefused) {
    write("prog.asm", kProgram);
    struct Case {
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {"prog.asm --sheet prog.pdf", "kit85-asm: --sheet prog.pdf: the name must end in .html or .csv\n"},
        {"prog.asm -o x.hex --listing x.hex", "kit85-asm: x.hex is named for two outputs\n"},
        {"prog.asm -o prog.asm", "kit85-asm: prog.asm is the source: it is not overwritten\n"},
        {"missing.asm", "kit85-asm: cannot read missing.asm: No such file or directory\n"},
        {"", "kit85-asm: SOURCE is required\nkit85-asm: Run with --help for more information.\n"},
    };
    for (const Case& c : cases) {
        run(c.args);
        EXPECT_EQ(exitCode, 2) << c.args << "\n" << describe();
        EXPECT_EQ(err, c.message) << c.args;
        EXPECT_EQ(files(), "prog.asm ") << c.args;
    }
}

}  // namespace
}  // namespace kit85::testing
