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
#include "values/text_encoding.h"

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
    run("prog.asm -o prog.hex --listing prog.lst --sheet prog.csv --org 0");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(err, "prog.asm:1:8: warning: code at 0000H: the keypad starts at 8000: add ORG 8000H\n");
    auto a = assembler::assemble(kProgram, {10, {}, 0});
    auto bytes = a.bytes();
    EXPECT_EQ(read("prog.hex"), formatIntelHex(bytes)) << describe();
    EXPECT_EQ(read("prog.csv"), assembler::keyingSheetCsv(a));
    EXPECT_NE(read("prog.lst")
                  .find("Placed at 0000H: no ORG before the first byte\n\nADDR  BYTES       LINE  SOURCE\n"
                        "0000  3E 05          1  START: MVI A,05H ; five\n"
                        "*** prog.asm:1:8: warning: code at 0000H: the keypad starts at 8000: add ORG "
                        "8000H\n"),
              std::string::npos)
        << "the warning stands under its line in the listing file too\n"
        << read("prog.lst");
    run("prog.asm --sheet prog.HTML");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(read("prog.HTML").rfind("<!DOCTYPE html>", 0), 0u);
}

TEST_F(Kit85Asm, WithoutOutputsTheHexGoesBesideTheSource) {
    write("lab.asm", kProgram);
    run("lab.asm");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(read("lab.hex"), ":038000003E0576C4\n:00000001FF\n") << "no ORG: placed at 8000";
}

TEST_F(Kit85Asm, StandardInputAndOutput) {
    write("prog.asm", kProgram);
    run("- -o - < prog.asm");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(out, ":038000003E0576C4\n:00000001FF\n");
    // Saved as UTF-16 ("Unicode" in a common Windows editor), it is the same source.
    write("wide.asm", encodeText(kProgram, TextEncoding::Utf16Le));
    run("wide.asm -o -");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_EQ(out, ":038000003E0576C4\n:00000001FF\n");
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
    write("bad.asm", "MVI A,FF\nJMP X\nMOV A,Q\n");
    write("bad.hex", "old");
    run("bad.asm -o bad.hex --listing bad.lst --sheet bad.html");
    EXPECT_EQ(exitCode, 2) << describe();
    EXPECT_EQ(err,
              "bad.asm:1:7: error: 'FF' is no label; a hex number starts with a digit and ends in H: 0FFH\n"
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
    EXPECT_EQ(err, "kit85-asm: cannot write plain/prog.lst: Not a directory; nothing written\n");
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
        {"prog.hex", "kit85-asm: prog.hex is an Intel HEX file, not an 8085 source\n"},
        {"", "kit85-asm: SOURCE is required\nkit85-asm: Run with --help for more information.\n"},
    };
    for (const Case& c : cases) {
        run(c.args);
        EXPECT_EQ(exitCode, 2) << c.args << "\n" << describe();
        EXPECT_EQ(err, c.message) << c.args;
        EXPECT_EQ(files(), "prog.asm ") << c.args;
    }
}

// The radix, the origin and the -Wno- options reach the assembler; bad values
// are refused.
TEST_F(Kit85Asm, RadixAndSilencedWarnings) {
    write("kit.asm", "MVI A,29\nDAA\nJNZ 2002\n");
    struct Case {
        const char* args;
        int exit;
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {"kit.asm -o -", 0, ":068000003E1D27C2D2075D\n:00000001FF\n",
         "kit.asm:1:7: warning: 29 is decimal here (1DH), but DAA works on BCD: write 29H\n"
         "kit.asm:3:5: warning: 2002 is decimal here (07D2H); write 2002H\n"},
        {"kit.asm -o - --radix 16", 0, ":068000003E2927C2022008\n:00000001FF\n", ""},
        {"kit.asm -o - -Wno-decimal-bcd -Wno-decimal-address --org 0", 0, ":060000003E1D27C2D207DD\n:00000001FF\n",
         "kit.asm:1:1: warning: code at 0000H: the keypad starts at 8000: add ORG 8000H\n"},
        {"kit.asm -o - -Wno-decimal-bcd -Wno-decimal-address -Wno-below-8000 --org 0", 0,
         ":060000003E1D27C2D207DD\n:00000001FF\n", ""},
        {"kit.asm -o - -Wno-decimal-bcd -Wno-decimal-address --org 9000h", 0, ":069000003E1D27C2D2074D\n:00000001FF\n",
         ""},
        {"kit.asm -o - --org 10000", 2, "",
         "kit85-asm: --org: the address is 1 to 4 hex digits, e.g. 8000 or 9000H\n"
         "kit85-asm: Run with --help for more information.\n"},
        {"kit.asm -o - --radix 12", 2, "",
         "kit85-asm: --radix: the radix is 2, 8, 10 or 16\nkit85-asm: Run with --help for more information.\n"},
        {"kit.asm -o - -Wno-bcd", 2, "",
         "kit85-asm: -Wno-bcd: no such warning; -Wno- takes invalid-code dialect below-8000 decimal-address "
         "decimal-bcd\n"},
    };
    for (const Case& c : cases) {
        run(c.args);
        EXPECT_EQ(exitCode, c.exit) << c.args << "\n" << describe();
        EXPECT_EQ(out, c.out) << c.args;
        EXPECT_EQ(err, c.err) << c.args;
    }
}

// Sources that never end or are too large are refused with a clear message;
// file names and long tokens in messages are escaped and cut.
TEST_F(Kit85Asm, HostileInputsGetAClearMessage) {
    std::ofstream(dir / "huge.asm").close();
    fs::resize_file(dir / "huge.asm", (16u << 20) + 1);
    const std::string escName = "bad\x1b[2J.asm";
    write(escName, "JMP " + std::string(100000, 'X') + "\n");
    write("photo.asm", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    struct Case {
        std::string args;
        std::string err;
    };
    const Case cases[] = {
        {"/dev/zero", "kit85-asm: cannot read /dev/zero: it is a device, not a source file\n"},
        {"photo.asm", "kit85-asm: photo.asm is not a text file: it holds NUL bytes\n"},
        {"huge.asm", "kit85-asm: huge.asm is larger than 16 MiB; no 8085 source for 64 KiB of memory is that large\n"},
        {"- < huge.asm",
         "kit85-asm: the standard input is larger than 16 MiB; no 8085 source for 64 KiB of memory is that large\n"},
    };
    for (const Case& c : cases) {
        run(c.args);
        EXPECT_EQ(exitCode, 2) << c.args << "\n" << describe();
        EXPECT_EQ(err, c.err) << c.args;
    }
    run("'" + escName + "'");
    EXPECT_EQ(exitCode, 2) << describe();
    EXPECT_EQ(err.find('\x1b'), std::string::npos) << "no raw escape byte reaches the terminal";
    EXPECT_NE(err.find("bad\\x1B[2J.asm:1:5: error: undefined label 'XXX"), std::string::npos) << err.substr(0, 300);
    EXPECT_LT(err.size(), 1000u) << "the 100,000-letter name is cut";
}

TEST_F(Kit85Asm, HelpThatCannotBeWrittenFails) {
    run("--help");
    EXPECT_EQ(exitCode, 0) << describe();
    EXPECT_NE(out.find("-Wno-decimal-bcd"), std::string::npos) << out;
    const std::string command = "'" KIT85_ASM "' --help >/dev/full 2>'" + path("err.txt") + "'";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    EXPECT_EQ(read("err.txt"), "kit85-asm: cannot write to the standard output\n");
}

}  // namespace
}  // namespace kit85::testing
