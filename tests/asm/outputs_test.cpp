// What the assembler writes besides the bytes: the keying sheet (CSV and
// HTML) and the listing; and how output files are written, all or none, and
// told apart from inputs and from each other.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "asm/keying_sheet.h"
#include "asm/listing.h"
#include "asm/output_files.h"
#include "asm_support.h"

namespace kit85::testing {
namespace {

using namespace assembler;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Compares two texts line by line; a failure shows every line that differs.
void expectLines(const std::string& got, const std::vector<std::string>& want) {
    std::vector<std::string> g = linesOf(got);
    std::ostringstream diff;
    for (std::size_t i = 0; i < std::max(g.size(), want.size()); ++i) {
        std::string a = i < g.size() ? g[i] : "<none>";
        std::string b = i < want.size() ? want[i] : "<none>";
        if (a != b) diff << "  line " << i + 1 << ":\n    got:  " << a << "\n    want: " << b << "\n";
    }
    EXPECT_TRUE(diff.str().empty()) << diff.str() << "whole text:\n" << got;
}

const char* kShortProgram =
    "        ORG 8010H\n"
    "DATA:   DB 'A',1        ; say \"hi\", twice\n"
    "        ORG 8000H\n"
    "START:  mvi a,05H       ; five\n"
    "        LXI H,DATA\n"
    "        HLT\n";

TEST(KeyingSheet, CsvHasARowPerByteInKeyingOrder) {
    Assembly a = assemble(kShortProgram);
    ASSERT_TRUE(a.ok()) << diagnosticsText(a);
    expectLines(keyingSheetCsv(a), {
                                       "address,byte,mnemonic,label,comment,done",
                                       "8000,3E,\"MVI A,05H\",START,five,",
                                       "8001,05,\"MVI A,05H\",,,",
                                       "8002,21,\"LXI H,DATA\",,,",
                                       "8003,10,\"LXI H,DATA\",,,",
                                       "8004,80,\"LXI H,DATA\",,,",
                                       "8005,76,HLT,,,",
                                       "8010,41,\"DB 'A',1\",DATA,\"say \"\"hi\"\", twice\",",
                                       "8011,01,\"DB 'A',1\",,,",
                                   });
}

TEST(KeyingSheet, RowsMarkWhereAddressIsPressed) {
    Assembly a = assemble(kShortProgram);
    std::string jumps, firsts;
    for (const SheetRow& r : keyingRows(a)) {
        jumps += r.jump ? '1' : '0';
        firsts += r.first ? '1' : '0';
    }
    EXPECT_EQ(jumps, "10000010") << "the first row and the row after the gap";
    EXPECT_EQ(firsts, "10100110") << "each statement's first byte";
}

TEST(KeyingSheet, HtmlPrintsOnA4WithTheHeaderOnEveryPage) {
    Assembly a = assemble("X: MVI A,'<' ; a <b> & c\nHLT");
    std::string page = keyingSheetHtml(a, "lab<1>.asm");
    for (const char* part : {"@page { size: A4", "thead { display: table-header-group; }", "break-inside: avoid",
                             "<title>Keying sheet: lab&lt;1&gt;.asm</title>", "MVI A,'&lt;'", "a &lt;b&gt; &amp; c",
                             "3 bytes, 8000 to 8002"})
        EXPECT_NE(page.find(part), std::string::npos) << "missing: " << part << "\n" << page;
    std::size_t rows = 0;
    for (std::size_t at = page.find("<td class=\"done\">"); at != std::string::npos;
         at = page.find("<td class=\"done\">", at + 1))
        ++rows;
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(page.find("<b>"), std::string::npos) << "source text is escaped";
}

TEST(Listing, AddressBytesAndSourceOfEveryLine) {
    Assembly a =
        assemble("; demo\n        ORG 8000H\nN       EQU 3\nLOOP:   MVI B,N\n        DB 'HELLO'\n        JMP LOOP\n");
    ASSERT_TRUE(a.ok()) << diagnosticsText(a);
    expectLines(formatListing(a, "demo.asm"), {
                                                  "Listing of demo.asm",
                                                  "",
                                                  "ADDR  BYTES       LINE  SOURCE",
                                                  "                     1  ; demo",
                                                  "8000                 2          ORG 8000H",
                                                  "=0003                3  N       EQU 3",
                                                  "8000  06 03          4  LOOP:   MVI B,N",
                                                  "8002  48 45 4C 4C    5          DB 'HELLO'",
                                                  "8006  4F",
                                                  "8007  C3 00 80       6          JMP LOOP",
                                                  "",
                                                  "SYMBOL            VALUE  LINE",
                                                  "LOOP              8000     4",
                                                  "N                 0003     3",
                                              });
}

TEST(Listing, WarningsStandUnderTheirLine) {
    Assembly a = assemble("NOP\nJMP X\nHLT");
    std::string listing = formatListing(a, "w.asm");
    EXPECT_NE(listing.find("JMP X\n*** w.asm:2:5: error: undefined label 'X'\n"), std::string::npos) << listing;
}

// --- Output files ---------------------------------------------------------------

namespace fs = std::filesystem;

// A folder of its own for one test, removed afterwards.
class OutputFolder {
public:
    OutputFolder() {
        std::string tmpl = (fs::temp_directory_path() / "kit85-outputs-XXXXXX").string();
        if (::mkdtemp(tmpl.data())) dir_ = tmpl;
    }
    ~OutputFolder() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return path(name);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Every name in the folder, hidden ones (temporary files) included.
    std::string names() const {
        std::set<std::string> sorted;
        for (const auto& e : fs::directory_iterator(dir_)) sorted.insert(e.path().filename().string());
        std::string all;
        for (const std::string& n : sorted) all += n + " ";
        return all;
    }

private:
    fs::path dir_;
};

// A target that fails (a full device, a folder, a loop of links, the standard
// output) leaves every regular target as it was and no temporary file, and
// the message says what was reached all the same.
TEST(OutputFiles, ATargetThatFailsLeavesTheOthersAsTheyWere) {
    OutputFolder d;
    fs::create_directory(d.path("folder"));
    fs::create_symlink("loop", d.path("loop"));
    std::ostringstream badStdout;
    badStdout.setstate(std::ios::badbit);
    const struct {
        const char* name;
        std::vector<std::string> targets;  // the first is keep.hex
        std::string says;
    } cases[] = {
        {"a full device",
         {"keep.hex", "/dev/full"},
         "cannot write /dev/full: No space left on device; nothing written"},
        {"a full device after a regular one",
         {"keep.hex", "new.hex", "/dev/full"},
         "cannot write /dev/full: No space left on device; nothing written"},
        {"a device reached before the full one",
         {"keep.hex", "/dev/null", "/dev/full"},
         "cannot write /dev/full: No space left on device; only /dev/null got its output"},
        {"a folder", {"keep.hex", "folder"}, "cannot write " + d.path("folder") + ": it is a folder; nothing written"},
        {"a loop of links",
         {"keep.hex", "loop"},
         "cannot write " + d.path("loop") + ": its symbolic links form a loop; nothing written"},
        {"a missing folder",
         {"keep.hex", "no/such.hex"},
         "cannot write " + d.path("no/such.hex") + ": No such file or directory; nothing written"},
        {"the standard output", {"keep.hex", "-"}, "cannot write to the standard output; nothing written"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        d.write("keep.hex", "OLD");
        std::vector<assembler::OutputFile> files;
        for (const std::string& t : c.targets)
            files.push_back({t.starts_with("/") || t == "-" ? t : d.path(t), "NEW " + t});
        std::optional<assembler::OutputProblem> problem = assembler::writeOutputFiles(files, badStdout);
        ASSERT_TRUE(problem.has_value());
        EXPECT_EQ(problem->message("nothing written"), c.says);
        EXPECT_EQ(d.read("keep.hex"), "OLD");
        EXPECT_EQ(d.names(), "folder keep.hex loop ") << "no new file, no temporary file";
    }
}

// A device cannot be held back, so it is written only once every regular
// target is: a regular file that fails (here past the file-size limit) leaves
// the pipe beside it without a byte. /dev/stdout writes through to the pipe
// it stands for.
TEST(OutputFiles, DevicesComeAfterTheFilesThatCanBeHeldBack) {
    OutputFolder d;
    ASSERT_EQ(::mkfifo(d.path("pipe").c_str(), 0600), 0);
    const int reader = ::open(d.path("pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    auto pending = [reader] {
        char buffer[64];
        const ssize_t n = ::read(reader, buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    };
    std::ostringstream out;
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4096, limit.rlim_max};
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<assembler::OutputProblem> problem =
        assembler::writeOutputFiles({{d.path("pipe"), "DEVICE"}, {d.path("big.hex"), std::string(8192, 'x')}}, out);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->message("nothing written"),
              "cannot write " + d.path("big.hex") + ": File too large; nothing written");
    EXPECT_EQ(pending(), "") << "the device was written before the file that failed";
    EXPECT_EQ(d.names(), "pipe ");

    const int writer = ::open(d.path("pipe").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    EXPECT_FALSE(assembler::writeOutputFiles({{"/dev/fd/" + std::to_string(writer), "THROUGH"}}, out));
    EXPECT_EQ(pending(), "THROUGH");
    EXPECT_EQ(d.names(), "pipe ");
    ::close(writer);
    ::close(reader);
}

// Links are followed: the file a link names is written (made when missing),
// the link kept; a device is written to, never replaced.
TEST(OutputFiles, LinksAreFollowedAndDevicesWrittenThrough) {
    OutputFolder d;
    fs::create_symlink("made.hex", d.path("dangling"));
    fs::create_symlink(d.path("dangling"), d.path("chain"));
    d.write("old.hex", "OLD");
    fs::permissions(d.path("old.hex"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("old.hex", d.path("link"));
    std::ostringstream out;
    EXPECT_FALSE(assembler::writeOutputFiles(
        {{d.path("chain"), "one"}, {d.path("link"), "two"}, {"/dev/null", "three"}, {"-", "four"}}, out));
    EXPECT_EQ(d.read("made.hex"), "one");
    EXPECT_EQ(d.read("old.hex"), "two");
    EXPECT_EQ(fs::status(d.path("old.hex")).permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << "a private file stays private";
    EXPECT_TRUE(fs::is_symlink(d.path("link")) && fs::is_symlink(d.path("chain")));
    EXPECT_EQ(out.str(), "four");
    EXPECT_EQ(d.names(), "chain dangling link made.hex old.hex ");
}

// Temporary files left by a writer that was killed are removed by the next
// write of the same target: only ours, only unlocked, only old ones.
TEST(OutputFiles, LeftoversOfAKilledWriterAreRemoved) {
    OutputFolder d;
    const struct {
        const char* name;
        bool old;
        bool locked;
        bool removed;
    } cases[] = {
        {".q.hex.kit85-Ab12Cd", true, false, true},   {".kit85-long.zZ09aA", true, false, true},
        {".q.hex.kit85-Xy34Ef", false, false, false},  // may be a writer that has not locked it yet
        {".q.hex.kit85-Gh56Ij", true, true, false},    // its writer is still at work
        {".q.hex.backup", true, false, false},        {".q.hex.kit85-Ab12C", true, false, false},
        {".q.hex.kit85-Ab12C!", true, false, false},  {".r.hex.kit85-Ab12Cd", true, false, false},
        {"q.hex.kit85-Ab12Cd", true, false, false},
    };
    std::vector<int> locks;
    for (const auto& c : cases) {
        d.write(c.name, "left");
        if (c.old) fs::last_write_time(d.path(c.name), fs::file_time_type::clock::now() - std::chrono::minutes(2));
        if (c.locked) {
            locks.push_back(::open(d.path(c.name).c_str(), O_RDONLY | O_CLOEXEC));
            ASSERT_EQ(::flock(locks.back(), LOCK_EX), 0);
        }
    }
    std::ostringstream out;
    ASSERT_FALSE(assembler::writeOutputFiles({{d.path("q.hex"), "new"}}, out));
    for (const auto& c : cases) EXPECT_EQ(fs::exists(d.path(c.name)), !c.removed) << c.name;
    for (int fd : locks) ::close(fd);
}

// Names are told apart by the file they lead to, not by their spelling.
TEST(OutputFiles, ClashesAreFoundByFileNotBySpelling) {
    OutputFolder d;
    d.write("a.hex", "a");
    d.write("b.hex", "b");
    fs::create_directory(d.path("sub"));
    fs::create_hard_link(d.path("a.hex"), d.path("hard.hex"));
    fs::create_symlink("a.hex", d.path("soft.hex"));
    fs::create_symlink("new.hex", d.path("dangling.hex"));
    const std::string a = d.path("a.hex");
    const struct {
        const char* name;
        std::vector<std::string> outputs, inputs;
        std::optional<assembler::Clash> want;
    } cases[] = {
        {"same spelling", {a}, {a}, assembler::Clash{0, 0, true}},
        {"./", {d.path("./a.hex")}, {a}, assembler::Clash{0, 0, true}},
        {"..", {d.path("sub/../a.hex")}, {a}, assembler::Clash{0, 0, true}},
        {"hard link", {d.path("hard.hex")}, {a}, assembler::Clash{0, 0, true}},
        {"symbolic link", {d.path("soft.hex")}, {a}, assembler::Clash{0, 0, true}},
        {"the second input", {d.path("b.hex")}, {a, d.path("./b.hex")}, assembler::Clash{0, 1, true}},
        {"two outputs, file not made yet",
         {d.path("new.hex"), d.path("sub/../new.hex")},
         {},
         assembler::Clash{1, 0, false}},
        {"a dangling link and its file",
         {d.path("x.hex"), d.path("new.hex"), d.path("dangling.hex")},
         {},
         assembler::Clash{2, 1, false}},
        {"an input before an output", {d.path("new.hex"), a}, {d.path("./a.hex")}, assembler::Clash{1, 0, true}},
        {"different files", {d.path("b.hex"), d.path("sub/a.hex")}, {a}, std::nullopt},
        {"same name, other folder", {d.path("new.hex"), d.path("sub/new.hex")}, {}, std::nullopt},
        {"the standard output twice", {"-", "-"}, {"-"}, std::nullopt},
    };
    auto text = [](const std::optional<assembler::Clash>& c) {
        if (!c) return std::string("none");
        return std::to_string(c->output) + (c->input ? " with input " : " with output ") + std::to_string(c->other);
    };
    for (const auto& c : cases) EXPECT_EQ(text(assembler::findClash(c.outputs, c.inputs)), text(c.want)) << c.name;
}

#ifdef KIT85_ASM
// kit85-asm as a process: an output named twice is refused, and a device
// that fails leaves the HEX file as it was.
TEST(OutputFiles, Kit85AsmWritesAllOrNone) {
    OutputFolder d;
    d.write("ok.asm", "ORG 8000H\nMVI A,5\nHLT\n");
    const struct {
        const char* args;
        int exitCode;
        const char* says;
    } cases[] = {
        {"ok.asm -o same.hex --listing ./same.hex", 2, "kit85-asm: ./same.hex is named for two outputs\n"},
        {"ok.asm -o keep.hex --listing /dev/full", 1,
         "kit85-asm: cannot write /dev/full: No space left on device; nothing written\n"},
        {"ok.asm -o keep.hex --sheet ok.csv --listing ./ok.asm", 2,
         "kit85-asm: ./ok.asm is the source: it is not overwritten\n"},
    };
    for (const auto& c : cases) {
        d.write("keep.hex", "OLD");
        const std::string command =
            "cd '" + d.path("") + "' && '" KIT85_ASM "' " + c.args + " </dev/null >/dev/null 2>err.txt";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exitCode) << c.args;
        EXPECT_EQ(d.read("err.txt"), c.says) << c.args;
        EXPECT_EQ(d.read("keep.hex"), "OLD") << c.args;
        EXPECT_EQ(d.names(), "err.txt keep.hex ok.asm ") << c.args;
    }
}
#endif

}  // namespace
}  // namespace kit85::testing
